// The GPO folder: atomic replacement, the lock, gpt.ini's version and extension list. Loading,
// the first save and the store operations through the folder are run by the tool's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "platform/gpo_folder.h"
#include "preg_test_util.h"

namespace ostrel::gpo {
namespace {

namespace fs = std::filesystem;

// A fresh temporary folder for one test, removed afterwards.
struct TempDir {
  TempDir() { fs::remove_all(path); }
  ~TempDir() { fs::remove_all(path); }
  const fs::path path = fs::temp_directory_path() /
                        ("ostrel-gpo-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

const std::string regExt = "{35378EAC-683F-11D2-A89A-00C04FBBCFA2}";
const std::string toolA = "{0F6B957E-509E-11D1-A7CC-0000F87571E3}";
const std::string toolB = "{D02B1F73-3407-48AE-BA88-E8213C6761F1}";
const std::string other = "{827D319E-6EAC-11D2-A4EA-00C04F79F83A}";

// Fails the nth rename: the first is Registry.pol's, after both temporary files are written
// and flushed; the second is gpt.ini's, after Registry.pol was replaced.
class FailingRename : public platform::FileSystem {
 public:
  explicit FailingRename(int n) : n_(n) {}
  bool replace(const fs::path& from, const fs::path& to, std::string& error) override {
    if (++renames_ == n_) {
      error = "injected";
      return false;
    }
    return FileSystem::replace(from, to, error);
  }

 private:
  int n_, renames_ = 0;
};

TEST(GpoFolder, AFailedSaveLeavesTheOldFilesByteForByte) {
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    TempDir dir;
    std::string error;
    {
      GpoFolder folder(dir.path);
      ASSERT_TRUE(folder.load(error));
      testing::put(folder.hive(), L"K", L"old", regtype::dword, regDwordBytes(1));
      ASSERT_TRUE(folder.save(error)) << error;
    }
    const std::string oldPol = slurp(dir.path / "Machine" / "Registry.pol");
    const std::string oldIni = slurp(dir.path / "gpt.ini");

    FailingRename failing(n);
    GpoFolder folder(dir.path, failing);
    ASSERT_TRUE(folder.load(error)) << error;
    testing::put(folder.hive(), L"K", L"new", regtype::dword, regDwordBytes(2));
    EXPECT_FALSE(folder.save(error));
    EXPECT_EQ(n == 1 ? "injected" : "injected; " + folder.registryPolPath().string() +
                                        " was put back as it was: nothing changed",
              error);
    EXPECT_EQ(oldPol, slurp(dir.path / "Machine" / "Registry.pol"));
    EXPECT_EQ(oldIni, slurp(dir.path / "gpt.ini"));
    for (const auto& sub : {dir.path, dir.path / "Machine"})
      for (const auto& entry : fs::directory_iterator(sub))
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".ostrel-tmp")) << entry.path();
    EXPECT_EQ(1u, folder.gptIni().version());  // the version went up only if the save succeeded
  }
}

TEST(GpoFolder, NamesInAnyCaseAreKeptAndRestorePutsBothFilesBack) {
  // A folder as a domain controller makes it: GPT.INI and MACHINE in capitals.
  TempDir dir;
  fs::create_directories(dir.path / "MACHINE");
  std::ofstream(dir.path / "GPT.INI", std::ios::binary) << "[General]\r\nVersion=7\r\n";
  std::string error;
  GpoFolder folder(dir.path);
  ASSERT_TRUE(folder.load(error)) << error;
  EXPECT_EQ(7u, folder.gptIni().version());
  testing::put(folder.hive(), L"K", L"v", regtype::dword, regDwordBytes(1));
  ASSERT_TRUE(folder.save(error)) << error;
  std::vector<std::string> names;
  for (const auto& sub : {dir.path, dir.path / "MACHINE"})
    for (const auto& entry : fs::directory_iterator(sub)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"GPT.INI", "MACHINE", "Registry.pol"}), names);
  EXPECT_EQ("[General]\r\nVersion=8\r\n", slurp(dir.path / "GPT.INI"));

  ASSERT_TRUE(folder.restore(error)) << error;
  EXPECT_EQ("[General]\r\nVersion=7\r\n", slurp(dir.path / "GPT.INI"));
  EXPECT_FALSE(fs::exists(dir.path / "MACHINE" / "Registry.pol"));  // there was none before
}

TEST(GpoFolder, TheLockIsExclusiveUntilItsHolderIsGone) {
  TempDir dir;
  std::string error;
  auto first = std::make_unique<GpoFolder>(dir.path);
  ASSERT_TRUE(first->lock(std::chrono::milliseconds(0), error)) << error;
  GpoFolder second(dir.path);
  EXPECT_FALSE(second.lock(std::chrono::milliseconds(30), error));
  EXPECT_NE(std::string::npos, error.find("another writer holds the lock")) << error;
  first.reset();
  EXPECT_TRUE(second.lock(std::chrono::milliseconds(0), error)) << error;
}

TEST(GptIni, VersionRaisesOnlyTheMachineWord) {
  struct Case {
    std::uint32_t before, after;
  } cases[] = {{0, 1}, {65537, 65538}, {0x0003FFFF, 0x00030001}, {0xFFFFFFFF, 0xFFFF0001}};
  for (auto c : cases) {
    GptIni ini;
    ini.setVersion(c.before);
    ini.bumpMachineVersion();
    EXPECT_EQ(c.after, ini.version()) << c.before;
  }
}

// Its own lines are rewritten in place, missing ones go to the end of [General], and every
// other line stays; a byte order mark does not hide the section.
TEST(GptIni, KeepsOtherLinesAndRewritesItsOwn) {
  struct Case {
    std::string before;
    bool bump, addPair;
    std::uint32_t version;
    std::string after;
  } cases[] = {
      {"[General]\nversion = 131075\ndisplayName=Local\ngPCMachineExtensionNames=[" + other + toolA +
           "]\n\n[Other]\nVersion=9\n",
       true, true, 131076,
       "[General]\r\nVersion=131076\r\ndisplayName=Local\r\ngPCMachineExtensionNames=[" + regExt + toolB + "][" +
           other + toolA + "]\r\n\r\n[Other]\r\nVersion=9\r\n"},
      {"\xEF\xBB\xBF[General]\r\nVersion=7\r\n", false, false, 7, "[General]\r\nVersion=7\r\n"},
      {"[Other]\r\na=1\r\n[General]\r\ndisplayName=x\r\n\r\n[Last]\r\n", false, true, 0,
       "[Other]\r\na=1\r\n[General]\r\ndisplayName=x\r\ngPCMachineExtensionNames=[" + regExt + toolB +
           "]\r\nVersion=0\r\n\r\n[Last]\r\n"},
  };
  for (const Case& c : cases) {
    GptIni ini;
    ini.parse(c.before);
    if (c.bump) ini.bumpMachineVersion();
    if (c.addPair) ini.addMachineExtension(regExt, toolB);
    EXPECT_EQ(c.version, ini.version());
    EXPECT_EQ(c.after, ini.text());
  }
  // A UTF-16 file (as Windows' profile functions write it) is read and written back as UTF-16.
  const std::string utf16("\xFF\xFE[\0G\0e\0n\0e\0r\0a\0l\0]\0\r\0\n\0V\0e\0r\0s\0i\0o\0n\0=\0005\0\r\0\n\0", 46);
  GptIni ini;
  ini.parse(utf16);
  EXPECT_EQ(5u, ini.version());
  ini.bumpMachineVersion();
  std::string expected = utf16;
  expected[40] = '6';
  const std::vector<std::uint8_t> written = ini.bytes();
  EXPECT_EQ(expected, std::string(written.begin(), written.end()));
}

TEST(GptIni, ExtensionPairsMergeSortedWithoutDuplicatesAndRemoveCleanly) {
  EXPECT_EQ((GptIni::Groups{{regExt, toolA, toolB}, {other, toolA}}),
            GptIni::parseExtensionText("[" + regExt + toolB + toolA + toolB + "][" + other + toolA + "][" + regExt +
                                       toolA + "]"));
  GptIni ini;
  ini.parse("[General]\r\ngPCMachineExtensionNames=[" + other + toolB + "]\r\n");
  ini.addMachineExtension(regExt, toolB);
  ini.addMachineExtension(regExt, "{0f6b957e-509e-11d1-a7cc-0000f87571e3}");
  ini.addMachineExtension(regExt, toolA);  // same as the lower-case one
  ini.addMachineExtension(other, toolA);
  EXPECT_EQ("[" + regExt + "{0f6b957e-509e-11d1-a7cc-0000f87571e3}" + toolB + "][" + other + toolA + toolB + "]",
            ini.machineExtensionText());
  ini.removeMachineExtension(regExt, toolA);
  ini.removeMachineExtension(regExt, toolB);
  ini.removeMachineExtension(other, toolB);
  ini.removeMachineExtension("{00000000-0000-0000-0000-000000000000}", toolB);
  EXPECT_EQ("[" + other + toolA + "]", ini.machineExtensionText());
}

}  // namespace
}  // namespace ostrel::gpo

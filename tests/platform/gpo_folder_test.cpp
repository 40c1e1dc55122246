// The GPO folder: atomic replacement, the lock, gpt.ini's version and extension list. Loading,
// the first save and the store operations through the folder are run by the tool's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>

#include "platform/faulty_registry.h"
#include "platform/gpo_folder.h"
#include "rules/policy_store.h"
#include "tests/rules/store_doubles.h"
#include "tests/rules/store_test_support.h"
#include "preg_test_util.h"
#include "tests/platform/temp_folder.h"

namespace ostrel::gpo {
namespace {

namespace fs = std::filesystem;

using ostrel::testing::slurp;
using ostrel::testing::TempFolder;

const std::string regExt = "{35378EAC-683F-11D2-A89A-00C04FBBCFA2}";
const std::string toolA = "{0F6B957E-509E-11D1-A7CC-0000F87571E3}";
const std::string toolB = "{D02B1F73-3407-48AE-BA88-E8213C6761F1}";
const std::string other = "{827D319E-6EAC-11D2-A4EA-00C04F79F83A}";

// Fails the nth file operation of any kind; a failed remove leaves the file where it is.
class FaultyFiles : public platform::FileSystem {
 public:
  explicit FaultyFiles(int n) : n_(n) {}
  bool exists(const fs::path& p, std::string& e) override { return !fails(e) && FileSystem::exists(p, e); }
  bool readAll(const fs::path& p, platform::ByteBuffer& out, std::string& e) override {
    return !fails(e) && FileSystem::readAll(p, out, e);
  }
  bool createDirectories(const fs::path& p, std::string& e) override {
    return !fails(e) && FileSystem::createDirectories(p, e);
  }
  bool writeFlushed(const fs::path& p, std::span<const std::uint8_t> b, const fs::path& k, std::string& e) override {
    return !fails(e) && FileSystem::writeFlushed(p, b, k, e);
  }
  bool replace(const fs::path& from, const fs::path& to, std::string& e) override {
    return !fails(e) && FileSystem::replace(from, to, e);
  }
  void remove(const fs::path& p) noexcept override {
    std::string ignored;
    if (!fails(ignored)) FileSystem::remove(p);
  }
  bool injected = false;

 private:
  bool fails(std::string& error) {
    if (++count_ != n_) return false;
    error = "injected";
    return injected = true;
  }
  int n_, count_ = 0;
};

// The folder's editor side with its registry calls made through a FaultyRegistry.
struct FaultyFolderHost final : GroupPolicyHost {
  explicit FaultyFolderHost(GpoFolder& folder) : inner(folder), faulty(folder.hive()) {}
  HResult getRegistryKey(std::uint32_t s, Registry::Key& key) override { return inner.getRegistryKey(s, key); }
  HResult policyChanged(bool m, bool a, const Guid& e, const Guid& s) override { return inner.policyChanged(m, a, e, s); }
  Registry& registry() override { return faulty; }
  GpoFolderHost inner;
  FaultyRegistry faulty;
};

// Countdown sweeps: for n = 1, 2, ... the n-th file operation (then the n-th registry call) of
// a change that adds a rule to a folder fails, until one runs without reaching the fault. As
// the tool does, a store operation that did not complete saves nothing. The folder then holds
// the old policy or the new one, never a mix, and the change says which; after the old one the
// same change without faults makes the new one; no temporary file outlives a change.
TEST(GpoFolder, CountdownFaultSweeps) {
  TempFolder dir;
  // Whether the change was saved, and whether it reached the fault.
  auto change = [&](platform::FileSystem& files, int registryFault, std::size_t ruleCount) {
    GpoFolder folder(dir.path, files);
    FaultyFolderHost host(folder);
    host.faulty.failCall(FaultyRegistry::Op::any, registryFault, status::accessDenied);
    ostrel::testing::ScriptedPrompter prompter;
    std::vector<std::unique_ptr<Rule>> rules;
    std::string error;
    bool saved = folder.lock(std::chrono::milliseconds(0), error) && folder.load(error) &&
                 store::loadRules(&host, prompter, [&](std::unique_ptr<Rule> r) { rules.push_back(std::move(r)); });
    while (saved && rules.size() < ruleCount) {
      auto& r = rules.emplace_back(std::make_unique<Rule>());
      r->idFromText(L"R" + std::to_wstring(rules.size()));
      r->setType(RuleType::Path);
      r->setPathPattern(L"C:\\app.exe");
      r->encodePath();
    }
    std::vector<Rule*> live;
    for (auto& r : rules) live.push_back(r.get());
    saved = saved && store::updateStore(&host, prompter, true, live) && folder.save(error);
    return std::pair(saved, host.faulty.injected() > 0 || dynamic_cast<FaultyFiles&>(files).injected);
  };
  auto policy = [&] {
    GpoFolder folder(dir.path);
    std::string error;
    EXPECT_TRUE(folder.load(error)) << error;
    return std::pair(ostrel::testing::hiveLines(folder.hive()), slurp(dir.path / "gpt.ini"));
  };
  std::pair<std::vector<std::wstring>, std::string> before, after;
  for (const bool registry : {false, true}) {
    for (int n = 0;; ++n) {
      fs::remove_all(dir.path);
      FaultyFiles real(0);
      ASSERT_TRUE(change(real, 0, 1).first);
      if (n == 0) {
        before = policy();
        ASSERT_TRUE(change(real, 0, 2).first);
        after = policy();
        continue;
      }
      FaultyFiles files(registry ? 0 : n);
      const auto [saved, reached] = change(files, registry ? n : 0, 2);
      if (!reached) {
        std::cout << "[ sweep    ] GPO folder change: " << n - 1
                  << (registry ? " registry calls\n" : " file operations\n");
        EXPECT_GT(n, 8);
        break;
      }
      ASSERT_TRUE(policy() == (saved ? after : before)) << "n=" << n << " registry=" << registry;
      if (!saved) {
        ASSERT_TRUE(change(real, 0, 2).first);
      }
      EXPECT_TRUE(policy() == after) << "n=" << n;
      for (const auto& sub : {dir.path, dir.path / "Machine"})
        for (const auto& entry : fs::directory_iterator(sub))
          EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".ostrel-tmp")) << entry.path();
    }
  }
}

TEST(GpoFolder, NamesInAnyCaseAreKeptAndRestorePutsBothFilesBack) {
  // A folder as a domain controller makes it: GPT.INI and MACHINE in capitals.
  TempFolder dir;
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
  TempFolder dir;
  std::string error;
  auto first = std::make_unique<GpoFolder>(dir.path);
  ASSERT_TRUE(first->lock(std::chrono::milliseconds(0), error)) << error;
  GpoFolder second(dir.path);
  EXPECT_FALSE(second.lock(std::chrono::milliseconds(30), error));
  EXPECT_NE(std::string::npos, error.find("another writer holds the lock")) << error;
  first.reset();
  EXPECT_TRUE(second.lock(std::chrono::milliseconds(0), error)) << error;
}

// Its own lines are rewritten in place, missing ones go to the end of [General], and every
// other line stays; a byte order mark does not hide the section. A change raises only the
// machine word (the low 16 bits) of the version, from 0xFFFF to 1.
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
      {"[General]\r\nVersion=262143\r\n", true, false, 0x30001, "[General]\r\nVersion=196609\r\n"},
      {"[General]\r\nVersion=4294967295\r\n", true, false, 0xFFFF0001, "[General]\r\nVersion=4294901761\r\n"},
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

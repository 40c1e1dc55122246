// The file layer over CreateFileW/ReadFile, and the digest through it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file.h"
#include "platform/win/handles.h"
#include "rules/rule.h"
#include "tests/platform/temp_folder.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

class FileHash : public ::testing::Test {
 protected:
  std::wstring file(const wchar_t* name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).wstring();
  }
  testing::TempFolder temp_;
  const fs::path& dir_ = temp_.path;
};

// Digests across chunk boundaries are checked through the tool by check_registry_pol.py, in
// both builds; here, a file of exactly one chunk (a full read, then one that returns nothing)
// and files that cannot be read.
TEST_F(FileHash, ExactChunkDigestAndFilesThatCannotBeRead) {
  Rule rule;
  const std::wstring chunk = file(L"chunk.bin", std::string(65536, 'a'));
  ASSERT_TRUE(rule.computeHashFromFile(chunk));
  EXPECT_EQ("0x79db5888b5d38e10afbdbd14a19cd1caa9044c65", rule.hashText());
  EXPECT_FALSE(rule.computeHashFromFile((dir_ / L"missing.exe").wstring()));
  EXPECT_FALSE(rule.hashValid());
  EXPECT_EQ("", rule.hashText());
  EXPECT_EQ(chunk, rule.pathPattern());
  EXPECT_FALSE(rule.computeHashFromFile(dir_.wstring()));  // a directory is not a file
}

TEST_F(FileHash, OpensWhileOthersReadButNotWhileSomeoneWrites) {
  std::wstring path = file(L"shared.bin", "abc");
  {
    // Another reader that shares reading: our read-only open shares reading too.
    win::Handle reader(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_NE(nullptr, platform::InputFile::open(path));
  }
  {
    // A writer: we share reading only, so the open fails with a sharing violation.
    win::Handle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(nullptr, platform::InputFile::open(path));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  }
}

}  // namespace
}  // namespace ostrel

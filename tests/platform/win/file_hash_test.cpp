// The file digest through CreateFileW/ReadFile.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file.h"
#include "platform/win/handles.h"
#include "rules/rule.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;

class FileHash : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir_); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::wstring file(const wchar_t* name, const std::string& content) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    return p.wstring();
  }
  const fs::path dir_ = fs::temp_directory_path() / (L"ostrel-hash-" + std::to_wstring(GetCurrentProcessId()) +
                                                      L"-" + std::to_wstring(GetTickCount64()));
};

TEST_F(FileHash, KnownDigestsAcrossChunkBoundaries) {
  struct Case {
    const wchar_t* name;
    std::string content;
    const char* digest;
  } cases[] = {
      {L"empty.bin", "", "0xda39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {L"abc.bin", "abc", "0xa9993e364706816aba3e25717850c26c9cd0d89d"},
      // 65,536 bytes: exactly one full chunk, then a read that returns nothing.
      {L"chunk.bin", std::string(65536, 'a'), "0x79db5888b5d38e10afbdbd14a19cd1caa9044c65"},
      // One million 'a': fifteen full chunks and a partial one.
      {L"million.bin", std::string(1000000, 'a'), "0x34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& c : cases) {
    Rule rule;
    std::wstring path = file(c.name, c.content);
    ASSERT_TRUE(rule.computeHashFromFile(path)) << c.digest;
    EXPECT_TRUE(rule.hashValid());
    EXPECT_EQ(c.digest, rule.hashText());
    EXPECT_EQ(path, rule.pathPattern());
  }
}

TEST_F(FileHash, AFileThatCannotBeOpenedLeavesNoValidDigest) {
  Rule rule;
  ASSERT_TRUE(rule.computeHashFromFile(file(L"first.bin", "abc")));
  std::wstring before = rule.pathPattern();
  EXPECT_FALSE(rule.computeHashFromFile((dir_ / L"missing.exe").wstring()));
  EXPECT_FALSE(rule.hashValid());
  EXPECT_EQ("", rule.hashText());
  EXPECT_EQ(before, rule.pathPattern());
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

TEST_F(FileHash, ReadReportsEndOfFileAsZeroBytes) {
  auto in = platform::InputFile::open(file(L"five.bin", "12345"));
  ASSERT_NE(nullptr, in);
  std::uint8_t buffer[4];
  for (std::size_t expected : {4u, 1u, 0u}) {
    std::size_t got = 99;
    ASSERT_TRUE(in->read(buffer, got));
    EXPECT_EQ(expected, got);
  }
  EXPECT_EQ('5', buffer[0]);
}

}  // namespace
}  // namespace ostrel

#include "rules/rule.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "platform/trace.h"

namespace ostrel {
namespace {

// Digest texts: read in either case, written in lower case; only the length decides validity,
// and a text that is not hex gives the zero digest.
TEST(Rule, HashText) {
  const std::string mixed = "0x0123456789abcdef0123456789abcdef01234567";
  const struct {
    std::string text;
    bool valid;
    std::string written;
  } cases[] = {
      {"0X" + std::string(40, 'A'), true, "0x" + std::string(40, 'a')},
      {mixed, true, mixed},
      {mixed.substr(0, 41), false, ""},  // 39 digits
      {"0x" + std::string(40, 'z'), true, "0x" + std::string(40, '0')},
  };
  for (const auto& c : cases) {
    Rule r;
    r.setHashFromText(c.text);
    EXPECT_EQ(std::pair(c.valid, c.written), std::pair(r.hashValid(), r.hashText())) << c.text;
  }
  Rule r;
  r.setHashFromText(mixed);
  EXPECT_EQ(0x67, r.digest()[19]) << "the last two digits are the last byte";
}

TEST(Rule, NewIdIsBracedUpperCaseAndTraced) {
  std::wstring traced;
  auto previous = platform::setTraceSink([&](const std::wstring& t) { traced = t; });
  Rule a, b;
  a.newId();
  b.newId();
  platform::setTraceSink(previous);
  std::wstring text = a.idText();
  ASSERT_EQ(38u, text.size());
  EXPECT_EQ(L'{', text.front());
  EXPECT_EQ(L'}', text.back());
  EXPECT_EQ(std::wstring::npos, text.find_first_of(L"abcdef"));
  EXPECT_NE(a.id(), b.id());
  EXPECT_EQ(b.idText(), traced);
}

TEST(Rule, IdFromKeyName) {
  Rule r;
  EXPECT_TRUE(r.idFromText(L"{0123ABCD-4567-89EF-FEDC-BA9876543210}"));
  EXPECT_EQ(L"{0123ABCD-4567-89EF-FEDC-BA9876543210}", r.idText());
  // Other key names stay the id text, so a save writes the rule back to the key it came from.
  for (const wchar_t* name : {L"not a guid", L"(0123ABCD-4567-89EF-FEDC-BA9876543210)"}) {
    Rule odd;
    (void)odd.idFromText(name);
    EXPECT_EQ(name, odd.idText());
    odd.newId();
    EXPECT_EQ(38u, odd.idText().size());
  }
}

TEST(Rule, ResetForTypeClearsTheOtherTypesFields) {
  Rule r;
  r.setOwnershipCheck(true);
  r.setRecursive(true);
  r.addCommandLine(L"x");
  r.addPrivilege(L"SeDebugPrivilege");
  r.setApplicationName(L"C:\\a.exe");
  r.setPathPattern(L"C:\\b.exe");
  r.setStoredPath(L"C:\\b.exe");
  r.setHashFromText("0x" + std::string(40, '1'));
  r.resetForType(RuleType::Path);
  EXPECT_FALSE(r.ownershipCheck() || r.recursive());
  EXPECT_EQ(0u, r.commandLineCount());
  EXPECT_EQ(L"", r.applicationName());
  EXPECT_FALSE(r.hashValid());
  EXPECT_EQ(L"C:\\b.exe", r.pathPattern());
  EXPECT_EQ(1u, r.privilegeCount());
  r.resetForType(RuleType::Hash);
  EXPECT_EQ(L"", r.pathPattern());
  EXPECT_EQ(L"C:\\b.exe", r.storedPath()) << "encoding an empty pattern leaves the stored path";
}

std::string writeTempFile(const std::string& name, const std::string& content) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(Rule, ComputeHashFromFileGivesTheSha1AcrossChunkBoundaries) {
  struct Case {
    std::string content;
    std::string sha1;
  } cases[] = {
      {"", "0xda39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "0xa9993e364706816aba3e25717850c26c9cd0d89d"},
      // 65,536 + 1 bytes of 'a': crosses a chunk boundary.
      {std::string(65537, 'a'), "0x586aaa528651947187cc00d1f6f6d46fd622d304"},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string path = writeTempFile("ostrel_hash_" + std::to_string(n++), c.content);
    Rule r;
    std::wstring wpath(path.begin(), path.end());
    ASSERT_TRUE(r.computeHashFromFile(wpath));
    EXPECT_EQ(c.sha1, r.hashText()) << c.content.size();
    EXPECT_EQ(wpath, r.pathPattern());
    std::remove(path.c_str());
  }
  Rule missing;
  missing.setHashFromText("0x" + std::string(40, '1'));
  EXPECT_FALSE(missing.computeHashFromFile(L"/no/such/file"));
  EXPECT_FALSE(missing.hashValid());
}

}  // namespace
}  // namespace ostrel

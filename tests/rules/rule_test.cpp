#include "rules/rule.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/trace.h"
#include "tests/platform/temp_folder.h"

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
      {"0X" + std::string(20, 'A') + std::string(20, 'F'), true, "0x" + std::string(20, 'a') + std::string(20, 'f')},
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

// The id's text is checked by IdFromKeyName.
TEST(Rule, NewIdIsNewEachTimeAndTraced) {
  std::wstring traced;
  auto previous = platform::setTraceSink([&](const std::wstring& t) { traced = t; });
  Rule a, b;
  a.newId();
  b.newId();
  platform::setTraceSink(previous);
  EXPECT_NE(a.id(), b.id());
  EXPECT_EQ(b.idText(), traced);
}

// A braced id in either case is the id, shown in upper case; other key names stay the id
// text, so a save writes the rule back to the key it came from.
TEST(Rule, IdFromKeyName) {
  const Guid id{0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  const std::wstring upper = L"{0123ABCD-4567-89EF-FEDC-BA9876543210}";
  const struct {
    std::wstring name;
    bool parsed;
  } cases[] = {
      {upper, true},
      {L"{0123abcd-4567-89ef-fedc-ba9876543210}", true},
      {L"(0123ABCD-4567-89EF-FEDC-BA9876543210)", true},
      {L"not a guid", false},
      {L"{0123abcd-4567-89ef-fedc-ba987654321}", false},
      {L"{0123abcd+4567-89ef-fedc-ba9876543210}", false},
      {L"{0123abcg-4567-89ef-fedc-ba9876543210}", false},
  };
  for (const auto& c : cases) {
    Rule r;
    EXPECT_EQ(c.parsed, r.idFromText(c.name)) << toUtf8(c.name);
    EXPECT_EQ(c.parsed ? id : Guid{}, r.id()) << toUtf8(c.name);
    EXPECT_EQ(c.name.starts_with(L"{") && c.parsed ? upper : c.name, r.idText());
    r.newId();
    EXPECT_EQ(guidText(r.id()), r.idText()) << "a new id drops the key name";
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

// Digests of files across chunk boundaries are checked through the tool by
// check_registry_pol.py, in both builds; here, an empty file and a missing one.
TEST(Rule, ComputeHashFromFile) {
  ostrel::testing::TempFolder temp;
  std::ofstream(temp.path / "empty", std::ios::binary).close();
  Rule r;
  ASSERT_TRUE(r.computeHashFromFile((temp.path / "empty").wstring()));
  EXPECT_EQ("0xda39a3ee5e6b4b0d3255bfef95601890afd80709", r.hashText());
  EXPECT_EQ((temp.path / "empty").wstring(), r.pathPattern());
  EXPECT_FALSE(r.computeHashFromFile(L"/no/such/file"));
  EXPECT_FALSE(r.hashValid());
}

}  // namespace
}  // namespace ostrel

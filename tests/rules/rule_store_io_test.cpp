// The Rule writer and reader against the exact layout of a Rule key. Every value's name, type,
// data and order is checked against a parser of its own by check_registry_pol.py
// (registry_pol_independent_check); a Rule with every list is read back whole by the store
// test (PolicyStoreTest.RewriteLeavesTheLiveRules...).
#include <gtest/gtest.h>

#include "platform/faulty_registry.h"
#include "rules/rule.h"
#include "tests/rules/store_test_support.h"

namespace ostrel {
namespace {

using testing::DumpedValue;
using testing::dumpValues;
constexpr std::uint32_t SZ = regtype::sz;
constexpr std::uint32_t DW = regtype::dword;

class RuleKeyTest : public ::testing::Test {
 protected:
  RuleKeyTest() : root_(hive_, hive_.openRoot()) {
    EXPECT_EQ(status::success, RegKey::create(hive_, root_.get(), L"RuleKey", access::all, key_));
  }
  RuleIo write(const Rule& r) { return writeRule(hive_, key_.get(), &path_, r); }
  RuleIo read(Rule& r) { return readRule(hive_, key_.get(), &path_, r); }
  void setText(const std::wstring& name, const std::wstring& text) {
    (void)hive_.setValue(key_.get(), name, SZ, regSzBytes(text));
  }
  void setNumber(const std::wstring& name, std::uint32_t v) {
    (void)hive_.setValue(key_.get(), name, DW, regDwordBytes(v));
  }
  void setRaw(const std::wstring& name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    (void)hive_.setValue(key_.get(), name, type, bytes);
  }

  MemoryRegistry hive_;
  RegKey root_;
  RegKey key_;
  std::wstring path_ = L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{X}\\";
};

// Each read back: the path rule whole, the hash rule still without a digest, type None as an unknown type.
TEST_F(RuleKeyTest, PathNoneAndInvalidHashRulesWriteTheirHeadValuesAndZeroCounts) {
  struct Case {
    RuleType type;
    std::vector<DumpedValue> head;
  } cases[] = {
      {RuleType::Path, {{L"Type", SZ, L"Path"}, {L"Name", SZ, L"%SystemRoot%\\system32\\mmc.exe"},
                        {L"Value", SZ, L"?r?o*r\\system32\\mmc.exe"}}},
      {RuleType::None, {{L"Type", SZ, L"< ERROR >"}, {L"Name", SZ, L"< ERROR >"}, {L"Value", SZ, L"< ERROR >"}}},
      {RuleType::Hash, {{L"Type", SZ, L"Hash"}, {L"Name", SZ, L""}, {L"Source", SZ, L""}, {L"Value", SZ, L""}}},
  };
  for (auto& c : cases) {
    ASSERT_EQ(status::success, hive_.deleteTree(root_.get(), L"RuleKey"));
    ASSERT_EQ(status::success, RegKey::create(hive_, root_.get(), L"RuleKey", access::all, key_));
    Rule r;
    r.setType(c.type);
    r.setPathPattern(L"%SystemRoot%\\system32\\mmc.exe");
    r.setOwnershipCheck(true);
    r.setRecursive(true);
    r.encodePath();
    if (c.type != RuleType::Path) r.setPathPattern(L"");
    ASSERT_EQ(RuleIo::done, write(r));
    std::vector<DumpedValue> expected = c.head;
    for (const wchar_t* count : {L"CommandLines", L"PrivilegedGroups", L"PrivilegedUsers", L"SidsToDelete"})
      expected.push_back({count, DW, L"0"});
    expected.push_back({L"OverridePrivileges", DW, L"0"});
    expected.push_back({L"Privileges", DW, L"0"});
    EXPECT_EQ(expected, dumpValues(hive_, key_.get())) << static_cast<int>(c.type);
    Rule back;
    EXPECT_EQ(c.type == RuleType::None ? RuleIo::unknownType : RuleIo::done, read(back));
    if (c.type == RuleType::Path) EXPECT_EQ(r, back);
    EXPECT_FALSE(back.hashValid());
  }
}

TEST_F(RuleKeyTest, WriterAttemptsEveryValueWhenSomeWritesFail) {
  FaultyRegistry faulty(hive_);
  faulty.failCall(FaultyRegistry::Op::setValue, 2, status::accessDenied);
  Rule r;
  r.setType(RuleType::Path);
  r.setPathPattern(L"C:\\a.exe");
  r.setStoredPath(L"C:\\a.exe");
  EXPECT_EQ(RuleIo::incomplete, writeRule(faulty, key_.get(), &path_, r));
  auto values = dumpValues(hive_, key_.get());
  ASSERT_EQ(8u, values.size());  // "Name" failed, the rest is there
  EXPECT_EQ(L"Value", values[1].name);
}

// The type name in any case; a type that is no string leaves no type and reads the rest; an
// unknown name stops the reader.
TEST_F(RuleKeyTest, TypeIsMatchedWithoutCaseAndUnknownTypesStopTheReader) {
  setText(L"Value", L"*d\\a.exe");
  setNumber(L"CommandLines", 1);
  setText(L"CommandLine1", L"x");
  const struct {
    std::uint32_t kind;
    std::vector<std::uint8_t> type;
    RuleIo result;
    RuleType read;
    std::wstring pattern;
    std::size_t lines;
  } cases[] = {{SZ, regSzBytes(L"pATH"), RuleIo::done, RuleType::Path, L"%SystemDrive%\\a.exe", 1},
               {DW, regDwordBytes(2), RuleIo::done, RuleType::None, L"", 1},
               {SZ, regSzBytes(L"Executable"), RuleIo::unknownType, RuleType::None, L"", 0}};
  for (const auto& c : cases) {
    setRaw(L"Type", c.kind, c.type);
    Rule r;
    const RuleIo result = read(r);
    EXPECT_EQ(std::tuple(c.result, c.read, c.pattern, c.lines),
              std::tuple(result, r.type(), r.pathPattern(), r.commandLineCount()));
  }
}

TEST_F(RuleKeyTest, MissingCommandLinesAreSkippedButMissingAccountFieldsEndTheList) {
  setText(L"Type", L"Hash");
  setNumber(L"CommandLines", 3);
  setText(L"CommandLine1", L"first");
  setText(L"CommandLine3", L"third");
  setNumber(L"PrivilegedGroups", 3);
  for (int k = 1; k <= 3; ++k) {
    std::wstring p = L"PrivilegedGroup" + std::to_wstring(k);
    setText(p + L"_username", L"g" + std::to_wstring(k));
    setText(p + L"_userSID", L"S-1-5-32-" + std::to_wstring(k));
    if (k != 2) setText(p + L"_userdomain", L"D");
    setNumber(p + L"_IsDomain", 7);
  }
  setNumber(L"Privileges", 3);
  setText(L"Privilege1", L"SeA");
  setNumber(L"Privilege2", 5);
  setText(L"Privilege3", L"SeC");
  setNumber(L"OverridePrivileges", 2);
  Rule r;
  EXPECT_EQ(RuleIo::done, read(r));
  ASSERT_EQ(2u, r.commandLineCount());
  EXPECT_EQ(L"first", r.commandLine(0));
  EXPECT_EQ(L"third", r.commandLine(1));
  ASSERT_EQ(1u, r.groupCount());
  EXPECT_TRUE(r.accounts(AccountList::PrivilegedGroups)[0].isDomain) << "any non-zero IsDomain is true";
  EXPECT_EQ(1u, r.privilegeCount()) << "an unreadable privilege ends the list";
  EXPECT_TRUE(r.overridePrivileges());
}

TEST_F(RuleKeyTest, StringsReadAsTheRegistryHandsThemOutWithinTheirBuffers) {
  auto unterminated = [](std::size_t n, wchar_t c) {
    auto b = regSzBytes(std::wstring(n, c));
    b.resize(2 * n);
    return b;
  };
  setText(L"Type", L"Path");
  setNumber(L"CommandLines", 9);
  setRaw(L"CommandLine1", SZ, {'a', 0, 'b', 0});                // no terminator
  setRaw(L"CommandLine2", SZ, {'a', 0, 0, 0, 0});               // odd length
  setRaw(L"CommandLine3", regtype::expandSz, regSzBytes(L"x"));  // wrong type: skipped
  setText(L"CommandLine4", std::wstring(1023, L'x'));          // fits 1,024 with its NUL
  setText(L"CommandLine5", std::wstring(1024, L'y'));          // does not: skipped
  setRaw(L"CommandLine6", SZ, unterminated(1023, L'u'));       // no NUL, room left for one
  setRaw(L"CommandLine7", SZ, unterminated(1024, L'w'));       // no room for the NUL: skipped
  setText(L"CommandLine8", L"");
  setRaw(L"CommandLine9", SZ, {'c', 0, 'd'});                   // odd and unterminated
  setRaw(L"Value", SZ, {'?', 0, 'r', 0, 'C', 0});               // the stored path, unterminated
  setNumber(L"Privileges", 2);
  setText(L"Privilege1", std::wstring(127, L'p'));             // fits 128
  setText(L"Privilege2", std::wstring(128, L'p'));             // does not, and ends the list
  setRaw(L"PrivilegedGroups", regtype::binary, {1});            // a short count: the bytes there
  setRaw(L"PrivilegedGroup1_username", SZ, {'g', 0});
  setText(L"PrivilegedGroup1_userSID", L"S-1-5-32-544");
  setRaw(L"PrivilegedGroup1_userdomain", SZ, {'D', 0, 0});
  setRaw(L"PrivilegedUsers", regtype::qword, {1, 0, 0, 0, 0, 0, 0, 0});  // longer than four bytes: no count
  for (const wchar_t* field : {L"PrivilegedUser1_username", L"PrivilegedUser1_userSID", L"PrivilegedUser1_userdomain"})
    setText(field, L"u");
  Rule r;
  EXPECT_EQ(RuleIo::done, read(r));
  std::vector<std::wstring> lines;
  for (std::size_t i = 0; i < r.commandLineCount(); ++i) lines.push_back(r.commandLine(i));
  EXPECT_EQ((std::vector<std::wstring>{L"ab", L"a", std::wstring(1023, L'x'), std::wstring(1023, L'u'), L"",
                                       L"c"}),
            lines);
  EXPECT_TRUE(r.recursive());
  EXPECT_EQ(L"?rC", r.storedPath());
  EXPECT_EQ(1u, r.privilegeCount());
  ASSERT_EQ(1u, r.groupCount());
  EXPECT_EQ(L"g", r.accounts(AccountList::PrivilegedGroups)[0].username);
  EXPECT_EQ(L"D", r.accounts(AccountList::PrivilegedGroups)[0].domain);
  EXPECT_EQ(0u, r.userCount());
}

TEST_F(RuleKeyTest, HugeCountsAreBoundedByTheValuesTheKeyHolds) {
  setText(L"Type", L"Path");
  for (const wchar_t* count : {L"CommandLines", L"PrivilegedGroups", L"PrivilegedUsers", L"SidsToDelete", L"Privileges"})
    setNumber(count, 0xFFFFFFFFu);
  setText(L"CommandLine7", L"seventh");
  setText(L"commandline2", L"second");     // names match without regard to case
  setText(L"CommandLine02", L"not an entry number");
  setText(L"CommandLine4294967295", L"last");
  setText(L"Privilege1", L"SeA");
  FaultyRegistry counting(hive_);
  Rule r;
  EXPECT_EQ(RuleIo::done, readRule(counting, key_.get(), &path_, r));
  ASSERT_EQ(3u, r.commandLineCount());
  EXPECT_EQ(L"second", r.commandLine(0));
  EXPECT_EQ(L"seventh", r.commandLine(1));
  EXPECT_EQ(L"last", r.commandLine(2));
  EXPECT_EQ(1u, r.privilegeCount());
  EXPECT_EQ(0u, r.groupCount());
  EXPECT_LT(counting.calls(), 100) << "the reader's work follows the values present, not the counts";
}

}  // namespace
}  // namespace ostrel

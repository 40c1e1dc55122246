// Cell texts of the rule list for each rule type, the account syntax of the tool, and what
// its JSON form keeps.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "rules/rule_columns.h"
#include "tools/ostrel-policy/account_text.h"
#include "tools/ostrel-policy/rules_json.h"

namespace ostrel {
namespace {

// The cells of a hash rule with its digest and of a path rule are checked by the tool's listing.
TEST(RuleColumns, CellTextsOfAHashRuleWithoutDigestAndOfARuleWithoutType) {
  Rule noDigest;
  noDigest.setType(RuleType::Hash);
  noDigest.setApplicationName(L"C:\\b.exe");
  Rule none;
  none.setPathPattern(L"whatever");
  none.addCommandLine(L"a");
  struct Row {
    const Rule* rule;
    std::wstring cells[4];
  } rows[] = {
      {&noDigest, {L"C:\\b.exe", L"Hash", L"", L"0 command lines"}},
      {&none, {L"whatever", L"< ERROR >", L"< ERROR >", L"1 command lines"}},
  };
  for (const auto& row : rows)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(row.cells[c], ruleColumnText(*row.rule, c)) << "column " << c;
  EXPECT_EQ(L"", ruleColumnText(noDigest, 4));
  EXPECT_EQ(L"", ruleColumnText(noDigest, -1));
}

// DOMAIN\\name=SID with and without ",domain", and a name that is no account, are run by the
// tool's end-to-end and usage tests.
TEST(PolicyToolAccounts, Syntax) {
  struct Case {
    const wchar_t* text;
    bool ok;
    AccountEntry entry;
  } cases[] = {
      {L"Ops=S-1-5-21-9,LOCAL", true, {L"Ops", L"", L"S-1-5-21-9", false}},
      {L"A\\B\\C=S-1-1-0", true, {L"B\\C", L"A", L"S-1-1-0", false}},
      {L"users", true, {L"Users", L"BUILTIN", L"S-1-5-32-545", false}},
      {L"Authenticated Users", true, {L"Authenticated Users", L"NT AUTHORITY", L"S-1-5-11", false}},
      {L"s-1-1-0", true, {L"Everyone", L"BUILTIN", L"S-1-1-0", false}},
      {L"S-1-5-21-7-1104", true, {L"S-1-5-21-7-1104", L"< UNKNOWN >", L"S-1-5-21-7-1104", false}},
      {L"S-1-5", false, {}},  // no sub-authority: no SID to build
      {L"Ops=S-1-5", false, {}},
      {L"=S-1-1-0", false, {}},
      {L"X\\=S-1-1-0", false, {}},
      {L"Users=S-1-", false, {}},
      {L"Users=S-1--5", false, {}},
      {L"Users=1-5-32", false, {}},
      {L"Users=S-1-5-x", false, {}},
      {L"Users=S-1-5,forest", false, {}},
  };
  for (const auto& c : cases) {
    auto parsed = tool::parseAccount(c.text);
    EXPECT_EQ(c.ok, parsed.has_value()) << ::testing::PrintToString(std::wstring(c.text));
    if (c.ok && parsed) {
      EXPECT_EQ(c.entry, *parsed);
    }
  }
}

class NoQuestions : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring&, const std::wstring&, std::uint32_t) override { return answer::no; }
};

// A rule under a key that is not a braced GUID keeps that key through export and import; a
// lone surrogate, which JSON cannot hold, is replaced in valid UTF-8 and reported.
TEST(RulesJson, KeepsOddIdsAndReportsTextsItCannotHold) {
  Rule rule;
  rule.idFromText(L"legacy rule");
  rule.setType(RuleType::Hash);
  rule.setApplicationName(fromUtf16(u"C:\\a\xD800.exe"));
  rule.setHashFromText("0xa9993e364706816aba3e25717850c26c9cd0d89d");
  rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
  std::vector<std::string> lossy;
  const std::string text = tool::rulesJson({&rule}, &lossy);
  EXPECT_TRUE(isValidUtf8(text));
  EXPECT_NE(std::string::npos, text.find("C:\\\\a\xEF\xBF\xBD.exe")) << text;
  EXPECT_EQ(std::vector<std::string>{"rule legacy rule: applicationName"}, lossy);

  NoQuestions prompter;
  std::vector<std::unique_ptr<Rule>> back;
  std::string error;
  ASSERT_TRUE(tool::rulesFromJson(text, prompter, back, error)) << error;
  ASSERT_EQ(1u, back.size());
  EXPECT_EQ(L"legacy rule", back[0]->idText());
  EXPECT_EQ(rule.hashText(), back[0]->hashText());
}

}  // namespace
}  // namespace ostrel

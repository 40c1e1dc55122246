// The shared checks of a rule's content at their limits, and the account lists' defaults.
#include "rules/rule_checks.h"

#include <gtest/gtest.h>

#include "resources/string_ids.h"

namespace ostrel::rules {
namespace {

TEST(RuleChecks, DefaultsAndTheAccountListRules) {
  EXPECT_EQ((AccountEntry{L"Administrators", L"BUILTIN", L"S-1-5-32-544", false}),
            defaultAccount(AccountList::PrivilegedGroups));
  EXPECT_EQ((AccountEntry{L"Everyone", L"BUILTIN", L"S-1-1-0", false}), defaultAccount(AccountList::AuthorizedUsers));
  EXPECT_EQ(std::nullopt, defaultAccount(AccountList::SidsToDelete));
  EXPECT_EQ((std::tuple(false, true, false)), std::tuple(needsOneAccount(AccountList::PrivilegedGroups),
                                                         needsOneAccount(AccountList::AuthorizedUsers),
                                                         needsOneAccount(AccountList::SidsToDelete)));
  const AccountEntry users[] = {{L"Users", L"BUILTIN", L"S-1-5-32-545", false}};
  EXPECT_TRUE(holdsSid(users, L"s-1-5-32-545"));
  EXPECT_FALSE(holdsSid(users, L"S-1-5-32-54"));
}

// Each case changes a Hash rule that passes; the limits are tried at the limit and one past it.
TEST(RuleChecks, RefusalsAtTheirLimits) {
  const struct {
    const char* what;
    void (*change)(Rule&);
    unsigned messageId;  // the page message of the refusal; 0 for none or a reason in words
    bool refused;
  } cases[] = {
      {"512-character line", [](Rule& r) { r.addCommandLine(std::wstring(512, L'c')); }, 0, false},
      {"513-character line", [](Rule& r) { r.addCommandLine(std::wstring(513, L'c')); }, IDS_COMMAND_LINE_TOO_LONG,
       true},
      {"511-character name", [](Rule& r) { r.setApplicationName(std::wstring(511, L'a')); }, 0, false},
      {"512-character name", [](Rule& r) { r.setApplicationName(std::wstring(512, L'a')); }, 0, true},
      {"same SID in another case", [](Rule& r) { r.addUser(L"E", L"B", L"s-1-1-0", false); }, IDS_DUPLICATE_SID, true},
      {"same SID in another list", [](Rule& r) { r.addGroup(L"E", L"B", L"S-1-1-0", false); }, 0, false},
      {"no authorized user", [](Rule& r) { r.clearAccounts(AccountList::AuthorizedUsers); }, IDS_NO_AUTHORIZED_USERS,
       true},
  };
  for (const auto& c : cases) {
    Rule rule;
    rule.setType(RuleType::Hash);
    rule.setApplicationName(L"C:\\a.exe");
    rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
    c.change(rule);
    const Refusal r = checkRuleParts(rule);
    EXPECT_EQ(std::pair(c.refused, c.messageId), std::pair(static_cast<bool>(r), r.messageId)) << c.what;
  }
}

}  // namespace
}  // namespace ostrel::rules

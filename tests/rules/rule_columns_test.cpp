// Cell texts of the rule list for the rule types the tool's listing does not show.
#include "rules/rule_columns.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ostrel

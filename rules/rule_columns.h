#pragma once
// The four columns of the rule list and the text of each cell, shared by the result pane
// and the command-line tool.
#include <string>

#include "resources/string_ids.h"
#include "rules/rule.h"

namespace ostrel {

inline constexpr int ruleColumnCount = 4;

struct RuleColumn {
  unsigned title;  // string id
  int width;
};
inline constexpr RuleColumn ruleColumns[ruleColumnCount] = {
    {IDS_COLUMN_APPLICATION, 150}, {IDS_COLUMN_TYPE, 50}, {IDS_COLUMN_VALUE, 250}, {IDS_COLUMN_COMMAND_LINES, 100}};

// The cell text of a rule in column 0..3; empty for any other column.
std::wstring ruleColumnText(const Rule& rule, int column);

}  // namespace ostrel

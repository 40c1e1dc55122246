#pragma once
// The four columns of the rule list and the text of each cell, shared by the result pane
// and the command-line tool.
#include <string>

#include "rules/rule.h"

namespace ostrel {

inline constexpr int ruleColumnCount = 4;

struct RuleColumn {
  const wchar_t* title;
  int width;
};
inline constexpr RuleColumn ruleColumns[ruleColumnCount] = {
    {L"Application", 150}, {L"Type", 50}, {L"Value", 250}, {L"Command Lines", 100}};

// The cell text of a rule in column 0..3; empty for any other column.
std::wstring ruleColumnText(const Rule& rule, int column);

}  // namespace ostrel

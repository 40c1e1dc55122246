#include "rules/rule_columns.h"

#include "platform/text.h"

namespace ostrel {
namespace {
constexpr wchar_t errorText[] = L"< ERROR >";
}

std::wstring ruleColumnText(const Rule& rule, int column) {
  const bool hash = rule.type() == RuleType::Hash;
  const bool path = rule.type() == RuleType::Path;
  switch (column) {
    case 0:
      return hash ? rule.applicationName() : rule.pathPattern();
    case 1:
      return hash ? L"Hash" : path ? L"Path" : errorText;
    case 2:
      return hash ? fromNarrow(rule.hashText()) : path ? rule.pathPattern() : errorText;
    case 3:
      return std::to_wstring(rule.commandLineCount()) + L" command lines";
    default:
      return {};
  }
}

}  // namespace ostrel

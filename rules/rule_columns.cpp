#include "rules/rule_columns.h"

#include "platform/text.h"
#include "rules/rule_layout.h"

namespace ostrel {

std::wstring ruleColumnText(const Rule& rule, int column) {
  const bool hash = rule.type() == RuleType::Hash;
  const bool path = rule.type() == RuleType::Path;
  switch (column) {
    case 0:
      return hash ? rule.applicationName() : rule.pathPattern();
    case 1:
      return hash ? layout::typeHash : path ? layout::typePath : layout::typeError;
    case 2:
      return hash ? fromNarrow(rule.hashText()) : path ? rule.pathPattern() : layout::typeError;
    case 3:
      return std::to_wstring(rule.commandLineCount()) + L" command lines";
    default:
      return {};
  }
}

}  // namespace ostrel

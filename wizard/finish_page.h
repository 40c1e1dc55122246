#pragma once
// Page 8: three fixed texts; Finish hands the Rule to the scope node.
#include "wizard/page.h"

namespace ostrel::wizard {

class FinishPage final : public Page {
 public:
  explicit FinishPage(std::shared_ptr<Sheet> sheet) : Page(PageKind::finish, std::move(sheet)) {}

 private:
  bool handlesApply() const override { return false; }
  // Cancel from here writes back the type the Rule had when the wizard was made.
  RuleType typeOnCancel() const override { return sheet().initialRuleType; }
};

}  // namespace ostrel::wizard

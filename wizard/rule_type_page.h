#pragma once
// Page 1: Hash rule or Path rule. The choice is the sheet's wizard rule type; choosing the
// other type after Next asks before the Rule is reset.
#include "wizard/page.h"

namespace ostrel::wizard {

class RuleTypePage final : public Page {
 public:
  explicit RuleTypePage(std::shared_ptr<Sheet> sheet) : Page(PageKind::ruleType, std::move(sheet)) {}

 private:
  void onInit() override;
  bool onNext() override;
  bool handlesApply() const override { return false; }  // an existing rule's type is fixed
  void onCommand(ControlId id, int notification) override;
  void choose(RuleType type);

  bool visited_ = false;
};

}  // namespace ostrel::wizard

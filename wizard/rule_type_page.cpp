#include "wizard/rule_type_page.h"

#include "resources/strings.h"

namespace ostrel::wizard {
namespace {

ControlId buttonOf(RuleType type) { return type == RuleType::Hash ? IDC_HASH_RULE : IDC_PATH_RULE; }

}  // namespace

void RuleTypePage::onInit() {
  dialog().setWizardButtons(info().buttons);
  visited_ = false;
  if (mode() == Mode::wizard) {
    sheet().wizardRuleType = RuleType::None;
    dialog().setChecked(IDC_HASH_RULE, false);
    dialog().setChecked(IDC_PATH_RULE, false);
    return;
  }
  dialog().setChecked(IDC_HASH_RULE, rule().type() == RuleType::Hash);
  dialog().setChecked(IDC_PATH_RULE, rule().type() == RuleType::Path);
  dialog().enable(IDC_HASH_RULE, false);
  dialog().enable(IDC_PATH_RULE, false);
}

void RuleTypePage::onCommand(ControlId id, int notification) {
  if (notification != code::clicked) return;
  if (id == IDC_HASH_RULE) choose(RuleType::Hash);
  else if (id == IDC_PATH_RULE) choose(RuleType::Path);
}

void RuleTypePage::choose(RuleType type) {
  const RuleType old = sheet().wizardRuleType;
  const ControlId other = buttonOf(type == RuleType::Hash ? RuleType::Path : RuleType::Hash);
  if (!visited_ || old == RuleType::None) {
    sheet().wizardRuleType = type;
    dialog().setChecked(other, false);
    return;
  }
  if (type == old) return;
  if (message(std::wstring(res::string(IDS_RULE_TYPE_CHANGE_QUESTION)), mb::yesNo) != answer::yes) {
    dialog().setChecked(buttonOf(type), false);
    dialog().setChecked(buttonOf(old), true);
    return;
  }
  dialog().setChecked(other, false);
  sheet().wizardRuleType = type;
  rule().setType(type);
  rule().resetForType(type);
  if (sheet().commandLines != nullptr) sheet().commandLines->ruleReset();
}

bool RuleTypePage::onNext() {
  if (sheet().wizardRuleType == RuleType::None) {
    message(std::wstring(res::string(IDS_NO_RULE_TYPE)), mb::ok);
    return false;
  }
  rule().setType(sheet().wizardRuleType);
  visited_ = true;
  return true;
}

}  // namespace ostrel::wizard

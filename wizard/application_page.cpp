#include "wizard/application_page.h"

#include "platform/text.h"
#include "resources/strings.h"
#include "rules/path_validation.h"

namespace ostrel::wizard {

void ApplicationPage::takeFromRule() {
  if (rule().type() == RuleType::Hash) {
    text_ = fromNarrow(rule().hashText());
    applicationName_ = rule().applicationName();
  } else {
    text_ = rule().pathPattern();
  }
}

void ApplicationPage::onInit() {
  if (mode() != Mode::properties) return;
  takeFromRule();
  if (!dialog().setText(IDC_APPLICATION, text_)) {
    dialog().beep();
    dialog().focus(IDC_APPLICATION);
  }
}

void ApplicationPage::onShow() {
  sheet().wizardRuleType = rule().type();
  const bool path = rule().type() == RuleType::Path;
  dialog().setText(IDC_APPLICATION_LABEL, res::string(path ? IDS_PATH_LABEL : IDS_HASH_LABEL));
  for (ControlId id : {IDC_OWNERSHIP_CHECK, IDC_RECURSIVE, IDC_APPLICATION}) dialog().enable(id, path);
  ownershipCheck_ = rule().ownershipCheck();
  recursive_ = rule().recursive();
  dialog().setChecked(IDC_OWNERSHIP_CHECK, ownershipCheck_);
  dialog().setChecked(IDC_RECURSIVE, recursive_);
  takeFromRule();
  if (mode() == Mode::wizard) dialog().setText(IDC_APPLICATION, text_);
}

bool ApplicationPage::readControls() {
  // Kept whole: validation refuses an over-long path, so nothing is ever stored cut short.
  text_ = dialog().text(IDC_APPLICATION);
  if (text_.size() > applicationTextChars) {
    dialog().beep();
    dialog().focus(IDC_APPLICATION);
    return false;
  }
  ownershipCheck_ = dialog().checked(IDC_OWNERSHIP_CHECK);
  recursive_ = dialog().checked(IDC_RECURSIVE);
  return true;
}

void ApplicationPage::onCommand(ControlId id, int notification) {
  switch (id) {
    case IDC_BROWSE:
      if (notification == code::clicked) browse();
      break;
    case IDC_OWNERSHIP_CHECK:
      if (notification != code::clicked) break;
      changed();
      if (dialog().checked(IDC_OWNERSHIP_CHECK)) services().notice(dialog().window(), IDS_NOTICE_OWNERSHIP_CHECK);
      break;
    case IDC_RECURSIVE:
      if (notification == code::clicked) changed();
      break;
    case IDC_APPLICATION:
      // The page's own setting of the text is already in the working copy.
      if (notification != code::editChange || settingUp()) break;
      (void)readControls();
      if (!text_.empty()) changed();
      break;
    default:
      break;
  }
}

void ApplicationPage::browse() {
  const std::optional<std::wstring> file = services().pickExecutable(dialog().window());
  if (!file) return;
  (void)readControls();
  if (sheet().wizardRuleType == RuleType::Path) {
    text_ = *file;
  } else {
    Rule scratch;
    scratch.setType(RuleType::Hash);
    services().setWaitCursor(true);
    const bool hashed = scratch.computeHashFromFile(*file);
    services().setWaitCursor(false);
    if (hashed) {
      applicationName_ = *file;
      text_ = fromNarrow(scratch.hashText());
    } else {
      message(std::wstring(res::string(IDS_NO_FILE_SIGNATURE)), mb::ok);
    }
  }
  changed();
  dialog().setText(IDC_APPLICATION, text_);
  dialog().setChecked(IDC_OWNERSHIP_CHECK, ownershipCheck_);
  dialog().setChecked(IDC_RECURSIVE, recursive_);
}

bool ApplicationPage::onNext() {
  (void)readControls();
  if (text_.empty()) {
    message(std::wstring(res::string(IDS_NO_APPLICATION)), mb::ok);
    return false;
  }
  if (rule().type() == RuleType::Path) {
    DialogPrompter prompter(dialog());
    if (!rules::validatePathRule(text_, ownershipCheck_, dialog().window(), prompter)) return false;
    dialog().setChecked(IDC_OWNERSHIP_CHECK, ownershipCheck_);
  }
  store();
  return true;
}

bool ApplicationPage::onBack() {
  (void)readControls();
  store();
  return true;
}

void ApplicationPage::store() {
  rule().setRecursive(recursive_);
  rule().setOwnershipCheck(ownershipCheck_);
  if (rule().type() == RuleType::Path) {
    rule().setPathPattern(text_);
    rule().encodePath();
  } else {
    rule().setApplicationName(applicationName_);
    rule().setHashFromText(toNarrow(text_));
  }
}

}  // namespace ostrel::wizard

#include "wizard/page.h"

#include "resources/strings.h"

namespace ostrel::wizard {

Page::Page(PageKind kind, std::shared_ptr<Sheet> sheet) : info_(pageInfo(kind)), sheet_(std::move(sheet)) {}
Page::~Page() {
  if (sheet_->commandLines == this) sheet_->commandLines = nullptr;
}

void Page::initDialog(Dialog& dialog) {
  dialog_ = &dialog;
  if (sheet_->firstPageWindow == 0) sheet_->firstPageWindow = dialog.window();
  const FlagScope quiet(settingUp_);
  onInit();
}

void Page::command(ControlId id, int notification) {
  if (dialog_ != nullptr) onCommand(id, notification);
}

void Page::notify(ControlId id, int notification) {
  if (dialog_ != nullptr) onNotify(id, notification);
}

void Page::setActive() {
  if (dialog_ == nullptr) return;
  dialog_->setWizardButtons(info_.buttons);
  const FlagScope quiet(settingUp_);
  onShow();
}

int Page::next() {
  if (dialog_ == nullptr || !onNext()) return -1;
  sendNotice(notice::pageDone);
  return 0;
}

int Page::back() {
  if (dialog_ != nullptr && onBack()) sendNotice(notice::pageDone);
  return 0;
}

int Page::finish() {
  sendNotice(notice::finish);
  return finishResult();
}

int Page::queryCancel() {
  // A cancelled new Rule is discarded; an existing rule keeps its type.
  sheet_->rule.setType(typeOnCancel());
  sendNotice(notice::cancel);
  return 0;
}

int Page::apply() {
  if (!handlesApply()) return 0;
  if (dialog_ == nullptr || !onApply()) return 1;
  sendNotice(notice::apply);
  return 0;
}

void Page::help() {
  services().openHelp(dialog_ != nullptr ? dialog_->window() : 0, helpUrl(info_.helpAnchor));
}

void Page::sendNotice(std::int32_t code) {
  PageNotice notice{info_.dialogId, sheet_->owner, code};
  if (sheet_->owner != nullptr && sheet_->owner->consoleReleased()) sheet_->owner->receiveNotice(notice);
  else services().sendPageNotice(sheet_->notifyHandle, notice);
}

void Page::changed() {
  if (mode() == Mode::properties && dialog_ != nullptr && !settingUp_) dialog_->markChanged();
}

int Page::message(const std::wstring& text, std::uint32_t style) {
  return dialog_->messageBox(text, std::wstring(res::string(IDS_PRODUCT_CAPTION)), style);
}

}  // namespace ostrel::wizard

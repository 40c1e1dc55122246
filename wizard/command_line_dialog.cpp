#include "wizard/command_line_dialog.h"

#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "rules/rule_checks.h"

namespace ostrel::wizard {

void CommandLineDialog::initDialog(Dialog& dialog) {
  dialog_ = &dialog;
  putLine(line_);
}

// The line is the one given even when the edit refuses it. The edit reports the text set here
// as a change; that report is ignored, so an over-long line beeps once, not twice.
void CommandLineDialog::putLine(std::wstring line) {
  line_ = std::move(line);
  bool set = false;
  {
    const FlagScope quiet(puttingLine_);
    set = dialog_->setText(IDC_COMMAND_LINE, line_);
  }
  if (!set || line_.size() > rules::maxCommandLineChars) {
    dialog_->beep();
    dialog_->focus(IDC_COMMAND_LINE);
  }
  dialog_->enable(button::ok, !line_.empty());
}

// The line is read as typed; beyond the limit each change beeps, and OK refuses it.
void CommandLineDialog::readEdit() {
  if (puttingLine_) return;
  line_ = dialog_->text(IDC_COMMAND_LINE);
  if (line_.size() > rules::maxCommandLineChars) {
    dialog_->beep();
    dialog_->focus(IDC_COMMAND_LINE);
  }
  dialog_->enable(button::ok, !line_.empty());
}

void CommandLineDialog::command(ControlId id, int notification) {
  if (dialog_ == nullptr) return;
  switch (id) {
    case IDC_COMMAND_LINE:
      if (notification == code::editChange) readEdit();
      break;
    case button::ok:
      line_ = dialog_->text(IDC_COMMAND_LINE);
      if (line_.size() > rules::maxCommandLineChars) {
        dialog_->beep();
        dialog_->focus(IDC_COMMAND_LINE);
        dialog_->messageBox(std::wstring(res::string(IDS_COMMAND_LINE_TOO_LONG)), std::wstring(res::string(IDS_PRODUCT_CAPTION)), mb::iconError);
        return;
      }
      result_ = button::ok;
      break;
    case button::cancel: result_ = button::cancel; break;
    case button::help: help(); break;
    default: break;
  }
}

void CommandLineDialog::message(unsigned message) {
  if (dialog_ == nullptr) return;
  if (message == commandLinePicked) {
    putLine(memory_.picked);
  } else if (message == commandLineAccepted && !line_.empty() && line_.size() <= rules::maxCommandLineChars) {
    result_ = button::ok;
  }
}

void CommandLineDialog::help() {
  services_.openHelp(dialog_ != nullptr ? dialog_->window() : 0, helpUrl(pickerTabInfo(tab_).helpAnchor));
}

}  // namespace ostrel::wizard

#include "wizard/command_lines_page.h"

#include "resources/strings.h"
#include "rules/applet_command_lines.h"

namespace ostrel::wizard {

void CommandLinesPage::onInit() {
  // A new rule starts without command lines; an existing one shows its own.
  if (mode() != Mode::properties) return;
  for (std::size_t i = 0; i < rule().commandLineCount(); ++i)
    dialog().listBoxAdd(IDC_COMMAND_LINES, rule().commandLine(i));
}

void CommandLinesPage::onShow() { sheet().commandLines = this; }

void CommandLinesPage::ruleReset() {
  if (hasDialog()) dialog().listBoxClear(IDC_COMMAND_LINES);
}

bool CommandLinesPage::onNext() {
  // The Rule takes the lines in the list box's order, which is sorted.
  rule().clearCommandLines();
  const int count = dialog().listBoxCount(IDC_COMMAND_LINES);
  for (int i = 0; i < count; ++i) rule().addCommandLine(dialog().listBoxText(IDC_COMMAND_LINES, i));
  return true;
}

void CommandLinesPage::onCommand(ControlId id, int notification) {
  if (id == IDC_COMMAND_LINES) {
    if (notification == code::doubleClick) edit(true);
    return;
  }
  if (notification != code::clicked) return;
  switch (id) {
    case IDC_ADD_COMMAND_LINE: add(); break;
    case IDC_DELETE_COMMAND_LINE: remove(); break;
    case IDC_EDIT_COMMAND_LINE: edit(false); break;
    default: break;
  }
}

void CommandLinesPage::add() {
  const auto line = services().editCommandLine(dialog().window(), std::wstring());
  if (!line || line->empty()) return;
  dialog().listBoxAdd(IDC_COMMAND_LINES, *line);
  // Applets that older systems start differently bring their other spellings along, and
  // the warnings about them.
  for (const rules::AppletStep& step : rules::appletSteps(*line)) {
    if (step.notice != 0) {
      services().notice(dialog().window(), step.notice);
    } else {
      dialog().listBoxAdd(IDC_COMMAND_LINES, step.line);
    }
  }
  changed();
}

void CommandLinesPage::remove() {
  const int selected = dialog().listBoxSelection(IDC_COMMAND_LINES);
  if (selected < 0) {
    message(std::wstring(res::string(IDS_NOTHING_TO_DELETE)), mb::ok);
    return;
  }
  const std::wstring line = dialog().listBoxText(IDC_COMMAND_LINES, selected);
  if (message(std::wstring(res::string(IDS_CONFIRM_DELETE)) + line, mb::yesNo) != answer::yes) return;
  dialog().listBoxDelete(IDC_COMMAND_LINES, selected);
  changed();
}

void CommandLinesPage::edit(bool quietWithoutSelection) {
  const int selected = dialog().listBoxSelection(IDC_COMMAND_LINES);
  if (selected < 0) {
    if (!quietWithoutSelection) message(std::wstring(res::string(IDS_NOTHING_TO_EDIT)), mb::ok);
    return;
  }
  const auto line = services().editCommandLine(dialog().window(), dialog().listBoxText(IDC_COMMAND_LINES, selected));
  if (!line) return;
  dialog().listBoxDelete(IDC_COMMAND_LINES, selected);
  dialog().listBoxAdd(IDC_COMMAND_LINES, *line);
  changed();
}

}  // namespace ostrel::wizard

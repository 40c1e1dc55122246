#include "wizard/command_lines_page.h"

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

}  // namespace ostrel::wizard

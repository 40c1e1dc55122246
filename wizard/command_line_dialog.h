#pragma once
// The Get Command Line dialog: one command line, typed into edit 2017 or handed over by
// one of the picker tabs shown in the placeholder's rectangle. The Windows build runs it
// modally; what it decides lives here, over the dialog seam.
#include <cstddef>
#include <optional>
#include <string>

#include "wizard/dialog.h"
#include "wizard/page.h"
#include "wizard/picker_tabs.h"

namespace ostrel::wizard {

// Button ids of the dialog: IDOK, IDCANCEL, IDHELP.
namespace button {
inline constexpr ControlId ok = 1;
inline constexpr ControlId cancel = 2;
inline constexpr ControlId help = 9;
}  // namespace button

class CommandLineDialog {
 public:
  CommandLineDialog(PageServices& services, PickerMemory& memory, std::wstring line)
      : services_(services), memory_(memory), line_(std::move(line)) {}

  void initDialog(Dialog& dialog);
  void command(ControlId id, int notification);
  void tabChanged(std::size_t tab) { tab_ = tab; }
  // The messages the tabs post.
  void message(unsigned message);
  void help();  // the Help button and F1

  // Set once the dialog is to close: button::ok or button::cancel.
  [[nodiscard]] std::optional<int> result() const { return result_; }
  [[nodiscard]] const std::wstring& line() const { return line_; }

 private:
  void readEdit();
  void putLine(std::wstring line);

  PageServices& services_;
  PickerMemory& memory_;
  std::wstring line_;
  std::size_t tab_ = 0;
  Dialog* dialog_ = nullptr;
  std::optional<int> result_;
  bool puttingLine_ = false;
};

}  // namespace ostrel::wizard

#pragma once
// The dialog seam over a real dialog window: each operation is the control's own message.
#include <windows.h>

#include "wizard/dialog.h"

namespace ostrel::wizard::win {

class Win32Dialog final : public Dialog {
 public:
  explicit Win32Dialog(HWND window) noexcept : window_(window) {}

  WindowHandle window() const override { return reinterpret_cast<WindowHandle>(window_); }
  std::wstring text(ControlId id) const override;
  bool setText(ControlId id, std::wstring_view text) override;
  bool checked(ControlId id) const override;
  void setChecked(ControlId id, bool checked) override;
  bool enabled(ControlId id) const override;
  void enable(ControlId id, bool enabled) override;
  void focus(ControlId id) override;
  void beep() override;

  int listBoxAdd(ControlId id, std::wstring_view text) override;
  void listBoxDelete(ControlId id, int index) override;
  void listBoxClear(ControlId id) override;
  int listBoxCount(ControlId id) const override;
  std::wstring listBoxText(ControlId id, int index) const override;
  int listBoxSelection(ControlId id) const override;
  void listBoxSelect(ControlId id, int index) override;

  void listViewInit(ControlId id, std::span<const ListColumn> columns) override;
  int listViewInsert(ControlId id, int row, std::wstring_view text) override;
  void listViewSetText(ControlId id, int row, int column, std::wstring_view text) override;
  void listViewDelete(ControlId id, int row) override;
  void listViewClear(ControlId id) override;
  int listViewCount(ControlId id) const override;
  std::wstring listViewText(ControlId id, int row, int column) const override;
  int listViewSelection(ControlId id) const override;
  void listViewSelect(ControlId id, int row) override;

  int messageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) override;
  void setWizardButtons(std::uint32_t flags) override;
  void markChanged() override;

 private:
  LRESULT send(ControlId id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

  HWND window_;
};

}  // namespace ostrel::wizard::win

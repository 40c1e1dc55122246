#pragma once
// What a page or dialog asks of its window, control by control: the control ids are the
// dialog template's, so page logic reads like what a user does with the dialog. The
// Windows build adapts a dialog window (wizard/win/dialog_win.h); tests use a fake that
// models each control kind.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/prompt.h"

namespace ostrel::wizard {

using ControlId = int;

// PSWIZB_* flags of the wizard's buttons.
namespace wizb {
inline constexpr std::uint32_t back = 0x1;
inline constexpr std::uint32_t next = 0x2;
inline constexpr std::uint32_t finish = 0x4;
}  // namespace wizb

// BN_CLICKED, LBN_DBLCLK, EN_CHANGE and the list-view notifications the pages act on.
namespace code {
inline constexpr int clicked = 0;        // BN_CLICKED
inline constexpr int selectionChange = 1;  // LBN_SELCHANGE
inline constexpr int doubleClick = 2;    // LBN_DBLCLK
inline constexpr int editChange = 0x300;  // EN_CHANGE
inline constexpr int itemChanged = -101;  // LVN_ITEMCHANGED
inline constexpr int listDoubleClick = -3;  // NM_DBLCLK
inline constexpr int setFocus = -7;       // NM_SETFOCUS
}  // namespace code

struct ListColumn {
  unsigned title;  // string id
  int width;
};

class Dialog {
 public:
  virtual ~Dialog() = default;

  [[nodiscard]] virtual WindowHandle window() const = 0;

  [[nodiscard]] virtual std::wstring text(ControlId id) const = 0;
  // False when the control refused the text.
  virtual bool setText(ControlId id, std::wstring_view text) = 0;
  [[nodiscard]] virtual bool checked(ControlId id) const = 0;
  virtual void setChecked(ControlId id, bool checked) = 0;
  [[nodiscard]] virtual bool enabled(ControlId id) const = 0;
  virtual void enable(ControlId id, bool enabled) = 0;
  virtual void focus(ControlId id) = 0;
  virtual void beep() = 0;  // the default beep

  // List box; a sorted one places each new line where it sorts. -1 means none.
  virtual int listBoxAdd(ControlId id, std::wstring_view text) = 0;
  virtual void listBoxDelete(ControlId id, int index) = 0;
  virtual void listBoxClear(ControlId id) = 0;
  [[nodiscard]] virtual int listBoxCount(ControlId id) const = 0;
  [[nodiscard]] virtual std::wstring listBoxText(ControlId id, int index) const = 0;
  [[nodiscard]] virtual int listBoxSelection(ControlId id) const = 0;
  virtual void listBoxSelect(ControlId id, int index) = 0;

  // Report list view: full-row select and the columns, then rows of texts. -1 means none.
  virtual void listViewInit(ControlId id, std::span<const ListColumn> columns) = 0;
  virtual int listViewInsert(ControlId id, int row, std::wstring_view text) = 0;
  virtual void listViewSetText(ControlId id, int row, int column, std::wstring_view text) = 0;
  virtual void listViewDelete(ControlId id, int row) = 0;
  virtual void listViewClear(ControlId id) = 0;
  [[nodiscard]] virtual int listViewCount(ControlId id) const = 0;
  [[nodiscard]] virtual std::wstring listViewText(ControlId id, int row, int column) const = 0;
  [[nodiscard]] virtual int listViewSelection(ControlId id) const = 0;  // the first selected row
  virtual void listViewSelect(ControlId id, int row) = 0;

  // A message box owned by the dialog; answers the button pressed.
  virtual int messageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) = 0;

  // The sheet around a page: PSM_SETWIZBUTTONS and PSM_CHANGED.
  virtual void setWizardButtons(std::uint32_t flags) = 0;
  virtual void markChanged() = 0;
};

// Message boxes of code written against the prompt seam (path validation), shown by a dialog.
class DialogPrompter final : public Prompter {
 public:
  explicit DialogPrompter(Dialog& dialog) : dialog_(dialog) {}
  int messageBox(WindowHandle, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override {
    return dialog_.messageBox(text, caption, style);
  }

 private:
  Dialog& dialog_;
};

}  // namespace ostrel::wizard

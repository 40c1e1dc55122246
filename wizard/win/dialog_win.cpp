#include "wizard/win/dialog_win.h"

#include <commctrl.h>
#include <prsht.h>

#include "resources/strings.h"

namespace ostrel::wizard::win {

LRESULT Win32Dialog::send(ControlId id, UINT message, WPARAM wParam, LPARAM lParam) const {
  return SendDlgItemMessageW(window_, id, message, wParam, lParam);
}

std::wstring Win32Dialog::text(ControlId id) const {
  HWND control = GetDlgItem(window_, id);
  std::wstring text(static_cast<std::size_t>(std::max(0, GetWindowTextLengthW(control))) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool Win32Dialog::setText(ControlId id, std::wstring_view text) {
  return SetDlgItemTextW(window_, id, std::wstring(text).c_str()) != FALSE;
}

bool Win32Dialog::checked(ControlId id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
void Win32Dialog::setChecked(ControlId id, bool checked) {
  CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
bool Win32Dialog::enabled(ControlId id) const { return IsWindowEnabled(GetDlgItem(window_, id)) != FALSE; }
void Win32Dialog::enable(ControlId id, bool enabled) { EnableWindow(GetDlgItem(window_, id), enabled); }
void Win32Dialog::focus(ControlId id) {
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, id)), TRUE);
}
void Win32Dialog::beep() { MessageBeep(MB_OK); }

int Win32Dialog::listBoxAdd(ControlId id, std::wstring_view text) {
  const std::wstring line(text);
  return static_cast<int>(send(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str())));
}
void Win32Dialog::listBoxDelete(ControlId id, int index) { send(id, LB_DELETESTRING, static_cast<WPARAM>(index)); }
void Win32Dialog::listBoxClear(ControlId id) { send(id, LB_RESETCONTENT); }
int Win32Dialog::listBoxCount(ControlId id) const { return static_cast<int>(send(id, LB_GETCOUNT)); }
std::wstring Win32Dialog::listBoxText(ControlId id, int index) const {
  const LRESULT length = send(id, LB_GETTEXTLEN, static_cast<WPARAM>(index));
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = send(id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
  return text;
}
int Win32Dialog::listBoxSelection(ControlId id) const { return static_cast<int>(send(id, LB_GETCURSEL)); }
void Win32Dialog::listBoxSelect(ControlId id, int index) { send(id, LB_SETCURSEL, static_cast<WPARAM>(index)); }

void Win32Dialog::listViewInit(ControlId id, std::span<const ListColumn> columns) {
  send(id, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const ListColumn& column : columns) {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    c.fmt = LVCFMT_LEFT;
    c.cx = column.width;
    c.pszText = const_cast<LPWSTR>(res::string(column.title).data());
    c.iSubItem = index;
    send(id, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&c));
  }
}

// With a small image list (the catalog tabs' icons, one per catalog row), row i shows image i.
int Win32Dialog::listViewInsert(ControlId id, int row, std::wstring_view text) {
  std::wstring copy(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = copy.data();
  if (send(id, LVM_GETIMAGELIST, LVSIL_SMALL) != 0) {
    item.mask |= LVIF_IMAGE;
    item.iImage = row;
  }
  return static_cast<int>(send(id, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32Dialog::listViewSetText(ControlId id, int row, int column, std::wstring_view text) {
  std::wstring copy(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = copy.data();
  send(id, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Win32Dialog::listViewDelete(ControlId id, int row) { send(id, LVM_DELETEITEM, static_cast<WPARAM>(row)); }
void Win32Dialog::listViewClear(ControlId id) { send(id, LVM_DELETEALLITEMS); }
int Win32Dialog::listViewCount(ControlId id) const { return static_cast<int>(send(id, LVM_GETITEMCOUNT)); }

std::wstring Win32Dialog::listViewText(ControlId id, int row, int column) const {
  // The control says how much it copied, not how long the text is: grow until it fits.
  for (std::size_t size = 256;; size *= 2) {
    std::wstring text(size, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(size);
    const auto got = static_cast<std::size_t>(
        send(id, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (got + 1 < size) return text.substr(0, got);
  }
}

int Win32Dialog::listViewSelection(ControlId id) const {
  return static_cast<int>(send(id, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32Dialog::listViewSelect(ControlId id, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  send(id, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int Win32Dialog::messageBox(const std::wstring& text, const std::wstring& caption, std::uint32_t style) {
  return MessageBoxW(window_, text.c_str(), caption.c_str(), style);
}

void Win32Dialog::setWizardButtons(std::uint32_t flags) { PropSheet_SetWizButtons(GetParent(window_), flags); }
void Win32Dialog::markChanged() { PropSheet_Changed(GetParent(window_), window_); }

}  // namespace ostrel::wizard::win

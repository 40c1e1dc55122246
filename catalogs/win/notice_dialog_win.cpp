#include "catalogs/win/notice_dialog_win.h"

#include "catalogs/notice_placement.h"
#include "catalogs/notices.h"
#include "platform/win/dialog_procedure.h"
#include "platform/win/handles.h"
#include "platform/win/win32_registry.h"
#include "resources/resource_ids.h"

namespace ostrel::catalogs {
namespace {

// What the dialog works on; lives in showNotice for the whole modal loop, so the icons
// outlive the dialog window that shows them.
// Its dialog procedure is win::dialogProcedure<NoticeDialog>.
struct NoticeDialog {
  HWND owner;
  HINSTANCE module;
  int number;
  win::Icon largeIcon, smallIcon;

  static NoticeDialog* attach(LPARAM init) { return reinterpret_cast<NoticeDialog*>(init); }
  INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  // A notice that could not be set up still shows, and OK still closes it; a choice that
  // could not be recorded is not reported, as no registry failure of the record is.
  INT_PTR failed(HWND, UINT message, WPARAM, LPARAM) noexcept {
    return message == WM_COMMAND ? TRUE : win::unhandledAnswer(message);
  }
};

Rect rectOf(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

void centre(HWND dialog, HWND owner) {
  RECT work{}, own{}, self{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(dialog, &self);
  const bool ownerUsable = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner) &&
                           GetWindowRect(owner, &own);
  const Point p = centreRect(rectOf(self), rectOf(own), rectOf(work), ownerUsable);
  SetWindowPos(dialog, nullptr, static_cast<int>(p.x), static_cast<int>(p.y), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

win::Icon productIcon(HINSTANCE module, int widthMetric, int heightMetric) {
  return win::Icon(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_PRODUCT), IMAGE_ICON,
                                                 GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0)));
}

void initialise(HWND dialog, NoticeDialog& state) {
  centre(dialog, state.owner);
  state.largeIcon = productIcon(state.module, SM_CXICON, SM_CYICON);
  state.smallIcon = productIcon(state.module, SM_CXSMICON, SM_CYSMICON);
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.largeIcon.get()));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon.get()));
  // A missing string leaves the field empty.
  wchar_t text[512] = {};
  if (state.number > 0) LoadStringW(state.module, static_cast<UINT>(state.number), text, 512);
  SetDlgItemTextW(dialog, IDC_NOTICE_TEXT, text);
  CheckDlgButton(dialog, IDC_NOTICE_SUPPRESS, BST_UNCHECKED);
}

INT_PTR NoticeDialog::handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    initialise(dialog, *this);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_NOTICE_SUPPRESS:
      if (HIWORD(wParam) == BN_CLICKED) {
        win::Win32Registry reg;
        recordNoticeChoice(reg, win::Win32Registry::root(HKEY_CURRENT_USER), number,
                           IsDlgButtonChecked(dialog, IDC_NOTICE_SUPPRESS) == BST_CHECKED);
      }
      return TRUE;
    case IDOK:
      EndDialog(dialog, IDOK);
      return TRUE;
    case IDCANCEL:  // Escape and the close box leave the notice open
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void showNotice(HWND owner, HINSTANCE module, int number) {
  NoticeDialog state{owner, module, number, {}, {}};
  DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_NOTICE), owner, win::dialogProcedure<NoticeDialog>,
                  reinterpret_cast<LPARAM>(&state));
}

void notice(HWND owner, HINSTANCE module, int number) {
  win::Win32Registry reg;
  if (shouldShowNotice(reg, win::Win32Registry::root(HKEY_CURRENT_USER), number)) showNotice(owner, module, number);
}

}  // namespace ostrel::catalogs

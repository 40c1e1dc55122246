#pragma once
// The one dialog procedure of the module's dialogs and pages. A dialog's logic is a class
// Site with
//   static Site* attach(LPARAM initParam)             the object WM_INITDIALOG's parameter names
//   INT_PTR handle(HWND, UINT, WPARAM, LPARAM)        every message once attached; may throw
//   INT_PTR failed(HWND, UINT, WPARAM, LPARAM) noexcept  the answer when handle threw
// and dialogProcedure<Site> is what the dialog manager calls. The dialogs run inside the
// console's process: an exception that unwound into the dialog manager would take the console
// down, so every one ends here and becomes the answer the dialog manager expects.
#include <windows.h>

namespace ostrel::win {

// The answer for a message whose handling failed, when the dialog has no better one:
// WM_INITDIALOG lets the system set the focus, anything else is left to default handling.
inline INT_PTR unhandledAnswer(UINT message) noexcept { return message == WM_INITDIALOG ? TRUE : FALSE; }

// Sets a notification's result (DWLP_MSGRESULT) and says it was handled.
inline INT_PTR notificationResult(HWND window, LRESULT result) noexcept {
  SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
  return TRUE;
}

template <class Site>
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  Site* site = nullptr;
  if (message == WM_INITDIALOG) {
    site = Site::attach(lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(site));
  } else {
    site = reinterpret_cast<Site*>(GetWindowLongPtrW(window, DWLP_USER));
  }
  if (site == nullptr) return unhandledAnswer(message);
  try {
    return site->handle(window, message, wParam, lParam);
  } catch (...) {
    return site->failed(window, message, wParam, lParam);
  }
}

}  // namespace ostrel::win

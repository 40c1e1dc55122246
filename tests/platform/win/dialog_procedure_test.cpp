// A dialog whose logic throws, at initialisation or later: the exception never reaches the
// dialog manager, the dialog's own failure answer is used, and the modal loop ends normally.
#include <gtest/gtest.h>

#include <new>

#include "platform/win/dialog_procedure.h"

namespace ostrel::win {
namespace {

struct ThrowingSite {
  UINT throwOn = 0, failedOn = 0;

  static ThrowingSite* attach(LPARAM init) { return reinterpret_cast<ThrowingSite*>(init); }
  INT_PTR handle(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) PostMessageW(window, WM_COMMAND, IDOK, 0);
    if (message == throwOn) throw std::bad_alloc();
    if (message == WM_COMMAND) EndDialog(window, IDOK);
    return message == WM_INITDIALOG || message == WM_COMMAND;
  }
  INT_PTR failed(HWND window, UINT message, WPARAM, LPARAM) noexcept {
    failedOn = message;
    EndDialog(window, 100);
    return unhandledAnswer(message);
  }
};

TEST(DialogProcedure, AnExceptionBecomesTheDialogsFailureAnswer) {
  struct alignas(DWORD) {
    DLGTEMPLATE header{WS_POPUP | DS_MODALFRAME, 0, 0, 0, 0, 80, 40};
    WORD menu = 0, windowClass = 0, title = 0;
  } empty;
  for (const UINT throwOn : {UINT{0}, UINT{WM_INITDIALOG}, UINT{WM_COMMAND}}) {
    ThrowingSite site{throwOn};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.header, nullptr,
                                                   dialogProcedure<ThrowingSite>, reinterpret_cast<LPARAM>(&site));
    EXPECT_EQ(std::pair(throwOn == 0 ? INT_PTR{IDOK} : 100, throwOn), std::pair(result, site.failedOn));
  }
}

}  // namespace
}  // namespace ostrel::win

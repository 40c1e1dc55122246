// The notice dialog under Wine, from the resources of osadmmc.dll: its text, icon and cleared
// check box, and Cancel, which must leave it open. Ticking the box, the record it writes and
// the silenced notice staying away are run by the command-line scenario (notice 30).
#include <windows.h>

#include <gtest/gtest.h>

#include "catalogs/win/notice_dialog_win.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "tests/console/message_box_answerer.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::catalogs {
namespace {

HWND shownDialog = nullptr;
bool openAfterCancel = false;

// A timer fires only once the posted messages are taken: Cancel has been handled by then.
void CALLBACK afterCancel(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  openAfterCancel = IsWindow(shownDialog);
  PostMessageW(shownDialog, WM_COMMAND, IDOK, 0);
}

TEST(NoticeDialog, ShowsTheModulesTextAndIconAndIgnoresCancel) {
  const win::Module module(LoadLibraryW(snapin::testing::modulePath().c_str()));
  ASSERT_TRUE(module);
  std::wstring text;
  console::MessageBoxAnswerer answerer;
  answerer.answerDialog(IDC_NOTICE_SUPPRESS, [&](HWND dialog) {
    wchar_t shown[512] = {};
    GetDlgItemTextW(dialog, IDC_NOTICE_TEXT, shown, 512);
    text = shown;
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_NOTICE_SUPPRESS));
    shownDialog = dialog;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    SetTimer(nullptr, 0, 10, afterCancel);
  });
  showNotice(nullptr, module.get(), IDS_NOTICE_OWNERSHIP_CHECK);
  EXPECT_EQ(0u, answerer.dialogsUnanswered());
  EXPECT_EQ(res::string(IDS_NOTICE_OWNERSHIP_CHECK), text);
  EXPECT_TRUE(openAfterCancel);
}

}  // namespace
}  // namespace ostrel::catalogs

// The notice dialog under Wine, from the resources of osadmmc.dll, answered as it shows:
// Cancel (which must leave it open), a click on the check box, OK; then the record in the
// current user's real hive.
#include <windows.h>

#include <gtest/gtest.h>

#include "catalogs/win/notice_dialog_win.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "tests/console/message_box_answerer.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::catalogs {
namespace {

TEST(NoticeDialog, CancelIsIgnoredAndTickThenOkSilencesTheNotice) {
  const win::Module module(LoadLibraryW(snapin::testing::modulePath().c_str()));
  ASSERT_TRUE(module);
  // The record's path is fixed: leave the user's hive as it was found.
  const wchar_t* messages = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";
  win::Key existing;
  const bool hadPath = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kelvast", 0, KEY_READ, existing.put()) == 0;
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messages, L"msg30");
  std::wstring text;
  auto answer = [&](HWND dialog) {
    wchar_t shown[512] = {};
    GetDlgItemTextW(dialog, IDC_NOTICE_TEXT, shown, 512);
    text = shown;
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_NOTICE_SUPPRESS));
    // Posted, so that the dialog's own modal loop takes them in this order.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(GetDlgItem(dialog, IDC_NOTICE_SUPPRESS), BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  {
    console::MessageBoxAnswerer answerer;
    answerer.answerDialog(IDC_NOTICE_SUPPRESS, answer);
    answerer.answerDialog(IDC_NOTICE_SUPPRESS, answer);
    notice(nullptr, module.get(), 30);
    notice(nullptr, module.get(), 30);  // silenced now: no second dialog
    EXPECT_EQ(1u, answerer.dialogsUnanswered());
  }
  DWORD type = 0, data = 0, size = sizeof(data);
  const LSTATUS read = RegGetValueW(HKEY_CURRENT_USER, messages, L"msg30", RRF_RT_ANY, &type, &data, &size);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messages, L"msg30");
  if (!hadPath) RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kelvast");
  EXPECT_EQ(res::string(30), text);
  ASSERT_EQ(ERROR_SUCCESS, read);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(30u, data);
}

}  // namespace
}  // namespace ostrel::catalogs

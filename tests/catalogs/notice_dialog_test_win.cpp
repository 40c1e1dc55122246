// The notice dialog under Wine, from the resources of osadmmc.dll, answered from a WH_CBT
// hook: Cancel (which must leave it open), a click on the check box, OK; then the record in
// the current user's real hive.
#include <windows.h>

#include <gtest/gtest.h>

#include "catalogs/win/notice_dialog_win.h"
#include "platform/win/handles.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::catalogs {
namespace {

int shown = 0;
wchar_t text[512];

LRESULT CALLBACK answer(int code, WPARAM wParam, LPARAM lParam) {
  const auto dialog = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && GetDlgItem(dialog, IDC_NOTICE_SUPPRESS) != nullptr) {
    ++shown;
    GetDlgItemTextW(dialog, IDC_NOTICE_TEXT, text, 512);
    EXPECT_NE(0, SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_NOTICE_SUPPRESS));
    // Posted, so that the dialog's own modal loop takes them in this order.
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(GetDlgItem(dialog, IDC_NOTICE_SUPPRESS), BM_CLICK, 0, 0);
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(NoticeDialog, CancelIsIgnoredAndTickThenOkSilencesTheNotice) {
  const win::Module module(LoadLibraryW(snapin::testing::modulePath().c_str()));
  ASSERT_TRUE(module);
  if (FindResourceW(module.get(), MAKEINTRESOURCEW(IDD_NOTICE), RT_DIALOG) == nullptr)
    GTEST_SKIP() << "osadmmc.dll has no notice dialog yet";
  // The record's path is fixed: leave the user's hive as it was found.
  const wchar_t* messages = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";
  win::Key existing;
  const bool hadPath = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kelvast", 0, KEY_READ, existing.put()) == 0;
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messages, L"msg30");
  {
    win::Hook hook(SetWindowsHookExW(WH_CBT, answer, nullptr, GetCurrentThreadId()));
    notice(nullptr, module.get(), 30);
    notice(nullptr, module.get(), 30);  // silenced now: no second dialog
  }
  DWORD type = 0, data = 0, size = sizeof(data);
  const LSTATUS read = RegGetValueW(HKEY_CURRENT_USER, messages, L"msg30", RRF_RT_ANY, &type, &data, &size);
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messages, L"msg30");
  if (!hadPath) RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kelvast");
  EXPECT_EQ(1, shown);
  EXPECT_EQ(res::string(30), std::wstring_view(text));
  ASSERT_EQ(ERROR_SUCCESS, read);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(30u, data);
}

}  // namespace
}  // namespace ostrel::catalogs

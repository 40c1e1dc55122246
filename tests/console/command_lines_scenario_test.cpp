// The administrator gives a path rule for mmc.exe its command lines through the real Get
// Command Line dialog: the command line of a process running now, then one picked from the
// consoles (with the notice about quoted consoles shown once, then silenced). The list box
// sorts them the other way round, and after Finish the store holds them in its order. (An
// applet's second spelling is the page's portable logic, CommandLinesPage.AppletLinesBring...;
// a typed line and the real Control Panel tab: GetCommandLineDialog.TypedOrPickedFromTheRealTemplates.)
#include <functional>
#include <memory>
#include <utility>

#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

// Runs step from the message loop running then (the modal dialog's), not from inside the
// activation hook that found the dialog.
void later(std::function<void()> step) {
  static std::function<void()> pending;
  pending = std::move(step);
  SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::exchange(pending, nullptr)();
  });
}

// The Get Command Line dialog's tab page that holds a list.
HWND tabPage(HWND dialog, int listId) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, listId) != nullptr) return child;
  return nullptr;
}
void selectRow(HWND dialog, int listId, int row) {
  LVITEMW item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendDlgItemMessageW(tabPage(dialog, listId), listId, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                      reinterpret_cast<LPARAM>(&item));
}
void doubleClick(HWND dialog, int listId) {
  HWND page = tabPage(dialog, listId);
  NMHDR click{GetDlgItem(page, listId), static_cast<UINT_PTR>(listId), static_cast<UINT>(NM_DBLCLK)};
  SendMessageW(page, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
}

TEST_F(WizardSession, AnAdministratorGivesAPathRuleRunningAndPickedCommandLines) {
  (void)takeNoticeRecord(30);
  // A suspended child: its command line is there to be picked until the test ends it.
  std::wstring childLine = L"cmd.exe /k rem ostrel-scenario-child-" + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(nullptr, childLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &child));
  const win::Handle childProcess(child.hProcess), childThread(child.hThread);
  const std::shared_ptr<void> endChild(child.hProcess, [](HANDLE process) { TerminateProcess(process, 0); });

  const SheetRequest& sheet = pathRuleAtCommandLines(L"%SystemRoot%\\system32\\mmc.exe");

  // Each Add opens the dialog modally; its answer drives it from the dialog's own loop.
  auto add = [&](std::function<void(HWND)> inDialog) {
    answerer_.answerDialog(IDC_COMMAND_LINE, [inDialog](HWND dialog) { later([=] { inDialog(dialog); }); });
    click(sheet, IDC_ADD_COMMAND_LINE);
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "the Get Command Line dialog was shown and answered";
  };

  // The child's line, double-clicked on the running-processes tab.
  add([&](HWND dialog) {
    HWND list = GetDlgItem(tabPage(dialog, IDC_RUNNING_PROCESSES_LIST), IDC_RUNNING_PROCESSES_LIST);
    const LRESULT row = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(childLine.c_str()));
    EXPECT_NE(LB_ERR, row) << "the child's command line is listed";
    if (row == LB_ERR) return (void)PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_RUNNING_PROCESSES_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
  });

  // Consoles: the first pick shows notice 30, silenced there; the second pick shows nothing.
  add([&](HWND dialog) {
    showTab(dialog, 2);
    answerer_.answerDialog(IDC_NOTICE_SUPPRESS, [](HWND notice) {  // "Do not show this message again"
      PostMessageW(GetDlgItem(notice, IDC_NOTICE_SUPPRESS), BM_CLICK, 0, 0);
      PostMessageW(notice, WM_COMMAND, IDOK, 0);
    });
    selectRow(dialog, IDC_MMC_LIST, 2);  // Computer Management
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "notice 30 was shown";
    selectRow(dialog, IDC_MMC_LIST, 8);  // Services
    doubleClick(dialog, IDC_MMC_LIST);
  });
  EXPECT_EQ(30u, takeNoticeRecord(30));

  HWND lines = GetDlgItem(page(sheet), IDC_COMMAND_LINES);
  std::vector<std::wstring> shown;
  for (LRESULT i = 0, n = SendMessageW(lines, LB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t buffer[600] = {};
    SendMessageW(lines, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    shown.emplace_back(buffer);
  }
  EXPECT_EQ((std::vector<std::wstring>{
                L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\services.msc\" /s", childLine}),
            shown);

  finish(sheet);
  const auto rules = storedRules();
  ASSERT_EQ(1u, rules.size());
  std::vector<std::wstring> stored;
  for (std::size_t i = 0; i < rules[0]->commandLineCount(); ++i) stored.push_back(rules[0]->commandLine(i));
  EXPECT_EQ(shown, stored) << "the store holds the page's lines in the list box's order";
}

}  // namespace
}  // namespace ostrel::console

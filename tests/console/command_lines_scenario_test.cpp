// The administrator gives a path rule for mmc.exe its command lines through the real Get
// Command Line dialog: one typed, one picked from the consoles (with the notice about quoted
// consoles shown once, then silenced), the Display applet (with its second spelling and the
// notice about it), and the command line of a process running now. After Finish the store
// holds exactly the page's list, in the list box's order.
#include <functional>
#include <deque>

#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

constexpr wchar_t sleeperArgument[] = L"--sleep-until-killed=";

// The child started by the scenario: it signals the event named after its argument and sleeps
// until the scenario ends it, so that its command line is there to be picked.
[[maybe_unused]] const bool sleeper = [] {
  const wchar_t* at = wcsstr(GetCommandLineW(), sleeperArgument);
  if (at == nullptr) return false;
  if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, at + wcslen(sleeperArgument)); ready != nullptr)
    SetEvent(ready);
  Sleep(120000);
  ExitProcess(0);
}();

// Work run from whichever message loop is running on the thread: a dialog opened inside a
// click is driven from here, not from inside the activation hook that found it.
class Steps {
 public:
  Steps() {
    WNDCLASSW type{};
    type.lpfnWndProc = procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"ScenarioSteps";
    RegisterClassW(&type);  // a second registration in the process fails harmlessly
    window_ = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Steps() { DestroyWindow(window_); }
  void post(std::function<void()> step) {
    queue_.push_back(std::move(step));
    PostMessageW(window_, WM_APP, 0, 0);
  }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Steps*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_APP || self == nullptr || self->queue_.empty()) return DefWindowProcW(window, message, wParam, lParam);
    auto step = std::move(self->queue_.front());
    self->queue_.pop_front();
    step();
    return 0;
  }
  HWND window_ = nullptr;
  std::deque<std::function<void()>> queue_;
};

// The Get Command Line dialog's parts: the tab page holding a list, the tab control.
HWND tabPage(HWND dialog, int listId) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, listId) != nullptr) return child;
  return nullptr;
}
void showTab(HWND dialog, int index) {
  HWND tabs = FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr);
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR change{tabs, 0, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
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
void clickOk(HWND dialog) { PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }

const wchar_t messagesKey[] = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";

TEST_F(WizardSession, AnAdministratorGivesAPathRuleTypedPickedAndRunningCommandLines) {
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messagesKey, L"msg30");
  Steps steps;
  // A child with a command line known to the test, running before the dialog lists processes.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring event = L"ostrel-scenario-child-" + std::to_wstring(GetCurrentProcessId());
  const win::Handle ready(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
  const std::wstring childLine = L"console_scenario_tests.exe " + std::wstring(sleeperArgument) + event;
  std::wstring mutableLine = childLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(self, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
  const win::Handle childProcess(child.hProcess), childThread(child.hThread);
  struct EndChild {
    HANDLE process;
    ~EndChild() {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 5000);
    }
  } endChild{child.hProcess};
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.get(), 20000));

  const SheetRequest& sheet = pathRuleAtCommandLines(L"%SystemRoot%\\system32\\mmc.exe");

  // Each Add opens the dialog modally; its answer drives it from the steps' window.
  auto add = [&](std::function<void(HWND)> inDialog) {
    answerer_.answerDialog(IDC_COMMAND_LINE, [&steps, inDialog](HWND dialog) { steps.post([=] { inDialog(dialog); }); });
    click(sheet, IDC_ADD_COMMAND_LINE);
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "the Get Command Line dialog was shown and answered";
  };
  const std::wstring typed = L"%SystemRoot%\\system32\\mmc.exe %SystemRoot%\\system32\\gpedit.msc";
  add([&](HWND dialog) {
    SetDlgItemTextW(dialog, IDC_COMMAND_LINE, typed.c_str());
    clickOk(dialog);
  });

  // Consoles: the first pick shows notice 30, silenced there; the second pick shows nothing.
  add([&](HWND dialog) {
    showTab(dialog, 2);
    answerer_.answerDialog(IDC_NOTICE_SUPPRESS, [](HWND notice) {
      PostMessageW(GetDlgItem(notice, IDC_NOTICE_SUPPRESS), BM_CLICK, 0, 0);
      PostMessageW(notice, WM_COMMAND, IDOK, 0);
    });
    selectRow(dialog, IDC_MMC_LIST, 2);  // Computer Management
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "notice 30 was shown";
    selectRow(dialog, IDC_MMC_LIST, 8);  // Services
    doubleClick(dialog, IDC_MMC_LIST);
  });
  DWORD data = 0, size = sizeof data;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, messagesKey, L"msg30", RRF_RT_REG_DWORD, nullptr, &data, &size));
  RegDeleteKeyValueW(HKEY_CURRENT_USER, messagesKey, L"msg30");

  // Display: once the dialog has closed the page adds the applet's full shell32.dll spelling
  // and shows notice 15.
  add([&](HWND dialog) {
    answerer_.answerDialog(IDC_NOTICE_SUPPRESS, [](HWND notice) { PostMessageW(notice, WM_COMMAND, IDOK, 0); });
    showTab(dialog, 1);
    selectRow(dialog, IDC_CONTROL_PANEL_LIST, 5);
    clickOk(dialog);
  });

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

  HWND lines = GetDlgItem(page(sheet), IDC_COMMAND_LINES);
  std::vector<std::wstring> shown;
  for (LRESULT i = 0, n = SendMessageW(lines, LB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t buffer[600] = {};
    SendMessageW(lines, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    shown.emplace_back(buffer);
  }
  std::vector<std::wstring> expected = {
      typed,
      L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\services.msc\" /s",
      L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\desk.cpl\",Display",
      L"\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL "
      L"\"%SystemRoot%\\System32\\desk.cpl\",Display",
      childLine};
  auto sorted = shown;
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, sorted);

  for (int i = 2; i < 7; ++i) press(sheet, PSBTN_NEXT);
  ASSERT_EQ(7, pageIndex(sheet));
  press(sheet, PSBTN_FINISH);
  EXPECT_TRUE(sheet.closed);
  const auto rules = storedRules();
  ASSERT_EQ(1u, rules.size());
  std::vector<std::wstring> stored;
  for (std::size_t i = 0; i < rules[0]->commandLineCount(); ++i) stored.push_back(rules[0]->commandLine(i));
  EXPECT_EQ(shown, stored) << "the store holds the page's lines in the list box's order";
}

}  // namespace
}  // namespace ostrel::console

// Under Wine: the command lines of running processes, and the Get Command Line dialog made
// from the module's templates, answered from a CBT hook as an administrator would.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "catalogs/catalog.h"
#include "catalogs/win/processes_win.h"
#include "platform/win/handles.h"
#include "tests/wizard/fake_dialog.h"
#include "rules/list_box_order.h"
#include "wizard/win/command_line_dialog_win.h"

namespace ostrel::wizard::testing {
namespace {

using ostrel::win::Handle;

// A child made suspended, so it stays until the test ends it; its command line is
// in place from the start.
struct Child {
  explicit Child(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               nullptr, &startup, &started));
    process.reset(started.hProcess);
    Handle thread(started.hThread);
  }
  ~Child() { TerminateProcess(process.get(), 0); }
  Handle process;
};

std::wstring commandOfLength(std::size_t chars, wchar_t tag) {
  std::wstring line = L"cmd.exe /k rem ";
  line.append(chars - line.size(), tag);
  return line;
}

TEST(RunningProcesses, CommandLinesUpTo260BytesAreListed) {
  const Child fits(commandOfLength(130, L'a')), tooLong(commandOfLength(131, L'b'));
  wchar_t buffer[260];
  ASSERT_TRUE(catalogs::win::ReadProcessCommandLine(fits.process.get(), buffer, 260));
  EXPECT_EQ(commandOfLength(130, L'a'), buffer);
  EXPECT_FALSE(catalogs::win::ReadProcessCommandLine(tooLong.process.get(), buffer, 260));
  const auto lines = catalogs::win::RunningProcesses().commandLines();
  EXPECT_EQ(1, std::count(lines.begin(), lines.end(), commandOfLength(130, L'a')));
  EXPECT_EQ(0, std::count(lines.begin(), lines.end(), commandOfLength(131, L'b')));
}

// The system list box and the portable order agree on mixed case, punctuation, digits,
// apostrophes and hyphens, and on where a line equal but for case goes.
TEST(ListBoxOrder, TheSystemListBoxSortsAsThePortableOrder) {
  const std::vector<std::wstring> added = {L"zeta", L"Alpha", L"co-op", L"\"%SystemRoot%\\x\"", L"coop", L"a_b", L"ALPHA",
                                           L"a10",  L"a9",    L"co'op", L"-ab", L"%x", L"a b", L"alpha", L"a~b", L"a+b"};
  HWND box = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, box);
  std::vector<std::wstring> portable;
  for (const auto& line : added) {
    SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    portable.insert(portable.begin() + static_cast<std::ptrdiff_t>(rules::listBoxInsertPosition(portable, line)), line);
  }
  std::vector<std::wstring> shown;
  for (int i = 0; i < static_cast<int>(SendMessageW(box, LB_GETCOUNT, 0, 0)); ++i) {
    wchar_t text[64] = {};
    SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    shown.emplace_back(text);
  }
  DestroyWindow(box);
  EXPECT_EQ(shown, portable);
}

struct FixedProcesses final : catalogs::ProcessSource {
  bool enableDebugPrivilege() override { return false; }
  std::vector<std::wstring> commandLines() override { return {L"b.exe", L"a.exe /x"}; }
};

// What the hook does once the dialog is shown.
std::function<void(HWND)> onShown;
HHOOK hook = nullptr;
LRESULT CALLBACK answer(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && onShown && GetDlgItem(reinterpret_cast<HWND>(wParam), IDC_COMMAND_LINE) != nullptr)
    std::exchange(onShown, nullptr)(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(hook, code, wParam, lParam);
}

HWND tabWindow(HWND dialog, int listId) {
  for (HWND child = FindWindowExW(dialog, nullptr, L"#32770", nullptr); child != nullptr;
       child = FindWindowExW(dialog, child, L"#32770", nullptr))
    if (GetDlgItem(child, listId) != nullptr) return child;
  return nullptr;
}

TEST(GetCommandLineDialog, TypedOrPickedFromTheRealTemplates) {
  const HMODULE module = LoadLibraryW(L"osadmmc.dll");
  ASSERT_NE(nullptr, module);
  const ostrel::win::Hook installed(SetWindowsHookExW(WH_CBT, answer, nullptr, GetCurrentThreadId()));
  hook = installed.get();
  FakeServices services;
  FixedProcesses processes;
  PickerMemory memory;

  // A running process's line is picked through this dialog by the console scenario
  // (AnAdministratorGivesANewRuleCommandLinesGroupsAndAPrivilege); here, a typed line and the
  // Control Panel tab's Display row double-clicked.
  onShown = [](HWND dialog) {
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "empty line";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PICKER_AREA)));
    SetDlgItemTextW(dialog, IDC_COMMAND_LINE, L"typed /x");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
  EXPECT_EQ(L"typed /x", win::runCommandLineDialog(module, nullptr, L"", services, processes, memory));
  EXPECT_EQ(std::vector<int>{8}, services.shownNotices);

  onShown = [](HWND dialog) {
    HWND panel = tabWindow(dialog, IDC_CONTROL_PANEL_LIST);
    HWND list = GetDlgItem(panel, IDC_CONTROL_PANEL_LIST);
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 5, reinterpret_cast<LPARAM>(&item));
    NMHDR click{list, IDC_CONTROL_PANEL_LIST, static_cast<UINT>(NM_DBLCLK)};
    SendMessageW(panel, WM_NOTIFY, IDC_CONTROL_PANEL_LIST, reinterpret_cast<LPARAM>(&click));
  };
  EXPECT_EQ(std::wstring(catalogs::appletCatalog()[5].commandLine),
            win::runCommandLineDialog(module, nullptr, L"old", services, processes, memory));

  FreeLibrary(module);
}

}  // namespace
}  // namespace ostrel::wizard::testing

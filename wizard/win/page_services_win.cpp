#include "wizard/win/page_services_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include "catalogs/win/notice_dialog_win.h"
#include "catalogs/win/processes_win.h"
#include "resources/strings.h"
#include "wizard/win/command_line_dialog_win.h"

namespace ostrel::wizard::win {
namespace {

UINT_PTR CALLBACK openFileHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

using PropertyChangeNotify = HRESULT(WINAPI*)(LONG_PTR, LPARAM);

// MMCPropertyChangeNotify, from the console's module in this process; the console has it
// loaded, so the module is found without loading and stays for the process's life.
PropertyChangeNotify consoleNotify() {
  static const PropertyChangeNotify function = [] {
    HMODULE console = GetModuleHandleW(L"mmcndmgr.dll");
    if (console == nullptr) console = LoadLibraryW(L"mmcndmgr.dll");
    return console == nullptr
               ? nullptr
               : reinterpret_cast<PropertyChangeNotify>(
                     reinterpret_cast<void*>(GetProcAddress(console, "MMCPropertyChangeNotify")));
  }();
  return function;
}

}  // namespace

std::optional<std::wstring> Win32PageServices::pickExecutable(WindowHandle) {
  wchar_t file[260] = {};
  wchar_t title[256] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = GetActiveWindow();
  // The filter is the name, then the pattern, each ended by a zero; c_str() adds the list's end.
  const std::wstring filter = std::wstring(res::string(IDS_EXECUTABLE_FILES_FILTER)) + L'\0' + L"*.exe" + L'\0';
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file;
  dialog.nMaxFile = 260;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = 256;
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
  dialog.lpfnHook = openFileHook;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return std::wstring(file);
}

std::optional<std::wstring> Win32PageServices::editCommandLine(WindowHandle, const std::wstring& line) {
  // Owned, as the notices are, by the window active when it opens: the sheet.
  static catalogs::win::RunningProcesses processes;
  return runCommandLineDialog(module_, GetActiveWindow(), line, *this, processes);
}

void Win32PageServices::openHelp(WindowHandle owner, const std::wstring& url) {
  (void)ShellExecuteW(reinterpret_cast<HWND>(owner), L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32PageServices::sendPageNotice(std::intptr_t notifyHandle, const PageNotice& notice) {
  const PropertyChangeNotify notify = consoleNotify();
  if (notify == nullptr) return;
  const std::intptr_t record = sendablePageNotice(notice.pageId, notice.owner, notice.code);
  // The console frees the record after delivering it; one it refused is ours to free.
  if (FAILED(notify(notifyHandle, record))) (void)adoptPageNotice(record);
}

void Win32PageServices::notice(WindowHandle, int number) {
  // Notices are owned by whatever window is active when they show (the sheet, as a rule).
  catalogs::notice(GetActiveWindow(), module_, number);
}

void Win32PageServices::setWaitCursor(bool waiting) {
  if (waiting) previousCursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  else SetCursor(previousCursor_);
}

}  // namespace ostrel::wizard::win

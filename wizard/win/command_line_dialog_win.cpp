#include "wizard/win/command_line_dialog_win.h"

#include <commctrl.h>

#include <array>
#include <memory>
#include <vector>

#include "catalogs/catalog.h"
#include "platform/win/dialog_procedure.h"
#include "platform/win/handles.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "wizard/command_line_dialog.h"
#include "wizard/win/dialog_win.h"

namespace ostrel::wizard::win {
namespace {

// Each control listed shows the string numbered like it as its tooltip.
void attachTooltips(HINSTANCE module, HWND dialog, std::initializer_list<int> ids) {
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, module, nullptr);
  if (tip == nullptr) return;
  for (const int id : ids) {
    std::wstring text(res::string(static_cast<unsigned>(id)));
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
    tool.lpszText = text.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
}

struct TabStart;

// A tab's window and its logic; its dialog procedure is ostrel::win::dialogProcedure<Tab>.
struct Tab {
  std::unique_ptr<PickerTab> logic;
  std::unique_ptr<Win32Dialog> dialog;
  HWND window = nullptr;

  static Tab* attach(LPARAM init);
  INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // A tab that failed to fill stays empty; any other failure does nothing.
  INT_PTR failed(HWND, UINT message, WPARAM, LPARAM) noexcept { return ostrel::win::unhandledAnswer(message); }
};

struct Session final : PickerHost {
  Session(HINSTANCE m, const std::wstring& line, PageServices& s, catalogs::ProcessSource& p,
          PickerMemory& memory)
      : module(m), services(s), processes(p), memory(memory), logic(s, memory, line) {}

  static Session* attach(LPARAM init) { return reinterpret_cast<Session*>(init); }
  INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR failed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  void post(unsigned message) override { PostMessageW(window, message, 0, 0); }
  void makeTabs();
  void showTab(std::size_t index);
  void closeIfDone() {
    if (const auto result = logic.result()) EndDialog(window, *result);
  }

  HINSTANCE module;
  PageServices& services;
  catalogs::ProcessSource& processes;
  PickerMemory& memory;
  CommandLineDialog logic;
  std::unique_ptr<Win32Dialog> dialog;
  HWND window = nullptr, tabControl = nullptr;
  std::array<Tab, pickerTabCount> tabs;
};

struct TabStart {
  Session* session;
  Tab* tab;
};

// The rows' icons in row order, so that row i shows image i; the list view owns the list.
void attachCatalogImages(HINSTANCE module, HWND list, std::span<const catalogs::CatalogRow> rows) {
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 10, 4);
  if (images == nullptr) return;
  for (const auto& row : rows) {
    const ostrel::win::Icon icon(
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(row.icon), IMAGE_ICON, 16, 16, 0)));
    ImageList_AddIcon(images, icon.get());
  }
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

Tab* Tab::attach(LPARAM init) { return reinterpret_cast<TabStart*>(init)->tab; }

INT_PTR Tab::handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* start = reinterpret_cast<TabStart*>(lParam);
    window = self;
    dialog = std::make_unique<Win32Dialog>(self);
    const auto& info = logic->info();
    if (info.kind != PickerTabKind::runningProcesses)
      attachCatalogImages(start->session->module, GetDlgItem(self, info.listId),
                          info.kind == PickerTabKind::controlPanel ? catalogs::appletCatalog()
                                                                             : catalogs::snapinCatalog());
    logic->initDialog(*dialog);
    attachTooltips(start->session->module, self, {info.listId});
    return TRUE;
  }
  if (!logic || !dialog) return FALSE;
  switch (message) {
    case WM_COMMAND: logic->command(LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == LVN_ITEMCHANGED) {
        // Only a row becoming selected counts, not focus moves or the old row's loss.
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change->uChanged & LVIF_STATE) != 0 && (change->uNewState & LVIS_SELECTED) != 0 &&
            (change->uOldState & LVIS_SELECTED) == 0)
          logic->notify(static_cast<ControlId>(header->idFrom), code::itemChanged);
      } else if (header->code == NM_DBLCLK) {
        logic->notify(static_cast<ControlId>(header->idFrom), code::listDoubleClick);
      }
      return TRUE;
    }
    default: return FALSE;
  }
}

void Session::makeTabs() {
  // The tabs take the hidden placeholder's rectangle.
  HWND placeholder = GetDlgItem(window, IDC_PICKER_AREA);
  ShowWindow(placeholder, SW_HIDE);
  RECT area{};
  GetWindowRect(placeholder, &area);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
  tabControl = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, area.left,
                               area.top, area.right - area.left, area.bottom - area.top, window, nullptr, module, nullptr);
  SendMessageW(tabControl, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(res::string(pickerTabInfo(i).title).data());
    SendMessageW(tabControl, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
  }
  RECT page = area;
  SendMessageW(tabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    tabs[i].logic = makePickerTab(i, memory, *this, services, processes);
    TabStart start{this, &tabs[i]};
    HWND child = CreateDialogParamW(module, MAKEINTRESOURCEW(pickerTabInfo(i).dialogId), window,
                                    ostrel::win::dialogProcedure<Tab>, reinterpret_cast<LPARAM>(&start));
    if (child == nullptr) continue;
    SetWindowPos(child, HWND_TOP, page.left, page.top, page.right - page.left, page.bottom - page.top, 0);
    const int list = pickerTabInfo(i).listId;
    SetWindowPos(GetDlgItem(child, list), nullptr, 0, 0, page.right - page.left, page.bottom - page.top,
                 SWP_NOZORDER);
  }
  showTab(0);
}

void Session::showTab(std::size_t index) {
  for (std::size_t i = 0; i < tabs.size(); ++i)
    if (tabs[i].window != nullptr) ShowWindow(tabs[i].window, i == index ? SW_SHOW : SW_HIDE);
  logic.tabChanged(index);
}

INT_PTR Session::handle(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    window = self;
    dialog = std::make_unique<Win32Dialog>(self);
    makeTabs();
    logic.initDialog(*dialog);
    attachTooltips(module, self, {IDC_COMMAND_LINE});
    return TRUE;
  }
  if (!dialog) return FALSE;
  switch (message) {
    case WM_COMMAND:
      logic.command(LOWORD(wParam), HIWORD(wParam));
      closeIfDone();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == tabControl && header->code == static_cast<UINT>(TCN_SELCHANGE))
        showTab(static_cast<std::size_t>(SendMessageW(tabControl, TCM_GETCURSEL, 0, 0)));
      return TRUE;
    }
    case WM_HELP: logic.help(); return TRUE;
    case commandLinePicked:
    case commandLineAccepted:
      logic.message(message);
      closeIfDone();
      return TRUE;
    default: return FALSE;
  }
}

// A dialog that could not be set up closes as if cancelled, so the page adds nothing; a
// failure later leaves the dialog open as it was, to be tried again or cancelled.
INT_PTR Session::failed(HWND self, UINT message, WPARAM, LPARAM) noexcept {
  if (message == WM_INITDIALOG) EndDialog(self, button::cancel);
  return ostrel::win::unhandledAnswer(message);
}

}  // namespace

std::optional<std::wstring> runCommandLineDialog(HINSTANCE module, HWND owner, const std::wstring& line,
                                                 PageServices& services, catalogs::ProcessSource& processes,
                                                 PickerMemory& memory) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  Session session(module, line, services, processes, memory);
  const INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_COMMAND_LINE), owner,
                                         ostrel::win::dialogProcedure<Session>, reinterpret_cast<LPARAM>(&session));
  if (result != button::ok) return std::nullopt;
  return session.logic.line();
}

}  // namespace ostrel::wizard::win

// Pictures for the administrator's guide: opens the Rule wizard through the console double,
// walks it for a path rule and photographs every page, then the Application page of a hash
// rule and a tab of the new rule's property sheet. Run by scripts/screenshots.sh under a Wine
// prefix with a real display; writes one .bmp per picture into the folder given as argument.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/win32_registry.h"
#include "resources/product_guids.h"
#include "resources/resource_ids.h"
#include "tests/console/console_double.h"
#include "tests/console/message_box_answerer.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::console {
namespace {

// Writes the window as it is drawn now (frame included) as a 24-bit bitmap file.
bool capture(HWND window, const std::wstring& file) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  // The window's own surface, children included, as it is on the display.
  HDC source = GetWindowDC(window);
  const bool drawn = BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY) != FALSE;
  ReleaseDC(window, source);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u), size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER head{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  bool written = false;
  if (drawn) {
    win::Handle out(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD n = 0;
    written = out.get() != INVALID_HANDLE_VALUE && WriteFile(out.get(), &head, sizeof head, &n, nullptr) &&
              WriteFile(out.get(), &info.bmiHeader, sizeof info.bmiHeader, &n, nullptr) &&
              WriteFile(out.get(), bits, size, &n, nullptr);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::fprintf(stderr, "wizard_tour: %ls %s\n", file.c_str(), written ? "written" : "NOT written");
  return written;
}

class Tour {
 public:
  explicit Tour(std::wstring folder) : folder_(std::move(folder)) { current = this; }

  int run() {
    if (FAILED(registerModuleOnce())) return fail("osadmmc.dll next to the program could not be registered");
    if (scratch_.status() != status::success || !answerer_.installed()) return fail("no scratch key or message hook");
    editor_ = std::make_unique<EditorNode>(win::Win32Registry::toHkey(scratch_.key()));
    console_ = std::make_unique<Console>(*editor_);
    if (FAILED(console_->loadNamespaceExtension(ids::nodeIdMachine)) || FAILED(console_->expandComputerConfiguration()))
      return fail("the snap-in did not load");
    auto children = console_->childrenOf(Console::computerConfiguration);
    if (children.empty()) return fail("no node under Computer Configuration");
    node_ = children.front()->id;
    View& view = console_->openView();
    view.select(node_);
    console_->offerSheetProvider();

    pathRuleWizard();
    hashRuleApplicationPage();
    if (!view.rows.empty()) propertiesTab(view);

    for (const SeenMessageBox& box : answerer_.seen)
      std::fprintf(stderr, "wizard_tour: message box \"%ls\": %ls\n", box.caption.c_str(), box.text.c_str());
    console_->close();
    console_.reset();
    return failures_ == 0 ? 0 : 1;
  }

 private:
  // Reports a failure; the tour goes on with what it can still photograph.
  int fail(const char* why) {
    std::fprintf(stderr, "wizard_tour: %s\n", why);
    ++failures_;
    return 1;
  }

  const SheetRequest* openWizard() {
    if (FAILED(console_->command(node_, wizardCommand)) || console_->sheetRequests().empty()) return nullptr;
    const SheetRequest* sheet = console_->sheetRequests().back();
    if (sheet->window == nullptr) return nullptr;
    SetWindowPos(sheet->window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(sheet->window);
    settle();
    return sheet;
  }
  // Lets the sheet and its page finish drawing.
  void settle() {
    for (int i = 0; i < 10; ++i) {
      console_->pumpMessages();
      Sleep(30);
    }
  }
  static HWND page(const SheetRequest& sheet) { return PropSheet_GetCurrentPageHwnd(sheet.window); }
  void click(const SheetRequest& sheet, int id) {
    SendMessageW(GetDlgItem(page(sheet), id), BM_CLICK, 0, 0);
    settle();
  }
  static void type(const SheetRequest& sheet, int id, const wchar_t* text) { SetDlgItemTextW(page(sheet), id, text); }
  void press(const SheetRequest& sheet, int button) {
    PropSheet_PressButton(sheet.window, button);
    settle();
  }
  void shoot(HWND window, const wchar_t* name) {
    if (!capture(window, folder_ + L"\\" + name + L".bmp")) ++failures_;
  }
  void shoot(const SheetRequest& sheet, const wchar_t* name) {
    settle();
    shoot(sheet.window, name);
  }
  // The page shown now, by its position in the wizard.
  static int pageIndex(const SheetRequest& sheet) { return PropSheet_HwndToIndex(sheet.window, page(sheet)); }
  void next(const SheetRequest& sheet, int expectedIndex) {
    press(sheet, PSBTN_NEXT);
    if (pageIndex(sheet) != expectedIndex) fail(("Next did not reach page " + std::to_string(expectedIndex + 1)).c_str());
  }

  // The eight pages of a path rule, each photographed as the administrator fills it in.
  void pathRuleWizard() {
    const SheetRequest* sheet = openWizard();
    if (sheet == nullptr) return (void)fail("the wizard was not shown");
    click(*sheet, IDC_PATH_RULE);
    shoot(*sheet, L"wizard-1-rule-type");
    next(*sheet, 1);
    type(*sheet, IDC_APPLICATION, L"%ProgramFiles%\\Kelvast\\Tools\\*.exe");
    click(*sheet, IDC_RECURSIVE);
    // Ticking Ownership Check may show the notice; it is photographed and closed when it is.
    answerer_.answerDialog(IDC_NOTICE_TEXT, [](HWND notice) { noticeShown(notice); });
    click(*sheet, IDC_OWNERSHIP_CHECK);
    shoot(*sheet, L"wizard-2-application");
    next(*sheet, 2);
    shoot(*sheet, L"wizard-3-command-lines");
    // Add opens the Get Command Line dialog: each of its three tabs is photographed, then the
    // dialog is cancelled.
    answerer_.answerDialog(IDC_COMMAND_LINE, [](HWND dialog) { commandLineDialogShown(dialog); });
    click(*sheet, IDC_ADD_COMMAND_LINE);
    next(*sheet, 3);
    shoot(*sheet, L"wizard-4-privileged-groups");
    next(*sheet, 4);
    click(*sheet, IDC_OVERRIDE_PRIVILEGES);
    shoot(*sheet, L"wizard-5-process-privileges");
    click(*sheet, IDC_OVERRIDE_PRIVILEGES);  // the rule keeps the default privileges
    next(*sheet, 5);
    shoot(*sheet, L"wizard-6-sids-to-delete");
    next(*sheet, 6);
    shoot(*sheet, L"wizard-7-authorized-users");
    next(*sheet, 7);
    shoot(*sheet, L"wizard-8-finish");
    press(*sheet, PSBTN_FINISH);
    if (!sheet->closed) fail("Finish did not close the wizard");
  }

  // The modal notice: photographed once it has been drawn, then closed with OK.
  static void noticeShown(HWND notice) {
    SetTimer(notice, 1, 300, [](HWND window, UINT, UINT_PTR id, DWORD) {
      KillTimer(window, id);
      current->shoot(window, L"notice-ownership-check");
      PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
  }
  // The modal Get Command Line dialog: one picture per tab, a timer tick apart so that each
  // tab has been drawn, then Cancel.
  static void commandLineDialogShown(HWND dialog) {
    current->tab_ = 0;
    SetTimer(dialog, 2, 400, [](HWND window, UINT, UINT_PTR id, DWORD) {
      static const wchar_t* const names[] = {L"command-line-processes", L"command-line-applets",
                                             L"command-line-consoles"};
      int& tab = current->tab_;
      current->shoot(window, names[tab]);
      if (++tab == 3) {
        KillTimer(window, id);
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
      }
      HWND tabs = FindWindowExW(window, nullptr, WC_TABCONTROLW, nullptr);
      SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
      NMHDR change{tabs, 0, static_cast<UINT>(TCN_SELCHANGE)};
      SendMessageW(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
    });
  }

  // The Application page of a hash rule as it first shows. (Browse is left alone: the
  // open-file dialog under the X11 driver is not answered reliably.)
  void hashRuleApplicationPage() {
    const SheetRequest* sheet = openWizard();
    if (sheet == nullptr) return (void)fail("the wizard was not shown");
    click(*sheet, IDC_HASH_RULE);
    next(*sheet, 1);
    shoot(*sheet, L"wizard-hash-application");
    press(*sheet, PSBTN_CANCEL);
  }

  // The Application tab of the path rule's property sheet.
  void propertiesTab(View& view) {
    if (FAILED(view.properties(0)) || console_->sheetRequests().back()->window == nullptr)
      return (void)fail("the rule's properties were not shown");
    const SheetRequest& sheet = *console_->sheetRequests().back();
    SetWindowPos(sheet.window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    PropSheet_SetCurSel(sheet.window, nullptr, 1);
    settle();
    shoot(sheet, L"properties-application");
    press(sheet, PSBTN_CANCEL);
  }

  static inline Tour* current = nullptr;  // for the timers' procedures
  std::wstring folder_;
  win::Win32Registry reg_;
  testing::ScratchKey scratch_{reg_};
  MessageBoxAnswerer answerer_;
  std::unique_ptr<EditorNode> editor_;
  std::unique_ptr<Console> console_;
  HSCOPEITEM node_ = 0;
  int failures_ = 0, tab_ = 0;
};

}  // namespace
}  // namespace ostrel::console

int main() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2) {
    std::fprintf(stderr, "usage: wizard_tour <folder for the .bmp files>\n");
    return 2;
  }
  const std::wstring folder = args[1];
  LocalFree(args);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  int rc = 0;
  {
    ostrel::console::Tour tour(folder);
    rc = tour.run();
  }
  CoUninitialize();
  return rc;
}

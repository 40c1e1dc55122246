// Pictures for the administrator's guide: opens the Rule wizard through the console double,
// walks it for a path rule and photographs every page, then the Application page of a hash
// rule and a tab of the new rule's property sheet. Run by scripts/screenshots.sh under a Wine
// prefix with a real display; writes one .bmp per picture into the folder named by the
// environment variable OSTREL_SHOTS. The folder is not an argument because the Running Processes
// tab shows this program's own command line.
// It is a session of the scenarios' kind, so a tour that leaks or misbehaves fails like one.
#include <cstdio>

#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

std::wstring folder;  // where the pictures go

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

class GuideTour : public WizardSession {
 protected:
  // Lets the sheet and its page finish drawing.
  void settle() {
    for (int i = 0; i < 10; ++i) {
      console_->pumpMessages();
      Sleep(30);
    }
  }
  const SheetRequest& placed(const SheetRequest& sheet) {
    SetWindowPos(sheet.window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(sheet.window);
    settle();
    return sheet;
  }
  void shoot(HWND window, const wchar_t* name) { EXPECT_TRUE(capture(window, folder + L"\\" + name + L".bmp")); }
  void shoot(const SheetRequest& sheet, const wchar_t* name) {
    settle();
    shoot(sheet.window, name);
  }
  void next(const SheetRequest& sheet, int expectedIndex) {
    press(sheet, PSBTN_NEXT);
    settle();
    EXPECT_EQ(expectedIndex, pageIndex(sheet));
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
      showTab(window, tab);
    });
  }

  static inline GuideTour* current = nullptr;  // for the timers' procedures
  int tab_ = 0;
};

TEST_F(GuideTour, PhotographsTheWizardAndARulesPropertySheet) {
  current = this;
  const HSCOPEITEM node = openConsoleAndExpand();
  View& view = console_->openView();
  ASSERT_EQ(S_OK, view.select(node));

  // The eight pages of a path rule, each photographed as the administrator fills it in.
  const SheetRequest& sheet = placed(openWizard(node));
  click(sheet, IDC_PATH_RULE);
  shoot(sheet, L"wizard-1-rule-type");
  next(sheet, 1);
  type(sheet, IDC_APPLICATION, L"%ProgramFiles%\\Kelvast\\Tools\\*.exe");
  click(sheet, IDC_RECURSIVE);
  // Ticking Ownership Check may show the notice; it is photographed and closed when it is.
  answerer_.answerDialog(IDC_NOTICE_TEXT, [](HWND notice) { noticeShown(notice); });
  click(sheet, IDC_OWNERSHIP_CHECK);
  shoot(sheet, L"wizard-2-application");
  next(sheet, 2);
  shoot(sheet, L"wizard-3-command-lines");
  // Add opens the Get Command Line dialog: each of its three tabs is photographed, then the
  // dialog is cancelled.
  answerer_.answerDialog(IDC_COMMAND_LINE, [](HWND dialog) { commandLineDialogShown(dialog); });
  click(sheet, IDC_ADD_COMMAND_LINE);
  next(sheet, 3);
  shoot(sheet, L"wizard-4-privileged-groups");
  next(sheet, 4);
  click(sheet, IDC_OVERRIDE_PRIVILEGES);
  shoot(sheet, L"wizard-5-process-privileges");
  click(sheet, IDC_OVERRIDE_PRIVILEGES);  // the rule keeps the default privileges
  next(sheet, 5);
  shoot(sheet, L"wizard-6-sids-to-delete");
  next(sheet, 6);
  shoot(sheet, L"wizard-7-authorized-users");
  next(sheet, 7);
  shoot(sheet, L"wizard-8-finish");
  finish(sheet);

  // The Application page of a hash rule as it first shows. (Browse is left alone: the
  // open-file dialog under the X11 driver is not answered reliably.)
  const SheetRequest& hash = placed(openWizard(node));
  click(hash, IDC_HASH_RULE);
  next(hash, 1);
  shoot(hash, L"wizard-hash-application");
  press(hash, PSBTN_CANCEL);

  // The Application tab of the path rule's property sheet.
  ASSERT_EQ(S_OK, view.properties(0));
  const SheetRequest& properties = placed(*console_->sheetRequests().back());
  PropSheet_SetCurSel(properties.window, nullptr, 1);
  shoot(properties, L"properties-application");
  press(properties, PSBTN_CANCEL);
  settle();
}

}  // namespace
}  // namespace ostrel::console

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"OSTREL_SHOTS", folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    std::fprintf(stderr, "wizard_tour: set OSTREL_SHOTS to the folder for the .bmp files\n");
    return 2;
  }
  ostrel::console::folder = folder;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  return RUN_ALL_TESTS();
}

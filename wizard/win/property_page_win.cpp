#include "wizard/win/property_page_win.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "platform/win/dialog_procedure.h"
#include "platform/win/handles.h"
#include "resources/strings.h"
#include "wizard/win/dialog_win.h"

namespace ostrel::wizard::win {
namespace {

// What lives with one page from creation to release: the page and, while its dialog
// exists, the adapter and tooltip window of that dialog. The page's dialog procedure is
// ostrel::win::dialogProcedure<PageSite>.
struct PageSite {
  std::unique_ptr<Page> page;
  std::optional<Win32Dialog> dialog;
  ostrel::win::Window tooltips;

  static PageSite* attach(LPARAM init) {
    return reinterpret_cast<PageSite*>(reinterpret_cast<const PROPSHEETPAGEW*>(init)->lParam);
  }
  INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR failed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
};

// Every child control whose id numbers a string gets that string as its tooltip.
void attachTooltips(HWND dialog, PageSite& site) {
  site.tooltips.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr));
  if (!site.tooltips) return;
  HWND tips = site.tooltips.get();
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const int id = GetDlgCtrlID(child);
    if (id <= 0) continue;
    std::wstring text(res::string(static_cast<unsigned>(id)));
    if (text.empty()) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = text.data();
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tips, TTM_ACTIVATE, TRUE, 0);
}

// A sheet notification's result, or nothing for the ones left to default handling.
std::optional<LRESULT> sheetNotification(Page& page, UINT code) {
  switch (code) {
    case PSN_SETACTIVE: page.setActive(); return 0;
    case PSN_WIZNEXT: return page.next();
    case PSN_WIZBACK: return page.back();
    case PSN_WIZFINISH: return page.finish();
    case PSN_QUERYCANCEL: return page.queryCancel();
    case PSN_APPLY: return page.apply();
    case PSN_HELP: page.help(); return 0;
    case PSN_KILLACTIVE:
    case PSN_RESET:
    case PSN_GETOBJECT:
    case PSN_TRANSLATEACCELERATOR:
    case PSN_QUERYINITIALFOCUS: return 0;
    default: return std::nullopt;
  }
}

INT_PTR PageSite::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      dialog.emplace(window);
      attachTooltips(window, *this);
      page->initDialog(*dialog);
      return TRUE;
    case WM_COMMAND:
      page->command(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == GetParent(window)) {
        const std::optional<LRESULT> result = sheetNotification(*page, header->code);
        return result ? ostrel::win::notificationResult(window, *result) : FALSE;
      }
      if (GetParent(header->hwndFrom) == window)
        page->notify(static_cast<ControlId>(header->idFrom), static_cast<int>(header->code));
      return FALSE;
    }
    case WM_DESTROY:
      page->dialogDestroyed();
      tooltips.reset();
      dialog.reset();
      return FALSE;
    default:
      return FALSE;
  }
}

// A page that failed (out of memory) keeps the sheet where it is: Next, Back, Finish and
// Apply stay on the page, so nothing half copied is stored; Cancel still closes the sheet.
INT_PTR PageSite::failed(HWND window, UINT message, WPARAM, LPARAM lParam) noexcept {
  if (message != WM_NOTIFY) return ostrel::win::unhandledAnswer(message);
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->hwndFrom != GetParent(window)) return FALSE;
  switch (header->code) {
    case PSN_WIZNEXT:
    case PSN_WIZBACK: return ostrel::win::notificationResult(window, -1);
    case PSN_WIZFINISH: return ostrel::win::notificationResult(window, TRUE);
    case PSN_APPLY: return ostrel::win::notificationResult(window, PSNRET_INVALID_NOCHANGEPAGE);
    default: return FALSE;
  }
}

UINT CALLBACK pageCallback(HWND, UINT message, LPPROPSHEETPAGEW page) noexcept {
  if (message == PSPCB_RELEASE && page != nullptr) {
    std::unique_ptr<PageSite> site(reinterpret_cast<PageSite*>(page->lParam));
    page->lParam = 0;
  }
  return 1;
}

}  // namespace

HPROPSHEETPAGE createPropertyPage(std::unique_ptr<Page> page, HINSTANCE module) {
  auto site = std::make_unique<PageSite>();
  const PageInfo& info = page->info();
  const bool wizard = page->mode() == Mode::wizard;
  site->page = std::move(page);

  PROPSHEETPAGEW sheetPage{};
  sheetPage.dwSize = sizeof sheetPage;
  sheetPage.dwFlags = PSP_USECALLBACK | PSP_USETITLE | PSP_HASHELP;
  if (wizard) sheetPage.dwFlags |= PSP_USEHEADERTITLE | PSP_USEHEADERSUBTITLE;
  sheetPage.hInstance = module;
  sheetPage.pszTemplate = MAKEINTRESOURCEW(info.dialogId);
  sheetPage.pfnDlgProc = ostrel::win::dialogProcedure<PageSite>;
  sheetPage.pszTitle = res::string(info.title).data();
  // The header title is the product caption; the table's texts are static.
  static const std::wstring headerTitle(res::string(IDS_PRODUCT_CAPTION));
  sheetPage.pszHeaderTitle = headerTitle.c_str();
  sheetPage.pszHeaderSubTitle = res::string(info.subtitle).data();
  sheetPage.pfnCallback = pageCallback;
  sheetPage.lParam = reinterpret_cast<LPARAM>(site.get());
  HPROPSHEETPAGE handle = CreatePropertySheetPageW(&sheetPage);
  // From here the sheet's release callback owns the site.
  if (handle != nullptr) (void)site.release();
  return handle;
}

}  // namespace ostrel::wizard::win

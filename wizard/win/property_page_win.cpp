#include "wizard/win/property_page_win.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "platform/win/handles.h"
#include "resources/strings.h"
#include "wizard/win/dialog_win.h"

namespace ostrel::wizard::win {
namespace {

// What lives with one page from creation to release: the page and, while its dialog
// exists, the adapter and tooltip window of that dialog.
struct PageSite {
  std::unique_ptr<Page> page;
  std::optional<Win32Dialog> dialog;
  ostrel::win::Window tooltips;
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

INT_PTR CALLBACK pageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* site = reinterpret_cast<PageSite*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(site));
    site->dialog.emplace(window);
    attachTooltips(window, *site);
    site->page->initDialog(*site->dialog);
    return TRUE;
  }
  auto* site = reinterpret_cast<PageSite*>(GetWindowLongPtrW(window, DWLP_USER));
  if (site == nullptr) return FALSE;
  try {
    switch (message) {
      case WM_COMMAND:
        site->page->command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
      case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == GetParent(window)) {
          const std::optional<LRESULT> result = sheetNotification(*site->page, header->code);
          if (!result) return FALSE;
          SetWindowLongPtrW(window, DWLP_MSGRESULT, *result);
          return TRUE;
        }
        if (GetParent(header->hwndFrom) == window)
          site->page->notify(static_cast<ControlId>(header->idFrom), static_cast<int>(header->code));
        return FALSE;
      }
      case WM_DESTROY:
        site->page->dialogDestroyed();
        site->tooltips.reset();
        site->dialog.reset();
        return FALSE;
      default:
        return FALSE;
    }
  } catch (...) {
    // Nothing may unwind into the dialog manager; a page that ran out of memory does nothing.
    return FALSE;
  }
}

UINT CALLBACK pageCallback(HWND, UINT message, LPPROPSHEETPAGEW page) {
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
  sheetPage.pfnDlgProc = pageProcedure;
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

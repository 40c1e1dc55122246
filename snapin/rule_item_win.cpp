#include "snapin/rule_item_win.h"

#include <string>

#include "resources/strings.h"
#include "rules/rule_columns.h"
#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/module_win.h"
#include "snapin/policies_node_win.h"
#include "wizard/rule_sheet.h"

namespace ostrel::snapin {
namespace {

constexpr std::size_t messageChars = 511;  // the question is read into 512-character buffers

std::wstring resourceText(unsigned id) {
  std::wstring text(res::string(id));
  if (text.size() > messageChars) text.resize(messageChars);
  return text;
}

}  // namespace

RuleItem::RuleItem(PoliciesNode& owner, std::unique_ptr<Rule> rule) noexcept
    : owner_(owner), rule_(std::move(rule)) {}
RuleItem::~RuleItem() = default;

const wchar_t* RuleItem::displayText(int column) { return sharedCellText(ruleColumnText(*rule_, column)); }
const GUID& RuleItem::nodeType() { return ruleItemNodeType(); }
int RuleItem::imageIndex() { return itemImageIndex; }

// A row has no show of its own, adds no menu items and ignores double clicks.
HRESULT RuleItem::show(IConsole*, bool, HSCOPEITEM) { return S_OK; }
HRESULT RuleItem::addMenuItems(IContextMenuCallback*, long*) { return S_OK; }
HRESULT RuleItem::doubleClick(IConsole*, IDataObject*) { return S_OK; }

HRESULT RuleItem::deleteFirstStep(IConsole* viewConsole) {
  HWND owner = nullptr;
  if (viewConsole != nullptr && FAILED(viewConsole->GetMainWindow(&owner))) owner = nullptr;
  const int answer = module::prompter().messageBox(reinterpret_cast<WindowHandle>(owner),
                                                   resourceText(IDS_DELETE_QUESTION),
                                                   resourceText(IDS_PRODUCT_CAPTION), deleteQuestionStyle);
  if (answer != IDYES) return S_OK;

  HRESULT hr = S_FALSE;
  ComPtr<IResultData> resultData;
  if (viewConsole != nullptr &&
      SUCCEEDED(viewConsole->QueryInterface(IID_IResultData, reinterpret_cast<void**>(resultData.GetAddressOf())))) {
    HRESULTITEM row = 0;
    if (SUCCEEDED(resultData->FindItemByLParam(reinterpret_cast<LPARAM>(static_cast<SnapinItem*>(this)), &row)))
      hr = resultData->DeleteItem(row, 0);
  }
  // A row that cannot be found is still dropped from the list and the store.
  deleted_ = true;
  return hr;
}

HRESULT RuleItem::deleteSecondStep(IConsole* dataConsole) {
  // Every view shows the node again, which drops the marked item from the Rule list.
  if (dataConsole == nullptr) return E_FAIL;
  return dataConsole->UpdateAllViews(nullptr, static_cast<LPARAM>(owner_.scopeItem()), viewChangeHint);
}

HRESULT RuleItem::select(SnapinView*, IConsole* console, bool, bool) {
  if (console == nullptr) return E_FAIL;
  ComPtr<IConsoleVerb> verbs;
  HRESULT hr = console->QueryConsoleVerb(&verbs);
  if (FAILED(hr) || !verbs) return FAILED(hr) ? hr : E_FAIL;
  verbs->SetVerbState(MMC_VERB_DELETE, ENABLED, TRUE);
  verbs->SetVerbState(MMC_VERB_PROPERTIES, ENABLED, TRUE);
  return S_OK;
}

HRESULT RuleItem::createPropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle, IDataObject*) {
  if (callback == nullptr) return E_FAIL;
  std::vector<std::unique_ptr<wizard::Page>> pages =
      wizard::makeRulePages(*rule_, wizard::Mode::properties, this, notifyHandle, module::pageServices(),
                            module::accountPicker());
  pages.front()->sheet().ownerHold = owner_.sheetHold();
  return addPages(*callback, pages);
}

HRESULT RuleItem::queryPagesFor(IDataObject*) { return S_OK; }
HRESULT RuleItem::getWatermarks(HBITMAP*, HBITMAP*, HPALETTE*, BOOL*) { return S_OK; }

void RuleItem::save() { owner_.rewriteStore(); }

void RuleItem::receiveNotice(wizard::PageNotice& notice) {
  switch (decideSheetNotice(notice.code)) {
    case SheetNoticeAction::save:
      save();
      break;
    case SheetNoticeAction::clear:
      notice.code = 0;
      break;
    case SheetNoticeAction::none:
      break;
  }
}

bool RuleItem::consoleReleased() const { return owner_.consoleReleased(); }

}  // namespace ostrel::snapin

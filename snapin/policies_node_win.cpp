#include "snapin/policies_node_win.h"

#include <commctrl.h>

#include <optional>

#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "rules/policy_store.h"
#include "rules/rule_columns.h"
#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/data_object_win.h"
#include "snapin/gpe_host_win.h"
#include "snapin/module_win.h"
#include "snapin/snapin_data_win.h"
#include "snapin/snapin_view_win.h"
#include "wizard/rule_sheet.h"
#include "wizard/win/property_page_win.h"

namespace ostrel::snapin {

PoliciesNode::PoliciesNode(SnapinData& data) noexcept : data_(data) {}
PoliciesNode::~PoliciesNode() = default;

const wchar_t* PoliciesNode::displayText(int) { return res::string(IDS_NODE_NAME).data(); }
const GUID& PoliciesNode::nodeType() { return policiesNodeType(); }
int PoliciesNode::imageIndex() { return itemImageIndex; }

HRESULT PoliciesNode::initialise(IConsoleNameSpace*, IConsole*, IDataObject* dataObject) {
  // Outside the Group Policy editor the data object offers no IGPEInformation: the node
  // then lists nothing and stores nothing.
  gpe_.Reset();
  if (!isSpecialDataObject(reinterpret_cast<std::intptr_t>(dataObject)))
    dataObject->QueryInterface(IID_IGPEInformation, reinterpret_cast<void**>(gpe_.GetAddressOf()));
  loadRules();
  return S_OK;
}

void PoliciesNode::loadRules() {
  std::optional<GpeHost> host;
  if (gpe_) host.emplace(*gpe_.Get());
  store::loadRules(host ? &*host : nullptr, module::prompter(), [this](std::unique_ptr<Rule> rule) {
    rules_.append(std::make_unique<RuleItem>(*this, std::move(rule)));
  });
}

void PoliciesNode::updateStore(bool write) {
  std::optional<GpeHost> host;
  if (gpe_) host.emplace(*gpe_.Get());
  const std::vector<Rule*> live = rules_.liveRules();
  store::updateStore(host ? &*host : nullptr, module::prompter(), write, live);
}

void PoliciesNode::rewriteStore() {
  std::optional<GpeHost> host;
  if (gpe_) host.emplace(*gpe_.Get());
  const std::vector<Rule*> live = rules_.liveRules();
  store::rewriteStore(host ? &*host : nullptr, module::prompter(), live);
}

HRESULT insertRuleRow(IResultData* resultData, RuleItem& item) noexcept {
  RESULTDATAITEM row{};
  row.mask = RDI_STR | RDI_IMAGE | RDI_PARAM;
  row.str = reinterpret_cast<LPOLESTR>(MMC_CALLBACK);
  row.nImage = itemImageIndex;
  row.nCol = 0;
  row.lParam = reinterpret_cast<LPARAM>(static_cast<SnapinItem*>(&item));
  return resultData->InsertItem(&row);
}

HRESULT PoliciesNode::show(IConsole* console, bool selecting, HSCOPEITEM) {
  if (!selecting) return S_OK;
  if (console == nullptr) return E_FAIL;
  ComPtr<IHeaderCtrl> header;
  ComPtr<IResultData> resultData;
  HRESULT hr = console->QueryInterface(IID_IHeaderCtrl, reinterpret_cast<void**>(header.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = console->QueryInterface(IID_IResultData, reinterpret_cast<void**>(resultData.GetAddressOf()));
  if (FAILED(hr)) return hr;
  for (int i = 0; i < ruleColumnCount; ++i)
    hr = header->InsertColumn(i, res::string(ruleColumns[i].title).data(), LVCFMT_LEFT, ruleColumns[i].width);
  hr = resultData->DeleteAllRsltItems();
  (void)rules_.dropFirstMarked();
  rules_.forEach([&](RuleItem& item) { hr = insertRuleRow(resultData.Get(), item); });
  return hr;
}

HRESULT PoliciesNode::addMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
  if (callback == nullptr || insertionAllowed == nullptr || !(*insertionAllowed & CCM_INSERTIONALLOWED_NEW))
    return S_OK;
  // The New group: ended by an item without a name.
  CONTEXTMENUITEM items[] = {
      {const_cast<LPWSTR>(res::string(IDS_WIZARD_MENU_NAME).data()),
       const_cast<LPWSTR>(res::string(IDS_WIZARD_MENU_STATUS).data()), wizardCommandId,
       static_cast<long>(CCM_INSERTIONPOINTID_PRIMARY_NEW), 0, CCM_SPECIAL_DEFAULT_ITEM},
      {nullptr, nullptr, 0, 0, 0, 0},
  };
  HRESULT hr = S_OK;
  for (CONTEXTMENUITEM* item = items; item->strName != nullptr; ++item) {
    hr = callback->AddItem(item);
    if (FAILED(hr)) break;
  }
  return hr;
}

HRESULT PoliciesNode::select(SnapinView*, IConsole*, bool, bool) { return S_OK; }

HRESULT PoliciesNode::createPropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle,
                                          IDataObject* dataObject) {
  SnapinDataObject* object = snapinDataObjectOf(dataObject);
  if (object == nullptr || object->type() != wizardDataObjectType) return S_FALSE;
  if (callback == nullptr) return E_FAIL;
  auto item = std::make_unique<RuleItem>(*this, std::make_unique<Rule>());
  item->rule().newId();
  std::vector<std::unique_ptr<wizard::Page>> pages = wizard::makeRulePages(
      item->rule(), wizard::Mode::wizard, this, notifyHandle, module::pageServices(), module::accountPicker());
  const std::shared_ptr<SheetHold> hold = sheetHold();
  pages.front()->sheet().ownerHold = hold;
  dropPending();
  pending_ = std::move(item);
  wizardSheet_ = pages.front()->sharedSheet();
  wizardHold_ = hold;
  return addPages(*callback, pages, pageHandles_);
}

std::shared_ptr<SheetHold> PoliciesNode::sheetHold() {
  auto hold = std::make_shared<SheetHold>();
  hold->data = static_cast<IComponentData*>(&data_);
  return hold;
}

void PoliciesNode::dropPending() {
  if (const std::shared_ptr<SheetHold> hold = wizardHold_.lock()) hold->cancelled = std::move(pending_);
  pending_.reset();
}

HRESULT PoliciesNode::queryPagesFor(IDataObject*) { return S_OK; }

HRESULT PoliciesNode::getWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE*, BOOL* stretch) {
  if (watermark == nullptr || header == nullptr || stretch == nullptr) return E_FAIL;
  *watermark = nullptr;
  if (!headerBitmap_) headerBitmap_.reset(LoadBitmapW(module::instance(), MAKEINTRESOURCEW(IDB_WIZARD_HEADER)));
  *header = headerBitmap_.get();
  *stretch = FALSE;
  return S_OK;
}

void PoliciesNode::setScopeItem(HSCOPEITEM item) { scopeItem_ = item; }
HSCOPEITEM PoliciesNode::scopeItem() { return scopeItem_; }
void PoliciesNode::save() { rewriteStore(); }

HRESULT PoliciesNode::command(long commandId, IDataObject* dataObject) {
  if (commandId != wizardCommandId) return S_FALSE;
  // One Rule wizard at a time: a second one would replace the first one's pending Rule, so
  // the command shows the open one instead.
  if (pending_ && bringWizardForward()) return S_OK;
  return openWizard(dataObject);
}

HRESULT PoliciesNode::openWizard(IDataObject* dataObject) {
  HRESULT hr = CoCreateInstance(CLSID_NodeManager, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySheetProvider,
                                reinterpret_cast<void**>(sheetProvider_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  // Only the pages of this opening are destroyed if it fails.
  pageHandles_.fill(nullptr);
  if (SnapinDataObject* object = snapinDataObjectOf(dataObject)) object->setType(wizardDataObjectType);

  // Every page brings its own title: "Bogus" is never seen.
  HRESULT created = sheetProvider_->CreatePropertySheet(L"Bogus", FALSE, reinterpret_cast<MMC_COOKIE>(this),
                                                        dataObject, MMC_PSO_NEWWIZARDTYPE);
  HRESULT added = E_UNEXPECTED;
  if (created == S_OK) {
    ComPtr<IComponentData> componentData;
    if (SUCCEEDED(data_.QueryInterface(IID_IComponentData, reinterpret_cast<void**>(componentData.GetAddressOf()))))
      added = sheetProvider_->AddPrimaryPages(componentData.Get(), TRUE, nullptr, TRUE);
  }

  if (created == S_OK && added == S_OK) {
    HWND owner = nullptr;
    if (data_.console() == nullptr || FAILED(data_.console()->GetMainWindow(&owner)))
      owner = GetDesktopWindow();
    // The wizard runs modelessly; its outcome arrives later as page notices.
    (void)sheetProvider_->Show(reinterpret_cast<LONG_PTR>(owner), 0);
    hr = S_OK;
  } else {
    hr = sheetProvider_->Show(-1, 0);  // discards the sheet begun above
    for (HPROPSHEETPAGE& page : pageHandles_) {
      if (page != nullptr) DestroyPropertySheetPage(page);
      page = nullptr;
    }
    // No wizard is open: the next command may try again.
    dropPending();
  }
  sheetProvider_.Reset();
  return hr;
}

bool PoliciesNode::bringWizardForward() {
  const std::shared_ptr<wizard::Sheet> open = wizardSheet_.lock();
  HWND sheet = open ? GetParent(reinterpret_cast<HWND>(open->firstPageWindow)) : nullptr;
  if (sheet == nullptr || !IsWindow(sheet)) return false;
  if (IsIconic(sheet)) ShowWindow(sheet, SW_RESTORE);
  SetForegroundWindow(sheet);
  return true;
}

HRESULT addPages(IPropertySheetCallback& callback, std::vector<std::unique_ptr<wizard::Page>>& pages,
                 std::span<HPROPSHEETPAGE> handles) noexcept {
  return guarded([&]() -> HRESULT {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      HPROPSHEETPAGE handle = wizard::win::createPropertyPage(std::move(pages[i]), module::instance());
      if (handle == nullptr) return E_OUTOFMEMORY;
      const HRESULT hr = callback.AddPage(handle);
      if (FAILED(hr)) {
        DestroyPropertySheetPage(handle);
        return hr;
      }
      if (i < handles.size()) handles[i] = handle;
    }
    return S_OK;
  });
}

void PoliciesNode::receiveNotice(wizard::PageNotice& notice) {
  const WizardNoticeDecision decision = decideWizardNotice(notice.pageId, notice.code);
  switch (decision.action) {
    case WizardNoticeAction::finish:
      finishWizard();
      break;
    case WizardNoticeAction::cancel:
      cancelWizard();
      break;
    case WizardNoticeAction::none:
      break;
  }
  if (decision.clearCode) notice.code = 0;
}

void PoliciesNode::finishWizard() {
  if (!pending_) return;
  RuleItem& item = *pending_;
  rules_.append(std::move(pending_));
  // Only the current view gets the row now; other views list it at their next show.
  if (SnapinView* view = views_.empty() ? nullptr : views_.back(); view != nullptr && view->console() != nullptr) {
    ComPtr<IResultData> resultData;
    if (SUCCEEDED(view->console()->QueryInterface(IID_IResultData,
                                                 reinterpret_cast<void**>(resultData.GetAddressOf()))))
      (void)insertRuleRow(resultData.Get(), item);
  }
  updateStore(true);
}

void PoliciesNode::cancelWizard() {
  dropPending();
  pageHandles_.fill(nullptr);
}

}  // namespace ostrel::snapin

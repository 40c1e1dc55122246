#include "tests/console/console_double.h"

#include <algorithm>

#include "platform/win/handles.h"
#include "tests/console/console_guids.h"

namespace ostrel::console {

namespace {

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

SIZE bitmapSize(LONG_PTR handle) {
  BITMAP bm{};
  if (handle == 0 || GetObjectW(reinterpret_cast<HBITMAP>(handle), sizeof bm, &bm) != sizeof bm) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

// Whether the task allocator made this block (CoTaskMemAlloc).
bool fromTaskAllocator(void* p) {
  ComPtr<IMalloc> malloc;
  if (FAILED(CoGetMalloc(1, malloc.GetAddressOf()))) return false;
  return malloc->DidAlloc(p) == 1;
}

}  // namespace

// --- ImageListObject ---------------------------------------------------------------------

ImageListObject::ImageListObject(Console& console, std::string name)
    : console_(console), facet_(*this, std::move(name)) {
  expose(ids::imageList, facet_);
}

HRESULT STDMETHODCALLTYPE ImageListObject::Facet::ImageListSetIcon(LONG_PTR*, LONG) {
  object_.console_.notImplemented("IImageList::ImageListSetIcon");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ImageListObject::Facet::ImageListSetStrip(LONG_PTR* smallStrip, LONG_PTR* largeStrip,
                                                                    LONG start, COLORREF mask) {
  const auto sm = reinterpret_cast<LONG_PTR>(smallStrip);
  const auto lg = reinterpret_cast<LONG_PTR>(largeStrip);
  object_.strips.push_back({sm, lg, start, mask, bitmapSize(sm), bitmapSize(lg)});
  return sm != 0 && lg != 0 ? S_OK : E_INVALIDARG;
}

// --- VerbObject --------------------------------------------------------------------------

VerbObject::VerbObject(Console&, std::string name) : facet_(*this, std::move(name)) {
  expose(ids::consoleVerb, facet_);
}

bool VerbObject::isSet(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state) const {
  auto it = states.find({verb, state});
  return it != states.end() && it->second;
}

HRESULT STDMETHODCALLTYPE VerbObject::Facet::GetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state,
                                                          BOOL* value) {
  if (value == nullptr) return E_POINTER;
  *value = object_.isSet(verb, state);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VerbObject::Facet::SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state,
                                                          BOOL value) {
  object_.states[{verb, state}] = value;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VerbObject::Facet::SetDefaultVerb(MMC_CONSOLE_VERB verb) {
  object_.defaultVerb = verb;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE VerbObject::Facet::GetDefaultVerb(MMC_CONSOLE_VERB* verb) {
  if (verb == nullptr) return E_POINTER;
  *verb = object_.defaultVerb;
  return S_OK;
}

// --- MenuCallbackObject, SheetCallbackObject ---------------------------------------------

MenuCallbackObject::MenuCallbackObject(std::string name) : facet_(*this, std::move(name)) {
  expose(ids::contextMenuCallback, facet_);
}

HRESULT STDMETHODCALLTYPE MenuCallbackObject::Facet::AddItem(CONTEXTMENUITEM* item) {
  if (item == nullptr) return E_INVALIDARG;
  object_.items.push_back({item->strName ? item->strName : L"", item->strStatusBarText ? item->strStatusBarText : L"",
                           item->lCommandID, item->lInsertionPointID, item->fFlags, item->fSpecialFlags});
  return object_.answer;
}

SheetCallbackObject::SheetCallbackObject(std::string name) : facet_(*this, std::move(name)) {
  expose(ids::propertySheetCallback, facet_);
}

SheetCallbackObject::~SheetCallbackObject() {
  for (HPROPSHEETPAGE page : pages) DestroyPropertySheetPage(page);
}

HRESULT STDMETHODCALLTYPE SheetCallbackObject::Facet::AddPage(HPROPSHEETPAGE page) {
  if (page == nullptr) return E_INVALIDARG;
  object_.pages.push_back(page);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SheetCallbackObject::Facet::RemovePage(HPROPSHEETPAGE page) {
  auto it = std::find(object_.pages.begin(), object_.pages.end(), page);
  if (it == object_.pages.end()) return E_INVALIDARG;
  object_.pages.erase(it);
  return S_OK;
}

// --- SheetProviderObject, NodeManagerFactory ---------------------------------------------

SheetProviderObject::SheetProviderObject(Console& console, int number)
    : console_(console),
      facet_(*this, "sheet provider " + std::to_string(number) + " IPropertySheetProvider"),
      pages_("sheet provider " + std::to_string(number) + " IPropertySheetCallback") {
  expose(ids::propertySheetProvider, facet_);
}

HRESULT STDMETHODCALLTYPE SheetProviderObject::Facet::CreatePropertySheet(LPCWSTR title, boolean type,
                                                                          MMC_COOKIE cookie, IDataObject* dataObject,
                                                                          DWORD options) {
  SheetRequest& r = object_.request;
  r.title = title != nullptr ? title : L"";
  r.propertySheet = type != 0;
  r.cookie = cookie;
  r.dataObjectGiven = dataObject != nullptr;
  r.options = options;
  object_.dataObject_ = dataObject;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SheetProviderObject::Facet::FindPropertySheet(MMC_COOKIE, IComponent*, IDataObject*) {
  object_.console_.notImplemented("IPropertySheetProvider::FindPropertySheet");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SheetProviderObject::Facet::AddPrimaryPages(IUnknown* unknown, BOOL createHandle,
                                                                      HWND notifyWindow, BOOL scopePane) {
  SheetRequest& r = object_.request;
  r.primaryPagesAsked = true;
  r.createHandle = createHandle;
  r.notifyWindow = notifyWindow;
  r.scopePane = scopePane;
  if (unknown == nullptr) return E_INVALIDARG;
  ComPtr<IUnknown> given, data;
  (void)unknown->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(given.GetAddressOf()));
  if (IComponentData* cd = object_.console_.componentData())
    (void)cd->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(data.GetAddressOf()));
  r.fromComponentData = given != nullptr && given == data;

  ComPtr<IExtendPropertySheet2> extend;
  HRESULT hr = unknown->QueryInterface(ids::extendPropertySheet2, reinterpret_cast<void**>(extend.GetAddressOf()));
  if (FAILED(hr)) return hr;
  // A new-style wizard shows the snap-in's header bitmap.
  if (!r.propertySheet && (r.options & MMC_PSO_NEWWIZARDTYPE)) {
    HPALETTE palette = nullptr;
    r.watermarks = extend->GetWatermarks(object_.dataObject_.Get(), &r.watermark, &r.header, &palette, &r.stretch);
  }
  // The handle MMCPropertyChangeNotify takes leads to the console's window; a sheet of the
  // result pane reports to the view that opened it.
  object_.route_.window = object_.console_.mainWindow();
  if (!scopePane) (void)unknown->QueryInterface(ids::component, reinterpret_cast<void**>(object_.component_.GetAddressOf()));
  r.notifyHandle = createHandle ? reinterpret_cast<LONG_PTR>(&object_.route_) : 0;
  r.createPages = extend->CreatePropertyPages(object_.pages_.get(), r.notifyHandle, object_.dataObject_.Get());
  r.pages = object_.pages_.pages.size();
  return r.createPages;
}

HRESULT STDMETHODCALLTYPE SheetProviderObject::Facet::AddExtensionPages() {
  object_.console_.notImplemented("IPropertySheetProvider::AddExtensionPages");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SheetProviderObject::Facet::Show(LONG_PTR window, int page) {
  SheetRequest& r = object_.request;
  ++r.showCalls;
  r.showWindow = window;
  r.showPage = page;
  if (window == -1) {
    r.discarded = true;
    for (HPROPSHEETPAGE p : object_.pages_.pages) DestroyPropertySheetPage(p);
    object_.pages_.pages.clear();
  }
  object_.dataObject_.Reset();
  return S_OK;
}

NodeManagerFactory::NodeManagerFactory(Console& console) : console_(console), facet_(*this) {
  expose(IID_IClassFactory, facet_);
}

HRESULT STDMETHODCALLTYPE NodeManagerFactory::Facet::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto& providers = object_.console_.providers_;
  providers.push_back(std::make_unique<SheetProviderObject>(object_.console_, static_cast<int>(providers.size()) + 1));
  return providers.back()->query(riid, ppv);
}

// --- ConsoleFacet, DisplayHelpFacet ------------------------------------------------------

ConsoleFacet::ConsoleFacet(ComIdentity& owner, std::string name, Console& console, View* view)
    : CountedInterface(owner, std::move(name)), console_(console), view_(view) {}

// The scope pane's console acts on the view that has the focus: the most recent open one.
View* ConsoleFacet::targetView() { return view_ != nullptr ? view_ : console_.activeView(); }

HRESULT STDMETHODCALLTYPE ConsoleFacet::SetHeader(IHeaderCtrl*) {
  console_.notImplemented("IConsole::SetHeader");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ConsoleFacet::SetToolbar(IToolbar*) {
  console_.notImplemented("IConsole::SetToolbar");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ConsoleFacet::QueryResultView(IUnknown**) {
  console_.notImplemented("IConsole::QueryResultView");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::QueryScopeImageList(IImageList** list) {
  if (list == nullptr) return E_POINTER;
  *list = console_.scopeImages_.get();
  (*list)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::QueryResultImageList(IImageList** list) {
  if (list == nullptr) return E_POINTER;
  *list = nullptr;
  View* view = targetView();
  if (view == nullptr) return E_FAIL;
  *list = view->images_.get();
  (*list)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::UpdateAllViews(IDataObject* dataObject, LPARAM data, LONG_PTR hint) {
  return console_.updateAllViews(dataObject, data, hint);
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::MessageBox(LPCWSTR, LPCWSTR, UINT, int*) {
  console_.notImplemented("IConsole::MessageBox");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::QueryConsoleVerb(IConsoleVerb** verb) {
  if (verb == nullptr) return E_POINTER;
  *verb = nullptr;
  View* view = targetView();
  if (view == nullptr) return E_FAIL;
  *verb = view->verbs_.get();
  (*verb)->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::SelectScopeItem(HSCOPEITEM item) {
  View* view = targetView();
  if (view == nullptr) return E_FAIL;
  if (console_.scopeItem(item) == nullptr) {
    console_.problems.push_back("SelectScopeItem with an unknown scope item");
    return E_INVALIDARG;
  }
  // The console answers with its own notifications; what the snap-in does with them is its
  // business, SelectScopeItem itself succeeds.
  (void)view->select(item);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::GetMainWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  if (console_.failGetMainWindow) {
    *window = nullptr;
    return E_FAIL;
  }
  *window = console_.mainWindow_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ConsoleFacet::NewWindow(HSCOPEITEM, ULONG) {
  console_.notImplemented("IConsole::NewWindow");
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DisplayHelpFacet::ShowTopic(LPOLESTR topic) {
  console_.helpTopics.push_back(console_.takeText(topic, "IDisplayHelp::ShowTopic topic"));
  return S_OK;
}

// --- ScopeConsoleObject ------------------------------------------------------------------

ScopeConsoleObject::ScopeConsoleObject(Console& console)
    : console_(*this, "scope IConsole", console, nullptr),
      nameSpace_(*this, console),
      help_(*this, "scope IDisplayHelp", console) {
  expose(ids::console, console_);
  expose(ids::consoleNameSpace, nameSpace_);
  expose(ids::displayHelp, help_);
}

HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::InsertItem(SCOPEDATAITEM* item) {
  return console_.insertScopeItem(item);
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::DeleteItem(HSCOPEITEM, LONG) {
  console_.notImplemented("IConsoleNameSpace::DeleteItem");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::SetItem(SCOPEDATAITEM*) {
  console_.notImplemented("IConsoleNameSpace::SetItem");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::GetItem(SCOPEDATAITEM*) {
  console_.notImplemented("IConsoleNameSpace::GetItem");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::GetChildItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) {
  console_.notImplemented("IConsoleNameSpace::GetChildItem");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::GetNextItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) {
  console_.notImplemented("IConsoleNameSpace::GetNextItem");
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ScopeConsoleObject::NameSpace::GetParentItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) {
  console_.notImplemented("IConsoleNameSpace::GetParentItem");
  return E_NOTIMPL;
}

// --- ViewConsoleObject -------------------------------------------------------------------

ViewConsoleObject::ViewConsoleObject(Console& console, View& view, const std::string& name)
    : console_(*this, name + " IConsole", console, &view),
      result_(*this, name, view),
      header_(*this, name, view),
      help_(*this, name + " IDisplayHelp", console) {
  expose(ids::console, console_);
  expose(ids::resultData, result_);
  expose(ids::headerCtrl, header_);
  expose(ids::displayHelp, help_);
}

ViewConsoleObject::ResultData::ResultData(ViewConsoleObject& o, const std::string& name, View& view)
    : CountedInterface(o, name + " IResultData"), view_(view) {}

HRESULT STDMETHODCALLTYPE ViewConsoleObject::ResultData::InsertItem(RESULTDATAITEM* item) {
  if (item == nullptr) return E_INVALIDARG;
  Row row;
  row.id = view_.nextRowId_++;
  row.mask = item->mask;
  row.scopeItem = item->bScopeItem;
  row.column = item->nCol;
  row.image = item->nImage;
  row.lParam = item->lParam;
  if (item->mask & RDI_STR) {
    row.textCallback = item->str == callbackText;
    if (!row.textCallback && item->str != nullptr) row.text = item->str;
  }
  item->itemID = row.id;
  view_.rows_.push_back(row);
  view_.log.push_back(L"InsertItem");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ViewConsoleObject::ResultData::DeleteItem(HRESULTITEM item, int column) {
  auto& rows = view_.rows_;
  auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.id == item; });
  view_.log.push_back(L"DeleteItem " + std::to_wstring(column));
  if (it == rows.end()) return E_INVALIDARG;
  rows.erase(it);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ViewConsoleObject::ResultData::FindItemByLParam(LPARAM lParam, HRESULTITEM* item) {
  if (item == nullptr) return E_POINTER;
  view_.log.push_back(L"FindItemByLParam");
  for (const Row& r : view_.rows_) {
    if (r.lParam == lParam) {
      *item = r.id;
      return S_OK;
    }
  }
  *item = 0;
  return E_FAIL;
}

HRESULT STDMETHODCALLTYPE ViewConsoleObject::ResultData::DeleteAllRsltItems() {
  view_.rows_.clear();
  view_.log.push_back(L"DeleteAllRsltItems");
  return S_OK;
}

#define OSTREL_NOT_IMPLEMENTED(cls, method, signature)          \
  HRESULT STDMETHODCALLTYPE cls::method signature {              \
    view_.console_.notImplemented(#cls "::" #method);            \
    return E_NOTIMPL;                                            \
  }
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, SetItem, (RESULTDATAITEM*))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, GetItem, (RESULTDATAITEM*))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, GetNextItem, (RESULTDATAITEM*))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, ModifyItemState, (int, HRESULTITEM, UINT, UINT))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, ModifyViewStyle, (MMC_RESULT_VIEW_STYLE, MMC_RESULT_VIEW_STYLE))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, SetViewMode, (LONG))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, GetViewMode, (LONG*))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, UpdateItem, (HRESULTITEM))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, Sort, (int, DWORD, LPARAM))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, SetDescBarText, (LPOLESTR))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::ResultData, SetItemCount, (int, DWORD))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::Header, DeleteColumn, (int))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::Header, SetColumnText, (int, LPCWSTR))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::Header, GetColumnText, (int, LPOLESTR*))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::Header, SetColumnWidth, (int, int))
OSTREL_NOT_IMPLEMENTED(ViewConsoleObject::Header, GetColumnWidth, (int, int*))
#undef OSTREL_NOT_IMPLEMENTED

ViewConsoleObject::Header::Header(ViewConsoleObject& o, const std::string& name, View& view)
    : CountedInterface(o, name + " IHeaderCtrl"), view_(view) {}

HRESULT STDMETHODCALLTYPE ViewConsoleObject::Header::InsertColumn(int column, LPCWSTR title, int format,
                                                                  int width) {
  if (title == nullptr || column < 0) return E_INVALIDARG;
  auto& columns = view_.columns_;
  // Like a list view: the new column goes before the one now at that position.
  const auto at = std::min(static_cast<std::size_t>(column), columns.size());
  columns.insert(columns.begin() + static_cast<std::ptrdiff_t>(at), Column{column, title, format, width});
  view_.log.push_back(L"InsertColumn " + std::to_wstring(column) + L" " + title);
  return S_OK;
}

// --- View --------------------------------------------------------------------------------

View::View(Console& console, int number)
    : console_(console),
      number_(number),
      object_(console, *this, "view " + std::to_string(number)),
      verbs_(console, "view " + std::to_string(number) + " IConsoleVerb"),
      images_(console, "view " + std::to_string(number) + " result IImageList") {}

HRESULT View::notifyScope(HSCOPEITEM item, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
  const ScopeItem* scope = console_.scopeItem(item);
  if (component_ == nullptr || scope == nullptr || !scope->snapinOwned) return E_UNEXPECTED;
  ComPtr<IDataObject> data;
  HRESULT hr = component_->QueryDataObject(scope->lParam, CCT_SCOPE, data.GetAddressOf());
  if (FAILED(hr)) return hr;
  return component_->Notify(data.Get(), event, arg, param);
}

HRESULT View::select(HSCOPEITEM item) {
  if (selected_ != 0 && selected_ != item) {
    log.push_back(L"MMCN_SHOW 0");
    (void)notifyScope(selected_, MMCN_SHOW, FALSE, selected_);
    rows_.clear();
  }
  selected_ = item;
  // Each show builds the header afresh; the verbs belong to the new selection.
  columns_.clear();
  verbs_.reset();
  (void)notifyScope(item, MMCN_ADD_IMAGES, reinterpret_cast<LPARAM>(images_.get()), item);
  log.push_back(L"MMCN_SHOW 1");
  HRESULT shown = notifyScope(item, MMCN_SHOW, TRUE, item);
  scopeSelectResult = notifyScope(item, MMCN_SELECT, MAKELONG(TRUE, TRUE), 0);
  return shown;
}

std::wstring View::cell(std::size_t row, int column, HRESULT* result, int* image) {
  if (row >= rows_.size() || component_ == nullptr) return L"<no row>";
  const Row& r = rows_[row];
  if (!r.textCallback) return r.text;
  RESULTDATAITEM item{};
  item.mask = RDI_STR | (image != nullptr ? RDI_IMAGE : 0);
  item.bScopeItem = r.scopeItem;
  item.itemID = r.id;
  item.nIndex = static_cast<int>(row);
  item.nCol = column;
  item.lParam = r.lParam;
  item.nImage = -1;
  HRESULT hr = component_->GetDisplayInfo(&item);
  if (result != nullptr) *result = hr;
  if (image != nullptr) *image = item.nImage;
  return console_.takeText(item.str, "IComponent::GetDisplayInfo text");
}

std::vector<std::vector<std::wstring>> View::cells() {
  std::vector<std::vector<std::wstring>> all;
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    std::vector<std::wstring> line;
    for (std::size_t c = 0; c < columns_.size(); ++c) line.push_back(cell(r, static_cast<int>(c)));
    all.push_back(std::move(line));
  }
  return all;
}

namespace {
// Records every facet of an object that still holds references at a point where its holder
// must have let go of it.
void expectReleased(const ComIdentity& object, const char* when, std::vector<std::string>& problems) {
  for (const auto& [iid, facet] : object.facets())
    if (facet->references() != 0)
      problems.push_back(facet->name() + " still referenced after " + when);
}
}  // namespace

HRESULT View::close() {
  if (!open_) return S_OK;
  open_ = false;
  HRESULT hr = component_->Destroy(0);
  expectReleased(object_, "IComponent::Destroy", console_.problems);
  component_.Reset();
  return hr;
}

HRESULT View::notifyRow(std::size_t row, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
  if (row >= rows_.size() || component_ == nullptr) return E_UNEXPECTED;
  ComPtr<IDataObject> data;
  // The console keeps the row's data object for the whole notification.
  HRESULT hr = component_->QueryDataObject(rows_[row].lParam, CCT_RESULT, data.GetAddressOf());
  if (FAILED(hr)) return hr;
  return component_->Notify(data.Get(), event, arg, param);
}

HRESULT View::selectRow(std::size_t row) {
  verbs_.reset();
  return notifyRow(row, MMCN_SELECT, MAKELONG(FALSE, TRUE), 0);
}

HRESULT View::deleteRow(std::size_t row) { return notifyRow(row, MMCN_DELETE, 0, 0); }

HRESULT View::resultViewType(MMC_COOKIE cookie, std::wstring* viewType, long* options) {
  if (component_ == nullptr) return E_UNEXPECTED;
  LPOLESTR text = nullptr;
  LONG opts = 0;
  HRESULT hr = component_->GetResultViewType(cookie, &text, &opts);
  std::wstring t = text != nullptr ? console_.takeText(text, "IComponent::GetResultViewType text") : L"";
  if (viewType != nullptr) *viewType = t;
  if (options != nullptr) *options = opts;
  return hr;
}

// --- Console -----------------------------------------------------------------------------

Console::Console(EditorNode& editor)
    : editor_(editor), scope_(*this), scopeImages_(*this, "scope IImageList") {
  // A hidden frame window stands for the console's main window: the owner of message boxes
  // and the target of posted page notices.
  static const ATOM windowClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OstrelConsoleDouble";
    return RegisterClassExW(&wc);
  }();
  mainWindow_ = CreateWindowExW(0, MAKEINTATOM(windowClass), L"Console Root", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(mainWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ScopeItem root;
  root.id = computerConfiguration_;
  root.snapinOwned = false;
  root.text = L"Computer Configuration";
  scopeItems_.push_back(root);
}

Console::~Console() {
  if (!closed_) (void)close();
  if (mainWindow_ != nullptr) {
    SetWindowLongPtrW(mainWindow_, GWLP_USERDATA, 0);
    DestroyWindow(mainWindow_);
  }
}

LRESULT CALLBACK Console::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == NotifyRoute::message) {
    if (auto* console = reinterpret_cast<Console*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
      console->deliverPropertyChange(static_cast<LONG_PTR>(wParam), lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Console::deliverPropertyChange(LONG_PTR handle, LPARAM param) {
  for (const auto& p : providers_) {
    if (reinterpret_cast<LONG_PTR>(&p->route_) != handle) continue;
    const bool scopePane = p->request.scopePane != FALSE;
    HRESULT hr = E_UNEXPECTED;
    if (scopePane && componentData_ != nullptr)
      hr = componentData_->Notify(nullptr, MMCN_PROPERTY_CHANGE, TRUE, param);
    else if (!scopePane && p->component_ != nullptr)
      hr = p->component_->Notify(nullptr, MMCN_PROPERTY_CHANGE, FALSE, param);
    propertyChanges.push_back({scopePane, param, hr});
    return;
  }
  problems.push_back("MMCPropertyChangeNotify with a handle the console never gave");
}

std::size_t Console::pumpMessages() {
  std::size_t n = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++n;
  }
  return n;
}

HRESULT Console::load(const CLSID& snapin) {
  HRESULT hr = CoCreateInstance(snapin, nullptr, CLSCTX_INPROC_SERVER, ids::componentData,
                                reinterpret_cast<void**>(componentData_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  return componentData_->Initialize(scope_.console());
}

HRESULT Console::loadNamespaceExtension(const GUID& nodeType) {
  wchar_t type[40] = {};
  StringFromGUID2(nodeType, type, 40);
  const std::wstring path = std::wstring(L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\") + type + L"\\Extensions\\NameSpace";
  win::Key owner;
  LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, owner.put());
  if (s != ERROR_SUCCESS) return HRESULT_FROM_WIN32(s);
  HKEY key = owner.get();
  namespaceExtensions.clear();
  for (DWORD i = 0;; ++i) {
    wchar_t name[256] = {};
    DWORD chars = 256;
    if (RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    CLSID clsid{};
    if (SUCCEEDED(CLSIDFromString(name, &clsid))) namespaceExtensions.push_back(clsid);
    else problems.push_back("namespace extension entry that is no CLSID: " + narrow(name));
  }
  owner.reset();
  if (namespaceExtensions.empty()) return REGDB_E_CLASSNOTREG;
  return load(namespaceExtensions.front());
}

HRESULT Console::expandComputerConfiguration() {
  if (componentData_ == nullptr) return E_UNEXPECTED;
  return componentData_->Notify(editor_.dataObject(), MMCN_EXPAND, TRUE, computerConfiguration_);
}

ComPtr<IDataObject> Console::scopeDataObject(HSCOPEITEM item) {
  ComPtr<IDataObject> data;
  const ScopeItem* scope = scopeItem(item);
  if (componentData_ == nullptr || scope == nullptr || !scope->snapinOwned) return data;
  if (FAILED(componentData_->QueryDataObject(scope->lParam, CCT_SCOPE, data.GetAddressOf()))) data.Reset();
  return data;
}

HRESULT Console::expand(HSCOPEITEM item) {
  ComPtr<IDataObject> data = scopeDataObject(item);
  if (data == nullptr) return E_UNEXPECTED;
  return componentData_->Notify(data.Get(), MMCN_EXPAND, TRUE, item);
}

HRESULT Console::insertScopeItem(SCOPEDATAITEM* item) {
  if (item == nullptr) return E_INVALIDARG;
  ScopeItem s;
  s.mask = item->mask;
  s.relativeId = item->relativeID;
  s.idOnInsert = item->ID;
  // Without SDI_PREVIOUS, SDI_NEXT or SDI_FIRST the relative item is the parent.
  s.parent = (item->mask & (SDI_PREVIOUS | SDI_NEXT | SDI_FIRST)) ? 0 : item->relativeID;
  if (scopeItem(s.parent) == nullptr) {
    problems.push_back("IConsoleNameSpace::InsertItem under an unknown parent");
    return E_INVALIDARG;
  }
  if (item->mask & SDI_STR) {
    s.textCallback = item->displayname == callbackText;
    if (!s.textCallback && item->displayname != nullptr) s.text = item->displayname;
  }
  s.image = item->nImage;
  s.openImage = item->nOpenImage;
  s.state = item->nState;
  s.children = item->cChildren;
  s.lParam = item->lParam;
  s.id = nextScopeId_++;
  item->ID = s.id;
  scopeItems_.push_back(s);
  return S_OK;
}

const ScopeItem* Console::scopeItem(HSCOPEITEM id) const {
  for (const auto& s : scopeItems_)
    if (s.id == id) return &s;
  return nullptr;
}

std::vector<const ScopeItem*> Console::childrenOf(HSCOPEITEM parent) const {
  std::vector<const ScopeItem*> out;
  for (const auto& s : scopeItems_)
    if (s.snapinOwned && s.parent == parent) out.push_back(&s);
  return out;
}

std::wstring Console::scopeText(HSCOPEITEM id, HRESULT* result, int* image) {
  const ScopeItem* s = scopeItem(id);
  if (s == nullptr || componentData_ == nullptr) return L"<no item>";
  if (!s->textCallback) return s->text;
  SCOPEDATAITEM item{};
  item.mask = SDI_STR | (image != nullptr ? SDI_IMAGE : 0);
  item.lParam = s->lParam;
  item.ID = s->id;
  item.nImage = -1;
  HRESULT hr = componentData_->GetDisplayInfo(&item);
  if (result != nullptr) *result = hr;
  if (image != nullptr) *image = item.nImage;
  return takeText(item.displayname, "IComponentData::GetDisplayInfo text");
}

View& Console::openView(HRESULT* result) {
  views_.push_back(std::make_unique<View>(*this, static_cast<int>(views_.size()) + 1));
  View& view = *views_.back();
  HRESULT hr = componentData_ != nullptr ? componentData_->CreateComponent(view.component_.GetAddressOf())
                                         : E_UNEXPECTED;
  if (SUCCEEDED(hr) && view.component_ != nullptr) {
    hr = view.component_->Initialize(view.object_.console());
    view.open_ = true;
  }
  if (result != nullptr) *result = hr;
  return view;
}

View* Console::activeView() {
  for (auto it = views_.rbegin(); it != views_.rend(); ++it)
    if ((*it)->open_) return it->get();
  return nullptr;
}

HRESULT Console::updateAllViews(IDataObject* dataObject, LPARAM data, LONG_PTR hint) {
  viewChanges.push_back({dataObject, data, hint});
  // Synchronous, view by view, as the console does; a view opened meanwhile is reached too.
  for (std::size_t i = 0; i < views_.size(); ++i) {
    View& v = *views_[i];
    if (!v.open_) continue;
    v.log.push_back(L"MMCN_VIEW_CHANGE");
    (void)v.component_->Notify(dataObject, MMCN_VIEW_CHANGE, data, hint);
  }
  return S_OK;
}

std::vector<MenuItem> Console::contextMenu(HSCOPEITEM item, LONG allowed, HRESULT* result) {
  menus_.push_back(std::make_unique<MenuCallbackObject>("context menu " + std::to_string(menus_.size() + 1) +
                                                        " IContextMenuCallback"));
  MenuCallbackObject& menu = *menus_.back();
  HRESULT hr = E_UNEXPECTED;
  ComPtr<IExtendContextMenu> extend;
  ComPtr<IDataObject> data = scopeDataObject(item);
  if (componentData_ != nullptr && data != nullptr &&
      SUCCEEDED(hr = componentData_->QueryInterface(ids::extendContextMenu,
                                                    reinterpret_cast<void**>(extend.GetAddressOf()))))
    hr = extend->AddMenuItems(data.Get(), menu.get(), &allowed);
  if (result != nullptr) *result = hr;
  return menu.items;
}

Console::PageRequest Console::requestPropertyPages(HSCOPEITEM item) {
  PageRequest request;
  sheets_.push_back(std::make_unique<SheetCallbackObject>("property sheet " + std::to_string(sheets_.size() + 1) +
                                                          " IPropertySheetCallback"));
  SheetCallbackObject& sheet = *sheets_.back();
  ComPtr<IExtendPropertySheet2> extend;
  ComPtr<IDataObject> data = scopeDataObject(item);
  if (componentData_ == nullptr || data == nullptr ||
      FAILED(componentData_->QueryInterface(ids::extendPropertySheet2, reinterpret_cast<void**>(extend.GetAddressOf()))))
    return request;
  request.queryPagesFor = extend->QueryPagesFor(data.Get());
  // The handle the console would give for MMCPropertyChangeNotify; never used by a sheet not shown.
  const LONG_PTR notifyHandle = 0x0C0FFEE0;
  request.createPropertyPages = extend->CreatePropertyPages(sheet.get(), notifyHandle, data.Get());
  request.pagesAdded = sheet.pages.size();
  return request;
}

HRESULT Console::command(HSCOPEITEM item, long commandId) {
  ComPtr<IExtendContextMenu> extend;
  ComPtr<IDataObject> data = scopeDataObject(item);
  if (componentData_ == nullptr || data == nullptr) return E_UNEXPECTED;
  HRESULT hr = componentData_->QueryInterface(ids::extendContextMenu, reinterpret_cast<void**>(extend.GetAddressOf()));
  if (FAILED(hr)) return hr;
  return extend->Command(commandId, data.Get());
}

HRESULT Console::offerSheetProvider() {
  if (nodeManager_ != nullptr) return S_OK;
  nodeManager_ = std::make_unique<NodeManagerFactory>(*this);
  return CoRegisterClassObject(ids::nodeManager, nodeManager_->get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                               &nodeManagerCookie_);
}

std::vector<const SheetRequest*> Console::sheetRequests() const {
  std::vector<const SheetRequest*> out;
  for (const auto& p : providers_) out.push_back(&p->request);
  return out;
}

HRESULT Console::close() {
  if (closed_) return S_OK;
  closed_ = true;
  HRESULT first = S_OK;
  auto keep = [&](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  };
  // Open sheets go with the console: the views they report to are let go first.
  for (auto& p : providers_) p->component_.Reset();
  for (auto& v : views_) keep(v->close());
  if (componentData_ != nullptr) {
    keep(componentData_->Destroy());
    expectReleased(scope_, "IComponentData::Destroy", problems);
    componentData_.Reset();
  }
  if (nodeManagerCookie_ != 0) {
    keep(CoRevokeClassObject(nodeManagerCookie_));
    nodeManagerCookie_ = 0;
  }
  return first;
}

std::wstring Console::takeText(LPOLESTR text, const char* what) {
  if (text == nullptr || text == callbackText) return L"";
  std::wstring copy = text;
  if (fromTaskAllocator(text)) {
    CoTaskMemFree(text);
  } else {
    problems.push_back(std::string(what) + " \"" + narrow(copy) + "\" was not allocated with CoTaskMemAlloc");
  }
  return copy;
}

std::vector<std::string> Console::referenceProblems() const {
  std::vector<std::string> out;
  std::vector<const ComIdentity*> objects{&scope_, &scopeImages_, &editor_};
  for (const auto& v : views_) {
    objects.push_back(&v->object_);
    objects.push_back(&v->verbs_);
    objects.push_back(&v->images_);
  }
  for (const auto& m : menus_) objects.push_back(m.get());
  for (const auto& s : sheets_) objects.push_back(s.get());
  if (nodeManager_ != nullptr) objects.push_back(nodeManager_.get());
  for (const auto& p : providers_) {
    objects.push_back(p.get());
    objects.push_back(&p->pages_);
  }
  for (const ComIdentity* o : objects) {
    for (const auto& [iid, facet] : o->facets()) {
      if (facet->references() != 0)
        out.push_back(facet->name() + ": " + std::to_string(facet->references()) + " reference(s) never released");
      if (facet->doubleReleases() != 0)
        out.push_back(facet->name() + ": released " + std::to_string(facet->doubleReleases()) +
                      " time(s) more than referenced");
    }
  }
  return out;
}

}  // namespace ostrel::console

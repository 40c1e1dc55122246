#include "tests/console/console_double.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>

#include "platform/win/handles.h"
#include "tests/console/notify_route.h"

namespace ostrel::console {

namespace {

SIZE bitmapSize(LONG_PTR handle) {
  BITMAP bm{};
  if (handle == 0 || GetObjectW(reinterpret_cast<HBITMAP>(handle), sizeof bm, &bm) != sizeof bm) return SIZE{0, 0};
  return SIZE{bm.bmWidth, bm.bmHeight};
}

template <class I>
HRESULT handOut(I* object, I** out) {
  if (out == nullptr) return E_POINTER;
  *out = object;
  if (object == nullptr) return E_FAIL;
  object->AddRef();
  return S_OK;
}

// Every facet of an object must be released at a point where its holder had to let go of it.
void expectReleased(const ComIdentity& object, const char* when) {
  for (const auto& [iid, facet] : object.facets())
    if (facet->references != 0) problems.push_back(facet->name + " still referenced after " + when);
}

struct ImageListFacet : Counted<IImageList> {
  ImageListFacet(ComIdentity& o, std::string name, std::vector<ImageStrip>& s) : Counted(o, std::move(name)), strips(s) {}
  HRESULT STDMETHODCALLTYPE ImageListSetStrip(LONG_PTR* small, LONG_PTR* large, LONG start, COLORREF mask) override {
    const auto sm = reinterpret_cast<LONG_PTR>(small), lg = reinterpret_cast<LONG_PTR>(large);
    strips.push_back({start, mask, bitmapSize(sm), bitmapSize(lg)});
    return sm != 0 && lg != 0 ? S_OK : E_INVALIDARG;
  }
  OSTREL_STUB(ImageListSetIcon, (LONG_PTR*, LONG))
  std::vector<ImageStrip>& strips;
};

struct VerbFacet : Counted<IConsoleVerb> {
  VerbFacet(ComIdentity& o, std::string name, View& v) : Counted(o, std::move(name)), view(v) {}
  HRESULT STDMETHODCALLTYPE SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL value) override {
    if (state == ENABLED && value) view.enabledVerbs.insert(verb);
    if (state == ENABLED && !value) view.enabledVerbs.erase(verb);
    return S_OK;
  }
  OSTREL_STUBS((GetVerbState, (MMC_CONSOLE_VERB, MMC_BUTTON_STATE, BOOL*))(SetDefaultVerb, (MMC_CONSOLE_VERB))
               (GetDefaultVerb, (MMC_CONSOLE_VERB*)))
  View& view;
};

struct MenuFacet : Counted<IContextMenuCallback> {
  using Counted::Counted;
  HRESULT STDMETHODCALLTYPE AddItem(CONTEXTMENUITEM* item) override {
    if (item == nullptr) return E_INVALIDARG;
    items.push_back({item->strName ? item->strName : L"", item->strStatusBarText ? item->strStatusBarText : L"",
                     item->lCommandID, item->lInsertionPointID, item->fFlags, item->fSpecialFlags});
    return S_OK;
  }
  std::vector<MenuItem> items;
};

// Pages added to a sheet the console began itself (a Properties verb) are the console's, and
// it destroys them when it never shows the sheet; those of a sheet a snap-in began are the
// snap-in's to destroy if the sheet is thrown away. A page refused stays with the snap-in.
struct SheetFacet : Counted<IPropertySheetCallback> {
  using Counted::Counted;
  ~SheetFacet() override { discard(); }
  void discard() {
    for (HPROPSHEETPAGE page : pages) DestroyPropertySheetPage(page);
    pages.clear();
  }
  HRESULT STDMETHODCALLTYPE AddPage(HPROPSHEETPAGE page) override {
    if (page == nullptr) return E_INVALIDARG;
    if (++added == failAt) return E_OUTOFMEMORY;
    pages.push_back(page);
    return S_OK;
  }
  OSTREL_STUB(RemovePage, (HPROPSHEETPAGE))
  std::vector<HPROPSHEETPAGE> pages;
  std::size_t added = 0, failAt = 0;
};

}  // namespace

// --- the console object handed to IComponentData::Initialize (view null) or to a view's
// IComponent::Initialize: IConsole, then IConsoleNameSpace or the view's result pane ---------

struct ConsoleObject : ComIdentity {
  template <class I>
  struct Part : Counted<I> {
    Part(ConsoleObject& o, const std::string& name) : Counted<I>(o, name), object(o) {}
    ConsoleObject& object;
  };
  struct ConsoleFacet : Part<IConsole> {
    using Part::Part;
    // The scope pane's console acts on the view that has the focus: the most recent open one.
    View* target() { return object.view != nullptr ? object.view : object.console.activeView(); }
    HRESULT STDMETHODCALLTYPE QueryScopeImageList(IImageList** list) override;
    HRESULT STDMETHODCALLTYPE QueryConsoleVerb(IConsoleVerb** verb) override;
    HRESULT STDMETHODCALLTYPE UpdateAllViews(IDataObject* dataObject, LPARAM data, LONG_PTR hint) override {
      // Synchronous, view by view, as the console does; a view opened meanwhile is reached too.
      for (std::size_t i = 0; i < object.console.views_.size(); ++i) {
        View& v = *object.console.views_[i];
        if (!v.open) continue;
        v.log.push_back(L"MMCN_VIEW_CHANGE");
        (void)v.component_->Notify(dataObject, MMCN_VIEW_CHANGE, data, hint);
      }
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM item) override {
      View* view = target();
      if (view == nullptr) return E_FAIL;
      if (object.console.scopeItem(item) == nullptr) return E_INVALIDARG;
      // The console answers with its own notifications; SelectScopeItem itself succeeds.
      (void)view->select(item);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override {
      if (window == nullptr) return E_POINTER;
      *window = object.console.mainWindow_;
      return S_OK;
    }
    OSTREL_STUBS((SetHeader, (IHeaderCtrl*))(SetToolbar, (IToolbar*))(QueryResultImageList, (IImageList**))
                 (QueryResultView, (IUnknown**))(MessageBox, (LPCWSTR, LPCWSTR, UINT, int*))
                 (NewWindow, (HSCOPEITEM, ULONG)))
  };

  struct NameSpaceFacet : Part<IConsoleNameSpace> {
    using Part::Part;
    HRESULT STDMETHODCALLTYPE InsertItem(SCOPEDATAITEM* item) override {
      if (item == nullptr) return E_INVALIDARG;
      ScopeItem s{object.console.nextScopeId_++, 0, *item};
      // Without SDI_PREVIOUS, SDI_NEXT or SDI_FIRST the relative item is the parent.
      if (!(item->mask & (SDI_PREVIOUS | SDI_NEXT | SDI_FIRST))) s.parent = item->relativeID;
      if (s.parent != Console::computerConfiguration && object.console.scopeItem(s.parent) == nullptr) return E_INVALIDARG;
      item->ID = s.id;
      object.console.scopeItems.push_back(s);
      return S_OK;
    }
    OSTREL_STUBS((DeleteItem, (HSCOPEITEM, LONG))(SetItem, (SCOPEDATAITEM*))(GetItem, (SCOPEDATAITEM*))
                 (GetChildItem, (HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*))
                 (GetNextItem, (HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*))
                 (GetParentItem, (HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*)))
  };

  struct ResultFacet : Part<IResultData> {
    using Part::Part;
    View& view() { return *object.view; }
    HRESULT STDMETHODCALLTYPE InsertItem(RESULTDATAITEM* item) override {
      if (item == nullptr) return E_INVALIDARG;
      if (FAILED(object.console.failInsertItem)) return object.console.failInsertItem;
      item->itemID = view().nextRowId_++;
      view().rows.push_back(*item);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DeleteItem(HRESULTITEM item, int column) override {
      auto& rows = view().rows;
      auto it = std::find_if(rows.begin(), rows.end(), [&](const RESULTDATAITEM& r) { return r.itemID == item; });
      view().log.push_back(L"DeleteItem " + std::to_wstring(column));
      if (it == rows.end()) return E_INVALIDARG;
      rows.erase(it);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindItemByLParam(LPARAM lParam, HRESULTITEM* item) override {
      if (item == nullptr) return E_POINTER;
      auto& rows = view().rows;
      auto it = std::find_if(rows.begin(), rows.end(), [&](const RESULTDATAITEM& r) { return r.lParam == lParam; });
      *item = it != rows.end() ? it->itemID : 0;
      return it != rows.end() ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE DeleteAllRsltItems() override {
      view().rows.clear();
      return S_OK;
    }
    OSTREL_STUBS((SetItem, (RESULTDATAITEM*))(GetItem, (RESULTDATAITEM*))(GetNextItem, (RESULTDATAITEM*))
                 (ModifyItemState, (int, HRESULTITEM, UINT, UINT))(SetViewMode, (LONG))(GetViewMode, (LONG*))
                 (ModifyViewStyle, (MMC_RESULT_VIEW_STYLE, MMC_RESULT_VIEW_STYLE))(UpdateItem, (HRESULTITEM))
                 (Sort, (int, DWORD, LPARAM))(SetDescBarText, (LPOLESTR))(SetItemCount, (int, DWORD)))
  };

  struct HeaderFacet : Part<IHeaderCtrl> {
    using Part::Part;
    HRESULT STDMETHODCALLTYPE InsertColumn(int column, LPCWSTR title, int format, int width) override {
      if (title == nullptr || column < 0) return E_INVALIDARG;
      object.view->columns.push_back(std::to_wstring(column) + L" " + title + L" " + std::to_wstring(format) + L" " +
                                     std::to_wstring(width));
      return S_OK;
    }
    OSTREL_STUBS((DeleteColumn, (int))(SetColumnText, (int, LPCWSTR))(GetColumnText, (int, LPOLESTR*))
                 (SetColumnWidth, (int, int))(GetColumnWidth, (int, int*)))
  };

  ConsoleObject(Console& c, View* v, const std::string& name)
      : console(c), view(v), console_(*this, name + " IConsole"), nameSpace_(*this, name + " IConsoleNameSpace"),
        result_(*this, name + " IResultData"), header_(*this, name + " IHeaderCtrl") {
    expose(ids::console, console_);
    expose(ids::consoleNameSpace, nameSpace_);
    expose(ids::resultData, result_);
    expose(ids::headerCtrl, header_);
  }
  IConsole* get() { return console_.get(); }
  // The scope pane's console has the name space; a view's has its result pane.
  bool offered(const IID& iid) const override {
    if (IsEqualIID(iid, ids::console)) return true;
    return (view == nullptr) == IsEqualIID(iid, ids::consoleNameSpace);
  }

  Console& console;
  View* view;
  ConsoleFacet console_;
  NameSpaceFacet nameSpace_;
  ResultFacet result_;
  HeaderFacet header_;
};

struct ViewObjects {
  ViewObjects(Console& console, View& view, const std::string& name)
      : object(console, &view, name),
        verbs(ids::consoleVerb, name + " IConsoleVerb", view),
        images(ids::imageList, name + " result IImageList", view.resultStrips) {}
  ConsoleObject object;
  Object<VerbFacet> verbs;
  Object<ImageListFacet> images;
};

// --- the console's property-sheet provider (CLSID_NodeManager) ---------------------------

namespace {

struct ProviderFacet : Counted<IPropertySheetProvider> {
  ProviderFacet(ComIdentity& o, std::string name, Console& c)
      : Counted(o, name), console(c), sheet(ids::propertySheetCallback, name + " IPropertySheetCallback") {
    sheet.facet.failAt = c.failAddPage;
  }
  HRESULT STDMETHODCALLTYPE CreatePropertySheet(LPCWSTR title, boolean type, MMC_COOKIE, IDataObject* data,
                                                DWORD options) override {
    if (FAILED(console.failCreatePropertySheet)) return console.failCreatePropertySheet;
    request.title = title != nullptr ? title : L"";
    request.propertySheet = type != 0;
    request.options = options;
    dataObject = data;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddPrimaryPages(IUnknown* unknown, BOOL createHandle, HWND notifyWindow,
                                            BOOL scopePane) override;
  HRESULT STDMETHODCALLTYPE Show(LONG_PTR window, int page) override {
    request.showWindow = window;
    dataObject.Reset();
    if (window == -1 || sheet.facet.pages.empty()) {
      if (consoleBegun) sheet.facet.discard();
      else sheet.facet.pages.clear();
      return S_OK;
    }
    // A modeless sheet of comctl32 on the console's thread: a new-style wizard with the
    // snap-in's header bitmap, or a tabbed property sheet.
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS;
    if (!request.propertySheet) {
      header.dwFlags |= PSH_WIZARD97 | PSH_HEADER | PSH_USEHBMHEADER;
      header.hbmHeader = request.header;
    }
    header.hwndParent = reinterpret_cast<HWND>(window);
    header.pszCaption = request.title.c_str();
    header.nPages = static_cast<UINT>(sheet.facet.pages.size());
    header.nStartPage = static_cast<UINT>(page);
    header.phpage = sheet.facet.pages.data();
    request.window = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (request.window == nullptr) return E_FAIL;
    sheet.facet.pages.clear();  // the sheet owns them now
    return S_OK;
  }
  OSTREL_STUBS((FindPropertySheet, (MMC_COOKIE, IComponent*, IDataObject*))(AddExtensionPages, ()))

  Console& console;
  SheetRequest request;
  ComPtr<IDataObject> dataObject;  // held from CreatePropertySheet until Show
  Object<SheetFacet> sheet;
  NotifyRoute route;               // what the notify handle points to
  ComPtr<IComponent> component;    // the view a result-pane sheet reports to (bScopePane FALSE)
  bool consoleBegun = false;       // a sheet of the console's own Properties verb
};

struct FactoryFacet : Counted<IClassFactory> {
  FactoryFacet(ComIdentity& o, std::string name, Console& c) : Counted(o, std::move(name)), console(c) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  Console& console;
};

}  // namespace

struct ConsoleObjects {
  explicit ConsoleObjects(Console& console)
      : scope(console, nullptr, "scope"), scopeImages(ids::imageList, "scope IImageList", console.scopeStrips),
        nodeManager(IID_IClassFactory, "node manager IClassFactory", console) {}
  ConsoleObject scope;
  Object<ImageListFacet> scopeImages;
  std::vector<std::unique_ptr<Object<MenuFacet>>> menus;
  Object<FactoryFacet> nodeManager;
  DWORD nodeManagerCookie = 0;
  std::vector<std::unique_ptr<Object<ProviderFacet>>> providers;
};

HRESULT STDMETHODCALLTYPE ProviderFacet::AddPrimaryPages(IUnknown* unknown, BOOL createHandle, HWND,
                                                          BOOL scopePane) {
  SheetRequest& r = request;
  r.scopePane = scopePane;
  if (unknown == nullptr) return E_INVALIDARG;
  ComPtr<IExtendPropertySheet2> extend;
  HRESULT hr = unknown->QueryInterface(ids::extendPropertySheet2, reinterpret_cast<void**>(extend.GetAddressOf()));
  if (FAILED(hr)) return hr;
  // A new-style wizard shows the snap-in's header bitmap.
  if (!r.propertySheet && (r.options & MMC_PSO_NEWWIZARDTYPE)) {
    HBITMAP watermark = nullptr;
    HPALETTE palette = nullptr;
    (void)extend->GetWatermarks(dataObject.Get(), &watermark, &r.header, &palette, &r.stretch);
  }
  // The handle MMCPropertyChangeNotify takes leads to the console's window; a sheet of the
  // result pane reports to the view that opened it.
  route.window = console.mainWindow();
  if (!scopePane) (void)unknown->QueryInterface(ids::component, reinterpret_cast<void**>(component.GetAddressOf()));
  hr = extend->CreatePropertyPages(sheet.facet.get(), createHandle ? reinterpret_cast<LONG_PTR>(&route) : 0,
                                   dataObject.Get());
  r.pages = sheet.facet.pages.size();
  return hr;
}

HRESULT STDMETHODCALLTYPE FactoryFacet::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto& providers = console.objects_->providers;
  providers.push_back(std::make_unique<Object<ProviderFacet>>(
      ids::propertySheetProvider, "sheet provider " + std::to_string(providers.size() + 1) + " IPropertySheetProvider",
      console));
  return providers.back()->query(riid, ppv);
}

HRESULT STDMETHODCALLTYPE ConsoleObject::ConsoleFacet::QueryScopeImageList(IImageList** list) {
  return handOut<IImageList>(object.console.objects_->scopeImages.facet.get(), list);
}
HRESULT STDMETHODCALLTYPE ConsoleObject::ConsoleFacet::QueryConsoleVerb(IConsoleVerb** verb) {
  View* view = target();
  return handOut<IConsoleVerb>(view != nullptr ? view->objects_->verbs.facet.get() : nullptr, verb);
}

View::View(Console& console, int n)
    : number(n), console_(console), objects_(std::make_unique<ViewObjects>(console, *this, "view " + std::to_string(n))) {}
View::~View() = default;

HRESULT View::notifyScope(HSCOPEITEM item, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
  const ScopeItem* scope = console_.scopeItem(item);
  if (component_ == nullptr || scope == nullptr) return E_UNEXPECTED;
  ComPtr<IDataObject> data;
  HRESULT hr = component_->QueryDataObject(scope->inserted.lParam, CCT_SCOPE, data.GetAddressOf());
  return FAILED(hr) ? hr : component_->Notify(data.Get(), event, arg, param);
}

HRESULT View::select(HSCOPEITEM item) {
  // Each show builds the header afresh (the rows are the snap-in's to clear); the verbs belong
  // to the new selection.
  columns.clear();
  enabledVerbs.clear();
  (void)notifyScope(item, MMCN_ADD_IMAGES, reinterpret_cast<LPARAM>(objects_->images.facet.get()), item);
  log.push_back(L"MMCN_SHOW 1");
  HRESULT shown = notifyScope(item, MMCN_SHOW, TRUE, item);
  (void)notifyScope(item, MMCN_SELECT, MAKELONG(TRUE, TRUE), 0);
  return shown;
}

HRESULT View::notifyRow(std::size_t row, MMC_NOTIFY_TYPE event, LPARAM arg) {
  if (row >= rows.size() || component_ == nullptr) return E_UNEXPECTED;
  if (event == MMCN_SELECT) enabledVerbs.clear();
  // The console keeps the row's data object for the whole notification.
  ComPtr<IDataObject> data;
  HRESULT hr = component_->QueryDataObject(rows[row].lParam, CCT_RESULT, data.GetAddressOf());
  return FAILED(hr) ? hr : component_->Notify(data.Get(), event, arg, 0);
}

std::wstring View::cell(std::size_t row, int column, HRESULT* result, int* image) {
  if (row >= rows.size() || component_ == nullptr) return L"<no row>";
  RESULTDATAITEM item = rows[row];
  if (item.str != callbackText) return L"<not a callback>";
  item.mask = RDI_STR | (image != nullptr ? RDI_IMAGE : 0);
  item.nIndex = static_cast<int>(row);
  item.nCol = column;
  item.nImage = -1;
  item.str = nullptr;
  HRESULT hr = component_->GetDisplayInfo(&item);
  if (result != nullptr) *result = hr;
  if (image != nullptr) *image = item.nImage;
  return Console::takeText(item.str, "IComponent::GetDisplayInfo text");
}

std::vector<std::vector<std::wstring>> View::cells() {
  std::vector<std::vector<std::wstring>> all(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < columns.size(); ++c) all[r].push_back(cell(r, static_cast<int>(c)));
  return all;
}

HRESULT View::close() {
  if (!open) return S_OK;
  open = false;
  HRESULT hr = component_->Destroy(0);
  expectReleased(objects_->object, "IComponent::Destroy");
  component_.Reset();
  return hr;
}

Console::Console(EditorNode& editor) : editor_(editor), objects_(std::make_unique<ConsoleObjects>(*this)) {
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
}

Console::~Console() {
  (void)close();
  DestroyWindow(mainWindow_);
}

LRESULT CALLBACK Console::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* console = reinterpret_cast<Console*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message != NotifyRoute::message || console == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  for (const auto& p : console->objects_->providers) {
    ProviderFacet& provider = p->facet;
    if (reinterpret_cast<WPARAM>(&provider.route) != wParam) continue;
    const bool scopePane = provider.request.scopePane != FALSE;
    HRESULT hr = E_UNEXPECTED;
    if (scopePane && console->componentData_ != nullptr)
      hr = console->componentData_->Notify(nullptr, MMCN_PROPERTY_CHANGE, TRUE, lParam);
    else if (!scopePane && provider.component != nullptr)
      hr = provider.component->Notify(nullptr, MMCN_PROPERTY_CHANGE, FALSE, lParam);
    if (FAILED(hr)) problems.push_back("MMCN_PROPERTY_CHANGE failed");
    return 0;
  }
  problems.push_back("MMCPropertyChangeNotify with a handle the console never gave");
  return 0;
}

void Console::pumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  for (const auto& p : objects_->providers) {
    SheetRequest& r = p->facet.request;
    if (r.window == nullptr || r.closed || PropSheet_GetCurrentPageHwnd(r.window) != nullptr) continue;
    DestroyWindow(r.window);
    r.closed = true;
    p->facet.component.Reset();
  }
}

HRESULT View::properties(std::size_t row) {
  if (row >= rows.size() || component_ == nullptr) return E_UNEXPECTED;
  ComPtr<IDataObject> data;
  HRESULT hr = component_->QueryDataObject(rows[row].lParam, CCT_RESULT, data.GetAddressOf());
  return FAILED(hr) ? hr : console_.showProperties(component_.Get(), data.Get(), FALSE);
}

HRESULT Console::properties(HSCOPEITEM item) {
  ComPtr<IDataObject> data = scopeDataObject(item);
  return data == nullptr ? E_UNEXPECTED : showProperties(componentData_.Get(), data.Get(), TRUE);
}

HRESULT Console::showProperties(IUnknown* owner, IDataObject* data, BOOL scopePane) {
  ComPtr<IExtendPropertySheet2> extend;
  HRESULT hr = owner->QueryInterface(ids::extendPropertySheet2, reinterpret_cast<void**>(extend.GetAddressOf()));
  if (FAILED(hr) || (hr = extend->QueryPagesFor(data)) != S_OK) return hr;
  ComPtr<IPropertySheetProvider> provider;
  hr = objects_->nodeManager.facet.get()->CreateInstance(nullptr, ids::propertySheetProvider,
                                                         reinterpret_cast<void**>(provider.GetAddressOf()));
  if (FAILED(hr)) return hr;
  objects_->providers.back()->facet.consoleBegun = true;
  hr = provider->CreatePropertySheet(L"Properties", TRUE, 0, data, 0);
  if (SUCCEEDED(hr)) hr = provider->AddPrimaryPages(owner, TRUE, nullptr, scopePane);
  const HRESULT shown = provider->Show(SUCCEEDED(hr) ? reinterpret_cast<LONG_PTR>(mainWindow_) : -1, 0);
  return hr != S_OK ? hr : shown;
}

HRESULT Console::loadNamespaceExtension(const GUID& nodeType) {
  wchar_t type[40] = {};
  StringFromGUID2(nodeType, type, 40);
  const std::wstring path = std::wstring(L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\") + type + L"\\Extensions\\NameSpace";
  win::Key key;
  LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put());
  if (s != ERROR_SUCCESS) return HRESULT_FROM_WIN32(s);
  wchar_t name[256] = {};
  DWORD n = 256;
  CLSID first{};
  if (RegEnumValueW(key.get(), 0, name, &n, nullptr, nullptr, nullptr, nullptr) != 0 ||
      FAILED(CLSIDFromString(name, &first)))
    return REGDB_E_CLASSNOTREG;
  HRESULT hr = CoCreateInstance(first, nullptr, CLSCTX_INPROC_SERVER, ids::componentData,
                                reinterpret_cast<void**>(componentData_.ReleaseAndGetAddressOf()));
  return FAILED(hr) ? hr : componentData_->Initialize(objects_->scope.get());
}

HRESULT Console::expandComputerConfiguration() {
  if (componentData_ == nullptr) return E_UNEXPECTED;
  return componentData_->Notify(editor_.dataObject(), MMCN_EXPAND, TRUE, computerConfiguration);
}

ComPtr<IDataObject> Console::scopeDataObject(HSCOPEITEM item) {
  ComPtr<IDataObject> data;
  if (const ScopeItem* scope = scopeItem(item); scope != nullptr && componentData_ != nullptr)
    (void)componentData_->QueryDataObject(scope->inserted.lParam, CCT_SCOPE, data.GetAddressOf());
  return data;
}

HRESULT Console::expand(HSCOPEITEM item) {
  ComPtr<IDataObject> data = scopeDataObject(item);
  return data == nullptr ? E_UNEXPECTED : componentData_->Notify(data.Get(), MMCN_EXPAND, TRUE, item);
}

const ScopeItem* Console::scopeItem(HSCOPEITEM id) const {
  for (const auto& s : scopeItems)
    if (s.id == id) return &s;
  return nullptr;
}

std::vector<const ScopeItem*> Console::childrenOf(HSCOPEITEM parent) const {
  std::vector<const ScopeItem*> out;
  for (const auto& s : scopeItems)
    if (s.parent == parent) out.push_back(&s);
  return out;
}

std::wstring Console::scopeText(HSCOPEITEM id, HRESULT* result, int* image) {
  const ScopeItem* s = scopeItem(id);
  if (s == nullptr || componentData_ == nullptr) return L"<no item>";
  if (s->inserted.displayname != callbackText) return L"<not a callback>";
  SCOPEDATAITEM item{};
  item.mask = SDI_STR | (image != nullptr ? SDI_IMAGE : 0);
  item.lParam = s->inserted.lParam;
  item.ID = s->id;
  item.nImage = -1;
  HRESULT hr = componentData_->GetDisplayInfo(&item);
  if (result != nullptr) *result = hr;
  if (image != nullptr) *image = item.nImage;
  return takeText(item.displayname, "IComponentData::GetDisplayInfo text");
}

View& Console::openView() {
  views_.push_back(std::make_unique<View>(*this, static_cast<int>(views_.size()) + 1));
  View& view = *views_.back();
  HRESULT hr = componentData_ != nullptr ? componentData_->CreateComponent(view.component_.GetAddressOf())
                                         : E_UNEXPECTED;
  if (SUCCEEDED(hr) && view.component_ != nullptr) {
    hr = view.component_->Initialize(view.objects_->object.get());
    view.open = true;
  }
  if (hr != S_OK) problems.push_back("view " + std::to_string(view.number) + " did not open");
  return view;
}

View* Console::activeView() {
  for (auto it = views_.rbegin(); it != views_.rend(); ++it)
    if ((*it)->open) return it->get();
  return nullptr;
}

// The component data's IExtendContextMenu with a data object of the item, or null.
ComPtr<IExtendContextMenu> Console::contextMenuOf(HSCOPEITEM item, ComPtr<IDataObject>& data) {
  ComPtr<IExtendContextMenu> extend;
  if ((data = scopeDataObject(item)) != nullptr)
    (void)componentData_.CopyTo(ids::extendContextMenu, reinterpret_cast<void**>(extend.GetAddressOf()));
  return extend;
}

std::vector<MenuItem> Console::contextMenu(HSCOPEITEM item, LONG allowed) {
  auto& menus = objects_->menus;
  menus.push_back(std::make_unique<Object<MenuFacet>>(
      ids::contextMenuCallback, "context menu " + std::to_string(menus.size() + 1) + " IContextMenuCallback"));
  ComPtr<IDataObject> data;
  ComPtr<IExtendContextMenu> extend = contextMenuOf(item, data);
  if (extend == nullptr || extend->AddMenuItems(data.Get(), menus.back()->facet.get(), &allowed) != S_OK)
    problems.push_back("AddMenuItems failed");
  return menus.back()->facet.items;
}

HRESULT Console::command(HSCOPEITEM item, long commandId) {
  ComPtr<IDataObject> data;
  ComPtr<IExtendContextMenu> extend = contextMenuOf(item, data);
  return extend == nullptr ? E_UNEXPECTED : extend->Command(commandId, data.Get());
}

HRESULT Console::offerSheetProvider() {
  if (objects_->nodeManagerCookie != 0) return S_OK;
  return CoRegisterClassObject(ids::nodeManager, objects_->nodeManager.facet.get(), CLSCTX_INPROC_SERVER,
                               REGCLS_MULTIPLEUSE, &objects_->nodeManagerCookie);
}

std::vector<const SheetRequest*> Console::sheetRequests() const {
  std::vector<const SheetRequest*> out;
  for (const auto& p : objects_->providers) out.push_back(&p->facet.request);
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
  for (auto& p : objects_->providers) p->facet.component.Reset();
  for (auto& v : views_) keep(v->close());
  if (componentData_ != nullptr) {
    keep(componentData_->Destroy());
    expectReleased(objects_->scope, "IComponentData::Destroy");
    componentData_.Reset();
  }
  if (objects_->nodeManagerCookie != 0) keep(CoRevokeClassObject(objects_->nodeManagerCookie));
  objects_->nodeManagerCookie = 0;
  return first;
}

std::wstring Console::takeText(LPOLESTR text, const char* what) {
  if (text == nullptr || text == callbackText) return L"";
  std::wstring copy = text;
  ComPtr<IMalloc> malloc;
  if (SUCCEEDED(CoGetMalloc(1, malloc.GetAddressOf())) && malloc->DidAlloc(text) == 1)
    CoTaskMemFree(text);
  else
    problems.push_back(std::string(what) + " was not allocated with CoTaskMemAlloc");
  return copy;
}

std::vector<std::string> Console::referenceProblems() const {
  std::vector<const ComIdentity*> objects{&objects_->scope, &objects_->scopeImages, &objects_->nodeManager, &editor_};
  for (const auto& v : views_)
    objects.insert(objects.end(), {&v->objects_->object, &v->objects_->verbs, &v->objects_->images});
  for (const auto& m : objects_->menus) objects.push_back(m.get());
  for (const auto& p : objects_->providers) objects.insert(objects.end(), {p.get(), &p->facet.sheet});
  return console::referenceProblems(objects);
}

}  // namespace ostrel::console

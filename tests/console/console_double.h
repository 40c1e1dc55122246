#pragma once
// A test-only stand-in for the management console hosting the snap-in as an extension of the
// Group Policy editor. It loads the registered module through COM, drives IComponentData and
// IComponent the way the console does (expansion, one component per view, selection, display
// texts, verbs, deletion, context menus, property-page requests, teardown) and implements the
// console interfaces the snap-in calls, recording what it is told. View changes are delivered
// synchronously: UpdateAllViews reaches every view's MMCN_VIEW_CHANGE before it returns, and a
// view's SelectScopeItem shows the item again in that view (MMCN_ADD_IMAGES, MMCN_SHOW).
//
// The double's objects count references per interface and are never freed by Release; after
// close() every count must be back at zero (see referenceProblems()).
#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/console/counted.h"
#include "tests/console/editor_double.h"
#include "tests/console/notify_route.h"

namespace ostrel::console {

using Microsoft::WRL::ComPtr;

// The console's "ask me later" text pointer.
inline const LPOLESTR callbackText = reinterpret_cast<LPOLESTR>(static_cast<INT_PTR>(-1));

struct ScopeItem {
  HSCOPEITEM id = 0;
  HSCOPEITEM parent = 0;
  bool snapinOwned = true;  // false for the editor's own nodes
  DWORD mask = 0;
  bool textCallback = false;
  std::wstring text;  // when not a callback
  int image = 0;
  int openImage = 0;
  UINT state = 0;
  int children = 0;
  LPARAM lParam = 0;
  HSCOPEITEM relativeId = 0;
  HSCOPEITEM idOnInsert = 0;  // the ID field as the snap-in filled it in
};

struct Column {
  int index;
  std::wstring title;
  int format;
  int width;
};

struct Row {
  HRESULTITEM id = 0;
  DWORD mask = 0;
  bool textCallback = false;
  std::wstring text;
  int image = 0;
  int column = 0;
  LPARAM lParam = 0;
  BOOL scopeItem = FALSE;
};

struct ImageStrip {
  LONG_PTR smallStrip;
  LONG_PTR largeStrip;
  long start;
  COLORREF mask;
  SIZE smallSize;  // of the bitmaps, as GetObjectW reports them at the call
  SIZE largeSize;
};

struct MenuItem {
  std::wstring name;
  std::wstring statusText;
  LONG commandId;
  LONG insertionPoint;
  LONG flags;
  LONG specialFlags;
};

struct ViewChange {
  IDataObject* dataObject;
  LPARAM data;
  LONG_PTR hint;
};

class Console;
class View;

// --- objects of the console that the snap-in is handed -----------------------------------

class ImageListObject : public ComIdentity {
 public:
  ImageListObject(Console& console, std::string name);
  IImageList* get() { return facet_.get(); }
  std::vector<ImageStrip> strips;

 private:
  class Facet : public CountedInterface<IImageList> {
   public:
    Facet(ImageListObject& o, std::string name) : CountedInterface(o, std::move(name)), object_(o) {}
    HRESULT STDMETHODCALLTYPE ImageListSetIcon(LONG_PTR*, LONG) override;
    HRESULT STDMETHODCALLTYPE ImageListSetStrip(LONG_PTR* smallStrip, LONG_PTR* largeStrip, LONG start,
                                                COLORREF mask) override;

   private:
    ImageListObject& object_;
  };
  Console& console_;
  Facet facet_;
};

class VerbObject : public ComIdentity {
 public:
  VerbObject(Console& console, std::string name);
  IConsoleVerb* get() { return facet_.get(); }
  // The console resets the verbs whenever the selection changes.
  void reset() {
    states.clear();
    defaultVerb = MMC_VERB_NONE;
  }
  [[nodiscard]] bool isSet(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state) const;
  std::map<std::pair<int, int>, BOOL> states;  // (verb, state) -> value
  MMC_CONSOLE_VERB defaultVerb = MMC_VERB_NONE;

 private:
  class Facet : public CountedInterface<IConsoleVerb> {
   public:
    Facet(VerbObject& o, std::string name) : CountedInterface(o, std::move(name)), object_(o) {}
    HRESULT STDMETHODCALLTYPE GetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetVerbState(MMC_CONSOLE_VERB verb, MMC_BUTTON_STATE state, BOOL value) override;
    HRESULT STDMETHODCALLTYPE SetDefaultVerb(MMC_CONSOLE_VERB verb) override;
    HRESULT STDMETHODCALLTYPE GetDefaultVerb(MMC_CONSOLE_VERB* verb) override;

   private:
    VerbObject& object_;
  };
  Facet facet_;
};

class MenuCallbackObject : public ComIdentity {
 public:
  explicit MenuCallbackObject(std::string name);
  IContextMenuCallback* get() { return facet_.get(); }
  std::vector<MenuItem> items;
  HRESULT answer = S_OK;  // what AddItem reports

 private:
  class Facet : public CountedInterface<IContextMenuCallback> {
   public:
    Facet(MenuCallbackObject& o, std::string name) : CountedInterface(o, std::move(name)), object_(o) {}
    HRESULT STDMETHODCALLTYPE AddItem(CONTEXTMENUITEM* item) override;

   private:
    MenuCallbackObject& object_;
  };
  Facet facet_;
};

// IPropertySheetCallback: pages the snap-in adds belong to the console, which destroys the
// pages of a sheet it never shows.
class SheetCallbackObject : public ComIdentity {
 public:
  explicit SheetCallbackObject(std::string name);
  ~SheetCallbackObject() override;
  IPropertySheetCallback* get() { return facet_.get(); }
  std::vector<HPROPSHEETPAGE> pages;

 private:
  class Facet : public CountedInterface<IPropertySheetCallback> {
   public:
    Facet(SheetCallbackObject& o, std::string name) : CountedInterface(o, std::move(name)), object_(o) {}
    HRESULT STDMETHODCALLTYPE AddPage(HPROPSHEETPAGE page) override;
    HRESULT STDMETHODCALLTYPE RemovePage(HPROPSHEETPAGE page) override;

   private:
    SheetCallbackObject& object_;
  };
  Facet facet_;
};

// One sheet the snap-in asked the console's property-sheet provider for, from
// CreatePropertySheet to Show.
struct SheetRequest {
  std::wstring title;
  bool propertySheet = false;  // CreatePropertySheet's type: TRUE a property sheet, FALSE a wizard
  MMC_COOKIE cookie = 0;
  bool dataObjectGiven = false;
  DWORD options = 0;
  bool primaryPagesAsked = false;
  bool fromComponentData = false;  // AddPrimaryPages' unknown is the snap-in's IComponentData
  BOOL createHandle = FALSE;
  HWND notifyWindow = nullptr;
  BOOL scopePane = FALSE;
  HRESULT watermarks = E_FAIL;  // GetWatermarks (asked for new-style wizards)
  HBITMAP watermark = nullptr;
  HBITMAP header = nullptr;
  BOOL stretch = TRUE;
  HRESULT createPages = E_FAIL;  // CreatePropertyPages
  LONG_PTR notifyHandle = 0;     // the handle given to CreatePropertyPages (0 without bCreateHandle)
  std::size_t pages = 0;
  int showCalls = 0;
  LONG_PTR showWindow = 0;
  int showPage = -1;
  bool discarded = false;  // Show(-1): the sheet begun is thrown away
};

// The console's property-sheet provider (CLSID_NodeManager) as the snap-in reaches it through
// CoCreateInstance. It gathers the pages (GetWatermarks for a new-style wizard, then
// CreatePropertyPages) and records Show; it does not display sheets.
class SheetProviderObject : public ComIdentity {
 public:
  SheetProviderObject(Console& console, int number);
  SheetRequest request;

 private:
  class Facet : public CountedInterface<IPropertySheetProvider> {
   public:
    Facet(SheetProviderObject& o, std::string name) : CountedInterface(o, std::move(name)), object_(o) {}
    HRESULT STDMETHODCALLTYPE CreatePropertySheet(LPCWSTR title, boolean type, MMC_COOKIE cookie,
                                                  IDataObject* dataObject, DWORD options) override;
    HRESULT STDMETHODCALLTYPE FindPropertySheet(MMC_COOKIE, IComponent*, IDataObject*) override;
    HRESULT STDMETHODCALLTYPE AddPrimaryPages(IUnknown* unknown, BOOL createHandle, HWND notifyWindow,
                                              BOOL scopePane) override;
    HRESULT STDMETHODCALLTYPE AddExtensionPages() override;
    HRESULT STDMETHODCALLTYPE Show(LONG_PTR window, int page) override;

   private:
    SheetProviderObject& object_;
  };
  friend class Console;
  Console& console_;
  Facet facet_;
  ComPtr<IDataObject> dataObject_;  // held from CreatePropertySheet until Show
  SheetCallbackObject pages_;
  NotifyRoute route_;               // what the notify handle points to
  ComPtr<IComponent> component_;    // the view a result-pane sheet reports to (bScopePane FALSE)
};

// The class object that makes property-sheet providers; registered in the test's process.
class NodeManagerFactory : public ComIdentity {
 public:
  explicit NodeManagerFactory(Console& console);
  IClassFactory* get() { return facet_.get(); }

 private:
  class Facet : public CountedInterface<IClassFactory> {
   public:
    Facet(NodeManagerFactory& o) : CountedInterface(o, "node manager IClassFactory"), object_(o) {}
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

   private:
    NodeManagerFactory& object_;
  };
  Console& console_;
  Facet facet_;
};

// IConsole as the scope pane (view == nullptr) or one view sees it.
class ConsoleFacet : public CountedInterface<IConsole> {
 public:
  ConsoleFacet(ComIdentity& owner, std::string name, Console& console, View* view);
  HRESULT STDMETHODCALLTYPE SetHeader(IHeaderCtrl*) override;
  HRESULT STDMETHODCALLTYPE SetToolbar(IToolbar*) override;
  HRESULT STDMETHODCALLTYPE QueryResultView(IUnknown**) override;
  HRESULT STDMETHODCALLTYPE QueryScopeImageList(IImageList** list) override;
  HRESULT STDMETHODCALLTYPE QueryResultImageList(IImageList** list) override;
  HRESULT STDMETHODCALLTYPE UpdateAllViews(IDataObject* dataObject, LPARAM data, LONG_PTR hint) override;
  HRESULT STDMETHODCALLTYPE MessageBox(LPCWSTR, LPCWSTR, UINT, int*) override;
  HRESULT STDMETHODCALLTYPE QueryConsoleVerb(IConsoleVerb** verb) override;
  HRESULT STDMETHODCALLTYPE SelectScopeItem(HSCOPEITEM item) override;
  HRESULT STDMETHODCALLTYPE GetMainWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE NewWindow(HSCOPEITEM, ULONG) override;

 private:
  View* targetView();
  Console& console_;
  View* view_;
};

class DisplayHelpFacet : public CountedInterface<IDisplayHelp> {
 public:
  DisplayHelpFacet(ComIdentity& owner, std::string name, Console& console)
      : CountedInterface(owner, std::move(name)), console_(console) {}
  HRESULT STDMETHODCALLTYPE ShowTopic(LPOLESTR topic) override;

 private:
  Console& console_;
};

// The console object handed to IComponentData::Initialize.
class ScopeConsoleObject : public ComIdentity {
 public:
  explicit ScopeConsoleObject(Console& console);
  IConsole* console() { return console_.get(); }

 private:
  class NameSpace : public CountedInterface<IConsoleNameSpace> {
   public:
    NameSpace(ScopeConsoleObject& o, Console& console)
        : CountedInterface(o, "scope IConsoleNameSpace"), console_(console) {}
    HRESULT STDMETHODCALLTYPE InsertItem(SCOPEDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(HSCOPEITEM, LONG) override;
    HRESULT STDMETHODCALLTYPE SetItem(SCOPEDATAITEM*) override;
    HRESULT STDMETHODCALLTYPE GetItem(SCOPEDATAITEM*) override;
    HRESULT STDMETHODCALLTYPE GetChildItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override;
    HRESULT STDMETHODCALLTYPE GetNextItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override;
    HRESULT STDMETHODCALLTYPE GetParentItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) override;

   private:
    Console& console_;
  };
  ConsoleFacet console_;
  NameSpace nameSpace_;
  DisplayHelpFacet help_;
};

// The console object handed to one IComponent::Initialize: IConsole with the view's result
// pane (IResultData, IHeaderCtrl) and help.
class ViewConsoleObject : public ComIdentity {
 public:
  ViewConsoleObject(Console& console, View& view, const std::string& name);
  IConsole* console() { return console_.get(); }

 private:
  class ResultData : public CountedInterface<IResultData> {
   public:
    ResultData(ViewConsoleObject& o, const std::string& name, View& view);
    HRESULT STDMETHODCALLTYPE InsertItem(RESULTDATAITEM* item) override;
    HRESULT STDMETHODCALLTYPE DeleteItem(HRESULTITEM item, int column) override;
    HRESULT STDMETHODCALLTYPE FindItemByLParam(LPARAM lParam, HRESULTITEM* item) override;
    HRESULT STDMETHODCALLTYPE DeleteAllRsltItems() override;
    HRESULT STDMETHODCALLTYPE SetItem(RESULTDATAITEM*) override;
    HRESULT STDMETHODCALLTYPE GetItem(RESULTDATAITEM*) override;
    HRESULT STDMETHODCALLTYPE GetNextItem(RESULTDATAITEM*) override;
    HRESULT STDMETHODCALLTYPE ModifyItemState(int, HRESULTITEM, UINT, UINT) override;
    HRESULT STDMETHODCALLTYPE ModifyViewStyle(MMC_RESULT_VIEW_STYLE, MMC_RESULT_VIEW_STYLE) override;
    HRESULT STDMETHODCALLTYPE SetViewMode(LONG) override;
    HRESULT STDMETHODCALLTYPE GetViewMode(LONG*) override;
    HRESULT STDMETHODCALLTYPE UpdateItem(HRESULTITEM) override;
    HRESULT STDMETHODCALLTYPE Sort(int, DWORD, LPARAM) override;
    HRESULT STDMETHODCALLTYPE SetDescBarText(LPOLESTR) override;
    HRESULT STDMETHODCALLTYPE SetItemCount(int, DWORD) override;

   private:
    View& view_;
  };
  class Header : public CountedInterface<IHeaderCtrl> {
   public:
    Header(ViewConsoleObject& o, const std::string& name, View& view);
    HRESULT STDMETHODCALLTYPE InsertColumn(int column, LPCWSTR title, int format, int width) override;
    HRESULT STDMETHODCALLTYPE DeleteColumn(int) override;
    HRESULT STDMETHODCALLTYPE SetColumnText(int, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE GetColumnText(int, LPOLESTR*) override;
    HRESULT STDMETHODCALLTYPE SetColumnWidth(int, int) override;
    HRESULT STDMETHODCALLTYPE GetColumnWidth(int, int*) override;

   private:
    View& view_;
  };
  ConsoleFacet console_;
  ResultData result_;
  Header header_;
  DisplayHelpFacet help_;
};

// --- the session ------------------------------------------------------------------------

// One console view (an IComponent of the snap-in) with its result pane.
class View {
 public:
  View(Console& console, int number);
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  [[nodiscard]] IComponent* component() { return component_.Get(); }
  [[nodiscard]] int number() const { return number_; }

  // The administrator selects a scope item in this view (also what SelectScopeItem does):
  // MMCN_SHOW(FALSE) for the item shown before when it is another one, then MMCN_ADD_IMAGES,
  // MMCN_SHOW(TRUE) and MMCN_SELECT(scope, selected) for this one. Answers the MMCN_SHOW(TRUE)
  // result; the MMCN_SELECT result is kept in scopeSelectResult.
  HRESULT select(HSCOPEITEM item);
  HRESULT scopeSelectResult = E_FAIL;
  [[nodiscard]] HSCOPEITEM selected() const { return selected_; }

  [[nodiscard]] const std::vector<Column>& columns() const { return columns_; }
  [[nodiscard]] const std::vector<Row>& rows() const { return rows_; }
  // The texts of every row in every column, asked with IComponent::GetDisplayInfo.
  std::vector<std::vector<std::wstring>> cells();
  // One cell; result receives GetDisplayInfo's answer.
  std::wstring cell(std::size_t row, int column, HRESULT* result = nullptr, int* image = nullptr);

  // The administrator closes the view: IComponent::Destroy, then the final Release. The view's
  // console interfaces must be released by Destroy already.
  HRESULT close();
  [[nodiscard]] bool open() const { return open_; }

  // The administrator selects a row (MMCN_SELECT, scope FALSE, select TRUE).
  HRESULT selectRow(std::size_t row);
  // The administrator presses Delete on a row (MMCN_DELETE).
  HRESULT deleteRow(std::size_t row);
  // Any notification for a scope item, with a data object the component makes for it.
  HRESULT notifyScope(HSCOPEITEM item, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);
  // IComponent::GetResultViewType for a cookie; a returned text is freed and reported.
  HRESULT resultViewType(MMC_COOKIE cookie, std::wstring* viewType = nullptr, long* options = nullptr);

  [[nodiscard]] const VerbObject& verbs() const { return verbs_; }
  [[nodiscard]] const ImageListObject& resultImages() const { return images_; }
  // What the snap-in did to this view's result pane, in order ("InsertColumn 0 Application",
  // "DeleteAllRsltItems", "InsertItem", "DeleteItem", "MMCN_SHOW 1"...).
  std::vector<std::wstring> log;

 private:
  friend class Console;
  friend class ConsoleFacet;
  friend class ViewConsoleObject;

  HRESULT notifyRow(std::size_t row, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);

  Console& console_;
  int number_;
  ViewConsoleObject object_;
  VerbObject verbs_;
  ImageListObject images_;
  ComPtr<IComponent> component_;
  bool open_ = false;
  HSCOPEITEM selected_ = 0;
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  HRESULTITEM nextRowId_ = 0x5000;
};

class Console {
 public:
  // editor: the Group Policy editor whose Computer Configuration node the snap-in extends.
  explicit Console(EditorNode& editor);
  ~Console();  // closes the session if the test did not
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // CoCreateInstance(clsid, IComponentData) and IComponentData::Initialize(console).
  HRESULT load(const CLSID& snapin);
  // What the console does for a node type it shows: reads the namespace extensions registered
  // under SOFTWARE\Microsoft\MMC\NodeTypes\{node type}\Extensions\NameSpace (HKLM) and
  // loads the first one. The CLSIDs found are kept in namespaceExtensions.
  HRESULT loadNamespaceExtension(const GUID& nodeType);
  std::vector<CLSID> namespaceExtensions;
  [[nodiscard]] IComponentData* componentData() { return componentData_.Get(); }

  // The editor's Computer Configuration node in the scope pane.
  [[nodiscard]] HSCOPEITEM computerConfiguration() const { return computerConfiguration_; }
  // The administrator expands Computer Configuration: MMCN_EXPAND with the editor's data object.
  HRESULT expandComputerConfiguration();
  // MMCN_EXPAND of one of the snap-in's own scope items, with the component data's data object.
  HRESULT expand(HSCOPEITEM item);

  [[nodiscard]] const std::vector<ScopeItem>& scopeItems() const { return scopeItems_; }
  [[nodiscard]] std::vector<const ScopeItem*> childrenOf(HSCOPEITEM parent) const;
  [[nodiscard]] const ScopeItem* scopeItem(HSCOPEITEM id) const;
  // The scope pane's text of an item (IComponentData::GetDisplayInfo with SDI_STR | SDI_IMAGE).
  std::wstring scopeText(HSCOPEITEM item, HRESULT* result = nullptr, int* image = nullptr);

  // A new view: IComponentData::CreateComponent, then IComponent::Initialize with its console.
  View& openView(HRESULT* result = nullptr);
  [[nodiscard]] std::size_t viewCount() const { return views_.size(); }
  View& view(std::size_t index) { return *views_.at(index); }

  // The context menu of a scope item (IExtendContextMenu of the component data).
  std::vector<MenuItem> contextMenu(HSCOPEITEM item, LONG allowed, HRESULT* result = nullptr);
  // The Properties request for a scope item: QueryPagesFor, then CreatePropertyPages.
  struct PageRequest {
    HRESULT queryPagesFor = E_FAIL;
    HRESULT createPropertyPages = E_FAIL;
    std::size_t pagesAdded = 0;
  };
  PageRequest requestPropertyPages(HSCOPEITEM item);

  // The administrator chooses a context-menu command of a scope item (IExtendContextMenu::Command).
  HRESULT command(HSCOPEITEM item, long commandId);
  // Makes the console's property-sheet provider available to CoCreateInstance in this process
  // (CoRegisterClassObject); without it, creating one fails as it does under plain Wine.
  HRESULT offerSheetProvider();
  [[nodiscard]] std::vector<const SheetRequest*> sheetRequests() const;

  // Page notices (MMCPropertyChangeNotify) are posted to the console's window and delivered
  // here by its message loop: IComponentData::Notify for a sheet opened from the scope pane,
  // the sheet's IComponent::Notify otherwise, with MMCN_PROPERTY_CHANGE.
  struct PropertyChange {
    bool scopePane;
    LPARAM param;
    HRESULT result;
  };
  std::vector<PropertyChange> propertyChanges;
  // Runs the console's message loop until no message is left (it never waits for one).
  std::size_t pumpMessages();

  // Teardown as the console does it: every IComponent::Destroy and final Release, then
  // IComponentData::Destroy and its final Release. Answers the first failure, if any.
  HRESULT close();
  [[nodiscard]] bool closed() const { return closed_; }

  // Every interface of the double's objects that still holds references or was released
  // more often than it was referenced; empty after a clean session.
  [[nodiscard]] std::vector<std::string> referenceProblems() const;
  // Protocol slips the double noticed: texts not allocated with CoTaskMemAlloc, bad arguments,
  // unimplemented console methods called.
  std::vector<std::string> problems;
  // An interface method the double does not implement was called (it answers E_NOTIMPL).
  void notImplemented(const char* method) { problems.push_back(std::string("unimplemented: ") + method); }

  [[nodiscard]] HWND mainWindow() const { return mainWindow_; }
  bool failGetMainWindow = false;
  std::vector<ViewChange> viewChanges;
  std::vector<std::wstring> helpTopics;
  [[nodiscard]] const ImageListObject& scopeImages() const { return scopeImages_; }
  EditorNode& editor() { return editor_; }

  // Takes a text the snap-in handed over: copies it and frees it when it came from
  // CoTaskMemAlloc, reports it otherwise.
  std::wstring takeText(LPOLESTR text, const char* what);

 private:
  friend class ConsoleFacet;
  friend class ScopeConsoleObject;
  friend class View;
  friend class ImageListObject;

  HRESULT updateAllViews(IDataObject* dataObject, LPARAM data, LONG_PTR hint);
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void deliverPropertyChange(LONG_PTR handle, LPARAM param);
  View* activeView();
  HRESULT insertScopeItem(SCOPEDATAITEM* item);
  ComPtr<IDataObject> scopeDataObject(HSCOPEITEM item);

  EditorNode& editor_;
  HWND mainWindow_ = nullptr;
  ScopeConsoleObject scope_;
  ImageListObject scopeImages_;
  ComPtr<IComponentData> componentData_;
  std::vector<std::unique_ptr<View>> views_;
  std::vector<std::unique_ptr<MenuCallbackObject>> menus_;
  std::vector<std::unique_ptr<SheetCallbackObject>> sheets_;
  std::unique_ptr<NodeManagerFactory> nodeManager_;
  DWORD nodeManagerCookie_ = 0;
  std::vector<std::unique_ptr<SheetProviderObject>> providers_;
  friend class NodeManagerFactory;
  std::vector<ScopeItem> scopeItems_;
  HSCOPEITEM computerConfiguration_ = 0x100;
  HSCOPEITEM nextScopeId_ = 0x1000;
  bool closed_ = false;
};

}  // namespace ostrel::console

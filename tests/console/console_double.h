#pragma once
// A test-only stand-in for the management console hosting the snap-in as an extension of the
// Group Policy editor. It loads the registered module through COM, drives IComponentData and
// IComponent the way the console does (expansion, one component per view, selection, display
// texts, verbs, deletion, context menus, property-page requests, teardown) and implements the
// console interfaces the snap-in calls, recording what it is told. View changes are delivered
// synchronously: UpdateAllViews reaches every view's MMCN_VIEW_CHANGE before it returns, and a
// view's SelectScopeItem shows the item again in that view (MMCN_ADD_IMAGES, MMCN_SHOW).
// Texts the snap-in hands over must come from CoTaskMemAlloc; the double frees them.
#include <windows.h>
#include <mmc.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/console/counted.h"
#include "tests/console/editor_double.h"

namespace ostrel::console {

using Microsoft::WRL::ComPtr;

// The console's "ask me later" text pointer.
inline const LPOLESTR callbackText = reinterpret_cast<LPOLESTR>(static_cast<INT_PTR>(-1));

struct ScopeItem {
  HSCOPEITEM id = 0;
  HSCOPEITEM parent = 0;
  SCOPEDATAITEM inserted{};  // as the snap-in filled it in (ID as it was before the console set it)
};

struct ImageStrip {
  long start;
  COLORREF mask;
  SIZE smallSize;  // of the bitmaps, as GetObjectW reports them at the call
  SIZE largeSize;
};

struct MenuItem {
  std::wstring name, statusText;
  LONG commandId, insertionPoint, flags, specialFlags;
};

struct ViewChange {
  IDataObject* dataObject;
  LPARAM data;
  LONG_PTR hint;
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
  LONG_PTR notifyHandle = 0;  // given to CreatePropertyPages (0 without bCreateHandle)
  std::size_t pages = 0;
  int showCalls = 0;
  LONG_PTR showWindow = 0;
  int showPage = -1;
  bool discarded = false;  // Show(-1): the sheet begun is thrown away
};

class Console;
struct ViewObjects;     // the console objects one view hands to its IComponent
struct ConsoleObjects;  // the scope pane's, menus', sheets' and sheet providers'

// One console view (an IComponent of the snap-in) with its result pane.
class View {
 public:
  View(Console& console, int number);
  ~View();
  [[nodiscard]] IComponent* component() { return component_.Get(); }
  const int number;

  // The administrator selects a scope item in this view (also what SelectScopeItem does):
  // MMCN_SHOW(FALSE) for the item shown before when it is another one, then MMCN_ADD_IMAGES,
  // MMCN_SHOW(TRUE) and MMCN_SELECT(scope, selected). Answers MMCN_SHOW(TRUE)'s result.
  HRESULT select(HSCOPEITEM item);
  HRESULT scopeSelectResult = E_FAIL;  // MMCN_SELECT's answer
  // The administrator selects a row (MMCN_SELECT, scope FALSE) or presses Delete on it.
  HRESULT selectRow(std::size_t row) { return notifyRow(row, MMCN_SELECT, MAKELONG(FALSE, TRUE)); }
  HRESULT deleteRow(std::size_t row) { return notifyRow(row, MMCN_DELETE, 0); }
  // Any notification for a scope item, with a data object the component makes for it.
  HRESULT notifyScope(HSCOPEITEM item, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);
  // IComponent::GetResultViewType; a returned text is taken as the console takes it.
  HRESULT resultViewType(MMC_COOKIE cookie, std::wstring& viewType);
  // IComponent::Destroy, then the final Release; Destroy must release the view's console objects.
  HRESULT close();

  // The texts of every row in every column, asked with IComponent::GetDisplayInfo.
  std::vector<std::vector<std::wstring>> cells();
  std::wstring cell(std::size_t row, int column, HRESULT* result = nullptr, int* image = nullptr);

  bool open = false;
  std::vector<std::wstring> columns;      // "index title format width", in header order
  std::vector<RESULTDATAITEM> rows;       // as inserted, itemID set by the console
  std::map<std::pair<int, int>, BOOL> verbStates;  // (verb, state) -> value, reset at each selection
  [[nodiscard]] bool verbSet(MMC_CONSOLE_VERB verb) const;  // the verb is ENABLED
  std::vector<ImageStrip> resultStrips;
  // What the snap-in did to this result pane, in order ("InsertColumn 0 Application",
  // "DeleteAllRsltItems", "InsertItem", "DeleteItem 0", "MMCN_SHOW 1", "MMCN_VIEW_CHANGE").
  std::vector<std::wstring> log;

  // The double's own parts, reached by the console objects.
  HRESULT notifyRow(std::size_t row, MMC_NOTIFY_TYPE event, LPARAM arg);
  Console& console_;
  std::unique_ptr<ViewObjects> objects_;
  ComPtr<IComponent> component_;
  HSCOPEITEM selected_ = 0;
  HRESULTITEM nextRowId_ = 0x5000;
};

class Console {
 public:
  // editor: the Group Policy editor whose Computer Configuration node the snap-in extends.
  explicit Console(EditorNode& editor);
  ~Console();  // closes the session if the test did not
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Reads the namespace extensions registered for a node type under
  // HKLM\SOFTWARE\Microsoft\MMC\NodeTypes\{type}\Extensions\NameSpace, keeps them in
  // namespaceExtensions and loads the first: CoCreateInstance, IComponentData::Initialize.
  HRESULT loadNamespaceExtension(const GUID& nodeType);
  std::vector<CLSID> namespaceExtensions;

  // The editor's Computer Configuration node, and the administrator expanding it (MMCN_EXPAND
  // with the editor's data object).
  static constexpr HSCOPEITEM computerConfiguration = 0x100;
  HRESULT expandComputerConfiguration();
  // MMCN_EXPAND of one of the snap-in's own scope items.
  HRESULT expand(HSCOPEITEM item);
  std::vector<ScopeItem> scopeItems;  // inserted by the snap-in
  [[nodiscard]] std::vector<const ScopeItem*> childrenOf(HSCOPEITEM parent) const;
  [[nodiscard]] const ScopeItem* scopeItem(HSCOPEITEM id) const;
  // IComponentData::GetDisplayInfo with SDI_STR | SDI_IMAGE.
  std::wstring scopeText(HSCOPEITEM item, HRESULT* result = nullptr, int* image = nullptr);
  std::vector<ImageStrip> scopeStrips;

  // IComponentData::CreateComponent, then IComponent::Initialize with the view's console.
  View& openView(HRESULT* result = nullptr);

  // The context menu of a scope item (IExtendContextMenu::AddMenuItems of the component data).
  std::vector<MenuItem> contextMenu(HSCOPEITEM item, LONG allowed, HRESULT* result = nullptr);
  // The administrator chooses a context-menu command of a scope item.
  HRESULT command(HSCOPEITEM item, long commandId);
  // The Properties request for a scope item: QueryPagesFor, then CreatePropertyPages.
  struct PageRequest {
    HRESULT queryPagesFor = E_FAIL;
    HRESULT createPropertyPages = E_FAIL;
    std::size_t pagesAdded = 0;
  };
  PageRequest requestPropertyPages(HSCOPEITEM item);
  // Makes the console's property-sheet provider (CLSID_NodeManager) available to
  // CoCreateInstance in this process; without it, creating one fails as under plain Wine. The
  // provider gathers pages and records Show; it displays nothing.
  HRESULT offerSheetProvider();
  [[nodiscard]] std::vector<const SheetRequest*> sheetRequests() const;

  // Page notices (MMCPropertyChangeNotify) are posted to the console's window; its message loop
  // delivers them with MMCN_PROPERTY_CHANGE to IComponentData (sheets of the scope pane) or the
  // sheet's IComponent.
  struct PropertyChange {
    bool scopePane;
    LPARAM param;
    HRESULT result;
  };
  std::vector<PropertyChange> propertyChanges;
  void pumpMessages();

  // Every IComponent::Destroy and final Release, then IComponentData's. Answers the first failure.
  HRESULT close();
  // Interfaces of the double's objects still referenced or released too often; empty after a
  // clean session.
  [[nodiscard]] std::vector<std::string> referenceProblems() const;

  [[nodiscard]] HWND mainWindow() const { return mainWindow_; }
  std::vector<ViewChange> viewChanges;

  // A text the snap-in handed over: copied, and freed when it came from CoTaskMemAlloc
  // (reported otherwise).
  static std::wstring takeText(LPOLESTR text, const char* what);

  // The double's own parts, reached by the console objects.
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  View* activeView();
  ComPtr<IDataObject> scopeDataObject(HSCOPEITEM item);
  template <class Extension>
  ComPtr<Extension> extension(const IID& iid);

  EditorNode& editor_;
  HWND mainWindow_ = nullptr;
  std::unique_ptr<ConsoleObjects> objects_;
  ComPtr<IComponentData> componentData_;
  std::vector<std::unique_ptr<View>> views_;
  HSCOPEITEM nextScopeId_ = 0x1000;
  bool closed_ = false;
};

}  // namespace ostrel::console

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
#include <gpedit.h>
#include <wrl/client.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/console/console_guids.h"
#include "tests/console/counted.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::console {

using Microsoft::WRL::ComPtr;

// The node's command that opens the Rule wizard (New > Privileged Application).
constexpr long wizardCommand = 2;

// The copy of osadmmc.dll next to the running program, registered once per process so that
// the console finds it among the extensions of Computer Configuration.
inline HRESULT registerModuleOnce() {
  static const HRESULT result = [] {
    const snapin::testing::LoadedModule module;
    return module.registerServer != nullptr ? module.registerServer() : E_NOTIMPL;
  }();
  return result;
}

// The Group Policy editor's side of a session: the data object of its Computer Configuration
// node, which the console passes to the snap-in with MMCN_EXPAND. It answers CCF_NODETYPE and,
// when the editor has a policy open, offers IGPEInformation over a real registry key (each
// GetRegistryKey opens a new handle, which the snap-in closes).
struct PolicyChange {
  BOOL machine, add;
  GUID extension, snapin;  // GUID_NULL for a null pointer
  friend bool operator==(const PolicyChange&, const PolicyChange&) = default;
};

class EditorNode : public ComIdentity {
 public:
  // machineRoot null: a data object without IGPEInformation (a console without the editor).
  explicit EditorNode(HKEY machineRoot) : machineRoot_(machineRoot) {
    expose(IID_IDataObject, data_);
    expose(ids::gpeInformation, information_);
  }
  IDataObject* dataObject() { return data_.get(); }

  std::size_t registryKeysAsked = 0;
  std::vector<PolicyChange> policyChanges;
  HRESULT failGetRegistryKey = S_OK;  // a failure answers every GetRegistryKey

 protected:
  bool offered(const IID& iid) const override { return machineRoot_ || !IsEqualIID(iid, ids::gpeInformation); }

 private:
  struct Data : DataObjectStubs {
    explicit Data(EditorNode& n) : DataObjectStubs(n, "editor IDataObject"), node(n) {}
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override {
      if (format == nullptr || medium == nullptr) return E_POINTER;
      if (format->cfFormat != RegisterClipboardFormatW(L"CCF_NODETYPE")) return DV_E_FORMATETC;
      if (medium->tymed != TYMED_HGLOBAL || GlobalSize(medium->hGlobal) < sizeof(GUID)) return STG_E_MEDIUMFULL;
      std::memcpy(GlobalLock(medium->hGlobal), &ids::nodeIdMachine, sizeof(GUID));
      GlobalUnlock(medium->hGlobal);
      return S_OK;
    }
    EditorNode& node;
  };

  struct Information : Counted<IGPEInformation> {
    explicit Information(EditorNode& n) : Counted(n, "editor IGPEInformation"), node(n) {}
    HRESULT STDMETHODCALLTYPE GetRegistryKey(DWORD section, HKEY* key) override {
      if (key == nullptr) return E_POINTER;
      *key = nullptr;
      ++node.registryKeysAsked;
      if (FAILED(node.failGetRegistryKey)) return node.failGetRegistryKey;
      if (section != GPO_SECTION_MACHINE) return E_INVALIDARG;
      return HRESULT_FROM_WIN32(RegOpenKeyExW(node.machineRoot_, nullptr, 0, KEY_ALL_ACCESS, key));
    }
    HRESULT STDMETHODCALLTYPE PolicyChanged(BOOL machine, BOOL add, GUID* extension, GUID* snapin) override {
      node.policyChanges.push_back({machine, add, extension ? *extension : GUID_NULL, snapin ? *snapin : GUID_NULL});
      return S_OK;
    }
    OSTREL_STUBS((GetName, (LPOLESTR, int))(GetDisplayName, (LPOLESTR, int))(GetDSPath, (DWORD, LPOLESTR, int))
                 (GetFileSysPath, (DWORD, LPOLESTR, int))(GetOptions, (DWORD*))(GetType, (GROUP_POLICY_OBJECT_TYPE*))
                 (GetHint, (GROUP_POLICY_HINT_TYPE*)))
    EditorNode& node;
  };

  HKEY machineRoot_;
  Data data_{*this};
  Information information_{*this};
};

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
  SIZE smallSize, largeSize;  // of the bitmaps, as GetObjectW reports them at the call
};

struct MenuItem {
  std::wstring name, statusText;
  LONG commandId, insertionPoint, flags, specialFlags;
  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// One sheet the snap-in asked the console's property-sheet provider for, from
// CreatePropertySheet (title, type: TRUE a property sheet, FALSE a wizard; options) through
// AddPrimaryPages (scopePane, the pages added; GetWatermarks asked for new-style wizards) to
// Show (its window; -1 throws the sheet begun away).
struct SheetRequest {
  std::wstring title;
  bool propertySheet = false;
  DWORD options = 0;
  BOOL scopePane = FALSE, stretch = TRUE;
  HBITMAP header = nullptr;
  std::size_t pages = 0;
  LONG_PTR showWindow = 0;
  HWND window = nullptr;  // the real modeless sheet Show made (comctl32), until it closes
  bool closed = false;
};

class Console;
struct ViewObjects;     // the console objects one view hands to its IComponent
struct ConsoleObjects;  // the scope pane's, the menus', the node manager's and its sheet providers'

// One console view (an IComponent of the snap-in) with its result pane.
class View {
 public:
  View(Console& console, int number);
  ~View();
  [[nodiscard]] IComponent* component() { return component_.Get(); }
  const int number;

  // The administrator selects a scope item in this view (also what SelectScopeItem does):
  // MMCN_ADD_IMAGES, MMCN_SHOW(TRUE) and MMCN_SELECT(scope, selected). Answers MMCN_SHOW's result.
  // (The scenarios show one scope item only, so no other item is hidden first.)
  HRESULT select(HSCOPEITEM item);
  // The administrator selects a row (MMCN_SELECT, scope FALSE) or presses Delete on it.
  HRESULT selectRow(std::size_t row) { return notifyRow(row, MMCN_SELECT, MAKELONG(FALSE, TRUE)); }
  HRESULT deleteRow(std::size_t row) { return notifyRow(row, MMCN_DELETE, 0); }
  // The Properties verb on a row: a real property sheet of the view's pages, reporting to it.
  HRESULT properties(std::size_t row);
  // Any notification for a scope item, with a data object the component makes for it.
  HRESULT notifyScope(HSCOPEITEM item, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);
  // IComponent::Destroy, then the final Release; Destroy must release the view's console objects.
  HRESULT close();

  // The texts of the rows' cells, asked with IComponent::GetDisplayInfo.
  std::vector<std::vector<std::wstring>> cells();
  std::wstring cell(std::size_t row, int column, HRESULT* result = nullptr, int* image = nullptr);

  bool open = false;
  std::vector<std::wstring> columns;  // "index title format width", in the order inserted
  std::vector<RESULTDATAITEM> rows;   // as inserted, itemID set by the console
  std::set<int> enabledVerbs;         // reset at each selection
  std::vector<ImageStrip> resultStrips;
  // The pane's shows, view changes and deletions, in order ("MMCN_SHOW 1", "MMCN_VIEW_CHANGE",
  // "DeleteItem 0").
  std::vector<std::wstring> log;

  // The double's own parts, reached by the console objects.
  HRESULT notifyRow(std::size_t row, MMC_NOTIFY_TYPE event, LPARAM arg);
  Console& console_;
  std::unique_ptr<ViewObjects> objects_;
  ComPtr<IComponent> component_;
  HRESULTITEM nextRowId_ = 0x5000;
};

class Console {
 public:
  explicit Console(EditorNode& editor);
  ~Console();  // closes the session if the test did not

  // CoCreateInstance and IComponentData::Initialize of the first namespace extension registered
  // under HKLM\SOFTWARE\Microsoft\MMC\NodeTypes\{type}\Extensions\NameSpace.
  HRESULT loadNamespaceExtension(const GUID& nodeType);

  // The editor's Computer Configuration node, expanded with the editor's data object.
  static constexpr HSCOPEITEM computerConfiguration = 0x100;
  HRESULT expandComputerConfiguration();
  // MMCN_EXPAND of one of the snap-in's own scope items.
  HRESULT expand(HSCOPEITEM item);
  std::vector<ScopeItem> scopeItems;  // inserted by the snap-in
  [[nodiscard]] std::vector<const ScopeItem*> childrenOf(HSCOPEITEM parent) const;
  [[nodiscard]] const ScopeItem* scopeItem(HSCOPEITEM id) const;
  std::wstring scopeText(HSCOPEITEM item, HRESULT* result = nullptr, int* image = nullptr);
  std::vector<ImageStrip> scopeStrips;

  // IComponentData::CreateComponent, then IComponent::Initialize; a failure is a problem.
  View& openView();

  // The context menu of a scope item (AddMenuItems of the component data); a failure is a problem.
  std::vector<MenuItem> contextMenu(HSCOPEITEM item, LONG allowed);
  HRESULT command(HSCOPEITEM item, long commandId);
  // The Properties verb on a scope item, as View::properties on a row.
  HRESULT properties(HSCOPEITEM item);
  // Registers the console's property-sheet provider (CLSID_NodeManager) in this process, for
  // the snap-in's own requests; without it, creating one fails as under plain Wine.
  HRESULT offerSheetProvider();
  [[nodiscard]] std::vector<const SheetRequest*> sheetRequests() const;

  // Delivers page notices posted to the console's window with MMCN_PROPERTY_CHANGE to
  // IComponentData (scope-pane sheets) or the sheet's IComponent (a failure is a problem), and
  // destroys a modeless sheet once it has closed (no current page left).
  void pumpMessages();

  // Every IComponent::Destroy and final Release, then IComponentData's. Answers the first failure.
  // Open sheets stay until their buttons close them, reporting to no one.
  HRESULT close();

  // Failure switches: the provider's CreatePropertySheet, the n-th AddPage of each sheet
  // (counted from 1; 0 never), every result pane's InsertItem.
  HRESULT failCreatePropertySheet = S_OK;
  std::size_t failAddPage = 0;
  HRESULT failInsertItem = S_OK;
  // Interfaces of the double's objects still referenced or released too often.
  [[nodiscard]] std::vector<std::string> referenceProblems() const;

  [[nodiscard]] HWND mainWindow() const { return mainWindow_; }

  // A text the snap-in handed over: copied, freed when from CoTaskMemAlloc, reported otherwise.
  static std::wstring takeText(LPOLESTR text, const char* what);

  // The double's own parts, reached by the console objects.
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  View* activeView();
  ComPtr<IDataObject> scopeDataObject(HSCOPEITEM item);
  ComPtr<IExtendContextMenu> contextMenuOf(HSCOPEITEM item, ComPtr<IDataObject>& data);
  // QueryPagesFor of owner; if S_OK, a sheet of the provider with owner's pages, shown. Answers
  // the first answer that is not S_OK.
  HRESULT showProperties(IUnknown* owner, IDataObject* data, BOOL scopePane);

  EditorNode& editor_;
  HWND mainWindow_ = nullptr;
  std::unique_ptr<ConsoleObjects> objects_;
  ComPtr<IComponentData> componentData_;
  std::vector<std::unique_ptr<View>> views_;
  HSCOPEITEM nextScopeId_ = 0x1000;
  bool closed_ = false;
};

}  // namespace ostrel::console

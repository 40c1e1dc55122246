#pragma once
// The snap-in's component data: one per snap-in instance, made by the class object. It
// owns the scope node and hands the console's scope-side requests to the items.
#include <windows.h>

#include <memory>

#include <mmc.h>

#include "snapin/com_object_win.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

class PoliciesNode;
class SnapinItem;

class SnapinData final : public ComObject<SnapinData, IComponentData, IExtendContextMenu, IExtendPropertySheet2>,
                         private ModuleCounted {
 public:
  SnapinData();
  ~SnapinData() override;
  static std::span<const InterfaceEntry<SnapinData>> interfaces();

  [[nodiscard]] PoliciesNode& node() { return *node_; }
  // The console kept from Initialize; null before Initialize and after Destroy.
  [[nodiscard]] IConsole* console() const { return console_.Get(); }

  // IComponentData
  HRESULT STDMETHODCALLTYPE Initialize(LPUNKNOWN unknown) noexcept override;
  HRESULT STDMETHODCALLTYPE CreateComponent(LPCOMPONENT* component) noexcept override;
  HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                   LPARAM param) noexcept override;
  HRESULT STDMETHODCALLTYPE Destroy() noexcept override;
  HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                            LPDATAOBJECT* dataObject) noexcept override;
  HRESULT STDMETHODCALLTYPE GetDisplayInfo(SCOPEDATAITEM* item) noexcept override;
  HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) noexcept override;

  // IExtendContextMenu
  HRESULT STDMETHODCALLTYPE AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                         long* insertionAllowed) noexcept override;
  HRESULT STDMETHODCALLTYPE Command(long commandId, LPDATAOBJECT dataObject) noexcept override;

  // IExtendPropertySheet2
  HRESULT STDMETHODCALLTYPE CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                                LPDATAOBJECT dataObject) noexcept override;
  HRESULT STDMETHODCALLTYPE QueryPagesFor(LPDATAOBJECT dataObject) noexcept override;
  HRESULT STDMETHODCALLTYPE GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark, HBITMAP* header,
                                          HPALETTE* palette, BOOL* stretch) noexcept override;

 private:
  HRESULT expand(IDataObject* dataObject, HSCOPEITEM parent);
  HRESULT insertNode(HSCOPEITEM parent);

  std::unique_ptr<PoliciesNode> node_;
  ComPtr<IConsole> console_;
  ComPtr<IConsoleNameSpace> nameSpace_;
  bool initialised_ = false;
};

// The operations that SnapinData and SnapinView share: the item named by a data object,
// the comparison of two data objects, and the context-menu and property-sheet requests.
HRESULT compareDataObjects(IDataObject* a, IDataObject* b) noexcept;
HRESULT addItemMenuItems(IDataObject* dataObject, IContextMenuCallback* callback, long* allowed) noexcept;
HRESULT itemCommand(long commandId, IDataObject* dataObject) noexcept;
HRESULT itemCreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR handle, IDataObject* dataObject) noexcept;
HRESULT itemQueryPagesFor(IDataObject* dataObject) noexcept;
HRESULT itemGetWatermarks(IDataObject* dataObject, HBITMAP* watermark, HBITMAP* header, HPALETTE* palette,
                          BOOL* stretch) noexcept;

}  // namespace ostrel::snapin

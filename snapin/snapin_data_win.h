#pragma once
// The snap-in's component data: one per snap-in instance, made by the class object. It
// owns the scope node and hands the console's scope-side requests to the items.
#include <windows.h>

#include <memory>

#include <mmc.h>

#include "snapin/com_object_win.h"
#include "snapin/item_extensions_win.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

class PoliciesNode;
class SnapinItem;

class SnapinData final : public ComObject<SnapinData, IComponentData, ItemExtensions>,
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

 private:
  HRESULT expand(IDataObject* dataObject, HSCOPEITEM parent);
  HRESULT insertNode(HSCOPEITEM parent);

  std::unique_ptr<PoliciesNode> node_;
  ComPtr<IConsole> console_;
  ComPtr<IConsoleNameSpace> nameSpace_;
  bool initialised_ = false;
};

// The comparison of two data objects, shared with SnapinView.
HRESULT compareDataObjects(IDataObject* a, IDataObject* b) noexcept;

}  // namespace ostrel::snapin

#pragma once
// One console view of the snap-in: made by SnapinData::CreateComponent, it hands the
// console's result-side requests to the items.
#include <windows.h>

#include <mmc.h>

#include "snapin/com_object_win.h"
#include "snapin/item_extensions_win.h"
#include "snapin/module_win.h"
#include "snapin/snapin_data_win.h"

namespace ostrel::snapin {

class SnapinView final : public ComObject<SnapinView, IComponent, ItemExtensions>,
                         private ModuleCounted {
 public:
  explicit SnapinView(SnapinData* maker);
  ~SnapinView() override;
  static std::span<const InterfaceEntry<SnapinView>> interfaces();

  [[nodiscard]] IConsole* console() const { return console_.Get(); }
  [[nodiscard]] SnapinData* maker() const { return maker_.Get(); }

  // IComponent
  HRESULT STDMETHODCALLTYPE Initialize(LPCONSOLE console) noexcept override;
  HRESULT STDMETHODCALLTYPE Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                   LPARAM param) noexcept override;
  HRESULT STDMETHODCALLTYPE Destroy(MMC_COOKIE cookie) noexcept override;
  HRESULT STDMETHODCALLTYPE QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                            LPDATAOBJECT* dataObject) noexcept override;
  HRESULT STDMETHODCALLTYPE GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType,
                                              long* viewOptions) noexcept override;
  HRESULT STDMETHODCALLTYPE GetDisplayInfo(RESULTDATAITEM* item) noexcept override;
  HRESULT STDMETHODCALLTYPE CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) noexcept override;

 private:
  HRESULT notifyItem(IDataObject* dataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param);

  // Counted: the items this view hands out belong to the component data's node.
  ComPtr<SnapinData> maker_;
  ComPtr<IConsole> console_;
};

}  // namespace ostrel::snapin

#include "snapin/item_extensions_win.h"

#include "snapin/data_object_win.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

HRESULT ItemExtensions::AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                     long* allowed) noexcept {
  SnapinItem* item = itemOf(dataObject);
  if (item == nullptr) return S_FALSE;
  try {
    return item->addMenuItems(callback, allowed);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ItemExtensions::Command(long commandId, LPDATAOBJECT dataObject) noexcept {
  SnapinItem* item = itemOf(dataObject);
  if (item == nullptr) return S_FALSE;
  try {
    return item->command(commandId, dataObject);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ItemExtensions::CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                            LPDATAOBJECT dataObject) noexcept {
  SnapinItem* item = itemOf(dataObject);
  if (item == nullptr) return S_FALSE;
  try {
    return item->createPropertyPages(callback, handle, dataObject);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ItemExtensions::QueryPagesFor(LPDATAOBJECT dataObject) noexcept {
  SnapinItem* item = itemOf(dataObject);
  return item != nullptr ? item->queryPagesFor(dataObject) : S_FALSE;
}

HRESULT ItemExtensions::GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark, HBITMAP* header,
                                      HPALETTE* palette, BOOL* stretch) noexcept {
  SnapinItem* item = itemOf(dataObject);
  return item != nullptr ? item->getWatermarks(watermark, header, palette, stretch) : S_FALSE;
}

}  // namespace ostrel::snapin

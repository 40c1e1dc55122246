#include "snapin/item_extensions_win.h"

#include "snapin/com_object_win.h"
#include "snapin/data_object_win.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

HRESULT ItemExtensions::AddMenuItems(LPDATAOBJECT dataObject, LPCONTEXTMENUCALLBACK callback,
                                     long* allowed) noexcept {
  return guarded([&] {
    SnapinItem* item = itemOf(dataObject);
    return item != nullptr ? item->addMenuItems(callback, allowed) : S_FALSE;
  });
}

HRESULT ItemExtensions::Command(long commandId, LPDATAOBJECT dataObject) noexcept {
  return guarded([&] {
    SnapinItem* item = itemOf(dataObject);
    return item != nullptr ? item->command(commandId, dataObject) : S_FALSE;
  });
}

HRESULT ItemExtensions::CreatePropertyPages(LPPROPERTYSHEETCALLBACK callback, LONG_PTR handle,
                                            LPDATAOBJECT dataObject) noexcept {
  return guarded([&] {
    SnapinItem* item = itemOf(dataObject);
    return item != nullptr ? item->createPropertyPages(callback, handle, dataObject) : S_FALSE;
  });
}

HRESULT ItemExtensions::QueryPagesFor(LPDATAOBJECT dataObject) noexcept {
  return guarded([&] {
    SnapinItem* item = itemOf(dataObject);
    return item != nullptr ? item->queryPagesFor(dataObject) : S_FALSE;
  });
}

HRESULT ItemExtensions::GetWatermarks(LPDATAOBJECT dataObject, HBITMAP* watermark, HBITMAP* header,
                                      HPALETTE* palette, BOOL* stretch) noexcept {
  return guarded([&] {
    SnapinItem* item = itemOf(dataObject);
    return item != nullptr ? item->getWatermarks(watermark, header, palette, stretch) : S_FALSE;
  });
}

}  // namespace ostrel::snapin

#pragma once
// IExtendContextMenu and IExtendPropertySheet2 of the console objects. SnapinData (scope
// pane) and SnapinView (result pane) answer them alike: each request goes to the item that
// the data object carries, so the same item operation runs whichever pane asked.
#include <windows.h>

#include <mmc.h>

namespace ostrel::snapin {

class ItemExtensions : public IExtendContextMenu, public IExtendPropertySheet2 {
 public:
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

 protected:
  ~ItemExtensions() = default;
};

}  // namespace ostrel::snapin

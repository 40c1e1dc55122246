#include "snapin/snapin_item_win.h"

#include "snapin/console_logic.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

namespace {
const GUID zeroGuid{};
}

SnapinItem::SnapinItem() noexcept { module::loadImageStrips(); }
SnapinItem::~SnapinItem() = default;

const GUID& SnapinItem::nodeType() { return zeroGuid; }
HRESULT SnapinItem::resultViewType(LPOLESTR*, long*) { return S_FALSE; }
HRESULT SnapinItem::initialise(IConsoleNameSpace*, IConsole*, IDataObject*) { return S_FALSE; }
HRESULT SnapinItem::expand(IConsoleNameSpace*, IConsole*, HSCOPEITEM) { return S_FALSE; }
HRESULT SnapinItem::show(IConsole*, bool, HSCOPEITEM) { return S_FALSE; }
HRESULT SnapinItem::addImages(IImageList* images, HSCOPEITEM) { return setImageStrips(images); }
HRESULT SnapinItem::addMenuItems(IContextMenuCallback*, long*) { return S_FALSE; }
HRESULT SnapinItem::doubleClick(IConsole*, IDataObject*) { return S_FALSE; }
HRESULT SnapinItem::deleteSecondStep(IConsole*) { return S_FALSE; }
HRESULT SnapinItem::deleteFirstStep(IConsole*) { return S_FALSE; }
HRESULT SnapinItem::select(SnapinView*, IConsole*, bool, bool) { return S_FALSE; }
HRESULT SnapinItem::createPropertyPages(IPropertySheetCallback*, LONG_PTR, IDataObject*) { return S_FALSE; }
HRESULT SnapinItem::queryPagesFor(IDataObject*) { return S_FALSE; }
HRESULT SnapinItem::getWatermarks(HBITMAP*, HBITMAP*, HPALETTE*, BOOL*) { return S_FALSE; }
void SnapinItem::setScopeItem(HSCOPEITEM) {}
HSCOPEITEM SnapinItem::scopeItem() { return 0; }
void SnapinItem::save() {}
HRESULT SnapinItem::command(long, IDataObject*) { return S_FALSE; }

HRESULT setImageStrips(IImageList* images) noexcept {
  if (images == nullptr) return E_FAIL;
  // ImageListSetStrip takes the bitmaps as LONG_PTR* by the console's old declaration.
  return images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(module::smallImageStrip()),
                                   reinterpret_cast<LONG_PTR*>(module::largeImageStrip()), 0,
                                   static_cast<COLORREF>(maskColour));
}

}  // namespace ostrel::snapin

#include "snapin/snapin_view_win.h"

#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/data_object_win.h"
#include "wizard/page_notice.h"
#include "snapin/policies_node_win.h"
#include "snapin/snapin_data_win.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

std::span<const InterfaceEntry<SnapinView>> SnapinView::interfaces() {
  static const InterfaceEntry<SnapinView> table[] = {
      interfaceEntry<SnapinView, IComponent>(IID_IUnknown),
      interfaceEntry<SnapinView, IComponent>(IID_IComponent),
      interfaceEntry<SnapinView, IExtendContextMenu>(IID_IExtendContextMenu),
      interfaceEntry<SnapinView, IExtendPropertySheet2>(IID_IExtendPropertySheet),
      interfaceEntry<SnapinView, IExtendPropertySheet2>(IID_IExtendPropertySheet2),
  };
  return table;
}

SnapinView::SnapinView(SnapinData* maker) : maker_(maker) {
  if (maker_) maker_->node().addView(*this);
}
SnapinView::~SnapinView() {
  if (maker_) maker_->node().removeView(*this);
}

HRESULT SnapinView::Initialize(LPCONSOLE console) noexcept {
  if (console == nullptr) return E_FAIL;
  console_ = console;
  return S_OK;
}

HRESULT SnapinView::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) noexcept {
  return guarded([&]() -> HRESULT {
    switch (event) {
      case MMCN_VIEW_CHANGE:
        if (param == viewChangeHint && console_) console_->SelectScopeItem(static_cast<HSCOPEITEM>(arg));
        return S_OK;
      case MMCN_PROPERTY_CHANGE: {
        // A page notice of an existing rule's property sheet; its owner is the Rule item.
        std::unique_ptr<wizard::PageNotice> notice = wizard::adoptPageNotice(param);
        if (notice && notice->owner != nullptr) notice->owner->receiveNotice(*notice);
        return S_OK;
      }
      default:
        return notifyItem(dataObject, event, arg, param);
    }
  });
}

HRESULT SnapinView::notifyItem(IDataObject* dataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) {
  SnapinItem* item = itemOf(dataObject);
  if (item == nullptr) return S_FALSE;
  switch (event) {
    case MMCN_SHOW:
      return item->show(console_.Get(), arg != 0, static_cast<HSCOPEITEM>(param));
    case MMCN_ADD_IMAGES:
      return item->addImages(reinterpret_cast<IImageList*>(arg), static_cast<HSCOPEITEM>(param));
    case MMCN_SELECT:
      return item->select(this, console_.Get(), LOWORD(arg) != 0, HIWORD(arg) != 0);
    case MMCN_DBLCLICK:
      return item->doubleClick(console_.Get(), dataObject);
    case MMCN_DELETE: {
      // The first step's view refresh may drop the item from the Rule list; the list keeps
      // dropped items alive, so the item is still valid for the steps after it.
      (void)item->deleteFirstStep(console_.Get());
      HRESULT hr = item->deleteSecondStep(maker_ ? maker_->console() : nullptr);
      item->save();
      return hr;
    }
    default:
      return S_FALSE;
  }
}

HRESULT SnapinView::Destroy(MMC_COOKIE) noexcept {
  console_.Reset();
  return S_OK;
}

HRESULT SnapinView::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* dataObject) noexcept {
  return newDataObject(reinterpret_cast<SnapinItem*>(cookie), static_cast<DWORD>(type),
                       static_cast<IComponentData*>(maker_.Get()), dataObject);
}

HRESULT SnapinView::GetResultViewType(MMC_COOKIE cookie, LPOLESTR* viewType, long* viewOptions) noexcept {
  if (viewType == nullptr || viewOptions == nullptr) return E_FAIL;
  if (cookie == 0) {
    *viewType = nullptr;
    *viewOptions = 0;
    return S_OK;
  }
  return guarded([&] { return reinterpret_cast<SnapinItem*>(cookie)->resultViewType(viewType, viewOptions); });
}

HRESULT SnapinView::GetDisplayInfo(RESULTDATAITEM* resultItem) noexcept {
  if (resultItem == nullptr) return E_FAIL;
  auto* item = reinterpret_cast<SnapinItem*>(resultItem->lParam);
  if (item == nullptr) return S_OK;
  return guarded([&] {
    if (resultItem->mask & RDI_STR) {
      resultItem->str = taskMemCopy(item->displayText(resultItem->nCol));
      if (resultItem->str == nullptr) return E_OUTOFMEMORY;
    }
    if (resultItem->mask & RDI_IMAGE) resultItem->nImage = item->imageIndex();
    return S_OK;
  });
}

HRESULT SnapinView::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) noexcept { return compareDataObjects(a, b); }


}  // namespace ostrel::snapin

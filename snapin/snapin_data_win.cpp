#include "snapin/snapin_data_win.h"

#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/data_object_win.h"
#include "wizard/page_notice.h"
#include "snapin/policies_node_win.h"
#include "snapin/snapin_view_win.h"

namespace ostrel::snapin {

std::span<const InterfaceEntry<SnapinData>> SnapinData::interfaces() {
  static const InterfaceEntry<SnapinData> table[] = {
      interfaceEntry<SnapinData, IComponentData>(IID_IUnknown),
      interfaceEntry<SnapinData, IComponentData>(IID_IComponentData),
      interfaceEntry<SnapinData, IExtendContextMenu>(IID_IExtendContextMenu),
      interfaceEntry<SnapinData, IExtendPropertySheet2>(IID_IExtendPropertySheet),
      interfaceEntry<SnapinData, IExtendPropertySheet2>(IID_IExtendPropertySheet2),
  };
  return table;
}

SnapinData::SnapinData() : node_(std::make_unique<PoliciesNode>(*this)) { module::loadImageStrips(); }

SnapinData::~SnapinData() = default;

HRESULT SnapinData::Initialize(LPUNKNOWN unknown) noexcept {
  if (unknown == nullptr) return E_FAIL;
  unknown->QueryInterface(IID_IConsoleNameSpace, reinterpret_cast<void**>(nameSpace_.ReleaseAndGetAddressOf()));
  unknown->QueryInterface(IID_IConsole, reinterpret_cast<void**>(console_.ReleaseAndGetAddressOf()));
  if (console_) {
    ComPtr<IImageList> images;
    if (SUCCEEDED(console_->QueryScopeImageList(&images)) && images) (void)setImageStrips(images.Get());
  }
  return S_OK;
}

HRESULT SnapinData::CreateComponent(LPCOMPONENT* component) noexcept {
  if (component == nullptr) return E_FAIL;
  *component = nullptr;
  return createAndQuery<SnapinView>(IID_IComponent, reinterpret_cast<void**>(component), this);
}

HRESULT SnapinData::Notify(LPDATAOBJECT dataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) noexcept {
  return guarded([&]() -> HRESULT {
    switch (event) {
      case MMCN_EXPAND:
        if (isSpecialDataObject(reinterpret_cast<std::intptr_t>(dataObject))) return S_FALSE;
        return expand(dataObject, static_cast<HSCOPEITEM>(param));
      case MMCN_PROPERTY_CHANGE: {
        std::unique_ptr<wizard::PageNotice> notice = wizard::adoptPageNotice(param);
        if (notice) node_->receiveNotice(*notice);
        return S_OK;
      }
      default:
        return S_FALSE;
    }
  });
}

HRESULT SnapinData::expand(IDataObject* dataObject, HSCOPEITEM parent) {
  GUID nodeType{};
  (void)readFormat(dataObject, module::clipboardFormats().nodeType, &nodeType, sizeof nodeType);
  // The editor's data object carries no item of ours: it stands for the scope node.
  SnapinItem* item = itemOf(dataObject);
  if (item == nullptr) item = node_.get();
  if (!initialised_) {
    (void)item->initialise(nameSpace_.Get(), console_.Get(), dataObject);
    initialised_ = true;
  }
  if (IsEqualGUID(nodeType, nodeIdMachine())) return insertNode(parent);
  return item->expand(nameSpace_.Get(), console_.Get(), parent);
}

HRESULT SnapinData::insertNode(HSCOPEITEM parent) {
  if (!nameSpace_) return S_OK;
  SCOPEDATAITEM item{};
  item.mask = SDI_STR | SDI_IMAGE | SDI_OPENIMAGE | SDI_PARAM | SDI_CHILDREN;
  item.displayname = reinterpret_cast<LPOLESTR>(MMC_CALLBACK);
  item.nImage = itemImageIndex;
  item.nOpenImage = itemImageIndex;
  item.cChildren = 0;  // no expand sign: the node has no children
  item.lParam = reinterpret_cast<LPARAM>(static_cast<SnapinItem*>(node_.get()));
  item.relativeID = parent;
  item.ID = 0;
  if (SUCCEEDED(nameSpace_->InsertItem(&item))) node_->setScopeItem(item.ID);
  return S_OK;
}

HRESULT SnapinData::Destroy() noexcept {
  nameSpace_.Reset();
  console_.Reset();
  // Sheets still open keep this object alive and now report to the node directly.
  node_->detachFromConsole();
  return S_OK;
}

HRESULT SnapinData::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* dataObject) noexcept {
  return newDataObject(reinterpret_cast<SnapinItem*>(cookie), static_cast<DWORD>(type),
                       static_cast<IComponentData*>(this), dataObject);
}

HRESULT SnapinData::GetDisplayInfo(SCOPEDATAITEM* scopeItem) noexcept {
  if (scopeItem == nullptr) return E_FAIL;
  auto* item = reinterpret_cast<SnapinItem*>(scopeItem->lParam);
  if (item == nullptr) return S_FALSE;
  return guarded([&] {
    if (scopeItem->mask & SDI_STR) {
      scopeItem->displayname = taskMemCopy(item->displayText(0));
      if (scopeItem->displayname == nullptr) return E_OUTOFMEMORY;
    }
    if (scopeItem->mask & SDI_IMAGE) scopeItem->nImage = item->imageIndex();
    return S_FALSE;
  });
}

HRESULT SnapinData::CompareObjects(LPDATAOBJECT a, LPDATAOBJECT b) noexcept { return compareDataObjects(a, b); }


// The operations shared with SnapinView.

HRESULT compareDataObjects(IDataObject* a, IDataObject* b) noexcept {
  SnapinItem* first = itemOf(a);
  SnapinItem* second = itemOf(b);
  if (first == nullptr || second == nullptr) return S_FALSE;
  return first->identity() == second->identity() ? S_OK : S_FALSE;
}


}  // namespace ostrel::snapin

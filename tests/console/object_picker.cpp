#include "tests/console/object_picker.h"

#include <cstddef>
#include <cstring>

namespace ostrel::console {

namespace {

// The selection as one fixed block: the list, then every text it points to.
HGLOBAL selectionBlock(const std::vector<PickedEntry>& entries) {
  const std::size_t head = offsetof(DS_SELECTION_LIST, aDsSelection) + entries.size() * sizeof(DS_SELECTION);
  std::size_t size = head;
  for (const PickedEntry& e : entries) size += (e.name.size() + e.path.size() + e.objectClass.size() + 3) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
  if (block == nullptr) return nullptr;
  auto* list = static_cast<DS_SELECTION_LIST*>(block);
  auto* text = reinterpret_cast<wchar_t*>(static_cast<BYTE*>(block) + head);
  auto place = [&](const std::wstring& s) {
    wchar_t* at = text;
    std::memcpy(at, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
    text += s.size() + 1;
    return at;
  };
  list->cItems = static_cast<ULONG>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    DS_SELECTION& s = list->aDsSelection[i];
    s.pwzName = place(entries[i].name);
    s.pwzADsPath = place(entries[i].path);
    s.pwzClass = place(entries[i].objectClass);
    s.flScopeType = DSOP_SCOPE_TYPE_ENTERPRISE_DOMAIN;
  }
  return block;
}

struct DataFacet : DataObjectStubs {
  DataFacet(ComIdentity& o, std::string name, ObjectPicker& p) : DataObjectStubs(o, std::move(name)), picker(p) {}
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format == nullptr || medium == nullptr) return E_POINTER;
    if (format->cfFormat != RegisterClipboardFormatW(CFSTR_DSOP_DS_SELECTION_LIST) || !(format->tymed & TYMED_HGLOBAL))
      return DV_E_FORMATETC;
    *medium = STGMEDIUM{};
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = selectionBlock(picker.selection);
    return medium->hGlobal != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  ObjectPicker& picker;
};

struct PickerFacet : Counted<IDsObjectPicker> {
  PickerFacet(ComIdentity& o, std::string name, ObjectPicker& p, IDataObject* d)
      : Counted(o, std::move(name)), picker(p), data(d) {}
  HRESULT STDMETHODCALLTYPE Initialize(PDSOP_INIT_INFO info) override {
    if (info == nullptr) return E_POINTER;
    PickerInitialization seen{*info, {}};
    if (info->aDsScopeInfos != nullptr) seen.scopes.assign(info->aDsScopeInfos, info->aDsScopeInfos + info->cDsScopeInfos);
    seen.init.aDsScopeInfos = nullptr;
    picker.initializations.push_back(std::move(seen));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InvokeDialog(HWND parent, IDataObject** selections) override {
    if (selections == nullptr) return E_POINTER;
    picker.owners.push_back(parent);
    *selections = data;
    data->AddRef();
    return S_OK;
  }
  ObjectPicker& picker;
  IDataObject* data;
};

struct FactoryFacet : Counted<IClassFactory> {
  FactoryFacet(ComIdentity& o, std::string name, IDsObjectPicker* p) : Counted(o, std::move(name)), picker(p) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return picker->QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  IDsObjectPicker* picker;
};

}  // namespace

struct ObjectPicker::Parts {
  explicit Parts(ObjectPicker& p)
      : data(IID_IDataObject, "picker IDataObject", p),
        picker(IID_IDsObjectPicker, "IDsObjectPicker", p, data.facet.get()),
        factory(IID_IClassFactory, "picker IClassFactory", picker.facet.get()) {}
  Object<DataFacet> data;
  Object<PickerFacet> picker;
  Object<FactoryFacet> factory;
};

ObjectPicker::ObjectPicker(std::vector<PickedEntry> s) : selection(std::move(s)), parts_(std::make_unique<Parts>(*this)) {}

ObjectPicker::~ObjectPicker() {
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
}

HRESULT ObjectPicker::offer() {
  if (cookie_ != 0) return S_OK;
  return CoRegisterClassObject(CLSID_DsObjectPicker, parts_->factory.facet.get(), CLSCTX_INPROC_SERVER,
                               REGCLS_MULTIPLEUSE, &cookie_);
}

std::vector<std::string> ObjectPicker::referenceProblems() const {
  return console::referenceProblems({&parts_->data, &parts_->picker});
}

}  // namespace ostrel::console

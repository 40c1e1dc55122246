#include "snapin/data_object_win.h"

#include <cstring>
#include <string>

#include "platform/win/handles.h"
#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/module_win.h"
#include "snapin/snapin_item_win.h"

namespace ostrel::snapin {

std::span<const InterfaceEntry<SnapinDataObject>> SnapinDataObject::interfaces() {
  static const InterfaceEntry<SnapinDataObject> table[] = {
      interfaceEntry<SnapinDataObject, IDataObject>(IID_IUnknown),
      interfaceEntry<SnapinDataObject, IDataObject>(IID_IDataObject),
  };
  return table;
}

HRESULT SnapinDataObject::GetDataHere(FORMATETC* format, STGMEDIUM* medium) noexcept {
  if (format == nullptr || medium == nullptr) return E_FAIL;
  return guarded([&] { return writeFormat(format, medium); });
}

HRESULT SnapinDataObject::writeFormat(const FORMATETC* format, STGMEDIUM* medium) {
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(medium->hGlobal, FALSE, &stream);
  if (FAILED(hr)) return hr;

  const auto& cf = module::clipboardFormats();
  const CLIPFORMAT wanted = format->cfFormat;
  if (wanted == cf.displayName) {
    const wchar_t* text = item_ != nullptr ? item_->displayText(0) : L"";
    if (text == nullptr) text = L"";
    return stream->Write(text, static_cast<ULONG>((std::wcslen(text) + 1) * sizeof(wchar_t)), nullptr);
  }
  if (wanted == cf.nodeType) {
    const GUID nodeType = item_ != nullptr ? item_->nodeType() : GUID{};
    return stream->Write(&nodeType, sizeof nodeType, nullptr);
  }
  if (wanted == cf.szNodeType) {
    const GUID nodeType = item_ != nullptr ? item_->nodeType() : GUID{};
    LPOLESTR text = nullptr;
    hr = StringFromCLSID(nodeType, &text);
    if (FAILED(hr)) return hr;
    hr = stream->Write(text, static_cast<ULONG>((std::wcslen(text) + 1) * sizeof(wchar_t)), nullptr);
    CoTaskMemFree(text);
    return hr;
  }
  if (wanted == cf.snapinClassId) return stream->Write(&snapinClsid(), sizeof(CLSID), nullptr);
  if (wanted == cf.itemPointer) {
    // The data object's own address, as wide as a pointer (8 bytes on x86_64).
    SnapinDataObject* self = this;
    return stream->Write(&self, sizeof self, nullptr);
  }
  return DV_E_FORMATETC;
}

HRESULT newDataObject(SnapinItem* item, DWORD type, IUnknown* itemOwner, IDataObject** out) noexcept {
  if (out == nullptr) return E_FAIL;
  *out = nullptr;
  ComPtr<SnapinDataObject> object = makeComObject<SnapinDataObject>(item, type, itemOwner);
  if (!object) return E_OUTOFMEMORY;
  *out = object.Detach();
  return S_OK;
}

HRESULT readFormat(IDataObject* dataObject, CLIPFORMAT format, void* out, SIZE_T bytes) noexcept {
  win::GlobalMemory block(GlobalAlloc(GMEM_SHARE, bytes));
  if (!block) return E_OUTOFMEMORY;
  FORMATETC etc{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block.get();
  HRESULT hr = dataObject->GetDataHere(&etc, &medium);
  if (SUCCEEDED(hr)) {
    if (void* p = GlobalLock(block.get())) {
      std::memcpy(out, p, bytes);
      GlobalUnlock(block.get());
    } else {
      hr = E_FAIL;
    }
  }
  return hr;
}

SnapinDataObject* snapinDataObjectOf(IDataObject* dataObject) noexcept {
  if (isSpecialDataObject(reinterpret_cast<std::intptr_t>(dataObject))) return nullptr;
  SnapinDataObject* object = nullptr;
  if (FAILED(readFormat(dataObject, module::clipboardFormats().itemPointer, &object, sizeof object)))
    return nullptr;
  return object;
}

SnapinItem* itemOf(IDataObject* dataObject) noexcept {
  SnapinDataObject* object = snapinDataObjectOf(dataObject);
  return object != nullptr ? object->item() : nullptr;
}

}  // namespace ostrel::snapin

#pragma once
// The data object the snap-in hands to the console: it carries its item (the cookie) and
// the data-object type, and serves the console's clipboard formats through GetDataHere. It
// counts in the module's objects and holds the component data that owns its item, so the
// item outlives every data object that names it.
#include <windows.h>

#include <mmc.h>

#include "snapin/com_object_win.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

class SnapinItem;

class SnapinDataObject final : public ComObject<SnapinDataObject, IDataObject>, private ModuleCounted {
 public:
  SnapinDataObject(SnapinItem* item, DWORD type, IUnknown* itemOwner) noexcept
      : item_(item), type_(type), itemOwner_(itemOwner) {}
  static std::span<const InterfaceEntry<SnapinDataObject>> interfaces();

  [[nodiscard]] SnapinItem* item() const { return item_; }
  [[nodiscard]] DWORD type() const { return type_; }
  void setType(DWORD type) { type_ = type; }

  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) noexcept override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) noexcept override { return E_NOTIMPL; }

 private:
  HRESULT writeFormat(const FORMATETC* format, STGMEDIUM* medium);

  SnapinItem* item_;  // owned by itemOwner_'s node
  DWORD type_;
  ComPtr<IUnknown> itemOwner_;
};

// A new data object for the item, which itemOwner (the component data) keeps alive, handed
// out as IDataObject (QueryDataObject).
HRESULT newDataObject(SnapinItem* item, DWORD type, IUnknown* itemOwner, IDataObject** out) noexcept;

// The snap-in's own data object behind a data object the console passes in, found through
// the item-pointer format; null for the console's special values (-10 to 0) and for other
// snap-ins' data objects.
SnapinDataObject* snapinDataObjectOf(IDataObject* dataObject) noexcept;
// Its item, or null.
SnapinItem* itemOf(IDataObject* dataObject) noexcept;

// Reads a fixed-size format of a data object through GetDataHere into a global block.
HRESULT readFormat(IDataObject* dataObject, CLIPFORMAT format, void* out, SIZE_T bytes) noexcept;

}  // namespace ostrel::snapin

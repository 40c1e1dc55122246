#include "snapin/class_factory_win.h"

#include "snapin/snapin_about_win.h"
#include "snapin/snapin_data_win.h"

namespace ostrel::snapin {

std::span<const InterfaceEntry<SnapinClassFactory>> SnapinClassFactory::interfaces() {
  static const InterfaceEntry<SnapinClassFactory> table[] = {
      interfaceEntry<SnapinClassFactory, IClassFactory>(IID_IUnknown),
      interfaceEntry<SnapinClassFactory, IClassFactory>(IID_IClassFactory),
  };
  return table;
}

HRESULT SnapinClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_FAIL;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (about_) return createAndQuery<SnapinAbout>(riid, ppv);
  return createAndQuery<SnapinData>(riid, ppv);
}

HRESULT SnapinClassFactory::LockServer(BOOL lock) noexcept {
  if (lock) module::lock();
  else module::unlock();
  return S_OK;
}

}  // namespace ostrel::snapin

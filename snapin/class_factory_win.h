#pragma once
// The class object of both creatable classes: SnapinData, or SnapinAbout with the about flag.
#include <windows.h>

#include "snapin/com_object_win.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

class SnapinClassFactory final : public ComObject<SnapinClassFactory, IClassFactory>, private ModuleCounted {
 public:
  explicit SnapinClassFactory(bool about) noexcept : about_(about) {}
  static std::span<const InterfaceEntry<SnapinClassFactory>> interfaces();

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

 private:
  bool about_;
};

}  // namespace ostrel::snapin

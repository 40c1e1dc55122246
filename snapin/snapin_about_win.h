#pragma once
// The snap-in's About information: description, provider, version and images.
#include <windows.h>

#include <mmc.h>

#include "platform/win/handles.h"
#include "snapin/com_object_win.h"
#include "snapin/module_win.h"

namespace ostrel::snapin {

class SnapinAbout final : public ComObject<SnapinAbout, ISnapinAbout>, private ModuleCounted {
 public:
  SnapinAbout() noexcept;
  ~SnapinAbout() override;
  static std::span<const InterfaceEntry<SnapinAbout>> interfaces();

  HRESULT STDMETHODCALLTYPE GetSnapinDescription(LPOLESTR* description) noexcept override;
  HRESULT STDMETHODCALLTYPE GetProvider(LPOLESTR* name) noexcept override;
  HRESULT STDMETHODCALLTYPE GetSnapinVersion(LPOLESTR* version) noexcept override;
  HRESULT STDMETHODCALLTYPE GetSnapinImage(HICON* icon) noexcept override;
  HRESULT STDMETHODCALLTYPE GetStaticFolderImage(HBITMAP* smallImage, HBITMAP* smallOpenImage, HBITMAP* largeImage,
                                                 COLORREF* mask) noexcept override;

 private:
  win::Bitmap small_;      // IDB_SMALL_IMAGE, 16x16
  win::Bitmap large_;      // IDB_LARGE_IMAGE, 32x32
  win::Bitmap smallOpen_;  // IDB_SMALL_OPEN_FOLDER, 16x16
  HICON icon_ = nullptr;   // IDI_PRODUCT, from LoadIconW: shared, never destroyed
};

}  // namespace ostrel::snapin

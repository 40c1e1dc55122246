#include "snapin/snapin_about_win.h"

#include <cstring>
#include <cwchar>
#include <string>

#include "resources/product.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "snapin/console_logic.h"

namespace ostrel::snapin {
namespace {

constexpr std::size_t descriptionChars = 259;

HBITMAP loadBitmap(unsigned id, int size) {
  return static_cast<HBITMAP>(
      LoadImageW(module::instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, size, size, LR_LOADTRANSPARENT));
}

HRESULT answerText(const wchar_t* text, LPOLESTR* out) {
  if (out == nullptr) return E_FAIL;
  *out = taskMemCopy(text);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

LPOLESTR taskMemCopy(const wchar_t* text) noexcept {
  const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) std::memcpy(copy, text, bytes);
  return copy;
}

std::span<const InterfaceEntry<SnapinAbout>> SnapinAbout::interfaces() {
  static const InterfaceEntry<SnapinAbout> table[] = {
      interfaceEntry<SnapinAbout, ISnapinAbout>(IID_IUnknown),
      interfaceEntry<SnapinAbout, ISnapinAbout>(IID_ISnapinAbout),
  };
  return table;
}

SnapinAbout::SnapinAbout() noexcept
    : small_(loadBitmap(IDB_SMALL_IMAGE, 16)),
      large_(loadBitmap(IDB_LARGE_IMAGE, 32)),
      smallOpen_(loadBitmap(IDB_SMALL_OPEN_FOLDER, 16)),
      icon_(LoadIconW(module::instance(), MAKEINTRESOURCEW(IDI_PRODUCT))) {}

SnapinAbout::~SnapinAbout() = default;

HRESULT SnapinAbout::GetSnapinDescription(LPOLESTR* description) noexcept {
  return guarded([&] {
    std::wstring text(res::string(IDS_SNAPIN_DESCRIPTION));
    if (text.size() > descriptionChars) text.resize(descriptionChars);
    return answerText(text.c_str(), description);
  });
}

HRESULT SnapinAbout::GetProvider(LPOLESTR* name) noexcept { return answerText(product::maker, name); }
HRESULT SnapinAbout::GetSnapinVersion(LPOLESTR* version) noexcept { return answerText(product::version, version); }

HRESULT SnapinAbout::GetSnapinImage(HICON* icon) noexcept {
  if (icon == nullptr) return E_FAIL;
  *icon = icon_;
  return icon_ != nullptr ? S_OK : E_FAIL;
}

HRESULT SnapinAbout::GetStaticFolderImage(HBITMAP* smallImage, HBITMAP* smallOpenImage, HBITMAP* largeImage,
                                          COLORREF* mask) noexcept {
  if (smallImage == nullptr || smallOpenImage == nullptr || largeImage == nullptr || mask == nullptr)
    return E_FAIL;
  *smallImage = small_.get();
  *smallOpenImage = smallOpen_.get();
  *largeImage = large_.get();
  *mask = static_cast<COLORREF>(maskColour);
  return small_ && smallOpen_ && large_ ? S_OK : E_FAIL;
}

}  // namespace ostrel::snapin

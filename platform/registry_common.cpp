#include <cwctype>

#include "platform/registry.h"
#include "platform/text.h"

namespace ostrel {

std::vector<std::uint8_t> regSzBytes(std::wstring_view text) {
  std::u16string units = toUtf16(text);
  std::vector<std::uint8_t> bytes;
  bytes.reserve((units.size() + 1) * 2);
  for (char16_t c : units) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

bool textFromRegSz(std::span<const std::uint8_t> data, std::wstring& text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  std::u16string units;
  units.reserve(data.size() / 2);
  bool terminated = false;
  for (std::size_t i = 0; i < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) {
      terminated = true;
      break;
    }
    units.push_back(c);
  }
  if (!terminated) return false;
  text = fromUtf16(units);
  return true;
}

std::vector<std::uint8_t> regDwordBytes(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

int compareNames(std::wstring_view a, std::wstring_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    wint_t ca = std::towupper(static_cast<wint_t>(a[i]));
    wint_t cb = std::towupper(static_cast<wint_t>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool namesEqual(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && compareNames(a, b) == 0;
}

}  // namespace ostrel

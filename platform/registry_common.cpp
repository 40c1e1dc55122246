#include <cwctype>

#include "platform/registry.h"
#include "platform/text.h"

namespace ostrel {
namespace {
// A character that UTF-16 writes as a surrogate pair; only where wchar_t is UTF-32.
template <typename C>
bool beyondBasicPlane(C c) {
  if constexpr (sizeof(C) > 2)
    return static_cast<std::uint32_t>(c) >= 0x10000 && static_cast<std::uint32_t>(c) <= 0x10FFFF;
  else
    return false;
}
}  // namespace

std::vector<std::uint8_t> regSzBytes(std::wstring_view text) {
  std::vector<std::uint8_t> bytes;
  regSzBytes(text, bytes);
  return bytes;
}

void regSzBytes(std::wstring_view text, std::vector<std::uint8_t>& bytes) {
  const std::size_t n = text.size();
  bytes.resize(2 * (n + 1));
  std::uint8_t* out = bytes.data();
  for (std::size_t i = 0; i < n; ++i) {
    if (beyondBasicPlane(text[i])) {
      // Rare: a character written as a surrogate pair; encode the whole text the long way.
      std::u16string units = toUtf16(text);
      bytes.resize(2 * (units.size() + 1));
      for (std::size_t k = 0; k < units.size(); ++k) {
        bytes[2 * k] = static_cast<std::uint8_t>(units[k]);
        bytes[2 * k + 1] = static_cast<std::uint8_t>(units[k] >> 8);
      }
      bytes[bytes.size() - 2] = bytes[bytes.size() - 1] = 0;
      return;
    }
    const auto c = static_cast<std::uint32_t>(text[i]);
    out[2 * i] = static_cast<std::uint8_t>(c);
    out[2 * i + 1] = static_cast<std::uint8_t>(c >> 8);
  }
  out[2 * n] = 0;
  out[2 * n + 1] = 0;
}

bool textFromRegSz(std::span<const std::uint8_t> data, std::wstring& text) {
  std::size_t units = 0;
  const std::size_t total = data.size() / 2;  // an odd last byte is no character
  while (units < total && (data[2 * units] | data[2 * units + 1]) != 0) ++units;
  text.resize(units);
  bool surrogates = false;
  for (std::size_t i = 0; i < units; ++i) {
    auto c = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    surrogates |= (c >= 0xD800 && c < 0xE000);
    text[i] = c;
  }
  // Where wchar_t is UTF-32, pairs of surrogates become one character.
  if (sizeof(wchar_t) != 2 && surrogates) text = fromUtf16(toUtf16(text));
  return units < total;
}

std::vector<std::uint8_t> regDwordBytes(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

wchar_t foldCaseSlow(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

int compareNames(std::wstring_view a, std::wstring_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    wchar_t ca = foldCase(a[i]);
    wchar_t cb = foldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool namesEqual(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  // Names of one key often share a long prefix ("PrivilegedGroup1_", "CommandLine"), so
  // comparing from the end finds a difference sooner.
  for (std::size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i] && foldCase(a[i]) != foldCase(b[i])) return false;
  return true;
}

}  // namespace ostrel

#include "accounts/sid_codec.h"

#include <cwctype>

namespace ostrel::accounts {
namespace {

constexpr std::size_t sidPathPrefixChars = 12;  // "LDAP://<SID="

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// One byte from the digit pair at position at. A position past the digits, or a character
// that is not a hexadecimal digit, counts as a zero digit, so no read leaves the path.
unsigned pathByte(std::wstring_view digits, std::size_t at) {
  auto digit = [&](std::size_t i) {
    const int d = i < digits.size() ? hexDigit(digits[i]) : -1;
    return d < 0 ? 0u : static_cast<unsigned>(d);
  };
  return digit(at) << 4 | digit(at + 1);
}

// An unsigned decimal number as the C library's "%lu" reads it into 32 bits: blanks, a sign,
// then digits; a negative number wraps, and so does one too long for 32 bits. Text without
// digits gives 0.
std::uint32_t readDecimal(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) value = value * 10u + static_cast<std::uint32_t>(text[i] - L'0');
  return negative ? 0u - value : value;
}

// "0x" and up to six bytes of one or two hexadecimal digits each, most significant first;
// reading stops at the first pair that does not start with a digit, the rest stay zero.
std::array<std::uint8_t, 6> readHexAuthority(std::wstring_view text) {
  std::array<std::uint8_t, 6> bytes{};
  std::size_t i = 2;
  for (std::uint8_t& byte : bytes) {
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
    if (i >= text.size() || hexDigit(text[i]) < 0) break;
    unsigned value = static_cast<unsigned>(hexDigit(text[i++]));
    if (i < text.size() && hexDigit(text[i]) >= 0) value = value << 4 | static_cast<unsigned>(hexDigit(text[i++]));
    byte = static_cast<std::uint8_t>(value);
  }
  return bytes;
}

}  // namespace

std::wstring sidPathToStringSid(std::wstring_view path) {
  if (path.empty() || path.size() - 1 <= sidPathPrefixChars) return sidPathError;
  const std::wstring_view digits = path.substr(0, path.size() - 1);  // without the closing ">"
  const unsigned revision = pathByte(digits, 12);
  const unsigned count = pathByte(digits, 14);
  const unsigned authority = pathByte(digits, 26);  // the low byte of six; the rest are zero
  std::wstring text = L"S-" + std::to_wstring(revision) + L"-" + std::to_wstring(authority);
  if (count == 0) return text;
  for (std::size_t at = 28; at < digits.size(); at += 8) {
    std::uint32_t sub = 0;
    for (std::size_t b = 0; b < 4; ++b) sub |= static_cast<std::uint32_t>(pathByte(digits, at + 2 * b)) << (8 * b);
    text += L"-" + std::to_wstring(sub);
  }
  return text;
}

std::optional<Sid> stringSidToSid(std::wstring_view text) {
  if (text.size() > maxSidTextChars) return std::nullopt;
  // The first three dashes end "S", the revision and the authority.
  std::size_t dash[3];
  std::size_t from = 0;
  for (std::size_t& d : dash) {
    d = text.find(L'-', from);
    if (d == std::wstring_view::npos) return std::nullopt;
    from = d + 1;
  }
  Sid sid;
  const std::wstring_view authority = text.substr(dash[1] + 1, dash[2] - dash[1] - 1);
  if (authority.starts_with(L"0x")) sid.authority = readHexAuthority(authority);
  else sid.authority[5] = static_cast<std::uint8_t>(readDecimal(authority));
  // Every dash from the third on starts a sub-authority, up to eight; the eighth runs to
  // the end of the text, where its number stops at the next dash anyway.
  std::size_t start = dash[2] + 1;
  while (sid.subAuthorities.size() < maxSubAuthorities) {
    const std::size_t next = text.find(L'-', start);
    const bool last = next == std::wstring_view::npos || sid.subAuthorities.size() + 1 == maxSubAuthorities;
    sid.subAuthorities.push_back(readDecimal(text.substr(start, last ? std::wstring_view::npos : next - start)));
    if (next == std::wstring_view::npos) break;
    start = next + 1;
  }
  return sid;
}

std::vector<std::uint8_t> sidBytes(const Sid& sid) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(8 + 4 * sid.subAuthorities.size());
  bytes.push_back(1);
  bytes.push_back(static_cast<std::uint8_t>(sid.subAuthorities.size()));
  for (std::uint8_t b : sid.authority) bytes.push_back(b);
  for (std::uint32_t sub : sid.subAuthorities)
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<std::uint8_t>(sub >> (8 * b)));
  return bytes;
}

bool isSidText(std::wstring_view text) {
  if (text.size() < 5 || (text[0] != L'S' && text[0] != L's') || text[1] != L'-') return false;
  if (!stringSidToSid(text)) return false;
  bool digit = false;
  for (std::size_t i = 2; i < text.size(); ++i) {
    if (text[i] == L'-') {
      if (!digit) return false;
      digit = false;
    } else if (text[i] >= L'0' && text[i] <= L'9') {
      digit = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace ostrel::accounts

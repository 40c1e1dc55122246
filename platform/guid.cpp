#include "platform/guid.h"

#include "platform/text.h"

namespace ostrel {

// "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", written digit by digit: a rule id is
// formatted for every rule key of every save.
std::wstring guidText(const Guid& g) {
  static constexpr wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring t(38, L'-');
  std::size_t o = 0;
  auto hex = [&](std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) t[o++] = digits[(v >> (4 * i)) & 0xF];
  };
  t[o++] = L'{';
  hex(g.data1, 8);
  ++o;
  hex(g.data2, 4);
  ++o;
  hex(g.data3, 4);
  ++o;
  hex(g.data4[0], 2);
  hex(g.data4[1], 2);
  ++o;
  for (int i = 2; i < 8; ++i) hex(g.data4[i], 2);
  t[o] = L'}';
  return t;
}

namespace {
int hexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}
bool hexField(std::wstring_view t, std::size_t pos, std::size_t digits, std::uint64_t& out) {
  out = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    int v = hexValue(t[pos + i]);
    if (v < 0) return false;
    out = (out << 4) | static_cast<unsigned>(v);
  }
  return true;
}
}  // namespace

bool parseUuid(std::wstring_view t, Guid& out) {
  if (t.size() != 36 || t[8] != L'-' || t[13] != L'-' || t[18] != L'-' || t[23] != L'-') return false;
  std::uint64_t a, b, c, d, e;
  if (!hexField(t, 0, 8, a) || !hexField(t, 9, 4, b) || !hexField(t, 14, 4, c) ||
      !hexField(t, 19, 4, d) || !hexField(t, 24, 12, e))
    return false;
  Guid g;
  g.data1 = static_cast<std::uint32_t>(a);
  g.data2 = static_cast<std::uint16_t>(b);
  g.data3 = static_cast<std::uint16_t>(c);
  g.data4[0] = static_cast<std::uint8_t>(d >> 8);
  g.data4[1] = static_cast<std::uint8_t>(d);
  for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<std::uint8_t>(e >> (8 * (5 - i)));
  out = g;
  return true;
}

}  // namespace ostrel

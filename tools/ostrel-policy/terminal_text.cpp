#include "tools/ostrel-policy/terminal_text.h"

#include <cstdio>

#include "platform/text.h"

namespace ostrel::tool {
namespace {

void hexEscape(std::string& out, const char* format, unsigned value) {
  char buf[12];
  std::snprintf(buf, sizeof buf, format, value);
  out += buf;
}

bool isSurrogate(char16_t c) { return c >= 0xD800 && c < 0xE000; }

}  // namespace

std::string cellText(std::wstring_view text) {
  // Walked in UTF-16 units so that a lone surrogate, which has no UTF-8 form, is escaped too.
  const std::u16string u = toUtf16(text);
  std::string out;
  for (std::size_t i = 0; i < u.size(); ++i) {
    const char16_t c = u[i];
    const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000;
    if (c < 0x20 || c == 0x7F) {
      hexEscape(out, "\\x%02x", c);
    } else if (!pair && ((c >= 0x80 && c < 0xA0) || isSurrogate(c))) {
      hexEscape(out, "\\u%04x", c);
    } else {
      out += toUtf8(fromUtf16(u.substr(i, pair ? 2 : 1)));
      if (pair) ++i;
    }
  }
  return out;
}

}  // namespace ostrel::tool

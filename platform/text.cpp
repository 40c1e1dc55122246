#include "platform/text.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

namespace ostrel {

std::u16string toUtf16(std::wstring_view text) {
  if constexpr (sizeof(wchar_t) == 2) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
  } else {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
      auto c = static_cast<char32_t>(wc);
      if (c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(c));
      }
    }
    return out;
  }
}

std::wstring fromUtf16(std::u16string_view units) {
  if constexpr (sizeof(wchar_t) == 2) {
    return std::wstring(reinterpret_cast<const wchar_t*>(units.data()), units.size());
  } else {
    std::wstring out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
      char32_t c = units[i];
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
        ++i;
      }
      out.push_back(static_cast<wchar_t>(c));
    }
    return out;
  }
}

std::string toUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  std::u16string u = toUtf16(text);
  for (std::size_t i = 0; i < u.size(); ++i) {
    char32_t c = u[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

namespace {
// The code point of the well-formed UTF-8 sequence at s[i] and its length, or length 0:
// overlong forms (such as C0 80 for NUL), encoded surrogates and values past U+10FFFF are
// not well formed.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
  auto b = static_cast<unsigned char>(s[i]);
  std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    auto t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[len] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
  return len;
}
}  // namespace

bool isValidUtf8(std::string_view s) {
  char32_t c = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len = decodeUtf8(s, i, c);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool isValidUtf16(std::wstring_view text) {
  const std::u16string u = toUtf16(text);
  for (std::size_t i = 0; i < u.size(); ++i) {
    if (u[i] < 0xD800 || u[i] >= 0xE000) continue;
    if (u[i] >= 0xDC00 || i + 1 == u.size() || u[i + 1] < 0xDC00 || u[i + 1] >= 0xE000) return false;
    ++i;
  }
  return true;
}

std::wstring fromUtf8(std::string_view s) {
  std::u16string u;
  u.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = 0xFFFD;
    if (std::size_t len = decodeUtf8(s, i, c); len != 0) {
      i += len;
    } else {
      c = 0xFFFD;
      ++i;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      u.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      u.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      u.push_back(static_cast<char16_t>(c));
    }
  }
  return fromUtf16(u);
}

std::wstring formatWide(std::size_t bufferChars, const wchar_t* format, ...) {
  std::vector<wchar_t> buffer(bufferChars + 1, L'\0');
  va_list args;
  va_start(args, format);
  int n = std::vswprintf(buffer.data(), bufferChars, format, args);
  va_end(args);
  if (n < 0) {
    // vswprintf reports truncation as failure; keep what fits, as the fixed buffer would.
    buffer[bufferChars > 0 ? bufferChars - 1 : 0] = L'\0';
  }
  return std::wstring(buffer.data());
}

std::string toNarrow(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(static_cast<unsigned>(c) < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring fromNarrow(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace ostrel

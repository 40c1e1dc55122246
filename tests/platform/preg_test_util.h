#pragma once
// Builds Registry.pol bytes by hand, independently of the codec, and prints a hive as text.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/memory_registry.h"

namespace ostrel::testing {

class PolBytes {
 public:
  PolBytes& header(std::uint32_t sig = 0x67655250, std::uint32_t version = 1) {
    dword(sig);
    return dword(version);
  }
  PolBytes& unit(char16_t c) {
    b.push_back(static_cast<std::uint8_t>(c & 0xFF));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
    return *this;
  }
  PolBytes& str(std::u16string_view s) {
    for (char16_t c : s) unit(c);
    return unit(0);
  }
  PolBytes& dword(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  PolBytes& raw(const std::vector<std::uint8_t>& d) {
    b.insert(b.end(), d.begin(), d.end());
    return *this;
  }
  PolBytes& record(std::u16string_view key, std::u16string_view value, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) {
    unit(u'[').str(key).unit(u';').str(value).unit(u';').dword(type).unit(u';');
    dword(static_cast<std::uint32_t>(data.size())).unit(u';').raw(data);
    return unit(u']');
  }
  PolBytes& sz(std::u16string_view key, std::u16string_view value, std::u16string_view text) {
    std::vector<std::uint8_t> d;
    for (char16_t c : text) {
      d.push_back(static_cast<std::uint8_t>(c & 0xFF));
      d.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    d.push_back(0);
    d.push_back(0);
    return record(key, value, 1, d);
  }
  PolBytes& keyOnly(std::u16string_view key) { return record(key, u"", 0, {}); }
  std::vector<std::uint8_t> b;
};

// One line per key ("key") and per value ("key|name|type|hex"), depth-first in hive order.
inline void dumpNode(const MemoryRegistry::Node& node, const std::wstring& path, std::vector<std::wstring>& out) {
  for (const auto& [name, child] : node.subkeys) {
    std::wstring p = path.empty() ? child->name : path + L"\\" + child->name;
    out.push_back(p);
    for (const auto& v : child->values) {
      std::wstring hex;
      for (auto byte : v.data) {
        static constexpr wchar_t digits[] = L"0123456789abcdef";
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
      }
      out.push_back(p + L"|" + v.name + L"|" + std::to_wstring(v.type) + L"|" + hex);
    }
    dumpNode(*child, p, out);
  }
}
inline std::vector<std::wstring> dump(const MemoryRegistry& hive) {
  std::vector<std::wstring> out;
  dumpNode(hive.rootNode(), L"", out);
  return out;
}

}  // namespace ostrel::testing

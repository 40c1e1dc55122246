#pragma once
// Builds Registry.pol bytes by hand, independently of the codec, and prints a hive as text.
#include <cstdint>
#include <stdexcept>
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
  PolBytes& record(std::u16string_view key, std::u16string_view value, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) {
    unit(u'[').str(key).unit(u';').str(value).unit(u';').dword(type).unit(u';');
    dword(static_cast<std::uint32_t>(data.size())).unit(u';');
    b.insert(b.end(), data.begin(), data.end());
    return unit(u']');
  }
  PolBytes& sz(std::u16string_view key, std::u16string_view value, std::u16string_view text) {
    return record(key, value, 1, PolBytes().str(text).b);
  }
  PolBytes& keyOnly(std::u16string_view key) { return record(key, u"", 0, {}); }
  std::vector<std::uint8_t> b;
};

// Sets key\name (creating the key), or only creates the key when name is null.
inline void put(MemoryRegistry& hive, const std::wstring& key, const wchar_t* name = nullptr,
                std::uint32_t type = regtype::sz, const std::vector<std::uint8_t>& data = {}) {
  RegKey root(hive, hive.openRoot());
  RegKey k;
  if (RegKey::create(hive, root.get(), key, access::all, k) != status::success ||
      (name != nullptr && hive.setValue(k.get(), name, type, data) != status::success))
    throw std::runtime_error("cannot set up the hive");
}

// One line per key ("key") and per value ("key|name|type|hex"), depth-first in hive order.
inline void dumpNode(const MemoryRegistry::Node& node, const std::wstring& path, std::vector<std::wstring>& out) {
  for (const auto& [name, child] : node.subkeys) {
    std::wstring p = path.empty() ? child->name : path + L"\\" + child->name;
    out.push_back(p);
    for (const auto& v : child->values) {
      std::wstring hex;
      for (auto byte : v.data) hex += {L"0123456789abcdef"[byte >> 4], L"0123456789abcdef"[byte & 0xF]};
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

#pragma once
// Shared helpers of the store tests: a hive with a machine root, and readable dumps of keys.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory_registry.h"
#include "platform/text.h"

namespace ostrel::testing {

struct DumpedValue {
  std::wstring name;
  std::uint32_t type;
  std::wstring data;  // REG_SZ text, or the decimal number of a REG_DWORD
  friend bool operator==(const DumpedValue&, const DumpedValue&) = default;
  friend std::ostream& operator<<(std::ostream& os, const DumpedValue& v) {
    return os << toUtf8(v.name) << " (" << v.type << ") = " << toUtf8(v.data);
  }
};

inline std::vector<DumpedValue> dumpValues(Registry& reg, Registry::Key key) {
  std::vector<DumpedValue> out;
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  for (std::uint32_t i = 0; reg.enumValue(key, i, name, type, data) == status::success; ++i) {
    std::wstring text;
    if (type == regtype::sz) {
      if (!textFromRegSz(data, text)) text = L"<unterminated>";
    } else if (type == regtype::dword && data.size() == 4) {
      text = std::to_wstring(data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24));
    }
    out.push_back({name, type, text});
  }
  return out;
}

inline std::vector<std::wstring> subkeyNames(Registry& reg, Registry::Key root, const std::wstring& path) {
  std::vector<std::wstring> names;
  RegKey key;
  if (RegKey::open(reg, root, path, access::read, key) != status::success) return names;
  std::wstring name;
  for (std::uint32_t i = 0; reg.enumKey(key.get(), i, 256, name) == status::success; ++i) names.push_back(name);
  return names;
}

// Every key and value of a hive as sorted lines (a write that failed part way may leave a key's
// values in another order); a Refresh marker by its prefix, since its name holds the time.
inline void hiveLines(const MemoryRegistry::Node& node, const std::wstring& path, std::vector<std::wstring>& out) {
  for (const auto& v : node.values)
    out.push_back(path + L"|" + v.name + L"|" + std::wstring(v.data.begin(), v.data.end()));
  for (const auto& [name, child] : node.subkeys) {
    out.push_back(path + L"\\" + (child->name.starts_with(L"ForceUpdate-0x") ? L"ForceUpdate-0x" : child->name));
    hiveLines(*child, std::wstring(out.back()), out);
  }
}
inline std::vector<std::wstring> hiveLines(const MemoryRegistry& hive) {
  std::vector<std::wstring> out;
  hiveLines(hive.rootNode(), L"", out);
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace ostrel::testing

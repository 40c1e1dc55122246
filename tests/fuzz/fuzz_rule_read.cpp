// libFuzzer target for the Rule reader over a hive built from the input (read as a
// Registry.pol file). For every key: no crash, work bounded by the values the key holds, and a
// rule once read writes back values that read back to the same rule.
#include <cstdint>
#include <cstdlib>

#include "platform/faulty_registry.h"
#include "platform/preg/preg_codec.h"
#include "rules/rule.h"

using namespace ostrel;

namespace {

const std::wstring keyPath = L"fuzz\\";

// The values the writer leaves in a fresh key for rule.
std::vector<MemoryRegistry::Value> written(Rule& rule) {
  MemoryRegistry out;
  RegKey root(out, out.openRoot()), key;
  if (RegKey::create(out, root.get(), L"K", access::all, key) != status::success) std::abort();
  rule.setStoreKey(out, key.get(), &keyPath);
  if (rule.write() != 1) std::abort();
  return out.rootNode().subkeys.begin()->second->values;
}

bool sameValues(const std::vector<MemoryRegistry::Value>& a, const std::vector<MemoryRegistry::Value>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) return false;
  return true;
}

void check(MemoryRegistry& hive, const std::wstring& path, std::size_t valueCount) {
  RegKey root(hive, hive.openRoot()), key;
  if (RegKey::open(hive, root.get(), path, access::read, key) != status::success) return;
  FaultyRegistry counting(hive);
  Rule first;
  first.setStoreKey(counting, key.get(), &keyPath);
  const int status = first.read();
  // One lookup per value name the layout can form, a few per value present.
  if (counting.calls() > 100 + 16 * static_cast<long>(valueCount)) std::abort();
  // A rule without a known Type is written as "< ERROR >", which reads back as nothing more.
  if (status == -4 || first.type() == RuleType::None) return;
  const auto once = written(first);
  MemoryRegistry again;
  RegKey againRoot(again, again.openRoot()), againKey;
  if (RegKey::create(again, againRoot.get(), L"K", access::all, againKey) != status::success) std::abort();
  for (const auto& v : once) (void)again.setValue(againKey.get(), v.name, v.type, v.data);
  Rule second;
  second.setStoreKey(again, againKey.get(), &keyPath);
  if (second.read() != 1) std::abort();
  if (!sameValues(once, written(second))) std::abort();
}

void walk(MemoryRegistry& hive, const MemoryRegistry::Node& node, const std::wstring& path) {
  for (const auto& [name, child] : node.subkeys) {
    const std::wstring childPath = path.empty() ? child->name : path + L"\\" + child->name;
    check(hive, childPath, child->values.size());
    walk(hive, *child, childPath);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryRegistry hive;
  preg::ReadError error;
  if (!preg::read(std::span(data, size), hive, error)) return 0;
  walk(hive, hive.rootNode(), L"");
  return 0;
}

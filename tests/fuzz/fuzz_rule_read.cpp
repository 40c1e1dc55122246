// libFuzzer target for the Rule reader: every key of a hive read from the input (as a
// Registry.pol file) is read as a rule. No crash, registry calls bounded by the values the key
// holds, and a rule once read writes values that read back to the same rule.
#include <cstdlib>

#include "platform/faulty_registry.h"
#include "platform/preg/preg_codec.h"
#include "rules/rule.h"

using namespace ostrel;

namespace {

const std::wstring keyPath = L"fuzz\\";

// Reads (when read is set) or writes rule through a fresh key of hive, first filled with values.
std::vector<MemoryRegistry::Value> through(Rule& rule, bool read, const std::vector<MemoryRegistry::Value>& values) {
  MemoryRegistry hive;
  RegKey root(hive, hive.openRoot()), key;
  if (RegKey::create(hive, root.get(), L"K", access::all, key) != status::success) std::abort();
  for (const auto& v : values) (void)hive.setValue(key.get(), v.name, v.type, v.data);
  if ((read ? readRule(hive, key.get(), &keyPath, rule) : writeRule(hive, key.get(), &keyPath, rule)) != RuleIo::done)
    std::abort();
  return hive.rootNode().subkeys.begin()->second->values;
}

void walk(MemoryRegistry& hive, const MemoryRegistry::Node& node, const std::wstring& path) {
  for (const auto& [name, child] : node.subkeys) {
    const std::wstring childPath = path.empty() ? child->name : path + L"\\" + child->name;
    walk(hive, *child, childPath);
    RegKey root(hive, hive.openRoot()), key;
    if (RegKey::open(hive, root.get(), childPath, access::read, key) != status::success) std::abort();
    FaultyRegistry counting(hive);
    Rule first, second;
    const RuleIo status = readRule(counting, key.get(), &keyPath, first);
    if (counting.calls() > 100 + 16 * static_cast<long>(child->values.size())) std::abort();
    // A rule without a known Type is written as "< ERROR >", which reads back as nothing more.
    if (status == RuleIo::unknownType || first.type() == RuleType::None) continue;
    const auto once = through(first, false, {});
    (void)through(second, true, once);
    const auto twice = through(second, false, {});
    if (once.size() != twice.size()) std::abort();
    for (std::size_t i = 0; i < once.size(); ++i)
      if (once[i].name != twice[i].name || once[i].type != twice[i].type || once[i].data != twice[i].data) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryRegistry hive;
  preg::ReadError error;
  if (preg::read(std::span(data, size), hive, error)) walk(hive, hive.rootNode(), L"");
  return 0;
}

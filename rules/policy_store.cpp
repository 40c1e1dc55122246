#include "rules/policy_store.h"

#include <cwctype>

#include "platform/text.h"
#include "resources/strings.h"
#include "rules/product_guids.h"
#include "rules/rule_layout.h"

namespace ostrel::store {
namespace {

constexpr std::uint32_t markerEnumNameChars = 256;  // marker cleanup's subkey name buffer
constexpr std::uint32_t markerEnumLimit = 65535;
constexpr std::size_t markerNameChars = 256;

// The machine root of the policy, or an empty key after reporting the failure.
RegKey machineRoot(GroupPolicyHost& gpe, Prompter* reportTo) {
  Registry::Key key = 0;
  HResult hr = gpe.getRegistryKey(gpoSectionMachine, key);
  if (hresult::failed(hr) || key == 0) {
    if (reportTo != nullptr) reportPolicyError(*reportTo, hresult::failed(hr) ? hr : hresult::fail);
    return {};
  }
  return RegKey(gpe.registry(), key);
}

// False when a rule key could not be listed or opened: that rule is left out.
bool loadKind(Registry& reg, Registry::Key root, const std::wstring& kindPath, const RuleSink& addRule) {
  RegKey kind;
  std::uint32_t subkeys = 0, values = 0;
  if (RegKey::open(reg, root, kindPath, access::read, kind) != status::success ||
      reg.queryInfoKey(kind.get(), subkeys, values) != status::success)
    subkeys = 0;
  std::wstring name;
  bool all = true;
  for (std::uint32_t i = 0; i < subkeys; ++i) {
    if (reg.enumKey(kind.get(), i, ruleKeyNameBufferChars, name) != status::success) {
      all = false;
      continue;
    }
    std::wstring keyPath = kindPath + name + L"\\";
    RegKey ruleKey;
    if (RegKey::open(reg, root, keyPath, access::read, ruleKey) != status::success) {
      all = false;
      continue;
    }
    auto rule = std::make_unique<Rule>();
    rule->idFromText(name);
    // A value that could not be read would be written back as missing.
    if (readRule(reg, ruleKey.get(), &keyPath, *rule) == RuleIo::incomplete) all = false;
    addRule(std::move(rule));
  }
  return all;
}

bool isRefreshMarker(const std::wstring& name) {
  constexpr std::size_t n = std::char_traits<wchar_t>::length(refreshMarkerPrefix);
  return name.size() > n && namesEqual(std::wstring_view(name).substr(0, n), refreshMarkerPrefix);
}

void notify(GroupPolicyHost& gpe, Prompter& prompter, bool add) {
  gpe.policyChanged(true, add, ids::productExtension, ids::snapinClsid);
  HResult hr = gpe.policyChanged(true, add, ids::registryExtension, ids::snapinClsid);
  if (!add && hresult::failed(hr)) reportPolicyError(prompter, hr);
}

}  // namespace

std::wstring refreshMarkerName(std::uint64_t fileTime) {
  static constexpr wchar_t digits[] = L"0123456789abcdef";
  std::wstring hex;
  for (std::uint64_t v = fileTime; v != 0; v >>= 4) hex.insert(hex.begin(), digits[v & 0xF]);
  if (hex.size() < 8) hex.insert(0, 8 - hex.size(), L'0');
  std::wstring name = std::wstring(refreshMarkerPrefix) + L"0x" + hex;
  if (name.size() > markerNameChars - 1) name.resize(markerNameChars - 1);
  return name;
}

void reportPolicyError(Prompter& prompter, HResult hr) {
  prompter.messageBox(0, platform::systemMessage(hr), std::wstring(res::string(IDS_POLICY_ERROR_CAPTION)),
                      mb::iconInformation);
}

bool loadRules(GroupPolicyHost* gpe, Prompter& prompter, const RuleSink& addRule) {
  if (gpe == nullptr) return true;
  RegKey root = machineRoot(*gpe, &prompter);
  if (!root) return false;
  Registry& reg = gpe->registry();
  const bool paths = loadKind(reg, root.get(), layout::pathsKey, addRule);
  return loadKind(reg, root.get(), layout::hashesKey, addRule) && paths;
}

bool updateStore(GroupPolicyHost* gpe, Prompter& prompter, bool write, std::span<Rule* const> live) {
  if (gpe == nullptr) return true;
  Registry& reg = gpe->registry();
  bool cleared = false, done = false;

  if (RegKey root = machineRoot(*gpe, &prompter)) {
    {
      RegKey software, policies;
      if (RegKey::create(reg, root.get(), L"SOFTWARE", access::write, software) == status::success)
        (void)RegKey::create(reg, software.get(), L"Policies", access::write, policies);
    }
    RegKey policies;
    if (RegKey::open(reg, root.get(), layout::policiesKey, access::write, policies) == status::success) {
      {
        RegKey maker;
        if (RegKey::create(reg, policies.get(), layout::makerName, access::write, maker) == status::success) {
          RegKey product, hashes, paths;
          if (RegKey::create(reg, maker.get(), layout::productName, access::readWrite, product) == status::success) {
            (void)RegKey::create(reg, product.get(), layout::hashesName, access::readWrite, hashes);
            (void)RegKey::create(reg, product.get(), layout::pathsName, access::readWrite, paths);
          }
        }
      }
      done = true;
      if (!write) {
        const Status s = reg.deleteTree(policies.get(), layout::productUnderPolicies);
        done = s == status::success || s == status::fileNotFound;
        cleared = true;
      } else {
        for (Rule* rule : live) {
          std::wstring keyPath = rule->type() == RuleType::Hash ? layout::hashesUnderPolicies
                                                                : layout::pathsUnderPolicies;
          keyPath += rule->idText() + L"\\";
          RegKey ruleKey;
          if (RegKey::create(reg, policies.get(), keyPath, access::write, ruleKey) != status::success) {
            done = false;
            continue;
          }
          if (writeRule(reg, ruleKey.get(), &keyPath, *rule) != RuleIo::done) done = false;
        }
      }
    }
  }
  if (cleared) notify(*gpe, prompter, false);

  RegKey root = machineRoot(*gpe, nullptr);
  if (!root) return false;
  RegKey product;
  // A clear removes the product key with its markers; a write has just created it.
  if (RegKey::open(reg, root.get(), productKey, access::readWrite, product) != status::success) return done && !write;

  std::vector<std::wstring> stale;
  std::wstring name;
  Status listed = status::success;
  for (std::uint32_t i = 0;
       i < markerEnumLimit && (listed = reg.enumKey(product.get(), i, markerEnumNameChars, name)) == status::success;
       ++i) {
    if (isRefreshMarker(name)) stale.push_back(name);
  }
  // A listing that failed, or a marker that stays, leaves more than one marker behind. (A name
  // too long for the buffer ends the listing as it always has, and is no failure.)
  if (listed != status::success && listed != status::noMoreItems && listed != status::moreData) done = false;
  for (const auto& marker : stale)
    if (reg.deleteKey(product.get(), marker) != status::success) done = false;

  RegKey marker;
  if (RegKey::create(reg, product.get(), refreshMarkerName(platform::fileTimeNow()), access::all, marker) !=
      status::success)
    done = false;
  marker.reset();

  notify(*gpe, prompter, true);
  return done;
}

bool rewriteStore(GroupPolicyHost* gpe, Prompter& prompter, std::span<Rule* const> live) {
  // Both halves run whatever the first reports, as the snap-in has always done.
  const bool cleared = updateStore(gpe, prompter, false, live);
  return updateStore(gpe, prompter, true, live) && cleared;
}

}  // namespace ostrel::store

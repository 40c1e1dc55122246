#pragma once
// The Group Policy editor as the store sees it: the machine root of the policy's
// registry and the policy-changed notification (IGPEInformation).
#include "platform/guid.h"
#include "platform/registry.h"

namespace ostrel {

inline constexpr std::uint32_t gpoSectionMachine = 2;

class GroupPolicyHost {
 public:
  virtual ~GroupPolicyHost() = default;
  // GetRegistryKey: a key handle of the given section's root, which the caller closes
  // through registry(); a failure HRESULT leaves key at 0.
  [[nodiscard]] virtual HResult getRegistryKey(std::uint32_t section, Registry::Key& key) = 0;
  virtual HResult policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) = 0;
  // The registry that the returned keys belong to.
  virtual Registry& registry() = 0;
};

// A host over a key of a registry: GetRegistryKey opens a new handle to it.
// Used by the tools and by tests, which record the PolicyChanged calls.
class RegistryKeyHost : public GroupPolicyHost {
 public:
  RegistryKeyHost(Registry& registry, Registry::Key machineRoot) : registry_(registry), root_(machineRoot) {}
  HResult getRegistryKey(std::uint32_t section, Registry::Key& key) override {
    key = 0;
    if (section != gpoSectionMachine) return hresult::fail;
    Status s = registry_.openKey(root_, L"", access::all, key);
    return s == status::success ? hresult::ok : hresult::fromWin32(s);
  }
  HResult policyChanged(bool, bool, const Guid&, const Guid&) override { return hresult::ok; }
  Registry& registry() override { return registry_; }

 private:
  Registry& registry_;
  Registry::Key root_;
};

}  // namespace ostrel

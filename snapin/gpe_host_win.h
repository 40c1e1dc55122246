#pragma once
// The store's view of the Group Policy editor: GetRegistryKey and PolicyChanged of its
// IGPEInformation, over the Win32 registry.
#include <windows.h>

#include <gpedit.h>

#include "platform/group_policy_host.h"
#include "platform/win/win32_registry.h"

namespace ostrel::snapin {

class GpeHost final : public GroupPolicyHost {
 public:
  explicit GpeHost(IGPEInformation& gpe) : gpe_(gpe) {}
  HResult getRegistryKey(std::uint32_t section, Registry::Key& key) override;
  HResult policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) override;
  Registry& registry() override { return registry_; }

 private:
  IGPEInformation& gpe_;
  win::Win32Registry registry_;
};

}  // namespace ostrel::snapin

// The registry contract against the in-memory hive.
#include "platform/memory_registry.h"
#include "tests/platform/registry_contract.h"

namespace ostrel::testing {

std::unique_ptr<ContractTarget> makeContractTarget() {
  struct MemoryTarget : ContractTarget {
    MemoryTarget() {
      registry = &hive;
      root = key.get();
    }
    MemoryRegistry hive;
    RegKey key{hive, hive.openRoot()};
  };
  return std::make_unique<MemoryTarget>();
}

}  // namespace ostrel::testing

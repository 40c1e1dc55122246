// The registry contract against the in-memory hive.
#include "platform/memory_registry.h"
#include "tests/platform/registry_contract.h"

namespace ostrel::testing {
namespace {
class MemoryTarget : public ContractTarget {
 public:
  MemoryTarget() : root_(hive_, hive_.openRoot()) {}
  Registry& registry() override { return hive_; }
  Registry::Key root() override { return root_.get(); }

 private:
  MemoryRegistry hive_;
  RegKey root_;
};
}  // namespace

std::unique_ptr<ContractTarget> makeContractTarget() { return std::make_unique<MemoryTarget>(); }

}  // namespace ostrel::testing

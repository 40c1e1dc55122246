#pragma once
// The registry contract: one suite, run against the in-memory hive natively and against
// the real registry under Wine. Each build supplies makeContractTarget().
#include <memory>

#include "platform/registry.h"

namespace ostrel::testing {

// The registry under test and a fresh, empty key with full access that the test may fill,
// removed with the target; and whether it is Wine's, which differs from Windows' in a few
// documented ways.
struct ContractTarget {
  virtual ~ContractTarget() = default;
  Registry* registry = nullptr;
  Registry::Key root = 0;
  bool wine = false;
};

std::unique_ptr<ContractTarget> makeContractTarget();

}  // namespace ostrel::testing

#pragma once
// The registry contract: one suite, run against the in-memory hive natively and against
// the real registry under Wine. Each build supplies makeContractTarget().
#include <memory>

#include "platform/registry.h"

namespace ostrel::testing {

class ContractTarget {
 public:
  virtual ~ContractTarget() = default;
  virtual Registry& registry() = 0;
  // A fresh, empty key with full access that the test may fill; removed with the target.
  virtual Registry::Key root() = 0;
  // Wine's registry differs from Windows' in a few documented ways.
  virtual bool isWine() const { return false; }
};

std::unique_ptr<ContractTarget> makeContractTarget();

}  // namespace ostrel::testing

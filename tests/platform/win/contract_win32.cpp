// The registry contract against the real registry: each test works in a fresh subkey of
// HKEY_CURRENT_USER that is deleted afterwards.
#include <gtest/gtest.h>

#include "tests/platform/registry_contract.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::testing {

std::unique_ptr<ContractTarget> makeContractTarget() {
  struct Win32Target : ContractTarget {
    Win32Target() {
      EXPECT_EQ(status::success, scratch.status());
      registry = &reg;
      root = scratch.key();
      wine = runningUnderWine();
    }
    win::Win32Registry reg;
    ScratchKey scratch{reg};
  };
  return std::make_unique<Win32Target>();
}

}  // namespace ostrel::testing

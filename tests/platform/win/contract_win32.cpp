// The registry contract against the real registry: each test works in a fresh subkey of
// HKEY_CURRENT_USER that is deleted afterwards.
#include <gtest/gtest.h>

#include "tests/platform/registry_contract.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::testing {
namespace {
class Win32Target : public ContractTarget {
 public:
  Win32Target() : scratch_(reg_) { EXPECT_EQ(status::success, scratch_.status()); }
  Registry& registry() override { return reg_; }
  Registry::Key root() override { return scratch_.key(); }
  bool isWine() const override { return runningUnderWine(); }

 private:
  win::Win32Registry reg_;
  ScratchKey scratch_;
};
}  // namespace

std::unique_ptr<ContractTarget> makeContractTarget() { return std::make_unique<Win32Target>(); }

}  // namespace ostrel::testing

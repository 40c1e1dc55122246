// Behaviours of the in-memory hive and the fault-injecting wrapper beyond the shared contract.
#include <gtest/gtest.h>

#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"

namespace ostrel {
namespace {

TEST(MemoryRegistry, HandlesToADeletedKeyAnswerKeyDeleted) {
  MemoryRegistry hive;
  RegKey root(hive, hive.openRoot());
  RegKey child;
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), L"Gone\\Deeper", access::all, child));
  ASSERT_EQ(status::success, hive.deleteTree(root.get(), L"Gone"));
  EXPECT_EQ(status::keyDeleted, hive.setValue(child.get(), L"v", regtype::dword, regDwordBytes(1)));
  child.reset();
  root.reset();
  EXPECT_EQ(0u, hive.openHandles());
}

TEST(MemoryRegistry, CreatingASubkeyNeedsTheCreateRight) {
  MemoryRegistry hive;
  RegKey root(hive, hive.openRoot());
  RegKey parent, child;
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), L"P", access::read, parent));
  EXPECT_EQ(status::accessDenied, RegKey::create(hive, parent.get(), L"C", access::all, child));
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), L"P\\C", access::all, child));
  child.reset();
  EXPECT_EQ(status::success, RegKey::create(hive, parent.get(), L"C", access::all, child))
      << "opening an existing key needs no right on the parent";
}

TEST(FaultyRegistry, FailsTheNthCallOnceOrFromThenOn) {
  MemoryRegistry hive;
  FaultyRegistry faulty(hive);
  RegKey root(faulty, hive.openRoot());
  faulty.failCall(FaultyRegistry::Op::createKey, 2, status::accessDenied);
  std::vector<Status> got;
  for (int i = 0; i < 3; ++i) {
    RegKey k;
    got.push_back(RegKey::create(faulty, root.get(), L"K" + std::to_wstring(i), access::all, k));
  }
  EXPECT_EQ((std::vector<Status>{status::success, status::accessDenied, status::success}), got);

  faulty.clear();
  faulty.failCall(FaultyRegistry::Op::any, 1, status::accessDenied, true);
  RegKey k;
  EXPECT_EQ(status::accessDenied, RegKey::open(faulty, root.get(), L"K0", access::read, k));
  EXPECT_EQ(status::accessDenied, RegKey::open(faulty, root.get(), L"K0", access::read, k));
}

}  // namespace
}  // namespace ostrel

// Behaviours of the in-memory hive beyond the shared contract.
#include <gtest/gtest.h>

#include "platform/memory_registry.h"

namespace ostrel {
namespace {

// Creating a subkey needs the create right on the parent (Windows refuses it too; Wine does not).
// A key with many values finds every name in any case after deletions.
TEST(MemoryRegistry, CreateRightAndKeysWithManyValues) {
  MemoryRegistry hive;
  RegKey root(hive, hive.openRoot());
  RegKey parent, child;
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), L"P", access::read, parent));
  EXPECT_EQ(status::accessDenied, RegKey::create(hive, parent.get(), L"C", access::all, child));
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), L"P\\C", access::all, child));
  child.reset();
  EXPECT_EQ(status::success, RegKey::create(hive, parent.get(), L"C", access::all, child))
      << "opening an existing key needs no right on the parent";

  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(status::success, hive.setValue(root.get(), L"Value" + std::to_wstring(i), regtype::dword, regDwordBytes(i)));
  ASSERT_EQ(status::success, hive.deleteValue(root.get(), L"VALUE7"));
  for (int i = 0; i < 200; ++i) {
    std::uint32_t type = 0, size = 0;
    std::uint8_t b[4] = {};
    const Status s = hive.queryValue(root.get(), L"vAlUe" + std::to_wstring(i), type, b, size);
    EXPECT_EQ(i == 7 ? std::pair(status::fileNotFound, 0) : std::pair(status::success, i), std::pair(s, int{b[0]})) << i;
  }
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(status::success, hive.enumValue(root.get(), 7, name, type, data));
  EXPECT_EQ(L"Value8", name) << "values keep creation order after a deletion";
}

}  // namespace
}  // namespace ostrel

// What the Win32 registry seam adds to the contract: values of any size enumerate, and the
// statuses of missing things. (Keys as HKEYs are what the console scenarios hand the snap-in.)
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "tests/platform/win/scratch_key.h"

namespace ostrel::testing {
namespace {

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(status::success, scratch_.status()); }
  win::Win32Registry reg_;
  ScratchKey scratch_{reg_};
};

TEST_F(Win32RegistryTest, EnumeratesLongNamesAndLargeData) {
  std::wstring longName(300, L'v');
  std::vector<std::uint8_t> big(100000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(status::success, reg_.setValue(scratch_.key(), longName, regtype::binary, big));
  ASSERT_EQ(status::success, reg_.setValue(scratch_.key(), L"", regtype::sz, regSzBytes(L"default")));

  std::map<std::wstring, std::vector<std::uint8_t>> seen;
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  std::uint32_t i = 0;
  for (; reg_.enumValue(scratch_.key(), i, name, type, data) == status::success; ++i) seen[name] = data;
  EXPECT_EQ(status::noMoreItems, reg_.enumValue(scratch_.key(), i, name, type, data));
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(big, seen[longName]);
  EXPECT_EQ(regSzBytes(L"default"), seen[L""]);
}

TEST_F(Win32RegistryTest, StatusesOfMissingThingsAndOfNoKey) {
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(status::success, reg_.setValue(scratch_.key(), L"Text", regtype::sz, regSzBytes(L"hello")));
  EXPECT_EQ(status::success, reg_.queryValue(scratch_.key(), L"Text", type, {}, size));  // type and size only
  EXPECT_EQ(12u, size);
  EXPECT_EQ(status::fileNotFound, reg_.deleteTree(scratch_.key(), L"Missing"));
  EXPECT_EQ(status::fileNotFound, reg_.deleteValue(scratch_.key(), L"Missing"));
  Registry::Key k = 0;
  ASSERT_EQ(status::success, reg_.createKey(scratch_.key(), L"Child", access::all, k));
  EXPECT_EQ(status::success, reg_.closeKey(k));
  EXPECT_EQ(status::invalidHandle, reg_.closeKey(0));
}

}  // namespace
}  // namespace ostrel::testing

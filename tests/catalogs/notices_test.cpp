// Notices over the in-memory hive: when one shows, what its check box records, registry
// failures.
#include <gtest/gtest.h>

#include "catalogs/notices.h"
#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"

namespace ostrel::catalogs {
namespace {

const std::wstring messages = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";

struct Hive {
  MemoryRegistry reg;
  RegKey user{reg, reg.openRoot()};
  bool shows(int n) { return shouldShowNotice(reg, user.get(), n); }
  // msg<n> as {type, data}; type none when the key or the value is missing.
  std::pair<std::uint32_t, std::uint32_t> value(int n) {
    RegKey key;
    std::uint32_t type = regtype::none, data = 0, size = 0;
    if (RegKey::open(reg, user.get(), messages, access::read, key) == status::success)
      (void)reg.queryValue(key.get(), noticeValueName(n), type, {reinterpret_cast<std::uint8_t*>(&data), 4}, size);
    return {type, data};
  }
};

TEST(Notices, FirstCallCreatesThePathAndOnlyARegDwordValueSuppresses) {
  Hive h;
  ASSERT_TRUE(h.shows(8));
  RegKey key;
  ASSERT_EQ(status::success, RegKey::open(h.reg, h.user.get(), messages, access::all, key));
  const struct { std::uint32_t type; std::vector<std::uint8_t> data; bool shown; } cases[] = {
      {regtype::sz, regSzBytes(L"8"), true}, {regtype::binary, regDwordBytes(8), true},
      {regtype::dword, regDwordBytes(0), false}, {regtype::dword, std::vector<std::uint8_t>(8), false}};
  for (const auto& c : cases) {  // neither the data nor its size is read
    ASSERT_EQ(status::success, h.reg.setValue(key.get(), L"MSG8", c.type, c.data));
    EXPECT_EQ(c.shown, h.shows(8)) << "type " << c.type;
    EXPECT_TRUE(h.shows(80));
  }
}

TEST(Notices, TickRecordsTheNumberAndUntickLeavesNoValue) {
  Hive h;
  recordNoticeChoice(h.reg, h.user.get(), 30, true);  // no key yet: neither created nor written
  ASSERT_TRUE(h.shows(30));
  recordNoticeChoice(h.reg, h.user.get(), 30, true);
  EXPECT_EQ(std::make_pair(regtype::dword, 30u), h.value(30));
  EXPECT_FALSE(h.shows(30));
  recordNoticeChoice(h.reg, h.user.get(), 30, false);
  EXPECT_EQ(regtype::none, h.value(30).first);
}

TEST(Notices, AKeyThatCannotBeOpenedNorCreatedShowsEveryTimeAndRecordsNothing) {
  Hive h;
  ASSERT_TRUE(h.shows(8));  // the key exists; access to it is refused below
  FaultyRegistry faulty(h.reg);
  faulty.failCall(FaultyRegistry::Op::openKey, 1, status::accessDenied, true);
  faulty.failCallOn(FaultyRegistry::Op::createKey, L"Messages", 1, status::accessDenied, true);
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(shouldShowNotice(faulty, h.user.get(), 8));
    recordNoticeChoice(faulty, h.user.get(), 8, true);
  }
  EXPECT_EQ(regtype::none, h.value(8).first);
  EXPECT_EQ(1u, h.reg.openHandles());  // only the user's root
}

}  // namespace
}  // namespace ostrel::catalogs

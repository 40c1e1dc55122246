// Notices over the in-memory hive standing in for the current user's: when a notice shows,
// what a click on the check box records, registry failures, and where the dialog goes.
#include <gtest/gtest.h>

#include "catalogs/notices.h"
#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"

namespace ostrel::catalogs {
namespace {

const std::wstring messagesPath = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";

class NoticesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    user_.reset();
    EXPECT_EQ(0u, hive_.openHandles()) << "a key was left open";
  }
  RegKey openMessages() {
    RegKey key;
    (void)RegKey::open(hive_, user_.get(), messagesPath, access::all, key);
    return key;
  }
  RegKey makeMessages() {
    RegKey key;
    EXPECT_EQ(status::success, RegKey::create(hive_, user_.get(), messagesPath, access::all, key));
    return key;
  }
  // Type and data of msg<n>, or type none when there is no such value.
  std::pair<std::uint32_t, std::vector<std::uint8_t>> record(int number) {
    RegKey key = openMessages();
    std::vector<std::uint8_t> data(64);
    std::uint32_t type = regtype::none, size = 0;
    if (!key || hive_.queryValue(key.get(), noticeValueName(number), type, data, size) != status::success)
      return {regtype::none, {}};
    data.resize(size);
    return {type, data};
  }

  MemoryRegistry hive_;
  RegKey user_{hive_, hive_.openRoot()};
};

TEST_F(NoticesTest, FirstNoticeCreatesTheKeyPathAndShows) {
  EXPECT_FALSE(openMessages());
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 5));
  RegKey key = openMessages();
  ASSERT_TRUE(key);
  std::uint32_t subkeys = 9, values = 9;
  ASSERT_EQ(status::success, hive_.queryInfoKey(key.get(), subkeys, values));
  EXPECT_EQ(0u, subkeys);
  EXPECT_EQ(0u, values);
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 5));  // still nothing recorded
}

TEST_F(NoticesTest, OnlyARegDwordValueOfTheNoticeSuppressesIt) {
  struct Case {
    const char* what;
    std::wstring name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    bool shown;
  };
  const Case cases[] = {
      {"dword of the number", L"msg8", regtype::dword, regDwordBytes(8), false},
      {"dword 0: data is not read", L"msg8", regtype::dword, regDwordBytes(0), false},
      {"dword of eight bytes: only the type counts", L"MSG8", regtype::dword, std::vector<std::uint8_t>(8, 1), false},
      {"string", L"msg8", regtype::sz, regSzBytes(L"8"), true},
      {"binary of four bytes", L"msg8", regtype::binary, regDwordBytes(8), true},
      {"qword", L"msg8", regtype::qword, std::vector<std::uint8_t>(8, 0), true},
      {"another notice's value", L"msg80", regtype::dword, regDwordBytes(80), true},
      {"no number", L"msg", regtype::dword, regDwordBytes(8), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      RegKey key = makeMessages();
      ASSERT_EQ(status::success, hive_.setValue(key.get(), c.name, c.type, c.data));
    }
    EXPECT_EQ(c.shown, shouldShowNotice(hive_, user_.get(), 8));
    EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 5));
    ASSERT_EQ(status::success, hive_.deleteTree(user_.get(), L"SOFTWARE"));
  }
}

TEST_F(NoticesTest, TickingRecordsTheNumberAndUntickingRemovesIt) {
  ASSERT_TRUE(shouldShowNotice(hive_, user_.get(), 30));
  recordNoticeChoice(hive_, user_.get(), 30, true);
  EXPECT_EQ(std::make_pair(regtype::dword, regDwordBytes(30)), record(30));
  EXPECT_FALSE(shouldShowNotice(hive_, user_.get(), 30));
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 15));

  recordNoticeChoice(hive_, user_.get(), 15, true);
  recordNoticeChoice(hive_, user_.get(), 15, false);
  EXPECT_EQ(regtype::none, record(15).first);
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 15));
  EXPECT_FALSE(shouldShowNotice(hive_, user_.get(), 30));

  recordNoticeChoice(hive_, user_.get(), 30, false);
  recordNoticeChoice(hive_, user_.get(), 30, false);  // unticking twice is harmless
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 30));
}

TEST_F(NoticesTest, RecordingNeedsTheKeyAndDoesNotCreateIt) {
  recordNoticeChoice(hive_, user_.get(), 17, true);
  EXPECT_FALSE(openMessages());
  EXPECT_TRUE(shouldShowNotice(hive_, user_.get(), 17));
}

TEST_F(NoticesTest, AKeyThatCannotBeOpenedShowsEveryTimeAndRecordsNothing) {
  struct Case {
    const char* what;
    bool keyExists;
    FaultyRegistry::Op alsoFailing;
    const wchar_t* failingOn;
  };
  const Case cases[] = {
      {"neither opened nor created", false, FaultyRegistry::Op::createKey, L""},
      {"creation stops at Ostrel", false, FaultyRegistry::Op::createKey, L"Ostrel"},
      {"creation stops at Messages", false, FaultyRegistry::Op::createKey, L"Messages"},
      {"exists but access is denied", true, FaultyRegistry::Op::createKey, L""},
      {"opened, value unreadable", true, FaultyRegistry::Op::queryValue, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    (void)hive_.deleteTree(user_.get(), L"SOFTWARE");
    if (c.keyExists) {
      ASSERT_TRUE(makeMessages());
    }
    FaultyRegistry faulty(hive_);
    if (c.alsoFailing != FaultyRegistry::Op::queryValue)
      faulty.failCall(FaultyRegistry::Op::openKey, 1, status::accessDenied, true);
    faulty.failCallOn(c.alsoFailing, c.failingOn, 1, status::accessDenied, true);
    for (int round = 0; round < 2; ++round) {
      EXPECT_TRUE(shouldShowNotice(faulty, user_.get(), 8));
      recordNoticeChoice(faulty, user_.get(), 8, true);
    }
    // Only where the key opens does the click leave a record; reading it back failed.
    const bool opens = c.alsoFailing == FaultyRegistry::Op::queryValue;
    EXPECT_EQ(opens ? regtype::dword : regtype::none, record(8).first);
  }
}

TEST(CentreRect, CentresOverTheOwnerOrTheWorkAreaAndKeepsInsideTheWorkArea) {
  const Rect work{0, 40, 1024, 768};  // a task bar along the top
  const Rect dialog{500, 500, 800, 700};  // 300 x 200, wherever the template put it
  struct Case {
    const char* what;
    Rect dialog, owner;
    bool ownerUsable;
    Point expected;
  };
  const Case cases[] = {
      {"over the owner", dialog, {100, 100, 600, 500}, true, {200, 200}},
      {"owner smaller than the dialog", dialog, {300, 300, 400, 350}, true, {200, 225}},
      {"owner hidden or minimised: over the work area", dialog, {100, 100, 600, 500}, false, {362, 304}},
      {"owner at the right edge", dialog, {900, 500, 1100, 700}, true, {724, 500}},
      {"owner at the bottom edge", dialog, {400, 700, 600, 900}, true, {350, 568}},
      {"owner above and left of the work area", dialog, {-500, -300, -100, 0}, true, {0, 40}},
      {"dialog wider and taller than the work area", {0, 0, 1200, 900}, {0, 0, 100, 100}, true, {0, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Point p = centreRect(c.dialog, c.owner, work, c.ownerUsable);
    EXPECT_EQ(c.expected.x, p.x);
    EXPECT_EQ(c.expected.y, p.y);
  }
}

}  // namespace
}  // namespace ostrel::catalogs

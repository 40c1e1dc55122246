// The handle owner closes exactly once, whatever moves and resets happen on the way.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win/handles.h"

namespace ostrel::win {
namespace {

std::vector<int> closed;
struct CountingTraits {
  static int empty() noexcept { return 0; }
  static bool isSet(int h) noexcept { return h != 0; }
  static int close(int h) noexcept {
    closed.push_back(h);
    return 100 + h;
  }
};
using Counted = UniqueHandle<int, CountingTraits>;

TEST(UniqueHandle, ClosesEachValueOnceAcrossMovesResetsAndReleases) {
  closed.clear();
  {
    Counted a(1);
    Counted b(std::move(a));
    EXPECT_FALSE(a);
    Counted c(2);
    c = std::move(b);  // closes 2, takes 1
    EXPECT_EQ(std::vector<int>{2}, closed);
    c.reset(3);  // closes 1
    int kept = Counted(4).release();
    EXPECT_EQ(4, kept);
    Counted d(5);
    EXPECT_EQ(105, d.close());
    EXPECT_FALSE(d);
    *d.put() = 6;
  }  // closes 6 and 3
  EXPECT_EQ((std::vector<int>{2, 1, 5, 6, 3}), closed);
}

TEST(UniqueHandle, AFailedFileOpenOwnsNothing) {
  Handle missing(CreateFileW(L"C:\\no\\such\\file.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
  Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  HANDLE raw = event.get();
  event.reset();
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(raw, &flags));  // closed
}

}  // namespace
}  // namespace ostrel::win

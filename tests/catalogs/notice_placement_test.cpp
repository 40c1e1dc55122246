// Where the notice dialog goes.
#include "catalogs/notice_placement.h"

#include <gtest/gtest.h>

namespace ostrel::catalogs {
namespace {

TEST(NoticePlacement, DialogIsCentredOverAUsableOwnerOrTheWorkAreaAndKeptInside) {
  const Rect work{0, 40, 1024, 768}, dialog{500, 500, 800, 700};  // 300 x 200
  const struct { Rect dialog, owner; bool usable; Point expected; } cases[] = {
      {dialog, {100, 100, 600, 500}, true, {200, 200}},
      {dialog, {100, 100, 600, 500}, false, {362, 304}},  // hidden or minimised owner
      {dialog, {900, 700, 1100, 900}, true, {724, 568}},  // past the right and bottom
      {dialog, {-500, -300, -100, 0}, true, {0, 40}},     // past the left and top
      {{0, 0, 1200, 900}, {0, 0, 100, 100}, true, {0, 40}}};  // larger than the work area
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, centreRect(c.dialog, c.owner, work, c.usable)) << c.expected.x << "," << c.expected.y;
}

}  // namespace
}  // namespace ostrel::catalogs

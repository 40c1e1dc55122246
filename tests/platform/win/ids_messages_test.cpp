// Ids, formatting and system messages on Windows. Message boxes are shown and
// answered in the console scenarios.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/guid.h"
#include "platform/prompt.h"
#include "platform/text.h"
#include "rules/rule.h"

namespace ostrel {
namespace {

// UuidCreateSequential makes time-based (version 1) ids; UuidCreate random (version 4) ones.
// (Their text and trace are checked in both builds by Rule.NewIdIsBracedUpperCaseAndTraced.)
TEST(WinIds, RuleIdsAreSequentialUuids) {
  Rule a, b;
  a.newId();
  b.newId();
  EXPECT_NE(a.id(), b.id());
  EXPECT_EQ(std::pair(1, 1), std::pair(a.id().data3 >> 12, b.id().data3 >> 12));
}

TEST(WinFormat, WideFormatsUseC99Conversions) {
  // %ls is a wide string and %s a narrow one, as in the portable build.
  EXPECT_EQ(L"Kelvast\\Ostrel\\Paths\\", formatWide(100, L"Kelvast\\Ostrel\\%ls\\", L"Paths"));
  EXPECT_EQ(L"narrow 7", formatWide(100, L"%s %d", "narrow", 7));
  EXPECT_EQ(L"0x0000abcd", formatWide(100, L"0x%08llx", 0xABCDull));
  EXPECT_EQ(L"abcd", formatWide(5, L"%ls", L"abcdefgh"));  // cut to the buffer
}

TEST(WinSystemMessage, KnownCodesGiveTheSystemTextOthersTheirNumber) {
  std::wstring denied = platform::systemMessage(static_cast<HResult>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(denied.empty());
  EXPECT_EQ(std::wstring::npos, denied.find(L"0x")) << toUtf8(denied);
  EXPECT_EQ(L"Error 0x8FFF1234", platform::systemMessage(static_cast<HResult>(0x8FFF1234)));
}

}  // namespace
}  // namespace ostrel

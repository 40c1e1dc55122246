// Ids, clock, debug output and system messages on Windows. Message boxes are shown and
// answered in the console scenarios.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/guid.h"
#include "platform/prompt.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "rules/rule.h"

namespace ostrel {
namespace {

// UuidCreateSequential makes time-based (version 1) ids; UuidCreate random (version 4) ones.
// Each new id goes to the debug output.
TEST(WinIds, RuleIdsAreSequentialUuidsAndAreTraced) {
  std::vector<std::wstring> lines;
  auto previous = platform::setTraceSink([&](const std::wstring& t) { lines.push_back(t); });
  Rule a, b;
  a.newId();
  b.newId();
  platform::setTraceSink(std::move(previous));
  EXPECT_NE(a.id(), b.id());
  EXPECT_EQ(1, a.id().data3 >> 12);
  EXPECT_EQ(1, b.id().data3 >> 12);
  ASSERT_EQ(2u, lines.size());
  EXPECT_NE(std::wstring::npos, lines[0].find(a.idText()));
  EXPECT_EQ(38u, a.idText().size());
}

TEST(WinClock, FileTimeIsTheSystemTime) {
  FILETIME before{}, after{};
  GetSystemTimeAsFileTime(&before);
  std::uint64_t now = platform::fileTimeNow();
  GetSystemTimeAsFileTime(&after);
  auto value = [](const FILETIME& ft) { return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime; };
  EXPECT_LE(value(before), now);
  EXPECT_GE(value(after), now);
}

TEST(WinFormat, WideFormatsUseC99Conversions) {
  // %ls is a wide string and %s a narrow one, as in the portable build.
  EXPECT_EQ(L"Kelvast\\Ostrel\\Paths\\", formatWide(100, L"Kelvast\\Ostrel\\%ls\\", L"Paths"));
  EXPECT_EQ(L"narrow 7", formatWide(100, L"%s %d", "narrow", 7));
  EXPECT_EQ(L"0x0000abcd", formatWide(100, L"0x%08llx", 0xABCDull));
  EXPECT_EQ(L"abcd", formatWide(5, L"%ls", L"abcdefgh"));  // cut to the buffer
  Guid g{0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(L"{0123ABCD-4567-89EF-FEDC-BA9876543210}", guidText(g));
}

TEST(WinSystemMessage, KnownCodesGiveTheSystemTextOthersTheirNumber) {
  std::wstring denied = platform::systemMessage(static_cast<HResult>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(denied.empty());
  EXPECT_EQ(std::wstring::npos, denied.find(L"0x")) << toUtf8(denied);
  EXPECT_EQ(L"Error 0x8FFF1234", platform::systemMessage(static_cast<HResult>(0x8FFF1234)));
}

}  // namespace
}  // namespace ostrel

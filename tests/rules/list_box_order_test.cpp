// The command lines' list-box order against an order written out by hand (the Windows suite
// checks the same lines against the system's sorted list box).
#include "rules/list_box_order.h"

#include <gtest/gtest.h>

namespace ostrel::rules {
namespace {

TEST(ListBoxOrder, InsertingKeepsTheSystemsOrder) {
  const std::vector<std::wstring> added = {L"zeta", L"Alpha", L"co-op", L"\"%SystemRoot%\\x\"", L"coop", L"a_b",
                                           L"ALPHA", L"a10", L"a9", L"co'op", L"-ab", L"%x", L"a b", L"alpha",
                                           L"a~b", L"a+b", L"coo-p", L"co"};
  // Punctuation, then digits, then letters without regard to case; an equal text goes before
  // the ones already there; apostrophes and hyphens break ties only: fewer first, then the one
  // further right, then the apostrophe. A text that begins another goes first.
  const std::vector<std::wstring> expected = {L"\"%SystemRoot%\\x\"", L"%x", L"a b", L"a_b", L"a~b", L"a+b",
                                              L"a10", L"a9", L"-ab", L"alpha", L"ALPHA", L"Alpha", L"co", L"coop",
                                              L"coo-p", L"co'op", L"co-op", L"zeta"};
  std::vector<std::wstring> lines;
  for (const auto& line : added)
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(listBoxInsertPosition(lines, line)), line);
  EXPECT_EQ(expected, lines);
}

}  // namespace
}  // namespace ostrel::rules

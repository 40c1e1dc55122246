#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/text.h"

namespace ostrel {
namespace {

TEST(Text, Utf16RoundTripKeepsCharactersOutsideTheBasicPlane) {
  std::wstring text = L"a\u00e9\u4e2d";
  text.push_back(static_cast<wchar_t>(sizeof(wchar_t) == 2 ? 0xD83D : 0x1F600));
  if (sizeof(wchar_t) == 2) text.push_back(static_cast<wchar_t>(0xDE00));
  EXPECT_EQ(text, fromUtf16(toUtf16(text)));
  EXPECT_EQ(text, fromUtf8(toUtf8(text)));
  EXPECT_EQ("a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80", toUtf8(text));
}

// How stored text is cut (first NUL, end of the data, odd lengths) is checked through the rule
// reader, its one user, in RuleKeyTest.StringsReadAsTheRegistryHandsThemOutWithinTheirBuffers.
TEST(RegSz, BytesAreUtf16WithTheTerminator) {
  EXPECT_EQ((std::vector<std::uint8_t>{'h', 0, 'i', 0, 0, 0}), regSzBytes(L"hi"));
  // A character beyond the basic plane is one surrogate pair on disk, whatever wchar_t is.
  std::vector<std::uint8_t> pair = regSzBytes(L"a😀");
  EXPECT_EQ((std::vector<std::uint8_t>{'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), pair);
  std::wstring back;
  ASSERT_TRUE(textFromRegSz(pair, back));
  EXPECT_EQ(L"a😀", back);
}

}  // namespace
}  // namespace ostrel

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/text.h"

namespace ostrel {
namespace {

// Each encoding's limits, at the limit and one past it.
TEST(Text, Utf8AndUtf16AtTheirLimits) {
  const std::pair<char32_t, const char*> encodings[] = {
      {0x7F, "\x7f"}, {0x80, "\xc2\x80"}, {0x7FF, "\xdf\xbf"}, {0x800, "\xe0\xa0\x80"},
      {0xFFFF, "\xef\xbf\xbf"}, {0x10000, "\xf0\x90\x80\x80"}, {0x10FFFF, "\xf4\x8f\xbf\xbf"}};
  for (const auto& [c, utf8] : encodings) {
    const std::u16string utf16 = c < 0x10000 ? std::u16string(1, static_cast<char16_t>(c))
                                             : std::u16string{static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                                              static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
    EXPECT_EQ(utf8, toUtf8(fromUtf16(utf16))) << std::hex << static_cast<std::uint32_t>(c);
    EXPECT_EQ(utf16, toUtf16(fromUtf8(utf8))) << std::hex << static_cast<std::uint32_t>(c);
    EXPECT_TRUE(isValidUtf8(utf8)) << std::hex << static_cast<std::uint32_t>(c);
  }
  // Surrogates (U+D800 to U+DFFF), what lies past U+10FFFF and an overlong NUL are no UTF-8.
  for (const char* bad : {"\xed\xa0\x80", "\xed\xbf\xbf", "\xf4\x90\x80\x80", "\xc0\x80"})
    EXPECT_FALSE(isValidUtf8(bad)) << bad;
  for (const char* good : {"\xed\x9f\xbf", "\xee\x80\x80"}) EXPECT_TRUE(isValidUtf8(good)) << good;
  // UTF-16 holds a surrogate only in a high-low pair; U+D7FF and U+E000 border the surrogates.
  for (std::u16string_view good : {u"\xD7FF", u"\xE000", u"\xD83D\xDE00"}) EXPECT_TRUE(isValidUtf16(fromUtf16(good)));
  for (std::u16string_view bad : {u"\xD800", u"\xDBFF", u"\xDC00", u"\xDFFF", u"\xDE00\xD83D"})
    EXPECT_FALSE(isValidUtf16(fromUtf16(bad))) << std::hex << static_cast<int>(bad[0]);
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

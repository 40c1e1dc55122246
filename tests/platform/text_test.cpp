#include <gtest/gtest.h>

#include "platform/guid.h"
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

TEST(RegSz, TextRunsToTheFirstNulOrTheEndOfTheData) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool terminated;
    std::wstring text;
  } cases[] = {
      {{'a', 0, 'b', 0, 0, 0}, true, L"ab"},
      {{'a', 0, 'b', 0}, false, L"ab"},            // no terminator
      {{'a', 0, 'b', 0, 'c'}, false, L"ab"},       // odd length: the last byte is no character
      {{}, false, L""},                            // empty
      {{0, 0}, true, L""},                         // empty string
      {{'a', 0, 0, 0, 'b', 0, 0, 0}, true, L"a"},  // text ends at the first NUL
  };
  for (const auto& c : cases) {
    std::wstring out = L"old";
    EXPECT_EQ(c.terminated, textFromRegSz(c.bytes, out)) << c.bytes.size();
    EXPECT_EQ(c.text, out);
  }
  EXPECT_EQ((std::vector<std::uint8_t>{'h', 0, 'i', 0, 0, 0}), regSzBytes(L"hi"));
  // A character beyond the basic plane is one surrogate pair on disk, whatever wchar_t is.
  std::vector<std::uint8_t> pair = regSzBytes(L"a😀");
  EXPECT_EQ((std::vector<std::uint8_t>{'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}), pair);
  std::wstring back;
  ASSERT_TRUE(textFromRegSz(pair, back));
  EXPECT_EQ(L"a😀", back);
}

TEST(GuidText, BracedUpperCaseAndParsedBack) {
  Guid g{0x0123ABCD, 0x4567, 0x89EF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};
  EXPECT_EQ(L"{0123ABCD-4567-89EF-FEDC-BA9876543210}", guidText(g));
  Guid back;
  ASSERT_TRUE(parseUuid(L"0123abcd-4567-89ef-fedc-ba9876543210", back));
  EXPECT_EQ(g, back);
  for (const wchar_t* bad : {L"", L"0123abcd-4567-89ef-fedc-ba987654321", L"0123abcd+4567-89ef-fedc-ba9876543210",
                             L"0123abcg-4567-89ef-fedc-ba9876543210"})
    EXPECT_FALSE(parseUuid(bad, back));
}

}  // namespace
}  // namespace ostrel

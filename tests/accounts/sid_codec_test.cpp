// The two SID codecs on well-formed texts and on the shapes that break parsers.
#include <gtest/gtest.h>

#include "accounts/sid_codec.h"
#include "platform/text.h"

namespace ostrel::accounts {
namespace {

TEST(SidCodecs, PathsDecodeWithinTheirLength) {
  std::wstring fifteen = L"S-15-5";
  for (int i = 0; i < 15; ++i) fifteen += L"-286331153";
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"", sidPathError},
      {L"LDAP://<SID=>", sidPathError},
      {L"LDAP://<SID=01020000000000052000000020020000>", L"S-1-5-32-544"},
      {L"LDAP://<SID=0102000000000005200000002002000>", L"S-1-5-32-544"},  // odd count: a missing digit is 0
      {L"LDAP://<SID=0100000000000005" L"20000000>", L"S-1-5"},            // count 0: no sub-authority
      {L"LDAP://<SID=0101FFFFFFFFFF10" L"000000F0>", L"S-1-16-4026531840"},  // the authority's last byte
      {L"LDAP://<SID=0102000000000005" L"ffffffff" L"21>", L"S-1-5-4294967295-33"},
      {L"LDAP://<SID=0F0F000000000005" + std::wstring(120, L'1') + L">", fifteen},
      {L"LDAP://<SID=zz>", L"S-0-0"},  // stray characters and the end read as zero digits
  };
  for (const auto& [path, text] : cases) EXPECT_EQ(text, sidPathToStringSid(path)) << toUtf8(path);
}

TEST(SidCodecs, TextsParseAsTheLookupNeeds) {
  auto sid = [](std::array<std::uint8_t, 6> authority, std::vector<std::uint32_t> subs) {
    return std::optional<Sid>(Sid{authority, std::move(subs)});
  };
  constexpr std::array<std::uint8_t, 6> five{0, 0, 0, 0, 0, 5};
  std::wstring longest = L"S-1-5-21-" + std::wstring(maxSidTextChars - 10, L'0') + L"7";
  const std::pair<std::wstring, std::optional<Sid>> cases[] = {
      {L"", std::nullopt},
      {L"S-1-5", std::nullopt},
      {L"S-1-5-", sid(five, {0})},
      {L"S-9-5-32-544", sid(five, {32, 544})},  // the revision is not read
      {L"S-1-0x000000000005-32", sid(five, {32})},
      {L"S-1-0x0102030405Ab-7", sid({1, 2, 3, 4, 5, 0xAB}, {7})},
      {L"S-1-261-1", sid(five, {1})},  // a decimal authority keeps its low byte
      {L"S-1-5-4294967295-4294967296-x", sid(five, {0xFFFFFFFF, 0, 0})},  // 32 bits, as "%lu" reads them
      {L"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-15", sid(five, {1, 2, 3, 4, 5, 6, 7, 8})},
      {longest, sid(five, {21, 7})},
      {longest + L"0", std::nullopt},  // 1,024 characters
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(expected, stringSidToSid(text)) << toUtf8(text);
  EXPECT_EQ((std::vector<std::uint8_t>{1, 1, 0, 0, 0, 0, 0, 5, 4, 3, 2, 1}), sidBytes(*sid(five, {0x01020304})));
}

}  // namespace
}  // namespace ostrel::accounts

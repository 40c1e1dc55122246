// The two SID codecs on well-formed texts and on the shapes that break parsers.
#include <gtest/gtest.h>

#include "accounts/sid_codec.h"
#include "platform/text.h"

namespace ostrel::accounts {
namespace {

std::wstring path(const std::wstring& digits) { return L"LDAP://<SID=" + digits + L">"; }

TEST(SidPathToStringSid, DecodesTheHeaderAndEverySubAuthorityThePathHolds) {
  struct Case {
    std::wstring path, text;
  } cases[] = {
      {L"", sidPathError},
      {L"LDAP://<SID=>", sidPathError},  // nothing after the prefix
      {path(L"01020000000000052000000020020000"), L"S-1-5-32-544"},
      {path(L"01020000000000052000000020020000").substr(0, 44), L"S-1-5-32-544"},  // no closing bracket: the last digit goes
      {path(L"0100000000000005"), L"S-1-5"},
      {path(L"0100000000000005" L"20000000"), L"S-1-5"},  // a count of 0 writes no sub-authority
      {path(L"0101000000000010" L"000000f0"), L"S-1-16-4026531840"},
      {path(L"0101FFFFFFFFFF10" L"FFFFFFFF"), L"S-1-16-4294967295"},  // only the authority's last byte
      {path(L"0F0F000000000005" + std::wstring(15 * 8, L'1')),
       L"S-15-5" + [] { std::wstring s; for (int i = 0; i < 15; ++i) s += L"-286331153"; return s; }()},
      // A partial last group: the digits there are read, missing ones count as zero.
      {path(L"0101000000000005" L"21"), L"S-1-5-33"},
      {path(L"0101000000000005" L"2000000020021"), L"S-1-5-32-1049120"},
      // Short paths and stray characters read as zero digits, never past the text.
      {path(L"01"), L"S-1-0"},
      {path(L"zz01000000000005" L"xx000000"), L"S-0-5-0"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, sidPathToStringSid(c.path)) << toUtf8(c.path);
}

TEST(StringSidToSid, ParsesWhatTheLookupNeeds) {
  using Subs = std::vector<std::uint32_t>;
  auto authority = [](std::uint8_t low) { return std::array<std::uint8_t, 6>{0, 0, 0, 0, 0, low}; };
  std::wstring nine = L"S-1-5";
  for (int i = 1; i <= 15; ++i) nine += L"-" + std::to_wstring(i);
  struct Case {
    std::wstring text;
    std::optional<Sid> sid;
  } cases[] = {
      {L"", std::nullopt},
      {L"S", std::nullopt},
      {L"S-1-5", std::nullopt},
      {L"S-1-5-", Sid{authority(5), Subs{0}}},
      {L"S-1-5-32-544", Sid{authority(5), Subs{32, 544}}},
      {L"S-9-5-32", Sid{authority(5), Subs{32}}},  // the revision is not read
      {L"S-1-0x000000000005-32-544", Sid{authority(5), Subs{32, 544}}},
      {L"S-1-0x0102030405Ab-7", Sid{{1, 2, 3, 4, 5, 0xAB}, Subs{7}}},
      {L"S-1-0x05-7", Sid{{5, 0, 0, 0, 0, 0}, Subs{7}}},  // hexadecimal bytes run from the top
      {L"S-1-261-1", Sid{authority(5), Subs{1}}},          // a decimal authority keeps its low byte
      {L"S-1-5-4294967295-0", Sid{authority(5), Subs{0xFFFFFFFF, 0}}},
      {L"S-1-5-4294967296", Sid{authority(5), Subs{0}}},  // wraps as "%lu" into 32 bits does
      {L"S-1-5-x-", Sid{authority(5), Subs{0, 0}}},
      {nine, Sid{authority(5), Subs{1, 2, 3, 4, 5, 6, 7, 8}}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.sid, stringSidToSid(c.text)) << toUtf8(c.text);

  std::wstring longest = L"S-1-5-21-";
  longest += std::wstring(maxSidTextChars - longest.size() - 1, L'0') + L"7";
  EXPECT_EQ((Sid{authority(5), Subs{21, 7}}), stringSidToSid(longest));
  EXPECT_EQ(std::nullopt, stringSidToSid(longest + L"0"));
}

TEST(SidBytes, StorageOrder) {
  const Sid sid{{0, 0, 0, 0, 0, 5}, {32, 0x01020304}};
  EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 4, 3, 2, 1}), sidBytes(sid));
}

}  // namespace
}  // namespace ostrel::accounts

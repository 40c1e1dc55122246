// The numbered strings: lookups, and texts whose exact characters matter. The table's form
// and the DLL's string table are checked by gen_rc_test.py and rc_roundtrip.py.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>

namespace {

using ostrel::res::string;

struct Entry {
  unsigned id;
  std::wstring_view text;
};
constexpr Entry kTable[] = {
#define OSTREL_STRING(name, id, text) {id, text},
#include "resources/strings.def"
#undef OSTREL_STRING
};

TEST(StringTable, EveryEntryIsFoundByItsIdAndAbsentIdsGiveNothing) {
  for (const Entry& e : kTable) EXPECT_EQ(string(e.id), e.text) << e.id;
  for (unsigned id : {0u, 1u, 6u, 2001u, 62402u, 62413u, 65535u, 70000u}) EXPECT_TRUE(string(id).empty()) << id;
}

// Texts an administrator reads, with their odd spacing and punctuation kept as they are (the
// message boxes' texts and captions are checked as shown, in the console scenarios and the
// path validation tests).
TEST(StringTable, TextsWithTrickyCharactersAreExact) {
  const std::map<unsigned, std::wstring_view> cases = {
      {IDS_TIP_OWNERSHIP_CHECK, L"Check to have Ostrel validate the file(s) owner "},
      {IDS_NOTICE_DEBUG_PRIVILEGE,
       L"Could not enable Debug Privileges (privilege can only be enabled if held): Some "
       L"applications may not be shown.You need to either grant the privilege to the "
       L"current user account or make the user account member of a local group that "
       L"has the  Debug privilege"},
      {IDS_NOTICE_QUOTED_MMC,
       L"Warning: if target is Windows 2000 then remove the double-quotes from around "
       L"mmc.exe. Change \"%SystemRoot%\\system32\\mmc.exe\" into "
       L"%SystemRoot%\\system32\\mmc.exe and leave the rest of the command line as is."},
  };
  for (const auto& [id, text] : cases) EXPECT_EQ(string(id), text) << id;
}

}  // namespace

// The numbered strings' lookup: at both ends of the table, between entries and past them.
// The texts are strings.def's literals; the DLL's string table made from them is checked by
// gen_rc_test.py and rc_roundtrip.py.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using ostrel::res::string;

// Ids 2 and 62430 are the table's first and last entries; a text ending in a space keeps it.
TEST(StringTable, LookupsGiveTheExactTextAndAbsentIdsGiveNothing) {
  const std::map<unsigned, std::wstring_view> cases = {
      {2, L"Ostrel for Active Directory"},
      {2009, L"Check to have Ostrel validate the file(s) owner "},
      {62430, L"%d command lines"},
  };
  for (const auto& [id, text] : cases) EXPECT_EQ(string(id), text) << id;
  for (unsigned id : {0u, 1u, 6u, 2001u, 62402u, 62431u, 65535u, 70000u}) EXPECT_TRUE(string(id).empty()) << id;
}

}  // namespace

// The numbered strings: lookups at both ends of the table and between entries, and texts whose
// exact characters matter. The table's form and the DLL's string table are checked by
// gen_rc_test.py and rc_roundtrip.py.
#include "resources/strings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using ostrel::res::string;

// Texts an administrator reads, with their odd spacing and punctuation kept as they are (the
// message boxes' texts and captions are checked as shown, in the console scenarios and the
// path validation tests). Ids 2 and 62430 are the table's first and last entries.
TEST(StringTable, LookupsGiveTheExactTextAndAbsentIdsGiveNothing) {
  const std::map<unsigned, std::wstring_view> cases = {
      {2, L"Ostrel for Active Directory"},
      {2009, L"Check to have Ostrel validate the file(s) owner "},
      {8, L"Could not enable Debug Privileges (privilege can only be enabled if held): Some "
          L"applications may not be shown.You need to either grant the privilege to the "
          L"current user account or make the user account member of a local group that "
          L"has the  Debug privilege"},
      {30, L"Warning: if target is Windows 2000 then remove the double-quotes from around "
           L"mmc.exe. Change \"%SystemRoot%\\system32\\mmc.exe\" into "
           L"%SystemRoot%\\system32\\mmc.exe and leave the rest of the command line as is."},
      {62412, L"File name cannot contain the following characters: < > : \" / \\ |\n\n"},
      {62414, L"Privileged Application... "},
      {62430, L"%d command lines"},
  };
  for (const auto& [id, text] : cases) EXPECT_EQ(string(id), text) << id;
  for (unsigned id : {0u, 1u, 6u, 2001u, 62402u, 62431u, 65535u, 70000u}) EXPECT_TRUE(string(id).empty()) << id;
}

}  // namespace

#include "rules/path_keywords.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "rules/rule.h"

namespace ostrel {
namespace {

TEST(PathKeywords, EncodeReplacesKeywordsInAnyCaseAndPutsMarkersInFront) {
  const struct { const wchar_t* pattern; bool ownership, recursive; const wchar_t* stored; } cases[] = {
      {L"%systemroot%\\System32\\Mmc.exe", false, false, L"*r\\System32\\Mmc.exe"},
      {L"%PROGRAMFILES%\\App\\%SystemDrive%x.exe", true, false, L"?o*p\\App\\*dx.exe"},
      {L"%SystemRoot%\\system32\\mmc.exe", true, true, L"?r?o*r\\system32\\mmc.exe"},
      {L"C:\\app.exe", false, true, L"?rC:\\app.exe"},
      {L"%sYsTeMdRiVe%%SystemDrive%", false, false, L"*d*d"},
      {L"%SystemRoot", false, false, L"%SystemRoot"},  // incomplete keyword stays
      // Scanning goes on at the next position of the changed text, so a keyword whose
      // replacement completes another one to its left is not found again.
      {L"%System%SystemRoot%Root%", false, false, L"%System*rRoot%"},
      {L"%%ProgramFiles%%", false, false, L"%*p%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.stored, keywords::encode(c.pattern, c.ownership, c.recursive)) << toUtf8(c.pattern);
}

TEST(PathKeywords, DecodeRestoresCanonicalKeywordsAndSetsFlagsFoundAnywhere) {
  const struct { const wchar_t* stored; const wchar_t* pattern; bool ownership, recursive; } cases[] = {
      {L"*r\\System32\\Mmc.exe", L"%SystemRoot%\\System32\\Mmc.exe", false, false},
      {L"?o?r*p\\a.exe", L"%ProgramFiles%\\a.exe", true, true},
      {L"C:\\x?oy\\a.exe", L"C:\\xy\\a.exe", true, false},  // a typed ?o is taken as the marker
      {L"C:\\*D\\*R*P.exe", L"C:\\*D\\*R*P.exe", false, false},  // upper-case letters are no codes
      {L"a*d*r*p", L"a%SystemDrive%%SystemRoot%%ProgramFiles%", false, false},
      {L"**dd", L"*%SystemDrive%d", false, false},
  };
  for (const auto& c : cases) {
    bool ownership = false, recursive = false;
    EXPECT_EQ(c.pattern, keywords::decode(c.stored, ownership, recursive)) << toUtf8(c.stored);
    EXPECT_EQ(c.ownership, ownership);
    EXPECT_EQ(c.recursive, recursive);
  }
}

TEST(PathKeywords, RuleDecodeKeepsWhatItMustNotTouch) {
  Rule flagged;
  flagged.setOwnershipCheck(true);
  flagged.setStoredPath(L"*r\\a.exe");
  flagged.decodePath();
  EXPECT_TRUE(flagged.ownershipCheck()) << "decode never clears a flag";
  EXPECT_EQ(L"%SystemRoot%\\a.exe", flagged.pathPattern());

  Rule empty;
  empty.setPathPattern(L"keep");
  empty.decodePath();
  EXPECT_EQ(L"keep", empty.pathPattern()) << "an empty stored path changes nothing";
}

TEST(PathKeywords, CommandLinesGetCanonicalKeywordCaseOnly) {
  EXPECT_EQ(L"%SystemDrive%\\tool.exe /x", keywords::normalizeCase(L"%SYSTEMDRIVE%\\tool.exe /x"));
  EXPECT_EQ(L"%SystemRoot%\\a %ProgramFiles%\\b %TEMP%",
            keywords::normalizeCase(L"%systemROOT%\\a %programfiles%\\b %TEMP%"));
}

}  // namespace
}  // namespace ostrel

// The checks on a typed Path rule: trimming, the refusals with their messages, and the two
// questions with either answer.
#include <gtest/gtest.h>

#include <optional>

#include "resources/strings.h"
#include "rules/path_validation.h"
#include "tests/rules/store_doubles.h"

namespace ostrel::rules {
namespace {

constexpr WindowHandle page = 0x4711;

std::uint32_t styleOf(unsigned message) {
  if (message == IDS_PATH_TRAILING_BACKSLASH) return 0x34;  // Yes/No, exclamation
  if (message == IDS_PATH_OWNERSHIP_ON_SHARE) return 0x14;  // Yes/No, error icon
  return 0x10;                                              // OK, error icon
}

struct Case {
  std::wstring text;
  std::vector<unsigned> messages;  // the boxes shown, in order
  bool accepted;
  std::optional<std::wstring> trimmed = {};  // the text itself when not given
  std::vector<int> answers = {};             // to the questions asked
  bool ownership = false, ownershipAfter = false;
};

TEST(ValidatePathRule, ExamplesAndBoundaries) {
  const std::wstring len256 = L"C:\\" + std::wstring(249, L'a') + L".exe";
  const std::wstring share = L"\\\\server\\share\\app.exe";
  std::wstring astral256 = L"C:\\";  // 126 characters of two UTF-16 units each
  for (int i = 0; i < 126; ++i) astral256 += L"\U0001F600";
  astral256 += L"x";
  const Case cases[] = {
      {astral256, {}, true},
      {astral256 + L"y", {IDS_PATH_TOO_LONG}, false},
      {L"   C:\\Tools\\app.exe  ", {}, true, L"C:\\Tools\\app.exe"},
      {L"\t\r\n C:\\x.exe\n", {}, true, L"C:\\x.exe"},
      {L"   ", {IDS_PATH_EMPTY}, false, L""},
      {L"", {IDS_PATH_EMPTY}, false},
      {len256, {}, true},
      {len256 + L"x", {IDS_PATH_TOO_LONG}, false},
      {L"  " + len256 + L"  ", {}, true, len256},  // length counts after trimming
      {L"C:\\Program Files\\*\\app.exe", {IDS_PATH_WILDCARD_IN_DIRECTORY}, false},
      {L"C:\\a\\b?\\app.exe", {IDS_PATH_WILDCARD_IN_DIRECTORY}, false},
      {L"C:\\a*\\x.exe", {IDS_PATH_WILDCARD_IN_DIRECTORY}, false},
      {L"C:\\Program Files\\App\\*.exe", {}, true},
      {L"C*:\\App\\x.exe", {}, true},                 // before the first backslash
      {L"ab*?\\x.exe", {}, true, {}, {}, true, true},  // a single backslash
      {L"*.exe", {IDS_PATH_LEADING_WILDCARD}, false},
      {L"?pp.exe", {IDS_PATH_LEADING_WILDCARD}, false},
      {L"C:\\Tools\\a?b.exe", {}, true},
      {L"C:\\Tools\\app:1.exe", {IDS_FILE_NAME_CHARACTERS}, false},
      {L"<app.exe", {IDS_FILE_NAME_CHARACTERS}, false},
      {L"C:app.exe", {IDS_FILE_NAME_CHARACTERS}, false},
      {L"C:\\Tools\\app|x\\b.exe", {IDS_PATH_CHARACTERS}, false},
      {L"C:\\a/b\\c.exe", {IDS_PATH_CHARACTERS}, false},
      {L"C:\\Temp\\nul", {IDS_PATH_RESERVED_NAME}, false},
      {L"C:\\Temp\\Com1", {IDS_PATH_RESERVED_NAME}, false},
      {L"clock$", {IDS_PATH_RESERVED_NAME}, false},
      {L"C:\\Temp\\nul.txt", {}, true},
      {L"C:\\Temp\\COM10", {}, true},
      {L"\\app.exe", {}, true},
      {L"C:\\Tools\\", {IDS_PATH_TRAILING_BACKSLASH}, true, {}, {answer::yes}},
      {L"C:\\Tools\\", {IDS_PATH_TRAILING_BACKSLASH}, false, {}, {answer::no}},
      {share, {IDS_PATH_OWNERSHIP_ON_SHARE}, true, {}, {answer::yes}, true, false},
      {share, {IDS_PATH_OWNERSHIP_ON_SHARE}, false, {}, {answer::no}, true, true},
      {share, {}, true},
      {L"%ProgramFiles%\\App\\app.exe", {}, true, {}, {}, true, true},
      // Both questions in one path; a No to the first ends before the second is asked, and a
      // Yes to the first does not excuse a later refusal.
      {L"\\\\server\\share\\", {IDS_PATH_TRAILING_BACKSLASH, IDS_PATH_OWNERSHIP_ON_SHARE}, true, {},
       {answer::yes, answer::yes}, true},
      {L"\\\\server\\share\\", {IDS_PATH_TRAILING_BACKSLASH}, false, {}, {answer::no}, true, true},
      {L"*\\", {IDS_PATH_TRAILING_BACKSLASH, IDS_PATH_LEADING_WILDCARD}, false, {}, {answer::yes}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "text: " << ::testing::PrintToString(c.text));
    ostrel::testing::ScriptedPrompter prompter;
    prompter.answers = c.answers;
    std::wstring text = c.text;
    bool ownership = c.ownership;
    EXPECT_EQ(c.accepted, validatePathRule(text, ownership, page, prompter));
    EXPECT_EQ(c.trimmed.value_or(c.text), text);
    EXPECT_EQ(c.ownershipAfter, ownership);
    ASSERT_EQ(c.messages.size(), prompter.asked.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      const ostrel::testing::Asked& box = prompter.asked[i];
      EXPECT_EQ(std::tuple(std::wstring(res::string(c.messages[i])), std::wstring(L"Ostrel Active Directory"),
                           styleOf(c.messages[i]), page),
                std::tuple(box.text, box.caption, box.style, box.owner));
    }
  }
}

}  // namespace
}  // namespace ostrel::rules

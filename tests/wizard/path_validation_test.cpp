// The checks on a typed Path rule: trimming, the refusals with their messages, and the two
// questions with either answer.
#include <gtest/gtest.h>

#include <optional>

#include "resources/strings.h"
#include "wizard/path_validation.h"

namespace ostrel::wizard {
namespace {

using namespace pathmsg;

struct Box {
  WindowHandle owner;
  std::wstring text, caption;
  std::uint32_t style;
};

// Answers the boxes from a script (then OK) and records them.
class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::vector<int> script) : script_(std::move(script)) {}
  int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override {
    boxes.push_back({owner, text, caption, style});
    return next_ < script_.size() ? script_[next_++] : answer::ok;
  }
  std::vector<Box> boxes;

 private:
  std::vector<int> script_;
  std::size_t next_ = 0;
};

constexpr WindowHandle page = 0x4711;

std::uint32_t styleOf(unsigned message) {
  if (message == trailingBackslash) return 0x34;  // Yes/No, exclamation
  if (message == ownershipOnShare) return 0x14;   // Yes/No, error icon
  return 0x10;                                    // OK, error icon
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
      {astral256 + L"y", {tooLong}, false},
      {L"   C:\\Tools\\app.exe  ", {}, true, L"C:\\Tools\\app.exe"},
      {L"\t\r\n C:\\x.exe\n", {}, true, L"C:\\x.exe"},
      {L"   ", {empty}, false, L""},
      {L"", {empty}, false},
      {len256, {}, true},
      {len256 + L"x", {tooLong}, false},
      {L"  " + len256 + L"  ", {}, true, len256},  // length counts after trimming
      {L"C:\\Program Files\\*\\app.exe", {wildcardInDirectory}, false},
      {L"C:\\a\\b?\\app.exe", {wildcardInDirectory}, false},
      {L"C:\\a*\\x.exe", {wildcardInDirectory}, false},
      {L"C:\\Program Files\\App\\*.exe", {}, true},
      {L"C*:\\App\\x.exe", {}, true},                 // before the first backslash
      {L"ab*?\\x.exe", {}, true, {}, {}, true, true},  // a single backslash
      {L"*.exe", {leadingWildcard}, false},
      {L"?pp.exe", {leadingWildcard}, false},
      {L"C:\\Tools\\a?b.exe", {}, true},
      {L"C:\\Tools\\app:1.exe", {fileNameCharacters}, false},
      {L"<app.exe", {fileNameCharacters}, false},
      {L"C:app.exe", {fileNameCharacters}, false},
      {L"C:\\Tools\\app|x\\b.exe", {pathCharacters}, false},
      {L"C:\\a/b\\c.exe", {pathCharacters}, false},
      {L"C:\\Temp\\nul", {reservedName}, false},
      {L"C:\\Temp\\Com1", {reservedName}, false},
      {L"clock$", {reservedName}, false},
      {L"C:\\Temp\\nul.txt", {}, true},
      {L"C:\\Temp\\COM10", {}, true},
      {L"\\app.exe", {}, true},
      {L"C:\\Tools\\", {trailingBackslash}, true, {}, {answer::yes}},
      {L"C:\\Tools\\", {trailingBackslash}, false, {}, {answer::no}},
      {share, {ownershipOnShare}, true, {}, {answer::yes}, true, false},
      {share, {ownershipOnShare}, false, {}, {answer::no}, true, true},
      {share, {}, true},
      {L"%ProgramFiles%\\App\\app.exe", {}, true, {}, {}, true, true},
      // Both questions in one path; a No to the first ends before the second is asked, and a
      // Yes to the first does not excuse a later refusal.
      {L"\\\\server\\share\\", {trailingBackslash, ownershipOnShare}, true, {}, {answer::yes, answer::yes}, true},
      {L"\\\\server\\share\\", {trailingBackslash}, false, {}, {answer::no}, true, true},
      {L"*\\", {trailingBackslash, leadingWildcard}, false, {}, {answer::yes}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "text: " << ::testing::PrintToString(c.text));
    ScriptedPrompter prompter(c.answers);
    std::wstring text = c.text;
    bool ownership = c.ownership;
    EXPECT_EQ(c.accepted, validatePathRule(text, ownership, page, prompter));
    EXPECT_EQ(c.trimmed.value_or(c.text), text);
    EXPECT_EQ(c.ownershipAfter, ownership);
    ASSERT_EQ(c.messages.size(), prompter.boxes.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      EXPECT_EQ(res::string(c.messages[i]), prompter.boxes[i].text);
      EXPECT_EQ(L"Ostrel Active Directory", prompter.boxes[i].caption);
      EXPECT_EQ(styleOf(c.messages[i]), prompter.boxes[i].style);
      EXPECT_EQ(page, prompter.boxes[i].owner);
    }
  }
}

// The texts an administrator reads, spelled out once here so that a wrong string id shows.
TEST(ValidatePathRule, MessageTexts) {
  EXPECT_EQ(L"Empty path is not allowed.", res::string(empty));
  EXPECT_EQ(L"Path cannot contain the following characters: < > \" / |\n\n", res::string(pathCharacters));
  EXPECT_EQ(L"File name cannot contain the following characters: < > : \" / \\ |\n\n",
            res::string(fileNameCharacters));
  EXPECT_EQ(L"Invalid Path: a path rule cannot contain nor the * not the ? characters.",
            res::string(wildcardInDirectory));
  EXPECT_EQ(res::string(wildcardInDirectory), res::string(leadingWildcard));
  EXPECT_TRUE(res::string(reservedName).ends_with(L"(for example, NUL.tx7). \n"));
  EXPECT_EQ(L"Warning: cannot check file ownership on a network share. File ownership is limited to files on the "
            L"local hard-drive. Reset ownership flag?",
            res::string(ownershipOnShare));
}

}  // namespace
}  // namespace ostrel::wizard

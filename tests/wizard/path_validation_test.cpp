// The checks on a typed Path rule: trimming, the refusals with their messages, and the two
// questions with either answer.
#include <gtest/gtest.h>

#include "resources/strings.h"
#include "wizard/path_validation.h"

namespace ostrel::wizard {
namespace {

struct Box {
  WindowHandle owner;
  std::wstring text;
  std::wstring caption;
  std::uint32_t style;
};

class ScriptedPrompter : public Prompter {
 public:
  explicit ScriptedPrompter(std::vector<int> script) : script_(std::move(script)) {}
  int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override {
    boxes.push_back({owner, text, caption, style});
    if (next_ >= script_.size()) return answer::ok;
    return script_[next_++];
  }
  std::vector<Box> boxes;

 private:
  std::vector<int> script_;
  std::size_t next_ = 0;
};

constexpr WindowHandle page = 0x4711;
constexpr unsigned none = 0;
constexpr std::uint32_t error = 0x10, yesNoExclamation = 0x34, yesNoError = 0x14;

struct Case {
  std::wstring text;
  bool ownership;
  std::vector<int> answers;
  // Expected:
  bool accepted;
  unsigned message;  // the one box shown, or none
  std::uint32_t style;
  std::wstring trimmed;
  bool ownershipAfter;
};

std::vector<Case> cases() {
  const std::wstring len256 = L"C:\\" + std::wstring(249, L'a') + L".exe";
  std::vector<Case> c = {
      {L"   C:\\Tools\\app.exe  ", false, {}, true, none, 0, L"C:\\Tools\\app.exe", false},
      {L"\t\r\n C:\\x.exe\n", false, {}, true, none, 0, L"C:\\x.exe", false},
      {L"   ", false, {}, false, pathmsg::empty, error, L"", false},
      {L"", false, {}, false, pathmsg::empty, error, L"", false},
      {len256, false, {}, true, none, 0, len256, false},
      {len256 + L"x", false, {}, false, pathmsg::tooLong, error, len256 + L"x", false},
      {L"  " + len256 + L"  ", false, {}, true, none, 0, len256, false},  // length counts after trimming
      {L"C:\\Program Files\\*\\app.exe", false, {}, false, pathmsg::wildcardInDirectory, error,
       L"C:\\Program Files\\*\\app.exe", false},
      {L"C:\\a\\b?\\app.exe", false, {}, false, pathmsg::wildcardInDirectory, error, L"C:\\a\\b?\\app.exe", false},
      {L"C:\\Program Files\\App\\*.exe", false, {}, true, none, 0, L"C:\\Program Files\\App\\*.exe", false},
      {L"C*:\\App\\x.exe", false, {}, true, none, 0, L"C*:\\App\\x.exe", false},  // before the first backslash
      {L"ab*?\\x.exe", true, {}, true, none, 0, L"ab*?\\x.exe", true},  // a single backslash
      {L"C:\\a*\\x.exe", false, {}, false, pathmsg::wildcardInDirectory, error, L"C:\\a*\\x.exe", false},
      {L"*.exe", false, {}, false, pathmsg::leadingWildcard, error, L"*.exe", false},
      {L"?pp.exe", false, {}, false, pathmsg::leadingWildcard, error, L"?pp.exe", false},
      {L"C:\\Tools\\a?b.exe", false, {}, true, none, 0, L"C:\\Tools\\a?b.exe", false},
      {L"C:\\Tools\\app:1.exe", false, {}, false, pathmsg::fileNameCharacters, error, L"C:\\Tools\\app:1.exe", false},
      {L"<app.exe", false, {}, false, pathmsg::fileNameCharacters, error, L"<app.exe", false},
      {L"C:app.exe", false, {}, false, pathmsg::fileNameCharacters, error, L"C:app.exe", false},
      {L"C:\\Tools\\app|x\\b.exe", false, {}, false, pathmsg::pathCharacters, error, L"C:\\Tools\\app|x\\b.exe", false},
      {L"C:\\a/b\\c.exe", false, {}, false, pathmsg::pathCharacters, error, L"C:\\a/b\\c.exe", false},
      {L"C:\\Temp\\nul", false, {}, false, pathmsg::reservedName, error, L"C:\\Temp\\nul", false},
      {L"C:\\Temp\\Com1", false, {}, false, pathmsg::reservedName, error, L"C:\\Temp\\Com1", false},
      {L"clock$", false, {}, false, pathmsg::reservedName, error, L"clock$", false},
      {L"C:\\Temp\\nul.txt", false, {}, true, none, 0, L"C:\\Temp\\nul.txt", false},
      {L"C:\\Temp\\COM10", false, {}, true, none, 0, L"C:\\Temp\\COM10", false},
      {L"\\app.exe", false, {}, true, none, 0, L"\\app.exe", false},
      {L"C:\\Tools\\", false, {answer::yes}, true, pathmsg::trailingBackslash, yesNoExclamation, L"C:\\Tools\\", false},
      {L"C:\\Tools\\", false, {answer::no}, false, pathmsg::trailingBackslash, yesNoExclamation, L"C:\\Tools\\", false},
      {L"\\\\server\\share\\app.exe", true, {answer::yes}, true, pathmsg::ownershipOnShare, yesNoError,
       L"\\\\server\\share\\app.exe", false},
      {L"\\\\server\\share\\app.exe", true, {answer::no}, false, pathmsg::ownershipOnShare, yesNoError,
       L"\\\\server\\share\\app.exe", true},
      {L"\\\\server\\share\\app.exe", false, {}, true, none, 0, L"\\\\server\\share\\app.exe", false},
      {L"%ProgramFiles%\\App\\app.exe", true, {}, true, none, 0, L"%ProgramFiles%\\App\\app.exe", true},
  };
  return c;
}

TEST(ValidatePathRule, ExamplesAndBoundaries) {
  for (const auto& c : cases()) {
    SCOPED_TRACE(::testing::Message() << "text: " << ::testing::PrintToString(c.text));
    ScriptedPrompter prompter(c.answers);
    std::wstring text = c.text;
    bool ownership = c.ownership;
    EXPECT_EQ(c.accepted, validatePathRule(text, ownership, page, prompter));
    EXPECT_EQ(c.trimmed, text);
    EXPECT_EQ(c.ownershipAfter, ownership);
    if (c.message == none) {
      EXPECT_TRUE(prompter.boxes.empty());
      continue;
    }
    ASSERT_EQ(1u, prompter.boxes.size());
    EXPECT_EQ(res::string(c.message), prompter.boxes[0].text);
    EXPECT_EQ(L"Ostrel Active Directory", prompter.boxes[0].caption);
    EXPECT_EQ(c.style, prompter.boxes[0].style);
    EXPECT_EQ(page, prompter.boxes[0].owner);
  }
}

// Both questions in one path; a refusal of the first ends before the second is asked.
TEST(ValidatePathRule, QuestionsComeInOrderAndLaterChecksStillRun) {
  {
    ScriptedPrompter prompter({answer::yes, answer::yes});
    std::wstring text = L"\\\\server\\share\\";
    bool ownership = true;
    EXPECT_TRUE(validatePathRule(text, ownership, page, prompter));
    ASSERT_EQ(2u, prompter.boxes.size());
    EXPECT_EQ(res::string(pathmsg::trailingBackslash), prompter.boxes[0].text);
    EXPECT_EQ(res::string(pathmsg::ownershipOnShare), prompter.boxes[1].text);
    EXPECT_FALSE(ownership);
  }
  {
    ScriptedPrompter prompter({answer::no});
    std::wstring text = L"\\\\server\\share\\";
    bool ownership = true;
    EXPECT_FALSE(validatePathRule(text, ownership, page, prompter));
    EXPECT_EQ(1u, prompter.boxes.size());
    EXPECT_TRUE(ownership);
  }
  {
    // A Yes to the trailing-backslash question does not excuse a leading wildcard.
    ScriptedPrompter prompter({answer::yes});
    std::wstring text = L"*\\";
    bool ownership = false;
    EXPECT_FALSE(validatePathRule(text, ownership, page, prompter));
    ASSERT_EQ(2u, prompter.boxes.size());
    EXPECT_EQ(res::string(pathmsg::leadingWildcard), prompter.boxes[1].text);
  }
}

// The texts an administrator reads, spelled out once here so that a wrong string id shows.
TEST(ValidatePathRule, MessageTexts) {
  EXPECT_EQ(L"Empty path is not allowed.", res::string(pathmsg::empty));
  EXPECT_EQ(L"Path cannot contain the following characters: < > \" / |\n\n", res::string(pathmsg::pathCharacters));
  EXPECT_EQ(L"File name cannot contain the following characters: < > : \" / \\ |\n\n",
            res::string(pathmsg::fileNameCharacters));
  EXPECT_EQ(res::string(pathmsg::wildcardInDirectory), res::string(pathmsg::leadingWildcard));
  EXPECT_EQ(L"Warning: cannot check file ownership on a network share. File ownership is limited to files on the "
            L"local hard-drive. Reset ownership flag?",
            res::string(pathmsg::ownershipOnShare));
}

}  // namespace
}  // namespace ostrel::wizard

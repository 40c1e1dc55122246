// What the JSON form of the rules keeps that the tool's commands cannot produce.
#include "tools/ostrel-policy/rules_json.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace ostrel {
namespace {

class NoQuestions : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring&, const std::wstring&, std::uint32_t) override { return answer::no; }
};

// A rule under a key that is not a braced GUID keeps that key through export and import; a
// lone surrogate, which JSON cannot hold, is replaced in valid UTF-8 and reported.
TEST(RulesJson, KeepsOddIdsAndReportsTextsItCannotHold) {
  Rule rule;
  rule.idFromText(L"legacy rule");
  rule.setType(RuleType::Hash);
  rule.setApplicationName(fromUtf16(u"C:\\a\xD800.exe"));
  rule.setHashFromText("0xa9993e364706816aba3e25717850c26c9cd0d89d");
  rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
  std::vector<std::string> lossy;
  const std::string text = tool::rulesJson({&rule}, &lossy);
  EXPECT_TRUE(isValidUtf8(text));
  EXPECT_NE(std::string::npos, text.find("C:\\\\a\xEF\xBF\xBD.exe")) << text;
  EXPECT_EQ(std::vector<std::string>{"rule legacy rule: applicationName"}, lossy);

  NoQuestions prompter;
  std::vector<std::unique_ptr<Rule>> back;
  std::string error;
  ASSERT_TRUE(tool::rulesFromJson(text, prompter, back, error)) << error;
  ASSERT_EQ(1u, back.size());
  EXPECT_EQ(L"legacy rule", back[0]->idText());
  EXPECT_EQ(rule.hashText(), back[0]->hashText());
}

}  // namespace
}  // namespace ostrel

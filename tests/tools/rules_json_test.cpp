// What the JSON form of the rules does with a text the tool's commands cannot produce.
#include "tools/ostrel-policy/rules_json.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace ostrel {
namespace {

// A lone surrogate, which JSON cannot hold, is replaced in valid UTF-8 and reported. (Odd ids
// and every field through export and import are run by the tool's tests.)
TEST(RulesJson, ReportsTextsItCannotHold) {
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
}

}  // namespace
}  // namespace ostrel

// The tool's account syntax.
#include "tools/ostrel-policy/account_text.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

// DOMAIN\\name=SID with and without ",domain", and a name that is no account, are run by the
// tool's end-to-end and usage tests.
TEST(PolicyToolAccounts, Syntax) {
  struct Case {
    const wchar_t* text;
    bool ok;
    AccountEntry entry;
  } cases[] = {
      {L"Ops=S-1-5-21-9,LOCAL", true, {L"Ops", L"", L"S-1-5-21-9", false}},
      {L"A\\B\\C=S-1-1-0", true, {L"B\\C", L"A", L"S-1-1-0", false}},
      {L"users", true, {L"Users", L"BUILTIN", L"S-1-5-32-545", false}},
      {L"Authenticated Users", true, {L"Authenticated Users", L"NT AUTHORITY", L"S-1-5-11", false}},
      {L"s-1-1-0", true, {L"Everyone", L"BUILTIN", L"S-1-1-0", false}},
      {L"S-1-5-21-7-1104", true, {L"S-1-5-21-7-1104", L"< UNKNOWN >", L"S-1-5-21-7-1104", false}},
      {L"S-1-5", false, {}},  // no sub-authority: no SID to build
      {L"Ops=S-1-5", false, {}},
      {L"=S-1-1-0", false, {}},
      {L"X\\=S-1-1-0", false, {}},
      {L"Users=S-1-", false, {}},
      {L"Users=S-1--5", false, {}},
      {L"Users=1-5-32", false, {}},
      {L"Users=S-1-5-x", false, {}},
      {L"Users=S-1-5,forest", false, {}},
  };
  for (const auto& c : cases) {
    auto parsed = tool::parseAccount(c.text);
    EXPECT_EQ(c.ok, parsed.has_value()) << ::testing::PrintToString(std::wstring(c.text));
    if (c.ok && parsed) {
      EXPECT_EQ(c.entry, *parsed);
    }
  }
}

}  // namespace
}  // namespace ostrel

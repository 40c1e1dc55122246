// The Win32 lookups against Wine's own accounts; the picker runs in the console scenarios.
#include <gtest/gtest.h>

#include "accounts/win/account_picker_win.h"

namespace ostrel::accounts {
namespace {

TEST(Win32AccountLookup, BuiltinGroupsResolveAndUnknownDomainsDoNot) {
  auto lookup = makeWin32AccountLookup();
  EXPECT_EQ(L"S-1-5-32-544", lookup->lookupName(L"Administrators").value_or(L"none"));
  EXPECT_EQ(std::nullopt, lookup->lookupName(L"No Such Group Anywhere"));
  const auto admins = lookup->lookupSid(*stringSidToSid(L"S-1-5-32-544"));
  EXPECT_EQ((std::vector<std::wstring>{L"Administrators", L"BUILTIN"}), (std::vector{admins.name, admins.domain}));
  EXPECT_EQ(errorNoneMapped, lookup->lookupSid(*stringSidToSid(L"S-1-5-21-1-2-3-1104")).error);
  EXPECT_FALSE(isDomainName(lookup->computerName().value_or(L"BUILTIN"), *lookup));
}

}  // namespace
}  // namespace ostrel::accounts

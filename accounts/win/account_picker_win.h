#pragma once
// The directory object picker and the local system's account lookups of the Windows build.
#include <memory>

#include "accounts/account_resolution.h"

namespace ostrel::accounts {

// What the snap-in hands to makeRulePages for the account pages' Add buttons. The picker is
// created each time Add is pressed (CLSID_DsObjectPicker), on the caller's COM apartment.
[[nodiscard]] std::unique_ptr<AccountPicker> makeWin32AccountPicker();

// The lookups alone: LookupAccountSidW, LookupAccountNameW and GetComputerNameW.
[[nodiscard]] std::unique_ptr<AccountLookup> makeWin32AccountLookup();

}  // namespace ostrel::accounts

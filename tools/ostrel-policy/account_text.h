#pragma once
// The tool's text form of an account, in options and in imported files.
#include <optional>
#include <string>

#include "accounts/account_entry.h"

namespace ostrel::tool {

// "[DOMAIN\]NAME=SID[,domain|,local]", a SID alone or a well-known account's name; nullopt
// when the text is none of these.
std::optional<AccountEntry> parseAccount(const std::wstring& text);

}  // namespace ostrel::tool

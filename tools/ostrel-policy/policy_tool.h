#pragma once
// ostrel-policy: lists, adds and deletes the rules of a Group Policy Object folder.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "rules/rule.h"

namespace ostrel::tool {

namespace exitcode {
inline constexpr int success = 0;
inline constexpr int refused = 1;
inline constexpr int usage = 2;
}  // namespace exitcode

// Runs the tool on its arguments (without the program name); output goes to out, messages
// to err; returns the exit code.
int run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err);

// "[DOMAIN\]NAME=SID[,domain|,local]", a SID alone or a well-known account's name; nullopt
// when the text is none of these.
std::optional<AccountEntry> parseAccount(const std::wstring& text);

// Every field of every rule, as a JSON array.
std::string rulesJson(const std::vector<const Rule*>& rules);

}  // namespace ostrel::tool

#pragma once
// The rules of a policy as a JSON document: `list --json` and `export` write it, `import`
// reads it back, so that a policy can be kept in version control and applied.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/prompt.h"
#include "rules/rule.h"

namespace ostrel::tool {

// Every field of every rule, as an array of objects. A text holding a lone surrogate, which
// no UTF-8 document can hold, is written with U+FFFD in its place and named in lossy
// ("rule {id}: field"), so that the caller can warn or refuse.
std::string rulesJson(const std::vector<const Rule*>& rules, std::vector<std::string>* lossy = nullptr);

// The rules of such a document, each checked as add-hash and add-path check theirs (questions
// go to prompter). Fields the tool derives may be left out: storedPath (from pathPattern,
// ownershipCheck and recursive), hashValid, and overridePrivileges (true when privileges are
// given). An account may also be written as add-*'s ACCOUNT text. On a refusal rules is left
// empty and error names the rule and the field.
bool rulesFromJson(std::string_view text, Prompter& prompter, std::vector<std::unique_ptr<Rule>>& rules,
                   std::string& error);

}  // namespace ostrel::tool

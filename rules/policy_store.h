#pragma once
// The three store operations: load the Rule list from the policy's registry, write
// (or clear) it, and rewrite it, each ending with a fresh Refresh marker and the
// policy-changed calls that tell the Group Policy editor to save the policy.
#include <functional>
#include <memory>
#include <span>

#include "platform/group_policy_host.h"
#include "platform/prompt.h"
#include "rules/rule.h"
#include "rules/rule_layout.h"

namespace ostrel::store {

using layout::productKey;
inline constexpr wchar_t refreshMarkerPrefix[] = L"ForceUpdate-";
// LoadRules lists rule keys into a buffer of this many characters, the terminator included: a
// rule under a longer key name is not loaded.
inline constexpr std::uint32_t ruleKeyNameBufferChars = 255;

// Called once per Rule key found, paths first, then hashes, in enumeration order.
using RuleSink = std::function<void(std::unique_ptr<Rule>)>;

// Each returns false when part of its work failed: the root or a key could not be opened,
// created or deleted, or a Rule not written. The snap-in has already shown the "Policy Error"
// box where one applies and carries on; the command-line tool turns false into its exit code.
// No host: nothing happens, and that is no failure.
bool loadRules(GroupPolicyHost* gpe, Prompter& prompter, const RuleSink& addRule);
// write == false clears the product key; write == true writes every Rule of live.
bool updateStore(GroupPolicyHost* gpe, Prompter& prompter, bool write, std::span<Rule* const> live);
// Clear, then write: the store then holds exactly the live Rules.
bool rewriteStore(GroupPolicyHost* gpe, Prompter& prompter, std::span<Rule* const> live);

// "ForceUpdate-0x" and the FILETIME in lower-case hex, at least 8 digits.
std::wstring refreshMarkerName(std::uint64_t fileTime);
// The "Policy Error" box for a failure HRESULT.
void reportPolicyError(Prompter& prompter, HResult hr);

}  // namespace ostrel::store

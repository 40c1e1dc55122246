#pragma once
// What a rule's content must satisfy wherever it is made: in the wizard's pages, from
// ostrel-policy's options or from an imported file. The account lists' defaults and rules,
// the longest command line, the privilege catalog, and the limits within which the rule
// reader reads a value back.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "rules/rule.h"

namespace ostrel::rules {

// Longest command line a rule holds; the Get Command Line dialog accepts no longer one.
inline constexpr std::size_t maxCommandLineChars = 512;

// The one account a new rule's list starts with (Administrators among the Privileged groups,
// Everyone among the Authorized users), or none.
[[nodiscard]] std::optional<AccountEntry> defaultAccount(AccountList list);
// Whether the list must hold at least one account: a rule nobody may use is refused.
[[nodiscard]] bool needsOneAccount(AccountList list);
// Whether entries hold an account with this SID; a list holds each SID once.
[[nodiscard]] bool holdsSid(std::span<const AccountEntry> entries, std::wstring_view sid);

// Empty when name is one of the catalog's privileges (spelled as the catalog spells it), else
// the refusal, naming the catalog's names that are close to it.
[[nodiscard]] std::string privilegeError(const std::wstring& name);

// Empty when text fits the reader's buffer of bufferChars UTF-16 units with its terminator,
// else the refusal naming the limit.
[[nodiscard]] std::string overLimit(const char* what, std::wstring_view text, std::size_t bufferChars);

struct Refusal {
  unsigned messageId = 0;  // a message of the wizard's pages, or 0
  std::string text;        // that message as a console line, or the reason in words
  explicit operator bool() const { return !text.empty(); }
};

// Which account SIDs pass: strictly SID texts (what an administrator types), or also the texts
// the wizard stores when a lookup or conversion failed (what a policy may already hold).
enum class SidTexts { strict, asTheWizardStores };

// The first thing the wizard's pages or the rule reader would refuse in the rule's accounts,
// command lines and privileges: the same SID twice in one list, no Authorized user, a command
// line over maxCommandLineChars, a SID that is no SID, a text over the reader's limits (the
// scalar fields' too, as layout::scalarFields gives them), a privilege outside the catalog or
// given twice.
[[nodiscard]] Refusal checkRuleParts(const Rule& rule, SidTexts sids = SidTexts::strict);

// Empty when the path rule's stored form reads back as its pattern and flags (keyword case
// aside), else the refusal: a pattern such as C:\Tools\*recu.exe is stored with "*r", which
// every reader takes for %SystemRoot%, so clients would apply another rule than the one typed.
// On success the pattern becomes the one a reader will show.
[[nodiscard]] std::string fixStoredPath(Rule& rule);

// A message text without the line breaks meant for a message box.
[[nodiscard]] std::string consoleLine(std::wstring_view text);

}  // namespace ostrel::rules

#pragma once
// What a rule must satisfy before the tool stores it, whether it came from options or from an
// imported file: the checks of the wizard's account and command-line pages, the privilege
// catalog, and the limits within which the rule reader reads a value back.
#include <optional>
#include <string>

#include "rules/rule.h"

namespace ostrel::tool {

// "[DOMAIN\]NAME=SID[,domain|,local]", a SID alone or a well-known account's name; nullopt
// when the text is none of these.
std::optional<AccountEntry> parseAccount(const std::wstring& text);
// S-1-<authority>(-<subauthority>)*, a SID the lookups can build.
bool isSidText(const std::wstring& text);

// Empty when name is one of the catalog's privileges (spelled as the catalog spells it), else
// the refusal, naming the catalog's names that are close to it.
std::string privilegeError(const std::wstring& name);

// Empty when text fits the reader's buffer of bufferChars UTF-16 units with its terminator,
// else the refusal naming the limit.
std::string overLimit(const char* what, std::wstring_view text, std::size_t bufferChars);

// Longest command line the wizard's dialog accepts.
inline constexpr std::size_t maxCommandLineChars = 512;

struct Refusal {
  unsigned messageId = 0;  // a message of the wizard's pages, or 0
  std::string text;        // that message as a console line, or the tool's own reason
  explicit operator bool() const { return !text.empty(); }
};

// Which account SIDs pass: strictly SID texts (what an administrator types), or also the texts
// the wizard stores when a lookup or conversion failed (what a policy may already hold).
enum class SidTexts { strict, asTheWizardStores };

// The first thing the wizard's pages or the rule reader would refuse in the rule's accounts,
// command lines and privileges: the same SID twice in one list, no Authorized user, a command
// line over 512 characters, a SID that is no SID, a text over the reader's limits, a privilege
// outside the catalog or given twice.
Refusal checkRuleParts(const Rule& rule, SidTexts sids = SidTexts::strict);

// Empty when the path rule's stored form reads back as its pattern and flags (keyword case
// aside), else the refusal: a pattern such as C:\Tools\*recu.exe is stored with "*r", which
// every reader takes for %SystemRoot%, so clients would apply another rule than the one typed.
// On success the pattern becomes the one a reader will show.
std::string fixStoredPath(Rule& rule);

// A message text without the line breaks meant for a message box.
std::string consoleLine(std::wstring_view text);

}  // namespace ostrel::tool

#include "rules/rule_checks.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "accounts/sid_codec.h"
#include "accounts/well_known_accounts.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "rules/privilege_catalog.h"
#include "rules/rule_layout.h"

namespace ostrel::rules {
namespace {

// Edit distance without regard to case, to suggest the names a mistyped one was meant to be.
std::size_t distance(std::wstring_view a, std::wstring_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitute = diagonal + (foldCase(a[i - 1]) == foldCase(b[j - 1]) ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
    }
  }
  return row[b.size()];
}

Refusal pageMessage(unsigned id) { return {id, consoleLine(res::string(id))}; }
Refusal reason(std::string text) { return {0, std::move(text)}; }

}  // namespace

std::string consoleLine(std::wstring_view text) {
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) text.remove_suffix(1);
  return toUtf8(text);
}

std::string privilegeError(const std::wstring& name) {
  std::vector<std::pair<std::size_t, std::wstring>> close;
  for (const auto& entry : privilegeCatalog()) {
    if (name == entry.name) return {};
    const std::size_t d = distance(name, entry.name);
    if (d <= 3 || (name.size() >= 4 && namesEqual(std::wstring_view(entry.name).substr(0, name.size()), name)))
      close.emplace_back(d, entry.name);
  }
  std::sort(close.begin(), close.end());
  std::string message = "unknown privilege " + toUtf8(name) + "; ";
  if (close.empty()) return message + "none of the catalog's " + std::to_string(privilegeCatalog().size()) + " names is close to it";
  message += "did you mean";
  for (std::size_t i = 0; i < close.size() && i < 5; ++i) message += (i == 0 ? " " : ", ") + toUtf8(close[i].second);
  return message + "?";
}

std::string overLimit(const char* what, std::wstring_view text, std::size_t bufferChars) {
  if (toUtf16(text).size() < bufferChars) return {};
  return std::string(what) + " is longer than " + std::to_string(bufferChars - 1) +
         " characters (UTF-16 units), more than a rule can hold: " + toUtf8(text.substr(0, 40)) + "...";
}

std::string fixStoredPath(Rule& rule) {
  Rule back;
  back.setStoredPath(rule.storedPath());
  back.decodePath();
  if (!namesEqual(back.pathPattern(), rule.pathPattern()) || back.ownershipCheck() != rule.ownershipCheck() ||
      back.recursive() != rule.recursive())
    return "the pattern " + toUtf8(rule.pathPattern()) + " is stored as " + toUtf8(rule.storedPath()) +
           ", which reads back as " + toUtf8(back.pathPattern()) + "; clients would apply that instead";
  rule.setPathPattern(back.pathPattern());
  return {};
}

std::optional<AccountEntry> defaultAccount(AccountList list) {
  const wchar_t* sid = list == AccountList::PrivilegedGroups  ? L"S-1-5-32-544"
                       : list == AccountList::AuthorizedUsers ? L"S-1-1-0"
                                                              : nullptr;
  if (sid == nullptr) return std::nullopt;
  const accounts::WellKnownAccount* known = accounts::findWellKnownSid(sid);
  return AccountEntry{known->name, known->domain, known->sid, false};
}

bool needsOneAccount(AccountList list) { return list == AccountList::AuthorizedUsers; }

bool holdsSid(std::span<const AccountEntry> entries, std::wstring_view sid) {
  return std::any_of(entries.begin(), entries.end(), [&](const AccountEntry& e) { return namesEqual(e.sid, sid); });
}

Refusal checkRuleParts(const Rule& rule, SidTexts sids) {
  const auto acceptedSid = [sids](const std::wstring& sid) {
    return accounts::isSidText(sid) || (sids == SidTexts::asTheWizardStores &&
                                        (sid == accounts::sidLookupError || sid == accounts::sidPathError));
  };
  for (const auto& names : layout::accountLists) {
    const std::span<const AccountEntry> list = rule.accounts(names.list);
    for (std::size_t i = 1; i < list.size(); ++i)
      if (holdsSid(list.first(i), list[i].sid)) return pageMessage(IDS_DUPLICATE_SID);
  }
  for (const auto& names : layout::accountLists)
    if (needsOneAccount(names.list) && rule.accountCount(names.list) == 0) return pageMessage(IDS_NO_AUTHORIZED_USERS);
  for (std::size_t i = 0; i < rule.commandLineCount(); ++i)
    if (rule.commandLine(i).size() > maxCommandLineChars) return pageMessage(IDS_COMMAND_LINE_TOO_LONG);
  for (const auto& names : layout::accountLists) {
    for (const auto& a : rule.accounts(names.list)) {
      if (!acceptedSid(a.sid)) return reason("'" + toUtf8(a.sid) + "' is not a SID (S-1-...)");
      for (const auto& [what, text] : {std::pair{"an account name", &a.username}, std::pair{"a domain", &a.domain},
                                       std::pair{"a SID", &a.sid}})
        if (auto e = overLimit(what, *text, layout::accountFieldChars); !e.empty()) return reason(e);
    }
  }
  for (std::size_t i = 0; i < rule.privilegeCount(); ++i) {
    const std::wstring name = rule.privilege(i);
    if (auto e = privilegeError(name); !e.empty()) return reason(e);
    for (std::size_t j = 0; j < i; ++j)
      if (namesEqual(rule.privilege(j), name)) return reason("privilege " + toUtf8(name) + " given twice");
  }
  // The scalar texts the reader reads back must fit its buffers.
  for (const layout::ScalarField& f : layout::scalarFields)
    if (f.read && f.kind == layout::FieldKind::text && f.json != nullptr && layout::carries(f.types, rule.type()))
      if (auto e = overLimit(f.json, f.text(rule), f.chars); !e.empty()) return reason(e);
  return {};
}

}  // namespace ostrel::rules

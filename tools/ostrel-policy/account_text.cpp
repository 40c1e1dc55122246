#include "tools/ostrel-policy/account_text.h"

#include "accounts/sid_codec.h"
#include "accounts/well_known_accounts.h"
#include "platform/registry.h"  // namesEqual, the one case-insensitive comparison

namespace ostrel::tool {

std::optional<AccountEntry> parseAccount(const std::wstring& text) {
  auto eq = text.find(L'=');
  if (eq == std::wstring::npos) {
    if (const auto* known = accounts::findWellKnownName(text)) return AccountEntry{known->name, known->domain, known->sid, false};
    // A SID alone: named as the well-known table names it, else by itself.
    if (!accounts::isSidText(text)) return std::nullopt;
    if (const auto* known = accounts::findWellKnownSid(text)) return AccountEntry{known->name, known->domain, known->sid, false};
    return AccountEntry{text, L"< UNKNOWN >", text, false};
  }
  std::wstring who = text.substr(0, eq);
  std::wstring rest = text.substr(eq + 1);
  AccountEntry a;
  if (auto comma = rest.find(L','); comma != std::wstring::npos) {
    std::wstring kind = rest.substr(comma + 1);
    if (namesEqual(kind, L"domain")) {
      a.isDomain = true;
    } else if (!namesEqual(kind, L"local")) {
      return std::nullopt;
    }
    rest.resize(comma);
  }
  if (auto slash = who.find(L'\\'); slash != std::wstring::npos) {
    a.domain = who.substr(0, slash);
    who = who.substr(slash + 1);
  }
  if (who.empty() || !accounts::isSidText(rest)) return std::nullopt;
  a.username = who;
  a.sid = rest;
  return a;
}

}  // namespace ostrel::tool

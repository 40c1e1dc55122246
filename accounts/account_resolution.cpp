#include "accounts/account_resolution.h"

#include "platform/registry.h"
#include "platform/text.h"
#include "resources/strings.h"

namespace ostrel::accounts {
namespace {

constexpr std::wstring_view namePathPrefix = L"WinNT://";

bool isNamePath(std::wstring_view path) {
  return path.size() >= namePathPrefix.size() && namesEqual(path.substr(0, namePathPrefix.size()), namePathPrefix);
}

std::wstring lookupQuestion(std::int32_t error) {
  if (error == errorNoneMapped) return std::wstring(res::string(IDS_SID_NOT_MAPPED_QUESTION));
  return formatWide(512, res::string(IDS_SID_LOOKUP_ERROR_QUESTION).data(), static_cast<int>(error));
}

}  // namespace

bool isDomainName(const std::wstring& domain, AccountLookup& lookup) {
  if (domain.empty() || namesEqual(domain, L"BUILTIN")) return false;
  const std::optional<std::wstring> computer = lookup.computerName();
  return computer && !namesEqual(domain, *computer);
}

std::optional<AccountEntry> resolvePickedObject(const PickedObject& object, AccountLookup& lookup,
                                                const std::function<bool(const std::wstring&)>& useAnyway) {
  if (isNamePath(object.path)) {
    // Local accounts and built-in groups: shown under BUILTIN whatever they are.
    std::optional<std::wstring> sid = lookup.lookupName(object.name);
    return AccountEntry{object.name, L"BUILTIN", sid ? std::move(*sid) : sidLookupError, false};
  }
  std::wstring sidText = sidPathToStringSid(object.path);
  const std::optional<Sid> sid = stringSidToSid(sidText);
  AccountLookup::SidAccount account;
  if (sid) account = lookup.lookupSid(*sid);
  else account.error = errorInvalidSid;
  if (account.error == 0) {
    const bool isDomain = isDomainName(account.domain, lookup);
    return AccountEntry{object.name, std::move(account.domain), std::move(sidText), isDomain};
  }
  if (!useAnyway(lookupQuestion(account.error))) return std::nullopt;
  return AccountEntry{object.name, L"< UNKNOWN >", std::move(sidText), false};
}

}  // namespace ostrel::accounts

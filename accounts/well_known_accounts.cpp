#include "accounts/well_known_accounts.h"

#include "platform/registry.h"  // namesEqual, the one case-insensitive comparison

namespace ostrel::accounts {
namespace {

// Everyone stands under BUILTIN, as in a new rule's Authorized users.
constexpr WellKnownAccount accounts[] = {
    {L"Everyone", L"BUILTIN", L"S-1-1-0"},
    {L"Administrators", L"BUILTIN", L"S-1-5-32-544"},
    {L"Users", L"BUILTIN", L"S-1-5-32-545"},
    {L"Guests", L"BUILTIN", L"S-1-5-32-546"},
    {L"Power Users", L"BUILTIN", L"S-1-5-32-547"},
    {L"Account Operators", L"BUILTIN", L"S-1-5-32-548"},
    {L"Server Operators", L"BUILTIN", L"S-1-5-32-549"},
    {L"Print Operators", L"BUILTIN", L"S-1-5-32-550"},
    {L"Backup Operators", L"BUILTIN", L"S-1-5-32-551"},
    {L"Replicator", L"BUILTIN", L"S-1-5-32-552"},
    {L"Remote Desktop Users", L"BUILTIN", L"S-1-5-32-555"},
    {L"Network Configuration Operators", L"BUILTIN", L"S-1-5-32-556"},
    {L"Performance Monitor Users", L"BUILTIN", L"S-1-5-32-558"},
    {L"Performance Log Users", L"BUILTIN", L"S-1-5-32-559"},
    {L"Distributed COM Users", L"BUILTIN", L"S-1-5-32-562"},
    {L"Cryptographic Operators", L"BUILTIN", L"S-1-5-32-569"},
    {L"Event Log Readers", L"BUILTIN", L"S-1-5-32-573"},
    {L"Remote Management Users", L"BUILTIN", L"S-1-5-32-580"},
    {L"NETWORK", L"NT AUTHORITY", L"S-1-5-2"},
    {L"BATCH", L"NT AUTHORITY", L"S-1-5-3"},
    {L"INTERACTIVE", L"NT AUTHORITY", L"S-1-5-4"},
    {L"SERVICE", L"NT AUTHORITY", L"S-1-5-6"},
    {L"ANONYMOUS LOGON", L"NT AUTHORITY", L"S-1-5-7"},
    {L"Authenticated Users", L"NT AUTHORITY", L"S-1-5-11"},
    {L"SYSTEM", L"NT AUTHORITY", L"S-1-5-18"},
    {L"LOCAL SERVICE", L"NT AUTHORITY", L"S-1-5-19"},
    {L"NETWORK SERVICE", L"NT AUTHORITY", L"S-1-5-20"},
};

}  // namespace

std::span<const WellKnownAccount> wellKnownAccounts() { return accounts; }

const WellKnownAccount* findWellKnownName(std::wstring_view name) {
  for (const WellKnownAccount& a : accounts)
    if (namesEqual(a.name, name)) return &a;
  return nullptr;
}

const WellKnownAccount* findWellKnownSid(std::wstring_view sid) {
  for (const WellKnownAccount& a : accounts)
    if (namesEqual(a.sid, sid)) return &a;
  return nullptr;
}

}  // namespace ostrel::accounts

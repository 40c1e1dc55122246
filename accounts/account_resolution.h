#pragma once
// Turning what the directory object picker returns into Account entries: local accounts and
// built-in groups ("WinNT://" paths) are looked up by name, all others arrive as SID paths
// and are looked up by SID. A failed SID lookup can still give an entry, since only the SID
// matters to the computers that apply the rule.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "accounts/account_entry.h"
#include "accounts/sid_codec.h"
#include "platform/prompt.h"

namespace ostrel::accounts {

inline constexpr std::int32_t errorNoneMapped = 1332;  // ERROR_NONE_MAPPED
inline constexpr std::int32_t errorInvalidSid = 1337;  // ERROR_INVALID_SID: the text held no SID

// The local system's account lookups.
class AccountLookup {
 public:
  struct SidAccount {
    std::int32_t error = 0;  // 0, or the system error of the lookup
    std::wstring name, domain;
  };
  virtual ~AccountLookup() = default;
  [[nodiscard]] virtual SidAccount lookupSid(const Sid& sid) = 0;
  // The SID text of an account name, or none when the lookup or the conversion fails.
  [[nodiscard]] virtual std::optional<std::wstring> lookupName(const std::wstring& name) = 0;
  // The computer's NetBIOS name, or none when it does not fit 16 characters.
  [[nodiscard]] virtual std::optional<std::wstring> computerName() = 0;
};

// One object of the picker's selection: its display name and directory path.
struct PickedObject {
  std::wstring name, path;
};

// Which objects the picker offers: groups (Privileged groups, SIDs to delete) or users and
// groups (Authorized users).
enum class PickerKind { groups, usersAndGroups };
enum class PickResult { picked, cancelled, failed };

// The directory object picker, owned by the sheet, and the lookups that resolve its choice.
class AccountPicker {
 public:
  virtual ~AccountPicker() = default;
  // Shows the picker; the selection is filled only when the user confirms.
  virtual PickResult pick(WindowHandle owner, PickerKind kind, std::vector<PickedObject>& selection) = 0;
  [[nodiscard]] virtual AccountLookup& lookup() = 0;
};

// False for no domain, "BUILTIN" and the local computer's name, all in any case.
[[nodiscard]] bool isDomainName(const std::wstring& domain, AccountLookup& lookup);

// The entry for one picked object, or none when a lookup failed and useAnyway(question)
// said no.
[[nodiscard]] std::optional<AccountEntry> resolvePickedObject(const PickedObject& object, AccountLookup& lookup,
                                                              const std::function<bool(const std::wstring&)>& useAnyway);

}  // namespace ostrel::accounts

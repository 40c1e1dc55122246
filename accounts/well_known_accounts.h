#pragma once
// Built-in groups and well-known principals that every Windows computer knows by the same
// SID, so that a tool without the directory can name them.
#include <optional>
#include <span>
#include <string_view>

namespace ostrel::accounts {

struct WellKnownAccount {
  const wchar_t* name;
  const wchar_t* domain;
  const wchar_t* sid;
};

[[nodiscard]] std::span<const WellKnownAccount> wellKnownAccounts();
// By name or by SID text, both without regard to case.
[[nodiscard]] const WellKnownAccount* findWellKnownName(std::wstring_view name);
[[nodiscard]] const WellKnownAccount* findWellKnownSid(std::wstring_view sid);

}  // namespace ostrel::accounts

#pragma once
// SID texts and the directory paths they come from. A picked domain account arrives as
// "LDAP://<SID=" + the binary SID in hexadecimal + ">"; its text ("S-1-5-21-...") is what
// the rule stores, and the binary form is what the account lookup takes.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::accounts {

inline constexpr std::size_t maxSubAuthorities = 8;  // what the system's SID builder takes
inline constexpr std::size_t maxSidTextChars = 1023;

// A binary SID without its revision, which is always the platform's (1).
struct Sid {
  std::array<std::uint8_t, 6> authority{};  // most significant byte first
  std::vector<std::uint32_t> subAuthorities;
  friend bool operator==(const Sid&, const Sid&) = default;
};

inline constexpr wchar_t sidPathError[] = L"< ERROR CONVERTING TO SID >";
// What an account's SID reads when the lookup of a local name failed; stored as it is.
inline constexpr wchar_t sidLookupError[] = L" < ERROR FETCHING SID >";

// The SID text of a SID path, or sidPathError when the path holds no SID at all.
[[nodiscard]] std::wstring sidPathToStringSid(std::wstring_view path);

// The SID of a SID text, or none. Lenient where the lookup does not care: the revision is
// not read, only the first eight sub-authorities count, and a decimal authority keeps only
// its lowest byte.
[[nodiscard]] std::optional<Sid> stringSidToSid(std::wstring_view text);

// Whether text is a SID in its strict form, S-1-<authority>(-<subauthority>)*, that the
// lookups can build: what a rule may store as an account's SID.
[[nodiscard]] bool isSidText(std::wstring_view text);

// The SID's storage form: revision, count, authority, little-endian sub-authorities.
[[nodiscard]] std::vector<std::uint8_t> sidBytes(const Sid& sid);

}  // namespace ostrel::accounts

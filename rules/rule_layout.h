#pragma once
// The values of a Rule key, in the order the writer writes them. The product's client
// side reads the same names on every target computer: they are a file format.
#include <array>

#include "rules/rule.h"

namespace ostrel::layout {

// Where the rules live in the machine hive, piece by piece as the store creates the keys.
#define OSTREL_POLICIES_KEY L"SOFTWARE\\Policies"
#define OSTREL_PRODUCT_UNDER_POLICIES L"Kelvast\\Ostrel"
inline constexpr wchar_t policiesKey[] = OSTREL_POLICIES_KEY;
inline constexpr wchar_t makerName[] = L"Kelvast";
inline constexpr wchar_t productName[] = L"Ostrel";
inline constexpr wchar_t hashesName[] = L"Hashes";
inline constexpr wchar_t pathsName[] = L"Paths";
// The same below the policies key and below the hive's root.
inline constexpr wchar_t productUnderPolicies[] = OSTREL_PRODUCT_UNDER_POLICIES L"\\";
inline constexpr wchar_t hashesUnderPolicies[] = OSTREL_PRODUCT_UNDER_POLICIES L"\\Hashes\\";
inline constexpr wchar_t pathsUnderPolicies[] = OSTREL_PRODUCT_UNDER_POLICIES L"\\Paths\\";
inline constexpr wchar_t productKey[] = OSTREL_POLICIES_KEY L"\\" OSTREL_PRODUCT_UNDER_POLICIES;
inline constexpr wchar_t hashesKey[] = OSTREL_POLICIES_KEY L"\\" OSTREL_PRODUCT_UNDER_POLICIES L"\\Hashes\\";
inline constexpr wchar_t pathsKey[] = OSTREL_POLICIES_KEY L"\\" OSTREL_PRODUCT_UNDER_POLICIES L"\\Paths\\";
#undef OSTREL_POLICIES_KEY
#undef OSTREL_PRODUCT_UNDER_POLICIES

inline constexpr wchar_t type[] = L"Type";
inline constexpr wchar_t name[] = L"Name";
inline constexpr wchar_t source[] = L"Source";
inline constexpr wchar_t value[] = L"Value";
inline constexpr wchar_t commandLines[] = L"CommandLines";
inline constexpr wchar_t commandLine[] = L"CommandLine";  // + entry number
inline constexpr wchar_t overridePrivileges[] = L"OverridePrivileges";
inline constexpr wchar_t privileges[] = L"Privileges";
inline constexpr wchar_t privilege[] = L"Privilege";  // + entry number

inline constexpr wchar_t typeHash[] = L"Hash";
inline constexpr wchar_t typePath[] = L"Path";
inline constexpr wchar_t typeError[] = L"< ERROR >";

// One account list: its count value and the prefix of its entries' values
// ("PrivilegedGroup" + entry number + "_username", ...).
struct AccountListNames {
  AccountList list;
  const wchar_t* count;
  const wchar_t* entryPrefix;
};
inline constexpr std::array<AccountListNames, 3> accountLists{{
    {AccountList::PrivilegedGroups, L"PrivilegedGroups", L"PrivilegedGroup"},
    {AccountList::AuthorizedUsers, L"PrivilegedUsers", L"PrivilegedUser"},
    {AccountList::SidsToDelete, L"SidsToDelete", L"SidToDelete"},
}};
// Field suffixes of an account entry, in the order the writer writes them.
inline constexpr wchar_t username[] = L"_username";
inline constexpr wchar_t userSid[] = L"_userSID";
inline constexpr wchar_t userDomain[] = L"_userdomain";
inline constexpr wchar_t isDomain[] = L"_IsDomain";

// Read buffers in wide characters, terminator included; a longer value is unreadable.
inline constexpr std::size_t typeNameValueChars = 512;
inline constexpr std::size_t commandLineChars = 1024;
inline constexpr std::size_t accountFieldChars = 1024;
inline constexpr std::size_t privilegeChars = 128;

// "prefix" + decimal entry number (no leading zeros) + suffix.
std::wstring numbered(const wchar_t* prefix, std::size_t number, const wchar_t* suffix = L"");
// The same, formatted into out (reusing its storage).
const std::wstring& numbered(std::wstring& out, const wchar_t* prefix, std::size_t number,
                             const wchar_t* suffix = L"");

}  // namespace ostrel::layout

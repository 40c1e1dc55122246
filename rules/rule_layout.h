#pragma once
// The values of a Rule key, in the order the writer writes them, and the Rule's scalar fields
// with their values and JSON keys. The product's client side reads the same names on every
// target computer: they are a file format.
#include <array>
#include <span>

#include "resources/product.h"
#include "rules/rule.h"

namespace ostrel::layout {

// Where the rules live in the machine hive, piece by piece as the store creates the keys.
#define OSTREL_POLICIES_KEY L"SOFTWARE\\Policies"
#define OSTREL_PRODUCT_UNDER_POLICIES L"" OSTREL_MAKER "\\" OSTREL_PRODUCT
inline constexpr wchar_t policiesKey[] = OSTREL_POLICIES_KEY;
inline constexpr const wchar_t* makerName = product::maker;
inline constexpr const wchar_t* productName = product::name;
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

// The keys of the command lines and the privileges in the JSON form.
inline constexpr char commandLinesJson[] = "commandLines";
inline constexpr char privilegesJson[] = "privileges";

inline constexpr wchar_t typeHash[] = L"Hash";
inline constexpr wchar_t typePath[] = L"Path";
inline constexpr wchar_t typeError[] = L"< ERROR >";

// One account list: its count value, the prefix of its entries' values ("PrivilegedGroup" +
// entry number + "_username", ...) and its key in the JSON form.
struct AccountListNames {
  AccountList list;
  const wchar_t* count;
  const wchar_t* entryPrefix;
  const char* json;
};
inline constexpr std::array<AccountListNames, 3> accountLists{{
    {AccountList::PrivilegedGroups, L"PrivilegedGroups", L"PrivilegedGroup", "privilegedGroups"},
    {AccountList::AuthorizedUsers, L"PrivilegedUsers", L"PrivilegedUser", "authorizedUsers"},
    {AccountList::SidsToDelete, L"SidsToDelete", L"SidToDelete", "sidsToDelete"},
}};
// Field suffixes of an account entry, in the order the writer writes them.
inline constexpr wchar_t username[] = L"_username";
inline constexpr wchar_t userSid[] = L"_userSID";
inline constexpr wchar_t userDomain[] = L"_userdomain";
inline constexpr wchar_t isDomain[] = L"_IsDomain";

// How a scalar field is kept: a text (REG_SZ), or a flag (REG_DWORD 0 or 1; true or false in
// the JSON form).
enum class FieldKind { text, flag };

// The rule types that carry a field, one bit per RuleType.
inline constexpr unsigned forNone = 1u << static_cast<int>(RuleType::None);
inline constexpr unsigned forHash = 1u << static_cast<int>(RuleType::Hash);
inline constexpr unsigned forPath = 1u << static_cast<int>(RuleType::Path);
inline constexpr unsigned forAll = forNone | forHash | forPath;
[[nodiscard]] constexpr bool carries(unsigned types, RuleType t) { return (types & (1u << static_cast<int>(t))) != 0; }

// One scalar field of a Rule. The Rule writer writes a row's value for the rule types that
// carry it; the reader reads it back where `read` is set (others are written for clients
// only and rebuilt from another value). The JSON form writes every row that has a key and
// refuses a key on a rule whose type does not carry it.
struct ScalarField {
  const char* json;      // its key in the JSON form, or nullptr (a store value only)
  const wchar_t* value;  // its value in the rule key, or nullptr (kept inside another value)
  FieldKind kind;
  unsigned types;    // the rule types that carry it
  bool read;         // the Rule reader sets it from its value
  bool afterLists;   // written after the command lines and the account lists
  bool plain;        // read from the JSON form as it is; false: checked by the JSON reader's own code
  std::size_t chars;  // text: the reader's buffer in wide characters, terminator included
  std::wstring (*text)(const Rule&);
  bool (*setText)(Rule&, std::wstring);  // false refuses the text
  bool (*flag)(const Rule&);
  void (*setFlag)(Rule&, bool);
};

// Read buffers in wide characters, terminator included; a longer value is unreadable.
inline constexpr std::size_t typeNameValueChars = 512;
inline constexpr std::size_t commandLineChars = 1024;
inline constexpr std::size_t accountFieldChars = 1024;
inline constexpr std::size_t privilegeChars = 128;

// The Rule's scalar fields in write order (the lists go where `afterLists` changes). The
// JSON form keeps this order too, with the lists after all scalar fields.
extern const std::span<const ScalarField> scalarFields;

// "prefix" + decimal entry number (no leading zeros) + suffix.
std::wstring numbered(const wchar_t* prefix, std::size_t number, const wchar_t* suffix = L"");
// The same, formatted into out (reusing its storage).
const std::wstring& numbered(std::wstring& out, const wchar_t* prefix, std::size_t number,
                             const wchar_t* suffix = L"");

}  // namespace ostrel::layout

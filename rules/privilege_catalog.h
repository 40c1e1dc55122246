#pragma once
// The privileges a rule may grant, in the order the Process Privileges page lists them. A
// rule's privileges are checked against it wherever a rule is made.
#include <span>

namespace ostrel::rules {

struct PrivilegeEntry {
  const wchar_t* shortDescription;
  const wchar_t* longDescription;
  const wchar_t* name;  // what the lists show and the Rule stores
};
[[nodiscard]] std::span<const PrivilegeEntry> privilegeCatalog();

}  // namespace ostrel::rules

#pragma once
// One account of a rule's account lists, as the rule stores it.
#include <string>

namespace ostrel {

struct AccountEntry {
  std::wstring username;
  std::wstring domain;
  std::wstring sid;  // S-1-... text
  bool isDomain = false;
  friend bool operator==(const AccountEntry&, const AccountEntry&) = default;
};

}  // namespace ostrel

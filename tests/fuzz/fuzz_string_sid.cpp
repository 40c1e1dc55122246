// libFuzzer target for the SID text parser: no crash, no read past the text, one to eight
// sub-authorities, and the SID path of what it accepts decodes to the same numbers.
#include <cstdlib>
#include <string>

#include "accounts/sid_codec.h"

using namespace ostrel::accounts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<Sid> sid = stringSidToSid(std::wstring(data, data + size));
  if (!sid) return 0;
  if (size > maxSidTextChars || sid->subAuthorities.empty() || sid->subAuthorities.size() > maxSubAuthorities)
    std::abort();
  std::wstring path = L"LDAP://<SID=", text = L"S-1-" + std::to_wstring(sid->authority[5]);
  for (std::uint8_t b : sidBytes(*sid)) path += {L"0123456789abcdef"[b >> 4], L"0123456789ABCDEF"[b & 15]};
  for (std::uint32_t sub : sid->subAuthorities) text += L"-" + std::to_wstring(sub);
  if (sidPathToStringSid(path + L">") != text || stringSidToSid(text)->subAuthorities != sid->subAuthorities)
    std::abort();
  return 0;
}

// libFuzzer target for the SID text parser. Beyond "no crash, no read past the text": a SID
// it accepts has one to eight sub-authorities, and its canonical text and its SID path
// (the binary form in hexadecimal, as the directory writes it) both give the same SID back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "accounts/sid_codec.h"

using namespace ostrel::accounts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text(data, data + size);
  const std::optional<Sid> sid = stringSidToSid(text);
  if (!sid) return 0;
  if (size > maxSidTextChars || sid->subAuthorities.empty() || sid->subAuthorities.size() > maxSubAuthorities)
    std::abort();

  std::wstring authority = L"0x";
  static const wchar_t hex[] = L"0123456789abcdef";
  for (std::uint8_t b : sid->authority) authority += {hex[b >> 4], hex[b & 15]};
  std::wstring canonical = L"S-1-" + authority;
  for (std::uint32_t sub : sid->subAuthorities) canonical += L"-" + std::to_wstring(sub);
  if (stringSidToSid(canonical) != sid) std::abort();

  // The path decoder keeps only the authority's last byte.
  std::wstring path = L"LDAP://<SID=";
  for (std::uint8_t b : sidBytes(*sid)) path += {hex[b >> 4], hex[b & 15]};
  path += L">";
  std::wstring expected = L"S-1-" + std::to_wstring(sid->authority[5]);
  for (std::uint32_t sub : sid->subAuthorities) expected += L"-" + std::to_wstring(sub);
  if (sidPathToStringSid(path) != expected) std::abort();
  return 0;
}

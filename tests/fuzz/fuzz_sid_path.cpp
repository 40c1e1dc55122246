// libFuzzer target for the SID path decoder: no crash, no read past the path, and its text
// parses back to the same authority byte and first eight sub-authorities (to no SID when it
// has none or is longer than the parser takes).
#include <cstdlib>
#include <string>

#include "accounts/sid_codec.h"

using namespace ostrel::accounts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = sidPathToStringSid(std::wstring(data, data + size));
  if (text == sidPathError) return size > 13 ? (std::abort(), 0) : 0;
  std::vector<unsigned long> n;  // revision, authority, sub-authorities
  for (std::size_t at = 2, end; at <= text.size(); at = end + 1) {
    end = std::min(text.find(L'-', at), text.size());
    if (at == end || text.substr(at, end - at).find_first_not_of(L"0123456789") != std::wstring::npos) std::abort();
    n.push_back(std::stoul(text.substr(at, end - at)));
  }
  const std::optional<Sid> sid = stringSidToSid(text);
  if (!text.starts_with(L"S-") || n.size() < 2 || n[0] > 255 || n[1] > 255) std::abort();
  if (n.size() == 2 || text.size() > maxSidTextChars) return sid ? (std::abort(), 0) : 0;
  std::vector<std::uint32_t> subs(n.begin() + 2, n.begin() + 2 + std::min<std::size_t>(n.size() - 2, maxSubAuthorities));
  if (!sid || sid->authority[5] != n[1] || sid->subAuthorities != subs) std::abort();
  return 0;
}

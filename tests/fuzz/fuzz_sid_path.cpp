// libFuzzer target for the SID path decoder. Beyond "no crash, no read past the path": the
// text it writes, when it has sub-authorities, parses back to the same authority byte and the
// same first eight sub-authorities; without any, or longer than the parser takes, it parses
// to no SID.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "accounts/sid_codec.h"

using namespace ostrel::accounts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every byte one character, on a buffer of exactly the input's length.
  const std::wstring path(data, data + size);
  const std::wstring text = sidPathToStringSid(path);
  if (text == sidPathError) {
    if (path.size() > 13) std::abort();
    return 0;
  }
  // "S-" revision "-" authority, then "-" and each sub-authority, all decimal.
  std::vector<unsigned long> numbers;
  if (text.rfind(L"S-", 0) != 0) std::abort();
  for (std::size_t at = 2; at <= text.size();) {
    const std::size_t end = std::min(text.find(L'-', at), text.size());
    const std::wstring digits = text.substr(at, end - at);
    if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos) std::abort();
    numbers.push_back(std::stoul(digits));
    at = end + 1;
  }
  if (numbers.size() < 2 || numbers[0] > 255 || numbers[1] > 255) std::abort();
  const std::optional<Sid> sid = stringSidToSid(text);
  if (numbers.size() == 2 || text.size() > maxSidTextChars) {
    if (sid) std::abort();
    return 0;
  }
  if (!sid || sid->authority != std::array<std::uint8_t, 6>{0, 0, 0, 0, 0, static_cast<std::uint8_t>(numbers[1])})
    std::abort();
  const std::size_t subs = std::min<std::size_t>(numbers.size() - 2, maxSubAuthorities);
  if (sid->subAuthorities.size() != subs) std::abort();
  for (std::size_t i = 0; i < subs; ++i)
    if (sid->subAuthorities[i] != numbers[i + 2]) std::abort();
  return 0;
}

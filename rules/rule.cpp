#include "rules/rule.h"

#include <cryptopp/sha.h>

#include <vector>

#include "platform/file.h"
#include "rules/path_keywords.h"

namespace ostrel {

bool Rule::encodePath() {
  if (pathPattern_.empty()) return false;
  storedPath_ = keywords::encode(pathPattern_, ownershipCheck_, recursive_);
  return true;
}

void Rule::decodePath() {
  if (storedPath_.empty()) return;
  pathPattern_ = keywords::decode(storedPath_, ownershipCheck_, recursive_);
}

bool Rule::computeHashFromFile(const std::wstring& path) {
  constexpr std::size_t chunkSize = 65536;
  auto file = platform::InputFile::open(path);
  if (!file) {
    hashValid_ = false;
    return false;
  }
  CryptoPP::SHA1 sha;
  std::vector<std::uint8_t> chunk(chunkSize);
  for (;;) {
    std::size_t got = 0;
    if (!file->read(chunk, got)) {
      hashValid_ = false;
      return false;
    }
    if (got == 0) break;
    sha.Update(chunk.data(), got);
  }
  static_assert(CryptoPP::SHA1::DIGESTSIZE == digestSize);
  sha.Final(digest_.data());
  hashValid_ = true;
  pathPattern_ = path;
  return true;
}

std::string Rule::hashText() const {
  if (!hashValid_) return {};
  static constexpr char digits[] = "0123456789abcdef";
  std::string text = "0x";
  text.reserve(2 + 2 * digestSize);
  for (std::uint8_t b : digest_) {
    text.push_back(digits[b >> 4]);
    text.push_back(digits[b & 0x0F]);
  }
  return text;
}

namespace {
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

void Rule::setHashFromText(std::string_view text) {
  if (text.size() != 2 + 2 * digestSize) {
    hashValid_ = false;
    return;
  }
  // Only the length decides validity. A text that is not "0x" and hex digits gives the
  // all-zero digest rather than a partly converted one, so the stored rule is predictable.
  Digest parsed{};
  bool ok = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  for (std::size_t i = 0; ok && i < digestSize; ++i) {
    int hi = hexDigit(text[2 + 2 * i]);
    int lo = hexDigit(text[3 + 2 * i]);
    ok = hi >= 0 && lo >= 0;
    parsed[i] = static_cast<std::uint8_t>((hi << 4) | lo);
  }
  digest_ = ok ? parsed : Digest{};
  hashValid_ = true;
}

void Rule::newId() {
  id_ = platform::newRuleGuid();
  keyName_.clear();
  platform::debugOutput(idText());
}

bool Rule::idFromText(const std::wstring& keyName) {
  keyName_.clear();
  bool parsed = keyName.size() >= 2 && parseUuid(std::wstring_view(keyName).substr(1, keyName.size() - 2), id_);
  if (!parsed) id_ = Guid{};
  // A key whose name is not the id's own text keeps that name: written under any other name,
  // every save would add one more copy of the rule.
  if (!parsed || !namesEqual(guidText(id_), keyName)) keyName_ = keyName;
  return parsed;
}

std::wstring Rule::commandLine(std::size_t index) const {
  return index < commandLines_.size() ? commandLines_[index] : std::wstring();
}

std::wstring Rule::privilege(std::size_t index) const {
  return index < privileges_.size() ? privileges_[index] : std::wstring();
}

int Rule::account(AccountList list, std::size_t index, std::wstring& username, std::wstring& domain,
                  std::wstring& sid, bool& isDomain) const {
  const auto& entries = accounts(list);
  if (index >= entries.size()) return -1;
  const AccountEntry& e = entries[index];
  username = e.username;
  domain = e.domain;
  sid = e.sid;
  isDomain = e.isDomain;
  return 1;
}

void Rule::addAccount(AccountList list, std::wstring username, std::wstring domain, std::wstring sid,
                      bool isDomain) {
  mutableAccounts(list).push_back(AccountEntry{std::move(username), std::move(domain), std::move(sid), isDomain});
}

void Rule::resetForType(RuleType newType) {
  ownershipCheck_ = false;
  recursive_ = false;
  commandLines_.clear();
  if (newType == RuleType::Hash) {
    pathPattern_.clear();
    encodePath();
  } else if (newType == RuleType::Path) {
    applicationName_.clear();
    setHashFromText({});
  }
}

}  // namespace ostrel

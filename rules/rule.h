#pragma once
// The in-memory form of one privileged-application rule: a plain value, copied and compared
// whole. Its scalar fields are listed once, with their store values and JSON keys, in
// layout::scalarFields (rules/rule_layout.h).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "accounts/account_entry.h"
#include "platform/guid.h"
#include "platform/registry.h"

namespace ostrel {

enum class RuleType : std::int32_t { None = 0, Hash = 1, Path = 2 };

// Which of a Rule's three account lists; the order is the order of the store layout.
enum class AccountList { PrivilegedGroups = 0, AuthorizedUsers = 1, SidsToDelete = 2 };

class Rule {
 public:
  static constexpr std::size_t digestSize = 20;
  using Digest = std::array<std::uint8_t, digestSize>;

  [[nodiscard]] RuleType type() const { return type_; }
  void setType(RuleType t) { type_ = t; }
  [[nodiscard]] bool ownershipCheck() const { return ownershipCheck_; }
  void setOwnershipCheck(bool v) { ownershipCheck_ = v; }
  [[nodiscard]] bool recursive() const { return recursive_; }
  void setRecursive(bool v) { recursive_ = v; }
  [[nodiscard]] bool overridePrivileges() const { return overridePrivileges_; }
  void setOverridePrivileges(bool v) { overridePrivileges_ = v; }

  [[nodiscard]] const std::wstring& applicationName() const { return applicationName_; }
  void setApplicationName(std::wstring v) { applicationName_ = std::move(v); }
  [[nodiscard]] const std::wstring& pathPattern() const { return pathPattern_; }
  void setPathPattern(std::wstring v) { pathPattern_ = std::move(v); }
  [[nodiscard]] const std::wstring& storedPath() const { return storedPath_; }
  void setStoredPath(std::wstring v) { storedPath_ = std::move(v); }

  // Path pattern and flags -> Stored path; false (and nothing changed) for an empty pattern.
  bool encodePath();
  // Stored path -> Path pattern, setting (never clearing) the flags its markers name.
  void decodePath();

  // SHA-1 of the file, read in 64 KiB chunks; the path goes to the Path pattern.
  bool computeHashFromFile(const std::wstring& path);
  [[nodiscard]] bool hashValid() const { return hashValid_; }
  [[nodiscard]] const Digest& digest() const { return digest_; }
  // "0x" and 40 lower-case hex digits, or "" without a valid digest.
  [[nodiscard]] std::string hashText() const;
  void setHashFromText(std::string_view text);

  // A new id from the platform's UUID generator; its text goes to the debug output.
  void newId();
  // The id from a key name "{...}"; true when it parsed. A key name that does not parse
  // stays the Rule's id text, so that the Rule is written back to the key it came from.
  bool idFromText(const std::wstring& keyName);
  [[nodiscard]] const Guid& id() const { return id_; }
  [[nodiscard]] std::wstring idText() const { return keyName_.empty() ? guidText(id_) : keyName_; }

  [[nodiscard]] std::size_t commandLineCount() const { return commandLines_.size(); }
  [[nodiscard]] std::wstring commandLine(std::size_t index) const;
  void addCommandLine(std::wstring line) { commandLines_.push_back(std::move(line)); }
  void clearCommandLines() { commandLines_.clear(); }

  [[nodiscard]] std::size_t privilegeCount() const { return privileges_.size(); }
  [[nodiscard]] std::wstring privilege(std::size_t index) const;
  void addPrivilege(std::wstring name) { privileges_.push_back(std::move(name)); }
  void clearPrivileges() { privileges_.clear(); }

  [[nodiscard]] std::size_t accountCount(AccountList list) const { return accounts(list).size(); }
  // 1 and the entry copied out, or -1 when index is not below the count.
  int account(AccountList list, std::size_t index, std::wstring& username, std::wstring& domain,
              std::wstring& sid, bool& isDomain) const;
  void addAccount(AccountList list, std::wstring username, std::wstring domain, std::wstring sid,
                  bool isDomain);
  void clearAccounts(AccountList list) { mutableAccounts(list).clear(); }
  [[nodiscard]] const std::vector<AccountEntry>& accounts(AccountList list) const {
    return lists_[static_cast<std::size_t>(list)];
  }

  std::size_t groupCount() const { return accountCount(AccountList::PrivilegedGroups); }
  std::size_t userCount() const { return accountCount(AccountList::AuthorizedUsers); }
  std::size_t sidToDeleteCount() const { return accountCount(AccountList::SidsToDelete); }
  void addGroup(std::wstring u, std::wstring d, std::wstring s, bool dom) {
    addAccount(AccountList::PrivilegedGroups, std::move(u), std::move(d), std::move(s), dom);
  }
  void addUser(std::wstring u, std::wstring d, std::wstring s, bool dom) {
    addAccount(AccountList::AuthorizedUsers, std::move(u), std::move(d), std::move(s), dom);
  }
  void addSidToDelete(std::wstring u, std::wstring d, std::wstring s, bool dom) {
    addAccount(AccountList::SidsToDelete, std::move(u), std::move(d), std::move(s), dom);
  }

  // Clears the fields that belong to the other rule type when the administrator switches type.
  void resetForType(RuleType newType);

  friend bool operator==(const Rule&, const Rule&) = default;

 private:
  std::vector<AccountEntry>& mutableAccounts(AccountList list) { return lists_[static_cast<std::size_t>(list)]; }

  bool ownershipCheck_ = false;
  bool recursive_ = false;
  RuleType type_ = RuleType::None;
  std::wstring applicationName_;
  std::wstring pathPattern_;
  std::wstring storedPath_;
  Digest digest_{};
  bool hashValid_ = false;
  Guid id_{};
  std::wstring keyName_;  // set only when the key name is not a braced GUID
  bool overridePrivileges_ = false;
  std::vector<std::wstring> commandLines_;
  std::array<std::vector<AccountEntry>, 3> lists_;
  std::vector<std::wstring> privileges_;
};

// What the Rule writer and reader report.
enum class RuleIo {
  done,
  // Done, but a registry call failed: the writer could not write every value, or the reader
  // took a value it could not read (other than an absent or over-long one) as missing.
  incomplete,
  noKey,         // no open key
  noKeyPath,     // the key's path is missing
  emptyKeyPath,  // the key's path is empty
  unknownType,   // (reader) "Type" is neither "Hash" nor "Path"
};

// The Rule writer and reader: one Rule <-> the values of one open Rule key, whose path text
// the caller has (checked, not used). Every value of the layout is attempted, whatever the
// ones before it did. The reader adds to what rule already holds.
[[nodiscard]] RuleIo writeRule(Registry& registry, Registry::Key key, const std::wstring* keyPath, const Rule& rule);
[[nodiscard]] RuleIo readRule(Registry& registry, Registry::Key key, const std::wstring* keyPath, Rule& rule);

}  // namespace ostrel

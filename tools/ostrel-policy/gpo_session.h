#pragma once
// The rules of one GPO, a folder (--gpo) or a domain GPO (--domain-gpo), while a command
// works on them.
#include <chrono>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "platform/gpo_folder.h"
#include "platform/prompt.h"
#include "rules/rule.h"
#include "tools/ostrel-policy/commands.h"
#include "tools/ostrel-policy/domain_gpo.h"

namespace ostrel::tool {

// Connects to the directory of --ldap (reading --password-file first); throws Refused.
std::unique_ptr<Domain> connectDomain(const Options& o);

class GpoSession {
 public:
  enum class Access { read, change };

  // How long a change waits for another one to finish before giving up.
  static constexpr std::chrono::seconds lockTimeout{30};

  // Loads the GPO's rules; a change first takes the folder's lock and holds it until the
  // session ends, so that no other writer's change is lost between load and save. Throws
  // Refused when the GPO cannot be reached, locked, read or parsed, or when a change finds rules
  // it cannot read. Notes (a domain GPO whose versions disagree, rules left out of a reading) go
  // to notes.
  GpoSession(const Options& o, Access access, Prompter& prompter, std::ostream& notes);

  std::vector<std::unique_ptr<Rule>>& rules() { return rules_; }
  std::vector<const Rule*> view() const;

  // Stores the rules and saves the folder once. append writes live after the stored rules, as
  // the wizard's finish does; otherwise the store is rewritten to hold exactly live. Throws
  // Refused when the store or the save fails.
  enum class Write { append, replace };
  void store(Write how, std::span<Rule* const> live);

  static std::filesystem::path pathOf(const std::string& utf8);

 private:
  std::unique_ptr<Domain> domain_;
  std::unique_ptr<DomainGpo> domainGpo_;
  std::unique_ptr<gpo::GpoFolder> folder_;
  std::unique_ptr<gpo::GpoFolderHost> folderHost_;
  GroupPolicyHost* host_ = nullptr;
  Prompter& prompter_;
  std::vector<std::unique_ptr<Rule>> rules_;
};

}  // namespace ostrel::tool

#pragma once
// The rules of one GPO folder while a command works on them.
#include <chrono>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "platform/gpo_folder.h"
#include "platform/prompt.h"
#include "rules/rule.h"

namespace ostrel::tool {

class GpoSession {
 public:
  enum class Access { read, change };

  // How long a change waits for another one to finish before giving up.
  static constexpr std::chrono::seconds lockTimeout{30};

  // Loads the folder's rules; a change first takes the folder's lock and holds it until the
  // session ends, so that no other writer's change is lost between load and save. Throws
  // Refused when the folder cannot be locked, read or parsed.
  GpoSession(const std::filesystem::path& dir, Access access, Prompter& prompter);

  std::vector<std::unique_ptr<Rule>>& rules() { return rules_; }
  std::vector<const Rule*> view() const;

  // Stores the rules and saves the folder once. append writes live after the stored rules, as
  // the wizard's finish does; otherwise the store is rewritten to hold exactly live. Throws
  // Refused when the store or the save fails.
  enum class Write { append, replace };
  void store(Write how, std::span<Rule* const> live);

 private:
  gpo::GpoFolder folder_;
  gpo::GpoFolderHost host_;
  Prompter& prompter_;
  std::vector<std::unique_ptr<Rule>> rules_;
};

}  // namespace ostrel::tool

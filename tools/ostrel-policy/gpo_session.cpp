#include "tools/ostrel-policy/gpo_session.h"

#include <string>

#include "rules/policy_store.h"
#include "tools/ostrel-policy/refused.h"

namespace ostrel::tool {

GpoSession::GpoSession(const std::filesystem::path& dir, Access access, Prompter& prompter)
    : folder_(dir), host_(folder_), prompter_(prompter) {
  std::string error;
  if ((access == Access::change && !folder_.lock(lockTimeout, error)) || !folder_.load(error)) throw Refused(error);
  if (!store::loadRules(&host_, prompter_, [&](std::unique_ptr<Rule> r) { rules_.push_back(std::move(r)); }))
    throw Refused("cannot open the machine part of the policy");
}

std::vector<const Rule*> GpoSession::view() const {
  std::vector<const Rule*> v;
  for (const auto& r : rules_) v.push_back(r.get());
  return v;
}

void GpoSession::store(Write how, std::span<Rule* const> live) {
  const bool stored = how == Write::append ? store::updateStore(&host_, prompter_, true, live)
                                           : store::rewriteStore(&host_, prompter_, live);
  if (!stored) throw Refused("cannot store the rules; nothing saved");
  std::string error;
  if (!folder_.save(error)) throw Refused(error);
}

}  // namespace ostrel::tool

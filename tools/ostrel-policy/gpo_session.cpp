#include "tools/ostrel-policy/gpo_session.h"

#include <string>

#include "rules/policy_store.h"
#include "platform/text.h"
#include "tools/ostrel-policy/refused.h"

namespace ostrel::tool {

std::filesystem::path GpoSession::pathOf(const std::string& utf8) {
  if constexpr (sizeof(wchar_t) == 2) {
    return std::filesystem::path(fromUtf8(utf8));
  } else {
    return std::filesystem::path(utf8);
  }
}

std::unique_ptr<Domain> connectDomain(const Options& o) {
  DomainOptions options{o.ldap, o.caFile, o.bindUser, {}};
  std::string error;
  if (options.url.empty() && !platform::ldap::findDomainController(options.url, error))
    throw Refused(error + "; nothing was changed");
  if (!o.bindUser.empty() && !readPassword(o.passwordFile, options.password, error))
    throw Refused(error + "; nothing was changed");
  auto domain = Domain::connect(options, error);
  if (!domain) throw Refused(error + "; nothing was changed");
  return domain;
}

GpoSession::GpoSession(const Options& o, Access access, Prompter& prompter, std::ostream& notes)
    : prompter_(prompter) {
  std::string error;
  if (!o.domainGpo.empty()) {
    domain_ = connectDomain(o);
    GpoEntry entry;
    std::filesystem::path folder;
    if (!domain_->findGpo(o.domainGpo, entry, error) || !domain_->sysvolFolder(entry, folder, error))
      throw Refused(error + "; nothing was changed");
    domainGpo_ = std::make_unique<DomainGpo>(*domain_, std::move(entry), std::move(folder));
    if (!domainGpo_->open(access == Access::change, notes, error)) throw Refused(error + "; nothing was changed");
    host_ = domainGpo_.get();
  } else {
    folder_ = std::make_unique<gpo::GpoFolder>(pathOf(o.gpo));
    folderHost_ = std::make_unique<gpo::GpoFolderHost>(*folder_);
    if ((access == Access::change && !folder_->lock(lockTimeout, error)) || !folder_->load(error)) throw Refused(error);
    host_ = folderHost_.get();
  }
  if (!store::loadRules(host_, prompter_, [&](std::unique_ptr<Rule> r) { rules_.push_back(std::move(r)); })) {
    // A change writes the store from the loaded rules, so the ones not loaded could be lost.
    if (access == Access::change)
      throw Refused("some of the policy's rules cannot be read, and a change could lose them; nothing was changed");
    notes << "ostrel-policy: warning: some of the policy's rules cannot be read and are left out\n";
  }
}

std::vector<const Rule*> GpoSession::view() const {
  std::vector<const Rule*> v;
  for (const auto& r : rules_) v.push_back(r.get());
  return v;
}

void GpoSession::store(Write how, std::span<Rule* const> live) {
  const bool stored = how == Write::append ? store::updateStore(host_, prompter_, true, live)
                                           : store::rewriteStore(host_, prompter_, live);
  if (!stored) throw Refused("cannot store the rules; nothing saved");
  std::string error;
  if (!(domainGpo_ ? domainGpo_->save(error) : folder_->save(error))) throw Refused(error);
}

}  // namespace ostrel::tool

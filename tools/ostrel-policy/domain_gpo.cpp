#include "tools/ostrel-policy/domain_gpo.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "platform/terminal.h"
#include "platform/text.h"

namespace ostrel::tool {
namespace {

namespace ldap = platform::ldap;

std::uint32_t parseVersion(const std::string& text) {
  // versionNumber is a signed 32-bit integer in the directory; read back as the same bits.
  try {
    return static_cast<std::uint32_t>(std::stoll(text));
  } catch (...) {
    return 0;
  }
}

std::string versionText(std::uint32_t v) { return std::to_string(static_cast<std::int32_t>(v)); }

const std::vector<std::string> gpoAttributes = {"cn", "displayName", "versionNumber", "gPCFileSysPath",
                                                "gPCMachineExtensionNames"};

GpoEntry entryOf(const ldap::Entry& e) {
  GpoEntry g;
  g.dn = e.dn;
  g.guid = e.first("cn");
  g.name = e.first("displayName");
  g.fileSysPath = e.first("gPCFileSysPath");
  g.machineExtensions = e.first("gPCMachineExtensionNames");
  g.version = parseVersion(e.first("versionNumber"));
  return g;
}

std::string candidates(const std::vector<GpoEntry>& gpos) {
  std::string out;
  for (const auto& g : gpos) out += "\n  " + g.guid + "  " + g.name;
  return out;
}

std::string narrowGuid(const Guid& g) { return toNarrow(guidText(g)); }

}  // namespace

std::uint32_t laterVersion(std::uint32_t container, std::uint32_t files) {
  return std::max(container >> 16, files >> 16) << 16 | std::max(container & 0xFFFFu, files & 0xFFFFu);
}

std::unique_ptr<Domain> Domain::connect(const DomainOptions& options, std::string& error) {
  std::unique_ptr<Domain> d(new Domain);
  if (!ldap::parseUrl(options.url, d->url_, error)) return nullptr;
  std::string why;
  d->ldap_ = ldap::Connection::open(d->url_, options.caFile, why);
  if (!d->ldap_) {
    error = "connecting to the directory at " + options.url + ": " + why;
    return nullptr;
  }
  const bool bound = options.bindUser.empty() ? d->ldap_->bindCurrentUser(why)
                                              : d->ldap_->bindPassword(options.bindUser, options.password, why);
  if (!bound) {
    error = "binding to the directory: " + why;
    return nullptr;
  }
  std::vector<ldap::Entry> root;
  if (!d->ldap_->search("", ldap::Scope::base, "(objectClass=*)", {"defaultNamingContext"}, root, why) ||
      root.empty() || root.front().first("defaultNamingContext").empty()) {
    error = "reading the directory's naming context: " + (why.empty() ? "the server did not name one" : why);
    return nullptr;
  }
  d->policiesDn_ = "CN=Policies,CN=System," + root.front().first("defaultNamingContext");
  d->login_ = {d->url_.host, options.bindUser, options.password};
  return d;
}

bool Domain::listGpos(std::vector<GpoEntry>& gpos, std::string& error) {
  std::vector<ldap::Entry> entries;
  if (!ldap_->search(policiesDn_, ldap::Scope::oneLevel, "(objectClass=groupPolicyContainer)", gpoAttributes, entries,
                     error)) {
    error = "listing the domain's GPOs: " + error;
    return false;
  }
  gpos.clear();
  for (const auto& e : entries) gpos.push_back(entryOf(e));
  std::sort(gpos.begin(), gpos.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return true;
}

bool Domain::findGpo(const std::string& nameOrGuid, GpoEntry& gpo, std::string& error) {
  // A {GUID} (braces optional) names the container itself; anything else, or a GUID no
  // container has, is a display name. Each asks only for the GPOs it may name, so a domain of
  // many GPOs is not read whole for one of them.
  std::vector<ldap::Entry> entries;
  const std::string braced = nameOrGuid.starts_with("{") ? nameOrGuid : "{" + nameOrGuid + "}";
  const bool guidLike = braced.size() == 38 && braced.back() == '}' &&
                        braced.find_first_not_of("{}-0123456789abcdefABCDEF") == std::string::npos;
  if (guidLike && !ldap_->search("CN=" + braced + "," + policiesDn_, ldap::Scope::base,
                                 "(objectClass=groupPolicyContainer)", gpoAttributes, entries, error)) {
    error = "finding the GPO: " + error;
    return false;
  }
  if (entries.empty() &&
      !ldap_->search(policiesDn_, ldap::Scope::oneLevel,
                     "(&(objectClass=groupPolicyContainer)(displayName=" + ldap::filterValue(nameOrGuid) + "))",
                     gpoAttributes, entries, error)) {
    error = "finding the GPO: " + error;
    return false;
  }
  std::vector<GpoEntry> found;
  for (const auto& e : entries) found.push_back(entryOf(e));
  if (found.size() == 1) {
    gpo = found.front();
    return true;
  }
  if (!found.empty()) {
    error = "finding the GPO: " + std::to_string(found.size()) + " GPOs are named '" + nameOrGuid +
            "'; name one by its {GUID}:" + candidates(found);
    return false;
  }
  std::vector<GpoEntry> all;
  if (!listGpos(all, error)) return false;
  error = "finding the GPO: the domain has no GPO named or numbered '" + nameOrGuid + "'; its GPOs are:" +
          candidates(all);
  return false;
}

bool Domain::reread(GpoEntry& gpo, std::string& error) {
  std::vector<ldap::Entry> entries;
  if (!ldap_->search(gpo.dn, ldap::Scope::base, "(objectClass=groupPolicyContainer)", gpoAttributes, entries, error) ||
      entries.size() != 1) {
    error = "reading the GPO's container " + gpo.dn + ": " + (error.empty() ? "it is gone" : error);
    return false;
  }
  gpo = entryOf(entries.front());
  return true;
}

bool Domain::updateContainer(const GpoEntry& gpo, std::uint32_t expected, std::uint32_t version,
                             const std::string& extensions, std::string& error) {
  // Removing the expected value and adding the new one in one modification fails if another
  // writer changed the version meanwhile, instead of overwriting its change.
  std::vector<ldap::Modification> changes;
  if (gpo.version == expected)
    changes.push_back({ldap::Modification::remove, "versionNumber", {versionText(expected)}});
  changes.push_back({ldap::Modification::add, "versionNumber", {versionText(version)}});
  if (extensions.empty()) {
    if (!gpo.machineExtensions.empty()) changes.push_back({ldap::Modification::replace, "gPCMachineExtensionNames", {}});
  } else {
    changes.push_back({ldap::Modification::replace, "gPCMachineExtensionNames", {extensions}});
  }
  if (!ldap_->modify(gpo.dn, changes, error)) {
    error = "updating the GPO's container in the directory: " + error;
    return false;
  }
  return true;
}

bool Domain::sysvolFolder(const GpoEntry& gpo, std::filesystem::path& folder, std::string& error) {
  if (!platform::sysvolFolder(url_.host, gpo.fileSysPath, folder, error)) return false;
  // Connected once the GPO is known, so that a failure names the GPO it was wanted for.
  if (!files_) {
    std::string why;
    files_ = platform::sysvolFileSystem(login_, why);
    if (!files_) {
      error = "reaching the GPO's folder on SYSVOL (" + gpo.fileSysPath + "): " + why;
      return false;
    }
  }
  return true;
}

DomainGpo::DomainGpo(Domain& domain, GpoEntry gpo, std::filesystem::path folder)
    : domain_(domain), gpo_(std::move(gpo)), folder_(std::move(folder), domain.files()) {}

bool DomainGpo::open(bool toChange, std::ostream& notes, std::string& error) {
  // The folder must be there: a GPO without one is broken, and making one would hide that.
  std::string why;
  if (!domain_.files().isFolder(folder_.dir(), why)) {
    error = "reaching the GPO's folder on SYSVOL: " +
            (why.empty() ? folder_.dir().string() + " is missing or is not a folder" : why);
    return false;
  }
  if ((toChange && !folder_.lock(std::chrono::seconds(30), why)) || !folder_.load(why)) {
    error = "reading the GPO's folder on SYSVOL: " + why;
    return false;
  }
  // Read again under the lock: another writer may have finished between the lookup and now.
  if (!domain_.reread(gpo_, error)) return false;
  extensions_ = gpo::parseExtensionGroups(gpo_.machineExtensions);
  const std::uint32_t files = folder_.gptIni().version();
  if (files != gpo_.version)
    notes << "ostrel-policy: note: the GPO's versions disagree: versionNumber " << gpo_.version
          << " in the directory, Version " << files << " in " << folder_.gptIniPath().string()
          << "; another tool left them apart" << (toChange ? ", and this change makes them equal" : "") << '\n';
  return true;
}

bool DomainGpo::save(std::string& error) {
  const std::uint32_t before = gpo_.version, filesBefore = folder_.gptIni().version();
  // The save raises the machine half by one from there.
  folder_.gptIni().setVersion(laterVersion(before, filesBefore));
  std::string why;
  if (!folder_.save(why)) {
    folder_.gptIni().setVersion(filesBefore);
    error = "writing the GPO's files on SYSVOL: " + why + "; the directory was not changed";
    return false;
  }
  const std::uint32_t after = folder_.gptIni().version();
  if (!domain_.updateContainer(gpo_, before, after, gpo::extensionGroupsText(extensions_), error)) {
    std::string undo;
    if (folder_.restore(undo)) {
      error += "; the files on SYSVOL were put back as they were: nothing changed";
    } else {
      error += "; putting the files on SYSVOL back failed too (" + undo + "): they hold the change at Version " +
               std::to_string(after) + " while the directory still says " + std::to_string(before) +
               "; running the command again brings the two together";
    }
    return false;
  }
  gpo_.version = after;
  gpo_.machineExtensions = gpo::extensionGroupsText(extensions_);
  return true;
}

HResult DomainGpo::getRegistryKey(std::uint32_t section, Registry::Key& key) {
  key = 0;
  if (section != gpoSectionMachine) return hresult::fail;
  key = folder_.hive().openRoot();
  return hresult::ok;
}

HResult DomainGpo::policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) {
  if (!machine) return hresult::fail;
  if (add) {
    gpo::addExtensionPair(extensions_, narrowGuid(extension), narrowGuid(snapin));
  } else {
    gpo::removeExtensionPair(extensions_, narrowGuid(extension), narrowGuid(snapin));
  }
  return hresult::ok;
}

bool readPassword(const std::string& file, std::string& password, std::string& error) {
  if (file == "-") {
    if (!platform::readHiddenLine("Password: ", password)) {
      error = "no password was typed";
      return false;
    }
    return true;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in || !std::getline(in, password)) {
    error = "cannot read the password file " + file;
    return false;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return true;
}

}  // namespace ostrel::tool

#pragma once
// A GPO of an Active Directory domain: its container in the directory
// (CN={GUID},CN=Policies,CN=System,<domain>), whose versionNumber and gPCMachineExtensionNames
// tell clients whether it changed and which client-side extensions must process it, and its
// folder on the domain controller's SYSVOL share (GPT.INI, Machine\Registry.pol). A change
// writes the folder as a local save does, then raises the container's version to the files'
// one and merges the extension pairs the change named, as the Group Policy editor does.
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/gpo_folder.h"
#include "platform/group_policy_host.h"
#include "platform/ldap_directory.h"
#include "platform/sysvol.h"

namespace ostrel::tool {

struct DomainOptions {
  std::string url, caFile, bindUser, password;  // no bindUser: the logged-on user
};

// Where a change starts from when the container and the files disagree: the larger of the
// two in each half, so that a client that saw either sees the version go up.
std::uint32_t laterVersion(std::uint32_t container, std::uint32_t files);

struct GpoEntry {
  std::string dn, guid, name, fileSysPath, machineExtensions;
  std::uint32_t version = 0;
};

class Domain {
 public:
  // Connects, secures and binds; error names the step that failed.
  static std::unique_ptr<Domain> connect(const DomainOptions& options, std::string& error);

  [[nodiscard]] bool listGpos(std::vector<GpoEntry>& gpos, std::string& error);
  // By display name (without regard to case) or by {GUID}; an unknown or shared name is an
  // error that lists the candidates.
  [[nodiscard]] bool findGpo(const std::string& nameOrGuid, GpoEntry& gpo, std::string& error);
  // The container as it is now.
  [[nodiscard]] bool reread(GpoEntry& gpo, std::string& error);
  // Sets the container's version, provided it still holds expected, and its extension names.
  [[nodiscard]] bool updateContainer(const GpoEntry& gpo, std::uint32_t expected, std::uint32_t version,
                                     const std::string& extensions, std::string& error);

  // The GPO's SYSVOL folder, on the server the directory was reached on; the first call
  // connects to the share.
  [[nodiscard]] bool sysvolFolder(const GpoEntry& gpo, std::filesystem::path& folder, std::string& error);
  // The SYSVOL files, once sysvolFolder succeeded.
  [[nodiscard]] platform::FileSystem& files() { return *files_; }

 private:
  Domain() = default;
  std::unique_ptr<platform::ldap::Connection> ldap_;
  platform::ldap::Url url_;
  std::string policiesDn_;
  platform::SysvolLogin login_;
  std::unique_ptr<platform::FileSystem> files_;
};

// One domain GPO opened for the store operations. PolicyChanged merges the extension pairs
// into the container's list (not into GPT.INI, which on a domain GPO holds only the version).
class DomainGpo final : public GroupPolicyHost {
 public:
  DomainGpo(Domain& domain, GpoEntry gpo, std::filesystem::path folder);

  // Takes the folder's lock when toChange, loads the files and reads the container again
  // under the lock; a disagreement of the two versions is reported on notes.
  [[nodiscard]] bool open(bool toChange, std::ostream& notes, std::string& error);
  // Writes the files, then the container; if the directory refuses, the files are put back.
  [[nodiscard]] bool save(std::string& error);

  HResult getRegistryKey(std::uint32_t section, Registry::Key& key) override;
  HResult policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) override;
  Registry& registry() override { return folder_.hive(); }

  [[nodiscard]] const GpoEntry& entry() const { return gpo_; }
  [[nodiscard]] gpo::GpoFolder& folder() { return folder_; }

 private:
  Domain& domain_;
  GpoEntry gpo_;
  gpo::GpoFolder folder_;
  gpo::ExtensionGroups extensions_;
};

// The password of --password-file: the file's first line, or a line typed at the terminal
// (without echo) for "-".
[[nodiscard]] bool readPassword(const std::string& file, std::string& password, std::string& error);

}  // namespace ostrel::tool

#pragma once
// The SYSVOL share of a domain controller, where a domain GPO's files live. Linux reaches it
// over SMB (libsmbclient), Windows by its UNC path. Either way the files are written through
// the file server, so that new files get the access control the server gives that folder.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace ostrel::platform {

struct SysvolLogin {
  std::string host;  // the domain controller whose SYSVOL share is used
  std::string user;  // empty: the logged-on user (Kerberos ticket cache, Windows logon)
  std::string password;
};

// The folder a GPO container's gPCFileSysPath (\\server\share\path) names, on host: the
// domain controller the directory was read from, so that files and container are changed on
// the same server (the path's server is usually the domain's DNS name, served by any of
// them). False with the reason when the path is not a UNC path.
[[nodiscard]] bool sysvolFolder(const std::string& host, const std::string& fileSysPath,
                                std::filesystem::path& folder, std::string& error);

// Files on SYSVOL folders made by sysvolFolder, with the login's credentials. On Windows a
// user's credentials connect to \\host\SYSVOL for as long as the result lives.
std::unique_ptr<FileSystem> sysvolFileSystem(const SysvolLogin& login, std::string& error);

}  // namespace ostrel::platform

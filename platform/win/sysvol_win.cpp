// SYSVOL by its UNC path (\\server\sysvol\...): the system's SMB client, as the logged-on user.
#include "platform/sysvol.h"

namespace ostrel::platform {

std::unique_ptr<FileSystem> sysvolFileSystem(const SysvolLogin&, std::string&) {
  // The Windows file APIs reach a UNC path like any other, with the logon's credentials
  // (a --bind-user applies to the directory only), and the server gives new files the
  // folder's inherited ACL; LockFileEx locks over SMB as on a local disk.
  return std::make_unique<FileSystem>();
}

}  // namespace ostrel::platform

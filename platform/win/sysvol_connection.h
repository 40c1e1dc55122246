#pragma once
// Connecting to a domain controller's SYSVOL share with a user's credentials (a --bind-user),
// instead of the logon's, for as long as the owner lives.
#include <windows.h>

#include <string>

namespace ostrel::platform {

// The administrator's reading of a failed WNetAddConnection2W to share as user.
std::string sysvolConnectionFailure(DWORD code, const std::string& share, const std::string& user);

class SysvolConnection {
 public:
  // Connects share (\\host\SYSVOL, no drive letter); false with the reason.
  [[nodiscard]] bool connect(const std::string& share, const std::string& user, const std::string& password,
                             std::string& error);
  SysvolConnection() = default;
  SysvolConnection(const SysvolConnection&) = delete;
  SysvolConnection& operator=(const SysvolConnection&) = delete;
  // Drops the connection this made (not one another program holds).
  ~SysvolConnection();

 private:
  std::wstring share_;
};

}  // namespace ostrel::platform

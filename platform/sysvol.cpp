#include "platform/sysvol.h"

#include "platform/text.h"

namespace ostrel::platform {

bool sysvolFolder(const std::string& host, const std::string& fileSysPath, std::filesystem::path& folder,
                  std::string& error) {
  // \\server\share\rest: the share and the rest are kept, the server is the one we talk to.
  std::string parts;
  if (fileSysPath.size() > 2 && fileSysPath[0] == '\\' && fileSysPath[1] == '\\') {
    auto share = fileSysPath.find('\\', 2);
    if (share != std::string::npos && share + 1 < fileSysPath.size()) parts = fileSysPath.substr(share + 1);
  }
  if (parts.empty() || parts.find("..") != std::string::npos) {
    error = "the GPO's file path '" + fileSysPath + "' is not of the form \\\\SERVER\\SHARE\\FOLDER";
    return false;
  }
  std::string host_ = host;
  // A bracketed IPv6 address: UNC paths and SMB URLs both want it bare.
  if (host_.size() > 2 && host_.front() == '[') host_ = host_.substr(1, host_.size() - 2);
#ifdef _WIN32
  folder = std::filesystem::path(fromUtf8("\\\\" + host_ + "\\" + parts));
#else
  for (auto& c : parts)
    if (c == '\\') c = '/';
  folder = "smb://" + host_ + "/" + parts;
#endif
  return true;
}

}  // namespace ostrel::platform

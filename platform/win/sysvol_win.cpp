// SYSVOL by its UNC path (\\server\sysvol\...): the system's SMB client, as the logged-on user
// or, with a --bind-user, over a connection made with that user's credentials.
#include <windows.h>
#include <winnetwk.h>

#include "platform/prompt.h"
#include "platform/sysvol.h"
#include "platform/text.h"
#include "platform/win/sysvol_connection.h"

namespace ostrel::platform {
namespace {

// The files of a connection made for them; the connection ends after the files are done with.
class ConnectedFileSystem final : public FileSystem {
 public:
  SysvolConnection connection;
};

}  // namespace

namespace {
std::string message(DWORD code) {
  std::string text = toUtf8(systemMessage(HRESULT_FROM_WIN32(code)));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}
}  // namespace

std::string sysvolConnectionFailure(DWORD code, const std::string& share, const std::string& user) {
  const std::string start = "connecting to " + share + " as " + user + " failed: ";
  switch (code) {
    case ERROR_SESSION_CREDENTIAL_CONFLICT:
      // Windows allows one set of credentials per server and logon; it will not switch silently.
      return start + "this logon is already connected to that server with other credentials; end that "
                     "connection (net use " + share + " /delete) or leave out --bind-user to use it";
    case ERROR_LOGON_FAILURE:
      return start + "the server refused the user name or the password";
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NO_NETWORK:
      return start + "the server or its SYSVOL share cannot be reached (" + message(code) + ")";
    default:
      return start + message(code);
  }
}

bool SysvolConnection::connect(const std::string& share, const std::string& user, const std::string& password,
                               std::string& error) {
  std::wstring remote = fromUtf8(share), name = fromUtf8(user), secret = fromUtf8(password);
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpRemoteName = remote.data();
  // No drive letter and no CONNECT_UPDATE_PROFILE: the connection is this run's only.
  const DWORD code = WNetAddConnection2W(&resource, secret.c_str(), name.c_str(), 0);
  SecureZeroMemory(secret.data(), secret.size() * sizeof(wchar_t));
  if (code != NO_ERROR) {
    error = sysvolConnectionFailure(code, share, user);
    return false;
  }
  share_ = std::move(remote);
  return true;
}

SysvolConnection::~SysvolConnection() {
  // Not forced: a file still open through it would keep it, rather than be cut off.
  if (!share_.empty()) WNetCancelConnection2W(share_.c_str(), 0, FALSE);
}

std::unique_ptr<FileSystem> sysvolFileSystem(const SysvolLogin& login, std::string& error) {
  // The Windows file APIs reach a UNC path like any other, and the server gives new files the
  // folder's inherited ACL; LockFileEx locks over SMB as on a local disk.
  if (login.user.empty()) return std::make_unique<FileSystem>();
  std::string host = login.host;
  if (host.size() > 2 && host.front() == '[') host = host.substr(1, host.size() - 2);
  auto files = std::make_unique<ConnectedFileSystem>();
  if (!files->connection.connect("\\\\" + host + "\\SYSVOL", login.user, login.password, error)) return nullptr;
  return files;
}

}  // namespace ostrel::platform

// Connecting to SYSVOL with a bind user's credentials: what an administrator reads when the
// system refuses. Wine reaches no SMB share, so a successful connection is not tested here.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/sysvol_connection.h"

namespace ostrel::platform {
namespace {

TEST(SysvolConnection, EachRefusalSaysWhatToDo) {
  const struct {
    DWORD code;
    const char* says;
  } cases[] = {
      {ERROR_SESSION_CREDENTIAL_CONFLICT, "already connected to that server with other credentials; end that "
                                          "connection (net use \\\\dc1\\SYSVOL /delete)"},
      {ERROR_LOGON_FAILURE, "refused the user name or the password"},
      {ERROR_BAD_NET_NAME, "cannot be reached ("},
      {ERROR_ACCESS_DENIED, "failed: "},
  };
  for (const auto& c : cases) {
    const std::string text = sysvolConnectionFailure(c.code, "\\\\dc1\\SYSVOL", "admin@EXAMPLE.TEST");
    EXPECT_EQ(0u, text.find("connecting to \\\\dc1\\SYSVOL as admin@EXAMPLE.TEST failed: ")) << text;
    EXPECT_NE(std::string::npos, text.find(c.says)) << text;
    EXPECT_NE('\n', text.back()) << text;  // the system's message ends the line in the caller's text
  }
}

TEST(SysvolConnection, AnUnreachableShareIsAnErrorNamingIt) {
  SysvolConnection connection;
  std::string error;
  EXPECT_FALSE(connection.connect("\\\\192.0.2.1\\SYSVOL", "admin@EXAMPLE.TEST", "secret", error));
  EXPECT_NE(std::string::npos, error.find("connecting to \\\\192.0.2.1\\SYSVOL as admin@EXAMPLE.TEST failed")) << error;
}

}  // namespace
}  // namespace ostrel::platform

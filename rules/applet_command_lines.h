#pragma once
// Some Control Panel applets need more than their own command line: older systems start
// them through a fully qualified shell32.dll, the User Accounts applet also through
// netplwiz.dll, and scanner set-up through wiashext.dll; some need privileges users rarely
// hold. The command lines page and ostrel-policy both apply these rules to a new line.
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::rules {

// One step after the line itself is added: a warning to show, or else a line to add.
struct AppletStep {
  int notice = 0;  // the notice's number (IDS_NOTICE_...), or 0
  std::wstring line;
};

[[nodiscard]] std::vector<AppletStep> appletSteps(std::wstring_view line);

}  // namespace ostrel::rules

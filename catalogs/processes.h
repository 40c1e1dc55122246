#pragma once
// Where the Get Command Line dialog's running-processes tab gets its lines from; the system's
// source is catalogs/win/processes_win.h.
#include <string>
#include <vector>

namespace ostrel::catalogs {

// The running processes' command lines, as the running-processes tab lists them.
class ProcessSource {
 public:
  virtual ~ProcessSource() = default;
  // Enables the debug privilege in the module's process; false when the token lacks it.
  virtual bool enableDebugPrivilege() = 0;
  virtual std::vector<std::wstring> commandLines() = 0;
};

}  // namespace ostrel::catalogs

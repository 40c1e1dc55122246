#pragma once
// The running processes and their command lines, for the running-processes tab.
#include <windows.h>

#include <string>
#include <vector>

#include "catalogs/processes.h"

namespace ostrel::catalogs::win {

// Enables one privilege in the process token; false also when the token does not hold it.
bool EnableNamedPrivilege(const wchar_t* name);

// Called once per process: id, a zero, the executable's name, the caller's value; false
// stops the walk.
using ProcessCallback = BOOL (*)(DWORD processId, WORD zero, const wchar_t* name, LPARAM value);

// False when no way to enumerate processes is available.
bool EnumerateProcesses(ProcessCallback callback, LPARAM value);

// The command line of an opened process (query information and read memory rights) into
// buffer, NUL-terminated; false when it is longer than limitBytes bytes or cannot be read.
bool ReadProcessCommandLine(HANDLE process, wchar_t* buffer, DWORD limitBytes);

// The tab's source: the debug privilege, then every process's command line of at most
// 260 bytes.
class RunningProcesses final : public ProcessSource {
 public:
  bool enableDebugPrivilege() override;
  std::vector<std::wstring> commandLines() override;
};

}  // namespace ostrel::catalogs::win

// Ids, clock and debug output on Windows.
#include <windows.h>
#include <rpc.h>

#include <cstring>

#include "platform/guid.h"
#include "platform/trace.h"

namespace ostrel::platform {

Guid newRuleGuid() {
  UUID u{};
  // Success or a local-only id (no network address), which is still a valid id.
  (void)UuidCreateSequential(&u);
  Guid g;
  g.data1 = u.Data1;
  g.data2 = u.Data2;
  g.data3 = u.Data3;
  std::memcpy(g.data4.data(), u.Data4, sizeof(u.Data4));
  return g;
}

std::uint64_t fileTimeNow() {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

// The debugger gets every line; a test may listen in as well.
void debugOutput(const std::wstring& text) {
  OutputDebugStringW(text.c_str());
  traceToSink(text);
}

}  // namespace ostrel::platform

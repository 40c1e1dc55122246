#pragma once
// The system's version as GetVersionExW reports it, asked once per process: the platform
// id (NT family or not) and the major and minor numbers decide which structures and
// enumeration functions the module uses.
#include <windows.h>

#include <optional>

namespace ostrel::win {

// Nothing when GetVersionExW fails.
inline const std::optional<OSVERSIONINFOW>& systemVersion() {
  static const std::optional<OSVERSIONINFOW> version = []() -> std::optional<OSVERSIONINFOW> {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return std::nullopt;
#pragma GCC diagnostic pop
    return info;
  }();
  return version;
}

// True unless the system reports the Windows 9x platform (an unknown one counts as NT).
inline bool ntFamily() {
  return !systemVersion() || systemVersion()->dwPlatformId != VER_PLATFORM_WIN32_WINDOWS;
}

}  // namespace ostrel::win

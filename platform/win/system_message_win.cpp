#include <windows.h>

#include "platform/prompt.h"
#include "platform/text.h"

namespace ostrel::platform {

std::wstring systemMessage(HResult hr) {
  wchar_t buffer[1024] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                                static_cast<DWORD>(std::size(buffer)), nullptr);
  if (length != 0) return std::wstring(buffer, length);
  // A code the system has no text for still tells the administrator what to look up.
  return formatWide(64, L"Error 0x%08X", static_cast<unsigned>(hr));
}

}  // namespace ostrel::platform

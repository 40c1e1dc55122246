#pragma once
// Message boxes: text, caption, style and owner in, the button pressed out (MessageBoxW).
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace ostrel {

using WindowHandle = std::uintptr_t;  // HWND; 0 is "no owner"

namespace mb {
inline constexpr std::uint32_t ok = 0x0;
inline constexpr std::uint32_t yesNo = 0x4;
inline constexpr std::uint32_t typeMask = 0xF;  // the buttons' part of a style
inline constexpr std::uint32_t iconHand = 0x10;  // also MB_ICONERROR
inline constexpr std::uint32_t iconError = 0x10;
inline constexpr std::uint32_t iconQuestion = 0x20;
inline constexpr std::uint32_t iconExclamation = 0x30;
inline constexpr std::uint32_t iconInformation = 0x40;
}  // namespace mb

namespace answer {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int yes = 6;
inline constexpr int no = 7;
}  // namespace answer

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                         std::uint32_t style) = 0;
};

namespace platform {
// FormatMessageW of an HRESULT from the system table, default language.
std::wstring systemMessage(HResult hr);
}  // namespace platform

}  // namespace ostrel

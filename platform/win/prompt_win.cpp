#include <windows.h>

#include "platform/win/message_box_prompter.h"

namespace ostrel::win {

int MessageBoxPrompter::messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                                   std::uint32_t style) {
  return MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

}  // namespace ostrel::win

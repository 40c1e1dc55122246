#pragma once
// The prompt seam over MessageBoxW.
#include "platform/prompt.h"

namespace ostrel::win {

class MessageBoxPrompter final : public Prompter {
 public:
  int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override;
};

}  // namespace ostrel::win

#pragma once
// The message boxes of the shared checks, on the console.
#include <ostream>

#include "platform/prompt.h"

namespace ostrel::tool {

// Texts go to standard error; a Yes/No question is answered No unless the administrator
// passed --yes, and the answer is printed after it.
class ConsolePrompter final : public Prompter {
 public:
  ConsolePrompter(std::ostream& err, bool yes) : err_(err), yes_(yes) {}
  int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override;

 private:
  std::ostream& err_;
  bool yes_;
};

}  // namespace ostrel::tool

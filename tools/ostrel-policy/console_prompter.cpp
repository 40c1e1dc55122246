#include "tools/ostrel-policy/console_prompter.h"

#include "tools/ostrel-policy/rule_checks.h"

namespace ostrel::tool {

int ConsolePrompter::messageBox(WindowHandle, const std::wstring& text, const std::wstring&, std::uint32_t style) {
  if ((style & mb::typeMask) == mb::yesNo) {
    err_ << consoleLine(text) << (yes_ ? " Yes (--yes)\n" : " No (pass --yes to answer Yes)\n");
    return yes_ ? answer::yes : answer::no;
  }
  err_ << consoleLine(text) << '\n';
  return answer::ok;
}

}  // namespace ostrel::tool

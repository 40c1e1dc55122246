#include "tools/ostrel-policy/console_prompter.h"

#include "rules/rule_checks.h"

namespace ostrel::tool {

int ConsolePrompter::messageBox(WindowHandle, const std::wstring& text, const std::wstring&, std::uint32_t style) {
  if ((style & mb::typeMask) == mb::yesNo) {
    err_ << rules::consoleLine(text) << (yes_ ? " Yes (--yes)\n" : " No (pass --yes to answer Yes)\n");
    return yes_ ? answer::yes : answer::no;
  }
  err_ << rules::consoleLine(text) << '\n';
  return answer::ok;
}

}  // namespace ostrel::tool

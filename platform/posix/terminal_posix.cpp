#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/terminal.h"

namespace ostrel::platform {

bool readHiddenLine(const char* prompt, std::string& line) {
  std::fputs(prompt, stderr);
  termios old {};
  const bool tty = ::tcgetattr(STDIN_FILENO, &old) == 0;
  if (tty) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  if (tty) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
  std::fputs("\n", stderr);
  return ok;
}

}  // namespace ostrel::platform

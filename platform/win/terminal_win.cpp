#include <windows.h>

#include <cstdio>
#include <iostream>

#include "platform/terminal.h"

namespace ostrel::platform {

bool readHiddenLine(const char* prompt, std::string& line) {
  std::fputs(prompt, stderr);
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = GetConsoleMode(in, &mode) != 0;
  if (console) SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  if (console) SetConsoleMode(in, mode);
  std::fputs("\n", stderr);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok;
}

}  // namespace ostrel::platform

#pragma once
// A line typed at the terminal without echo (a password), the prompt on standard error.
#include <string>

namespace ostrel::platform {
[[nodiscard]] bool readHiddenLine(const char* prompt, std::string& line);
}

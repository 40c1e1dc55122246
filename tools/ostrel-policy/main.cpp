#include <iostream>

#include "platform/heap_tuning.h"
#include "platform/text.h"
#include "tools/ostrel-policy/policy_tool.h"

// Arguments arrive as UTF-16 on Windows (wmain) and as UTF-8 elsewhere.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  ostrel::platform::tuneHeapForLargePolicies();
  std::vector<std::wstring> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    // A lone surrogate would reach the file as text no reader can show.
    if (!ostrel::isValidUtf16(args[i])) {
      std::cerr << "ostrel-policy: argument " << i + 1 << " is not valid UTF-16\nTry 'ostrel-policy --help'.\n";
      return ostrel::tool::exitcode::usage;
    }
  }
  return ostrel::tool::run(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  ostrel::platform::tuneHeapForLargePolicies();
  return ostrel::tool::runUtf8(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
#endif

#include "platform/prompt.h"
#include "platform/text.h"

namespace ostrel::platform {

// Without the system's message table the text names the code, which is what an
// administrator needs to look it up.
std::wstring systemMessage(HResult hr) {
  return formatWide(64, L"Error 0x%08X", static_cast<unsigned>(hr));
}

}  // namespace ostrel::platform

#include "platform/byte_buffer.h"

namespace ostrel::platform {

// Windows commits large heap blocks from fresh pages anyway; the default heap serves them.
void* allocateLarge(std::size_t bytes) { return ::operator new(bytes); }
void freeLarge(void* p, std::size_t) noexcept { ::operator delete(p); }

}  // namespace ostrel::platform

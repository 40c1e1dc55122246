#include <sys/mman.h>

#include <cstdint>

#include "platform/byte_buffer.h"

namespace ostrel::platform {
namespace {
constexpr std::size_t hugePage = std::size_t(2) << 20;
std::size_t roundUp(std::size_t bytes) { return (bytes + hugePage - 1) & ~(hugePage - 1); }
}  // namespace

// A mapping aligned to a huge page, so that the kernel can back it with huge pages when asked;
// without them (or if the advice is refused) it is still an ordinary mapping.
void* allocateLarge(std::size_t bytes) {
  const std::size_t size = roundUp(bytes);
  void* raw = ::mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + hugePage - 1) & ~(std::uintptr_t(hugePage) - 1);
  if (aligned > start) ::munmap(raw, aligned - start);
  if (const std::size_t tail = start + hugePage - aligned; tail > 0)
    ::munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
  (void)::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

void freeLarge(void* p, std::size_t bytes) noexcept { ::munmap(p, roundUp(bytes)); }

}  // namespace ostrel::platform

#pragma once
// The bytes of a whole file held in memory: a Registry.pol of 10,000 rules is about 90 MiB.
// A fresh buffer of that size costs one page fault per 4 KiB page on first touch, which is
// most of the time of a load or a save; large buffers are therefore taken from the system in
// huge pages where it offers them (Linux), and none is zero-filled before being overwritten.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace ostrel::platform {

// Memory of at least bytes, aligned for any object; from the platform's large-page mapping
// where there is one, else from operator new. Freed with the same size.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* p, std::size_t bytes) noexcept;

template <class T>
struct LargeBufferAllocator {
  using value_type = T;
  static constexpr std::size_t largeBytes = std::size_t(4) << 20;

  LargeBufferAllocator() = default;
  template <class U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n * sizeof(T) < largeBytes) return std::allocator<T>().allocate(n);
    return static_cast<T*>(allocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) < largeBytes) return std::allocator<T>().deallocate(p, n);
    freeLarge(p, n * sizeof(T));
  }
  // resize() leaves new elements uninitialised: they are written before they are read.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const LargeBufferAllocator<U>&) const noexcept {
    return true;
  }
};

using ByteBuffer = std::vector<std::uint8_t, LargeBufferAllocator<std::uint8_t>>;

}  // namespace ostrel::platform

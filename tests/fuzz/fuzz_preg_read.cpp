// libFuzzer target for the Registry.pol reader. Beyond "no crash, no sanitizer report":
// a rejected file leaves the hive as it was and names an offset inside the file; an accepted
// one writes a canonical file that reads back to the same content and the same bytes.
#include <cstdint>
#include <cstdlib>

#include "platform/preg/preg_codec.h"

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryRegistry hive;
  {
    RegKey root(hive, hive.openRoot());
    RegKey k;
    if (RegKey::create(hive, root.get(), L"Before", access::all, k) != status::success) std::abort();
  }
  const auto before = preg::write(hive);
  preg::ReadError error;
  if (!preg::read(std::span(data, size), hive, error)) {
    if (error.offset > size || error.expected.empty()) std::abort();
    if (preg::write(hive) != before) std::abort();
    return 0;
  }
  const auto canonical = preg::write(hive);
  MemoryRegistry again;
  if (!preg::read(canonical, again, error)) std::abort();
  if (preg::write(again) != canonical) std::abort();
  return 0;
}

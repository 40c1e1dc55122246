#pragma once
// Registry.pol files: a "PReg" header with format version 1, then records
// [key;value;type;size;data] whose brackets, semicolons and names are UTF-16LE and whose
// type and size are little-endian DWORDs.
//
// Reading is lenient about what real policy editors write (key-only records, repeated keys,
// the "**" directives, whose deletions are applied in file order and which are kept as values
// so that a save writes them back) and strict about structure: a file
// that does not parse to its last byte is rejected whole, and the hive is left as it was.
// Writing is canonical: keys depth-first in hive order, one key-only record for each key
// without values, then each key's values in creation order.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_buffer.h"
#include "platform/memory_registry.h"

namespace ostrel::preg {

inline constexpr std::uint32_t signature = 0x67655250;  // "PReg" read as a little-endian DWORD
inline constexpr std::uint32_t formatVersion = 1;
inline constexpr std::size_t headerSize = 8;

struct ReadError {
  std::size_t offset = 0;  // byte offset in the file where reading stopped
  std::string expected;    // what the reader expected to find there
  // "byte offset N: expected ..."
  [[nodiscard]] std::string message() const;
};

// Parses a whole file into fresh content and swaps it into hive only when every record
// parsed and applied; otherwise hive keeps its content and error says where and why.
[[nodiscard]] bool read(std::span<const std::uint8_t> file, MemoryRegistry& hive, ReadError& error);

// The file for the hive's current content. Values of the root key cannot be addressed by a
// record (the key path would be empty) and are not written.
[[nodiscard]] platform::ByteBuffer write(const MemoryRegistry& hive);

}  // namespace ostrel::preg

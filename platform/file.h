#pragma once
// Sequential reading of a file in fixed chunks (CreateFileW/ReadFile on Windows, POSIX elsewhere).
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace ostrel::platform {

class InputFile {
  struct Opened {};  // only open() makes one

 public:
  InputFile(Opened, std::intptr_t handle) : handle_(handle) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();
  // Opens for sequential reading, sharing read access; null when the file cannot be opened or
  // is not a regular file.
  static std::unique_ptr<InputFile> open(const std::wstring& path);
  // Reads up to buffer.size() bytes; false on a read error. got == 0 means end of file.
  [[nodiscard]] bool read(std::span<std::uint8_t> buffer, std::size_t& got);

 private:
  std::intptr_t handle_;
};

}  // namespace ostrel::platform

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/text.h"

namespace ostrel::platform {

InputFile::~InputFile() { ::close(static_cast<int>(handle_)); }

std::unique_ptr<InputFile> InputFile::open(const std::wstring& path) {
  int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<InputFile>(Opened{}, fd);
}

bool InputFile::read(std::span<std::uint8_t> buffer, std::size_t& got) {
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer.data(), buffer.size());
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return true;
    }
    if (errno != EINTR) return false;
  }
}

}  // namespace ostrel::platform

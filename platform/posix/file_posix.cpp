#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file.h"
#include "platform/text.h"

namespace ostrel::platform {

InputFile::~InputFile() { ::close(static_cast<int>(handle_)); }

std::unique_ptr<InputFile> InputFile::open(const std::wstring& path) {
  // Regular files only: reading a FIFO or a device such as /dev/zero would never end.
  // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer.
  int fd = ::open(toUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
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

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_system.h"

namespace ostrel::platform {

namespace {
std::string failure(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}
}  // namespace

bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = failure("cannot create", path);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = failure("cannot write", path);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    error = failure("cannot flush", path);
    ::close(fd);
    return false;
  }
  if (::close(fd) != 0) {
    error = failure("cannot close", path);
    return false;
  }
  return true;
}

bool renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    error = failure("cannot replace", to);
    return false;
  }
  // Make the rename itself durable: flush the folder's entry list.
  int dir = ::open(to.parent_path().empty() ? "." : to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace ostrel::platform

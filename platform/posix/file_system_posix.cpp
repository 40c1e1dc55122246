#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <thread>

#include "platform/file_system.h"

namespace ostrel::platform {

namespace {
std::string failure(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

// Closes the descriptor on every path out.
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};
}  // namespace

bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& keepModeOf, std::string& error) {
  // Created readable by the owner only; the final mode is set once the content is complete.
  Fd file{::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600)};
  if (file.fd < 0) {
    error = failure("cannot create", path);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = failure("cannot write", path);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  // The replaced file's mode and, where permitted, its owner; a new file gets the usual 0644
  // less the umask.
  struct stat old {};
  if (::stat(keepModeOf.c_str(), &old) == 0) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) (void)::fchown(file.fd, old.st_uid, old.st_gid);
    if (::fchmod(file.fd, old.st_mode & 07777) != 0) {
      error = failure("cannot set the mode of", path);
      return false;
    }
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(file.fd, 0644 & ~mask);
  }
  if (::fsync(file.fd) != 0) {
    error = failure("cannot flush", path);
    return false;
  }
  int fd = file.fd;
  file.fd = -1;
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
  Fd dir{::open(to.parent_path().empty() ? "." : to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd >= 0) (void)::fsync(dir.fd);
  return true;
}

namespace {
class FlockLock final : public FileLock {
 public:
  explicit FlockLock(int fd) : fd_{fd} {}

 private:
  Fd fd_;  // closing it releases the lock
};
}  // namespace

std::unique_ptr<FileLock> FileLock::acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds timeout,
                                            std::string& error) {
  Fd file{::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644)};
  if (file.fd < 0) {
    error = failure("cannot open the lock file", lockFile);
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  while (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      error = failure("cannot lock", lockFile);
      return nullptr;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      error = "another writer holds the lock " + lockFile.string() + "; gave up after " +
              std::to_string(timeout.count()) + " ms";
      return nullptr;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  int fd = file.fd;
  file.fd = -1;
  return std::make_unique<FlockLock>(fd);
}

}  // namespace ostrel::platform

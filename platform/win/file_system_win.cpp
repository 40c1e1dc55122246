#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/win/handles.h"

namespace ostrel::platform {

namespace {
std::string failure(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": error " + std::to_string(GetLastError());
}
}  // namespace

// The new file takes the folder's inherited security, as any file created there would.
bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& /*keepModeOf*/, std::string& error) {
  win::Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = failure("cannot create", path);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      error = failure("cannot write", path);
      return false;
    }
    done += written;
  }
  if (!FlushFileBuffers(file.get())) {
    error = failure("cannot flush", path);
    return false;
  }
  return true;
}

bool renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = failure("cannot replace", to);
    return false;
  }
  return true;
}

namespace {
class LockFileExLock final : public FileLock {
 public:
  explicit LockFileExLock(win::Handle file) : file_(std::move(file)) {}
  ~LockFileExLock() override {
    OVERLAPPED at{};
    (void)UnlockFileEx(file_.get(), 0, 1, 0, &at);
  }

 private:
  win::Handle file_;
};
}  // namespace

std::unique_ptr<FileLock> FileLock::acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds timeout,
                                            std::string& error) {
  win::Handle file(CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = failure("cannot open the lock file", lockFile);
    return nullptr;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
  DWORD pause = 1;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) break;
    if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
      error = failure("cannot lock", lockFile);
      return nullptr;
    }
    if (GetTickCount64() >= deadline) {
      error = "another writer holds the lock " + lockFile.string() + "; gave up after " +
              std::to_string(timeout.count()) + " ms";
      return nullptr;
    }
    Sleep(pause);
    pause = std::min<DWORD>(pause * 2, 50);
  }
  return std::make_unique<LockFileExLock>(std::move(file));
}

}  // namespace ostrel::platform

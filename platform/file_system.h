#pragma once
// Whole files for the tools: read at once, written durably and replaced atomically, and an
// advisory lock on a folder. The virtual operations are the seam a test overrides to make one
// step fail.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/byte_buffer.h"

namespace ostrel::platform {

class FileLock;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // False when the path does not exist; an error (a looping link, a folder that cannot be
  // searched) is reported instead of being taken for a missing file.
  [[nodiscard]] virtual bool exists(const std::filesystem::path& path, std::string& error);
  // Reads a regular file whole; anything else (a FIFO, a device, a folder) is refused.
  [[nodiscard]] virtual bool readAll(const std::filesystem::path& path, ByteBuffer& out,
                                     std::string& error);
  [[nodiscard]] virtual bool createDirectories(const std::filesystem::path& path, std::string& error);
  // Creates or truncates the file, writes the bytes and flushes them to the disk. Where the
  // platform has them, the file takes the mode and owner of keepModeOf when that exists.
  [[nodiscard]] virtual bool writeFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                          const std::filesystem::path& keepModeOf, std::string& error);
  // Renames from to to, replacing an existing to in one step.
  [[nodiscard]] virtual bool replace(const std::filesystem::path& from, const std::filesystem::path& to,
                                     std::string& error);
  virtual void remove(const std::filesystem::path& path) noexcept;
  // True for a folder; false with error empty for anything else, or with the reason.
  [[nodiscard]] virtual bool isFolder(const std::filesystem::path& path, std::string& error);
  // The names in a folder, without "." and "..".
  [[nodiscard]] virtual bool list(const std::filesystem::path& dir, std::vector<std::string>& names,
                                  std::string& error);
  // See replacementTarget below.
  [[nodiscard]] virtual bool replacementTarget(const std::filesystem::path& path, std::filesystem::path& target,
                                               std::string& error);
  // See FileLock below.
  [[nodiscard]] virtual std::unique_ptr<FileLock> lock(const std::filesystem::path& lockFile,
                                                             std::chrono::milliseconds timeout, std::string& error);
};

FileSystem& realFileSystem();

// The file a write to path must replace: path itself, or the file a symbolic link at path
// leads to, so that the link keeps pointing at the current content. False (with the reason)
// when the link leads nowhere or the path is anything but a regular file or a missing one.
[[nodiscard]] bool replacementTarget(const std::filesystem::path& path, std::filesystem::path& target,
                                     std::string& error);

// One file replaced through a temporary file beside it: write() makes and flushes the
// temporary file, commit() renames it over the target, so that a crash leaves either the old
// file or the new one, never a part of either. The temporary file is removed unless committed.
class PendingReplacement {
 public:
  PendingReplacement(FileSystem& files, std::filesystem::path target);
  PendingReplacement(const PendingReplacement&) = delete;
  PendingReplacement& operator=(const PendingReplacement&) = delete;
  ~PendingReplacement();
  [[nodiscard]] bool write(std::span<const std::uint8_t> bytes, std::string& error);
  [[nodiscard]] bool commit(std::string& error);
  [[nodiscard]] const std::filesystem::path& target() const { return target_; }

 private:
  FileSystem& files_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
};

// Replaces target with bytes through a PendingReplacement. On failure target is untouched.
[[nodiscard]] bool replaceFileAtomically(FileSystem& files, const std::filesystem::path& target,
                                         std::span<const std::uint8_t> bytes, std::string& error);

// Removes the temporary files that saves of target left behind when they were killed. Only
// safe while holding the lock that every writer of target takes.
void removeStaleTemporaries(FileSystem& files, const std::filesystem::path& target);

// An exclusive advisory lock on a lock file (flock on POSIX, LockFileEx on Windows), held
// until destroyed. Every writer of a folder takes it for its whole load-change-save.
class FileLock {
 public:
  virtual ~FileLock() = default;
  // Waits up to timeout for the lock; null with the reason when it cannot be had.
  static std::unique_ptr<FileLock> acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds timeout,
                                           std::string& error);
};

// The platform's durable write and atomic rename (posix/ and win/).
[[nodiscard]] bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                    const std::filesystem::path& keepModeOf, std::string& error);
[[nodiscard]] bool renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                                   std::string& error);

}  // namespace ostrel::platform

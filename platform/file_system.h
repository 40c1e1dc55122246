#pragma once
// Whole files for the tools: read at once, written durably and replaced atomically.
// The virtual operations are the seam a test overrides to make one step fail.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace ostrel::platform {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  [[nodiscard]] virtual bool exists(const std::filesystem::path& path);
  [[nodiscard]] virtual bool readAll(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                                     std::string& error);
  [[nodiscard]] virtual bool createDirectories(const std::filesystem::path& path, std::string& error);
  // Creates or truncates the file, writes the bytes and flushes them to the disk.
  [[nodiscard]] virtual bool writeFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                          std::string& error);
  // Renames from to to, replacing an existing to in one step.
  [[nodiscard]] virtual bool replace(const std::filesystem::path& from, const std::filesystem::path& to,
                                     std::string& error);
  virtual void remove(const std::filesystem::path& path) noexcept;
};

FileSystem& realFileSystem();

// Writes the bytes to a temporary file beside target, flushes it and renames it over target,
// so that a crash leaves either the old file or the new one, never a part of either.
// On failure the temporary file is removed and target is untouched.
[[nodiscard]] bool replaceFileAtomically(FileSystem& files, const std::filesystem::path& target,
                                         std::span<const std::uint8_t> bytes, std::string& error);

// The platform's durable write and atomic rename (posix/ and win/).
[[nodiscard]] bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                    std::string& error);
[[nodiscard]] bool renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                                   std::string& error);

}  // namespace ostrel::platform

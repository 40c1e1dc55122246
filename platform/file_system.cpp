#include "platform/file_system.h"

#include <cstdio>
#include <fstream>
#include <random>

namespace ostrel::platform {

namespace fs = std::filesystem;

bool FileSystem::exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool FileSystem::readAll(const fs::path& path, std::vector<std::uint8_t>& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path.string();
    return false;
  }
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0) {
    error = "cannot read " + path.string();
    return false;
  }
  out.resize(static_cast<std::size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) {
    error = "cannot read " + path.string();
    return false;
  }
  return true;
}

bool FileSystem::createDirectories(const fs::path& path, std::string& error) {
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) {
    error = "cannot create " + path.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool FileSystem::writeFlushed(const fs::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
  return writeFileFlushed(path, bytes, error);
}

bool FileSystem::replace(const fs::path& from, const fs::path& to, std::string& error) {
  return renameReplacing(from, to, error);
}

void FileSystem::remove(const fs::path& path) noexcept {
  std::error_code ec;
  fs::remove(path, ec);
}

FileSystem& realFileSystem() {
  static FileSystem files;
  return files;
}

bool replaceFileAtomically(FileSystem& files, const fs::path& target, std::span<const std::uint8_t> bytes,
                           std::string& error) {
  // Same folder as the target, so that the rename never crosses a file system; a random
  // suffix keeps two writers from sharing a temporary file.
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
  fs::path temp = target;
  temp += std::string(".tmp-") + suffix;
  if (!files.writeFlushed(temp, bytes, error) || !files.replace(temp, target, error)) {
    files.remove(temp);
    return false;
  }
  return true;
}

}  // namespace ostrel::platform

#include "platform/file_system.h"

#include <cstdio>
#include <fstream>
#include <random>

namespace ostrel::platform {

namespace fs = std::filesystem;

namespace {

// Temporary files are the target's name plus this marker and a random suffix, so that a later
// save can tell a killed save's leftovers from any other file.
constexpr char tempMarker[] = ".ostrel-tmp-";

std::string failure(const char* what, const fs::path& path, const std::error_code& ec) {
  return std::string(what) + " " + path.string() + ": " + ec.message();
}

}  // namespace

bool FileSystem::exists(const fs::path& path, std::string& error) {
  error.clear();
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return false;
  if (ec) {
    error = failure("cannot reach", path, ec);
    return false;
  }
  return true;
}

bool FileSystem::readAll(const fs::path& path, ByteBuffer& out, std::string& error) {
  // Checked before opening: opening a FIFO would wait for a writer, reading a device forever.
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    error = ec ? failure("cannot read", path, ec) : path.string() + " is not a regular file";
    return false;
  }
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
    error = failure("cannot create", path, ec);
    return false;
  }
  return true;
}

bool FileSystem::writeFlushed(const fs::path& path, std::span<const std::uint8_t> bytes, const fs::path& keepModeOf,
                              std::string& error) {
  return writeFileFlushed(path, bytes, keepModeOf, error);
}

bool FileSystem::replace(const fs::path& from, const fs::path& to, std::string& error) {
  return renameReplacing(from, to, error);
}

void FileSystem::remove(const fs::path& path) noexcept {
  std::error_code ec;
  fs::remove(path, ec);
}

bool FileSystem::isFolder(const fs::path& path, std::string& error) {
  error.clear();
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  if (ec) error = failure("cannot reach", path, ec);
  return false;
}

bool FileSystem::list(const fs::path& dir, std::vector<std::string>& names, std::string& error) {
  names.clear();
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) names.push_back(it->path().filename().string());
  if (ec) {
    error = "cannot read the folder " + dir.string() + ": " + ec.message();
    return false;
  }
  return true;
}

bool FileSystem::replacementTarget(const fs::path& path, fs::path& target, std::string& error) {
  return platform::replacementTarget(path, target, error);
}

std::unique_ptr<FileLock> FileSystem::lock(const fs::path& lockFile, std::chrono::milliseconds timeout,
                                           std::string& error) {
  return FileLock::acquire(lockFile, timeout, error);
}

FileSystem& realFileSystem() {
  static FileSystem files;
  return files;
}

bool replacementTarget(const fs::path& path, fs::path& target, std::string& error) {
  std::error_code ec;
  target = path;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    // Replacing the link itself would leave its target stale for whoever else reads it.
    target = fs::canonical(path, ec);
    if (ec) {
      error = path.string() + " is a symbolic link that leads to no file (" + ec.message() + ")";
      return false;
    }
  }
  fs::file_status st = fs::status(target, ec);
  if (st.type() == fs::file_type::not_found || st.type() == fs::file_type::regular) return true;
  error = ec ? failure("cannot reach", target, ec) : target.string() + " is not a regular file; it is left as it is";
  return false;
}

PendingReplacement::PendingReplacement(FileSystem& files, fs::path target)
    : files_(files), target_(std::move(target)) {}

PendingReplacement::~PendingReplacement() {
  if (!temp_.empty()) files_.remove(temp_);
}

bool PendingReplacement::write(std::span<const std::uint8_t> bytes, std::string& error) {
  // Same folder as the target, so that the rename never crosses a file system; a random
  // suffix keeps two writers from sharing a temporary file.
  std::random_device random;
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, "%08x%08x", static_cast<unsigned>(random()), static_cast<unsigned>(random()));
  temp_ = target_;
  temp_ += std::string(tempMarker) + suffix;
  return files_.writeFlushed(temp_, bytes, target_, error);
}

bool PendingReplacement::commit(std::string& error) {
  if (!files_.replace(temp_, target_, error)) return false;
  temp_.clear();
  return true;
}

bool replaceFileAtomically(FileSystem& files, const fs::path& target, std::span<const std::uint8_t> bytes,
                           std::string& error) {
  PendingReplacement file(files, target);
  return file.write(bytes, error) && file.commit(error);
}

void removeStaleTemporaries(FileSystem& files, const fs::path& target) {
  const std::string prefix = target.filename().string() + tempMarker;
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::vector<std::string> names;
  std::string error;
  if (!files.list(dir, names, error)) return;
  for (const auto& name : names)
    if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) files.remove(dir / name);
}

}  // namespace ostrel::platform

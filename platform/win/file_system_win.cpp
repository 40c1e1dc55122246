#include <windows.h>

#include "platform/file_system.h"
#include "platform/win/handles.h"

namespace ostrel::platform {

namespace {
std::string failure(const char* what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": error " + std::to_string(GetLastError());
}
}  // namespace

bool writeFileFlushed(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
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

}  // namespace ostrel::platform

#include <windows.h>

#include <algorithm>

#include "platform/file.h"
#include "platform/win/handles.h"

namespace ostrel::platform {

namespace {
HANDLE asHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

InputFile::~InputFile() { win::Handle owned(asHandle(handle_)); }

std::unique_ptr<InputFile> InputFile::open(const std::wstring& path) {
  win::Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  // Files on a disk only: a device or a pipe may never end.
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
  auto opened = std::make_unique<InputFile>(Opened{}, reinterpret_cast<std::intptr_t>(file.get()));
  (void)file.release();  // now owned by the InputFile
  return opened;
}

bool InputFile::read(std::span<std::uint8_t> buffer, std::size_t& got) {
  DWORD want = static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
  DWORD read = 0;
  if (!ReadFile(asHandle(handle_), buffer.data(), want, &read, nullptr)) return false;
  got = read;
  return true;
}

}  // namespace ostrel::platform

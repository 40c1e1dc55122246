#include <shlwapi.h>

#include <algorithm>

#include "platform/win/handles.h"
#include "platform/win/win32_registry.h"

namespace ostrel::win {

Status Win32Registry::openKey(Key parent, const std::wstring& subkey, std::uint32_t access, Key& out) {
  HKEY opened = nullptr;
  LSTATUS s = RegOpenKeyExW(toHkey(parent), subkey.c_str(), 0, access, &opened);
  out = s == ERROR_SUCCESS ? fromHkey(opened) : 0;
  return s;
}

Status Win32Registry::createKey(Key parent, const std::wstring& subkey, std::uint32_t access, Key& out) {
  HKEY created = nullptr;
  LSTATUS s = RegCreateKeyExW(toHkey(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &created, nullptr);
  out = s == ERROR_SUCCESS ? fromHkey(created) : 0;
  return s;
}

Status Win32Registry::closeKey(Key key) {
  if (key == 0) return ERROR_INVALID_HANDLE;
  return win::Key(toHkey(key)).close();
}

Status Win32Registry::queryInfoKey(Key key, std::uint32_t& subkeys, std::uint32_t& values) {
  DWORD nSubkeys = 0, nValues = 0;
  LSTATUS s = RegQueryInfoKeyW(toHkey(key), nullptr, nullptr, nullptr, &nSubkeys, nullptr, nullptr, &nValues,
                               nullptr, nullptr, nullptr, nullptr);
  if (s == ERROR_SUCCESS) {
    subkeys = nSubkeys;
    values = nValues;
  }
  return s;
}

Status Win32Registry::enumKey(Key key, std::uint32_t index, std::uint32_t bufferChars, std::wstring& name) {
  std::wstring buffer(std::max<std::uint32_t>(bufferChars, 1), L'\0');
  DWORD length = bufferChars;
  LSTATUS s = RegEnumKeyExW(toHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (s == ERROR_SUCCESS) name.assign(buffer.data(), length);
  return s;
}

Status Win32Registry::queryValue(Key key, const std::wstring& name, std::uint32_t& type,
                                 std::span<std::uint8_t> buffer, std::uint32_t& size) {
  DWORD t = REG_NONE;
  DWORD bytes = static_cast<DWORD>(buffer.size());
  LSTATUS s = RegQueryValueExW(toHkey(key), name.c_str(), nullptr, &t, buffer.empty() ? nullptr : buffer.data(),
                               &bytes);
  if (s == ERROR_SUCCESS || s == ERROR_MORE_DATA) {
    type = t;
    size = bytes;
  }
  return s;
}

Status Win32Registry::enumValue(Key key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                                std::vector<std::uint8_t>& data) {
  // Buffers that hold the names and data of a rule key; when a value does not fit, buffers as
  // large as the key's longest value name and data (asked again if a value grows meanwhile).
  DWORD nameChars = 256, dataBytes = 1024;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::wstring nameBuffer(nameChars, L'\0');
    std::vector<std::uint8_t> dataBuffer(dataBytes);
    DWORD nameLength = nameChars;
    DWORD dataSize = dataBytes;
    DWORD t = REG_NONE;
    LSTATUS s = RegEnumValueW(toHkey(key), index, nameBuffer.data(), &nameLength, nullptr, &t, dataBuffer.data(),
                              &dataSize);
    if (s == ERROR_SUCCESS) {
      name.assign(nameBuffer.data(), nameLength);
      type = t;
      dataBuffer.resize(dataSize);
      data = std::move(dataBuffer);
      return ERROR_SUCCESS;
    }
    if (s != ERROR_MORE_DATA) return s;
    DWORD maxName = 0, maxData = 0;
    s = RegQueryInfoKeyW(toHkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                         &maxData, nullptr, nullptr);
    if (s != ERROR_SUCCESS) return s;
    nameChars = std::max(nameChars, maxName + 1);
    dataBytes = std::max(dataBytes, std::max<DWORD>(maxData, 1));
  }
  return ERROR_MORE_DATA;
}

Status Win32Registry::setValue(Key key, const std::wstring& name, std::uint32_t type,
                               std::span<const std::uint8_t> data) {
  return RegSetValueExW(toHkey(key), name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size()));
}

Status Win32Registry::deleteValue(Key key, const std::wstring& name) {
  return RegDeleteValueW(toHkey(key), name.c_str());
}

Status Win32Registry::deleteKey(Key parent, const std::wstring& subkey) {
  return RegDeleteKeyW(toHkey(parent), subkey.c_str());
}

Status Win32Registry::deleteTree(Key parent, const std::wstring& subkey) {
  return static_cast<Status>(SHDeleteKeyW(toHkey(parent), subkey.c_str()));
}

}  // namespace ostrel::win

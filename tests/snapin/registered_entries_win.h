#pragma once
// Reads the module's registration back from the real registry, for the tests that make it
// (regsvr32, the installer package). Entries are compared as "key|value name=data" in lower
// case: the registry ignores case in names.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "rules/product_guids.h"
#include "snapin/registration.h"

namespace ostrel::snapin::testing {

inline std::wstring lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
  return s;
}

inline std::wstring entry(const std::wstring& key, const std::wstring& name, const std::wstring& data) {
  return lower(key + L"|" + name + L"=" + data);
}

// The REG_SZ value root\key\name in lower case, or "(none)".
inline std::wstring text(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[1024];
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"(none)";
  return lower(data);
}

inline bool exists(HKEY root, const std::wstring& key) {
  win::Key k;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// Every value below root\key, subkeys included.
inline void collect(HKEY root, const std::wstring& key, std::vector<std::wstring>& out) {
  win::Key k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD chars = 256;
    if (RegEnumValueW(k.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.push_back(entry(key, name, text(root, key, name)));
  }
  for (DWORD i = 0;; ++i) {
    DWORD chars = 256;
    if (RegEnumKeyExW(k.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    collect(root, key + L"\\" + name, out);
  }
}

// Everything under the two class keys and the console's snap-in key, and the namespace
// extension value, sorted: a registration leaves exactly its nine entries here.
inline std::vector<std::wstring> registeredEntries() {
  std::vector<std::wstring> out;
  collect(HKEY_CLASSES_ROOT, snapinClassKey(), out);
  collect(HKEY_CLASSES_ROOT, aboutClassKey(), out);
  collect(HKEY_LOCAL_MACHINE, consoleSnapinKey(), out);
  const std::wstring nameSpace = namespaceExtensionKey(ids::nodeIdMachine);
  const std::wstring snapin = guidText(ids::snapinClsid);
  if (std::wstring ns = text(HKEY_LOCAL_MACHINE, nameSpace, snapin.c_str()); ns != L"(none)")
    out.push_back(entry(nameSpace, snapin, ns));
  std::sort(out.begin(), out.end());
  return out;
}

// What the registration rows of the module say for a module at modulePath, sorted.
inline std::vector<std::wstring> expectedEntries(const std::wstring& modulePath) {
  std::vector<std::wstring> out;
  for (const RegistrationEntry& row : registrationEntries(modulePath)) out.push_back(entry(row.key, row.valueName, row.data));
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace ostrel::snapin::testing

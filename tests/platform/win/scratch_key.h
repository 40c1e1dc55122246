#pragma once
// A fresh subkey of HKEY_CURRENT_USER\Software\OstrelTests for one test, removed with
// everything below it when the test is done; and whether we run under Wine.
#include <windows.h>

#include <atomic>
#include <string>

#include "platform/text.h"
#include "platform/win/win32_registry.h"

namespace ostrel::testing {

inline constexpr const wchar_t* scratchParent = L"Software\\OstrelTests";

class ScratchKey {
 public:
  explicit ScratchKey(win::Win32Registry& reg) : reg_(reg) {
    static std::atomic<unsigned> counter{0};
    path_ = formatWide(128, L"%ls\\%lu-%llu-%u", scratchParent, static_cast<unsigned long>(GetCurrentProcessId()),
                       static_cast<unsigned long long>(GetTickCount64()), ++counter);
    Registry::Key key = 0;
    status_ = reg_.createKey(win::Win32Registry::root(HKEY_CURRENT_USER), path_, access::all, key);
    if (status_ == status::success) key_ = RegKey(reg_, key);
  }
  ~ScratchKey() {
    key_.reset();
    Registry::Key hkcu = win::Win32Registry::root(HKEY_CURRENT_USER);
    (void)reg_.deleteTree(hkcu, path_);
    (void)reg_.deleteKey(hkcu, scratchParent);  // only succeeds once no other test uses it
  }

  // ERROR_SUCCESS when the key was made.
  [[nodiscard]] Status status() const { return status_; }
  [[nodiscard]] Registry::Key key() const { return key_.get(); }

 private:
  win::Win32Registry& reg_;
  std::wstring path_;
  Status status_ = status::invalidHandle;
  RegKey key_;
};

// Wine's ntdll exports wine_get_version; Windows' does not.
inline bool runningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace ostrel::testing

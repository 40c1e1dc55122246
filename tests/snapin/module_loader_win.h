#pragma once
// Loads osadmmc.dll from the test's directory with LoadLibraryW and finds its exports, as
// COM's in-process activation does.
#include <windows.h>

#include <string>

#include "platform/win/handles.h"

namespace ostrel::snapin::testing {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
using RegisterFn = HRESULT(STDAPICALLTYPE*)();

// The directory of the running test program, with a trailing backslash.
inline std::wstring programDirectory() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

inline std::wstring modulePath() { return programDirectory() + L"osadmmc.dll"; }

template <class Fn>
Fn exportOf(HMODULE module, const char* name) {
  // Through void(*)(): the one function-pointer type a cast may pass through without a warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct LoadedModule {
  LoadedModule() : module(LoadLibraryW(modulePath().c_str())) {
    if (!module) return;
    getClassObject = exportOf<GetClassObjectFn>(module.get(), "DllGetClassObject");
    canUnloadNow = exportOf<CanUnloadNowFn>(module.get(), "DllCanUnloadNow");
    registerServer = exportOf<RegisterFn>(module.get(), "DllRegisterServer");
    unregisterServer = exportOf<RegisterFn>(module.get(), "DllUnregisterServer");
  }
  win::Module module;
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
  RegisterFn registerServer = nullptr;
  RegisterFn unregisterServer = nullptr;
};

}  // namespace ostrel::snapin::testing

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

// A file in the running test program's directory.
inline std::wstring besideProgram(const std::wstring& name) {
  wchar_t path[MAX_PATH] = {};
  std::wstring program(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return program.substr(0, program.find_last_of(L"\\/") + 1) + name;
}
inline std::wstring modulePath() { return besideProgram(L"osadmmc.dll"); }

// Through void(*)(): the one function-pointer type a cast may pass through without a warning.
template <class Fn>
Fn exportOf(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

struct LoadedModule {
  win::Module module{LoadLibraryW(modulePath().c_str())};
  GetClassObjectFn getClassObject = exportOf<GetClassObjectFn>(module.get(), "DllGetClassObject");
  CanUnloadNowFn canUnloadNow = exportOf<CanUnloadNowFn>(module.get(), "DllCanUnloadNow");
  RegisterFn registerServer = exportOf<RegisterFn>(module.get(), "DllRegisterServer");
};

}  // namespace ostrel::snapin::testing

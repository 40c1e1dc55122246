// Module state, the entry point and the four exports of the in-process server.
#include "snapin/module_win.h"

#include <windows.h>

#include "platform/win/handles.h"
#include "platform/win/message_box_prompter.h"
#include "accounts/win/account_picker_win.h"
#include "wizard/win/page_services_win.h"
#include "platform/win/win32_registry.h"
#include "resources/resource_ids.h"
#include "snapin/class_factory_win.h"
#include "snapin/com_guids_win.h"
#include "snapin/console_logic.h"
#include "snapin/registration.h"

namespace ostrel::snapin::module {
namespace {

HINSTANCE moduleInstance = nullptr;
LONG objects = 0;
LONG locks = 0;

// The strips are kept for the life of the process.
win::Bitmap smallStrip;
win::Bitmap largeStrip;

}  // namespace

HINSTANCE instance() noexcept { return moduleInstance; }
void setInstance(HINSTANCE instance) noexcept { moduleInstance = instance; }

void objectCreated() noexcept { InterlockedIncrement(&objects); }
void objectDestroyed() noexcept { InterlockedDecrement(&objects); }
LONG objectCount() noexcept { return InterlockedCompareExchange(&objects, 0, 0); }
void lock() noexcept { InterlockedIncrement(&locks); }
void unlock() noexcept { InterlockedDecrement(&locks); }
LONG lockCount() noexcept { return InterlockedCompareExchange(&locks, 0, 0); }

void loadImageStrips() noexcept {
  if (!smallStrip) smallStrip.reset(LoadBitmapW(moduleInstance, MAKEINTRESOURCEW(IDB_STRIP_16)));
  if (!largeStrip) largeStrip.reset(LoadBitmapW(moduleInstance, MAKEINTRESOURCEW(IDB_STRIP_32)));
}
HBITMAP smallImageStrip() noexcept { return smallStrip.get(); }
HBITMAP largeImageStrip() noexcept { return largeStrip.get(); }

const ClipboardFormats& clipboardFormats() noexcept {
  // Registered at the first use, on the console's thread: never while the loader lock is
  // held, as initialisers run by DllMain would be.
  static const ClipboardFormats formats{
      static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CCF_DISPLAY_NAME)),
      static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CCF_NODETYPE)),
      static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CCF_SZNODETYPE)),
      static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CCF_SNAPIN_CLASSID)),
      static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}")),
  };
  return formats;
}

accounts::AccountPicker* accountPicker() noexcept {
  // It holds no state between Add presses: one for the module's life serves every sheet.
  static const std::unique_ptr<accounts::AccountPicker> picker = [] {
    try {
      return accounts::makeWin32AccountPicker();
    } catch (...) {
      return std::unique_ptr<accounts::AccountPicker>();
    }
  }();
  return picker.get();
}

wizard::PageServices& pageServices() noexcept {
  static wizard::win::Win32PageServices services(instance());
  return services;
}

Prompter& prompter() noexcept {
  static win::MessageBoxPrompter boxes;
  return boxes;
}

}  // namespace ostrel::snapin::module

using namespace ostrel;
using namespace ostrel::snapin;

namespace {

RegistryRoots systemRoots() {
  return {win::Win32Registry::root(HKEY_CLASSES_ROOT), win::Win32Registry::root(HKEY_LOCAL_MACHINE)};
}

std::wstring modulePath() {
  wchar_t path[512] = {};
  DWORD n = GetModuleFileNameW(module::instance(), path, 512);
  return std::wstring(path, n < 512 ? n : 511);
}

HRESULT getClassObject(REFCLSID clsid, REFIID riid, void** ppv) noexcept {
  const bool about = IsEqualCLSID(clsid, aboutClsid());
  if (!about && !IsEqualCLSID(clsid, snapinClsid())) return CLASS_E_CLASSNOTAVAILABLE;
  if (ppv == nullptr) return E_FAIL;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
  return createAndQuery<SnapinClassFactory>(riid, ppv, about);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) module::setInstance(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) { return getClassObject(clsid, riid, ppv); }

STDAPI DllCanUnloadNow() { return module::objectCount() != 0 || module::lockCount() != 0 ? S_FALSE : S_OK; }

// Registry failures are not reported: both answer S_OK whatever happened.
STDAPI DllRegisterServer() {
  (void)guarded([] {
    win::Win32Registry registry;
    registerServer(registry, systemRoots(), modulePath());
    return S_OK;
  });
  return S_OK;
}

STDAPI DllUnregisterServer() {
  (void)guarded([] {
    win::Win32Registry registry;
    unregisterServer(registry, systemRoots());
    return S_OK;
  });
  return S_OK;
}

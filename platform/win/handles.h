#pragma once
// Owners for Win32 handles: one move-only template and one alias per handle kind. Every
// RegCloseKey, CloseHandle, FreeLibrary, DeleteObject, DestroyIcon, GlobalFree,
// UnhookWindowsHookEx, FreeSid, LocalFree, ReleaseStgMedium, CertCloseStore,
// CertFreeCertificateContext, CertFreeCertificateChain and NetApiBufferFree of the module
// happens here.
#include <windows.h>
#include <ole2.h>
#include <wincrypt.h>
#include <lmcons.h>
#include <lmapibuf.h>

#include <utility>

namespace ostrel::win {

// Traits: empty() is the value that owns nothing, isSet() says whether a value must be
// closed, close() releases it.
template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(T value) noexcept : value_(value) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  [[nodiscard]] const T& get() const noexcept { return value_; }
  [[nodiscard]] explicit operator bool() const noexcept { return Traits::isSet(value_); }

  // Gives up ownership without closing.
  [[nodiscard]] T release() noexcept { return std::exchange(value_, Traits::empty()); }
  // Closes what is owned (if anything) and takes value.
  void reset(T value = Traits::empty()) noexcept {
    T old = std::exchange(value_, value);
    if (Traits::isSet(old)) Traits::close(old);
  }
  // Closes what is owned and returns the address for an out-parameter that receives a new one.
  [[nodiscard]] T* put() noexcept {
    reset();
    return &value_;
  }
  // Closes now and reports the platform's answer (for callers that pass the status on).
  auto close() noexcept {
    T old = std::exchange(value_, Traits::empty());
    return Traits::close(old);
  }

 private:
  T value_ = Traits::empty();
};

namespace traits {
struct Key {
  static HKEY empty() noexcept { return nullptr; }
  static bool isSet(HKEY k) noexcept { return k != nullptr; }
  static LSTATUS close(HKEY k) noexcept { return RegCloseKey(k); }
};
// Kernel handles: files answer INVALID_HANDLE_VALUE on failure, most others null.
struct Kernel {
  static HANDLE empty() noexcept { return nullptr; }
  static bool isSet(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static BOOL close(HANDLE h) noexcept { return CloseHandle(h); }
};
struct Module {
  static HMODULE empty() noexcept { return nullptr; }
  static bool isSet(HMODULE m) noexcept { return m != nullptr; }
  static BOOL close(HMODULE m) noexcept { return FreeLibrary(m); }
};
template <typename T>
struct GdiObject {
  static T empty() noexcept { return nullptr; }
  static bool isSet(T o) noexcept { return o != nullptr; }
  static BOOL close(T o) noexcept { return DeleteObject(o); }
};
struct Icon {
  static HICON empty() noexcept { return nullptr; }
  static bool isSet(HICON i) noexcept { return i != nullptr; }
  static BOOL close(HICON i) noexcept { return DestroyIcon(i); }
};
struct Global {
  static HGLOBAL empty() noexcept { return nullptr; }
  static bool isSet(HGLOBAL g) noexcept { return g != nullptr; }
  static bool close(HGLOBAL g) noexcept { return GlobalFree(g) == nullptr; }
};
struct Hook {
  static HHOOK empty() noexcept { return nullptr; }
  static bool isSet(HHOOK h) noexcept { return h != nullptr; }
  static BOOL close(HHOOK h) noexcept { return UnhookWindowsHookEx(h); }
};
struct Window {
  static HWND empty() noexcept { return nullptr; }
  static bool isSet(HWND w) noexcept { return w != nullptr; }
  static BOOL close(HWND w) noexcept { return IsWindow(w) ? DestroyWindow(w) : TRUE; }
};
struct Sid {
  static PSID empty() noexcept { return nullptr; }
  static bool isSet(PSID s) noexcept { return s != nullptr; }
  static bool close(PSID s) noexcept { return FreeSid(s) == nullptr; }
};
struct Local {
  static HLOCAL empty() noexcept { return nullptr; }
  static bool isSet(HLOCAL l) noexcept { return l != nullptr; }
  static bool close(HLOCAL l) noexcept { return LocalFree(l) == nullptr; }
};
struct StgMedium {
  static STGMEDIUM empty() noexcept { return STGMEDIUM{}; }  // TYMED_NULL
  static bool isSet(const STGMEDIUM& m) noexcept { return m.tymed != TYMED_NULL; }
  static bool close(STGMEDIUM m) noexcept {
    ReleaseStgMedium(&m);
    return true;
  }
};
struct CertStore {
  static HCERTSTORE empty() noexcept { return nullptr; }
  static bool isSet(HCERTSTORE s) noexcept { return s != nullptr; }
  static BOOL close(HCERTSTORE s) noexcept { return CertCloseStore(s, 0); }
};
struct CertContext {
  static PCCERT_CONTEXT empty() noexcept { return nullptr; }
  static bool isSet(PCCERT_CONTEXT c) noexcept { return c != nullptr; }
  static BOOL close(PCCERT_CONTEXT c) noexcept { return CertFreeCertificateContext(c); }
};
struct CertChain {
  static PCCERT_CHAIN_CONTEXT empty() noexcept { return nullptr; }
  static bool isSet(PCCERT_CHAIN_CONTEXT c) noexcept { return c != nullptr; }
  static bool close(PCCERT_CHAIN_CONTEXT c) noexcept {
    CertFreeCertificateChain(c);
    return true;
  }
};
struct NetApiBuffer {
  static void* empty() noexcept { return nullptr; }
  static bool isSet(void* b) noexcept { return b != nullptr; }
  static bool close(void* b) noexcept { return NetApiBufferFree(b) == 0; }
};
}  // namespace traits

// An opened or created registry key (not a predefined root such as HKEY_CURRENT_USER).
using Key = UniqueHandle<HKEY, traits::Key>;
// A file, process, thread, token or event handle.
using Handle = UniqueHandle<HANDLE, traits::Kernel>;
// A module loaded with LoadLibraryW.
using Module = UniqueHandle<HMODULE, traits::Module>;
using Bitmap = UniqueHandle<HBITMAP, traits::GdiObject<HBITMAP>>;
using GdiObject = UniqueHandle<HGDIOBJ, traits::GdiObject<HGDIOBJ>>;
// An icon the module created itself; icons from LoadIconW are shared and never destroyed.
using Icon = UniqueHandle<HICON, traits::Icon>;
// Global memory from GlobalAlloc (clipboard and data-object transfers).
using GlobalMemory = UniqueHandle<HGLOBAL, traits::Global>;
// A hook from SetWindowsHookExW.
using Hook = UniqueHandle<HHOOK, traits::Hook>;
// A window the module created and destroys itself (one that its owner has not destroyed already).
using Window = UniqueHandle<HWND, traits::Window>;
// A SID from AllocateAndInitializeSid.
using AllocatedSid = UniqueHandle<PSID, traits::Sid>;
// Memory the system allocated with LocalAlloc for the caller (ConvertSidToStringSidW).
using LocalMemory = UniqueHandle<HLOCAL, traits::Local>;
// A storage medium filled by IDataObject::GetData.
using StgMedium = UniqueHandle<STGMEDIUM, traits::StgMedium>;
// A certificate store (CertOpenStore) and a certificate or chain the crypto API handed out.
using CertStore = UniqueHandle<HCERTSTORE, traits::CertStore>;
using CertContext = UniqueHandle<PCCERT_CONTEXT, traits::CertContext>;
using CertChain = UniqueHandle<PCCERT_CHAIN_CONTEXT, traits::CertChain>;
// A buffer a network-management function (DsGetDcNameW) allocated for the caller.
using NetApiBuffer = UniqueHandle<void*, traits::NetApiBuffer>;

}  // namespace ostrel::win

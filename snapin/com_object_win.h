#pragma once
// IUnknown for the module's objects: a counted reference and a QueryInterface driven by
// a table of {interface id, cast} that each class declares. Objects are made with
// makeComObject, which holds the first reference in a ComPtr, so the one delete lives in
// Release.
#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <new>
#include <span>
#include <utility>

namespace ostrel::snapin {

template <class T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

template <class Derived>
struct InterfaceEntry {
  const IID* iid;
  void* (*cast)(Derived*);
};

// The entry that answers iid with the Interface that Derived implements.
template <class Derived, class Interface>
constexpr InterfaceEntry<Derived> interfaceEntry(const IID& iid) {
  return {&iid, [](Derived* d) -> void* { return static_cast<Interface*>(d); }};
}

// Derived must provide: static std::span<const InterfaceEntry<Derived>> interfaces();
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Missing out-pointer: E_FAIL, as the console's snap-in contract wants (not E_POINTER).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (ppv == nullptr) return E_FAIL;
    *ppv = nullptr;
    auto* self = static_cast<Derived*>(this);
    for (const auto& entry : Derived::interfaces()) {
      if (IsEqualIID(riid, *entry.iid)) {
        *ppv = entry.cast(self);
        AddRef();
        return S_OK;
      }
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  // Apartment-threaded: every call arrives on the console's thread.
  ULONG references_ = 0;
};

// A new object holding one reference, or null when memory or construction fails.
// (mingw-w64's ComPtr::Attach adds a reference, unlike its namesake elsewhere, so the
// object is handed over by assignment, which adds the first one on every platform.)
template <class T, class... Args>
ComPtr<T> makeComObject(Args&&... args) noexcept {
  ComPtr<T> object;
  try {
    object = new (std::nothrow) T(std::forward<Args>(args)...);
  } catch (...) {
  }
  return object;
}

// A new object queried for riid into *ppv; the object is gone again when the query fails.
template <class T, class... Args>
HRESULT createAndQuery(REFIID riid, void** ppv, Args&&... args) noexcept {
  ComPtr<T> object = makeComObject<T>(std::forward<Args>(args)...);
  if (!object) return E_OUTOFMEMORY;
  return object->QueryInterface(riid, ppv);
}

// Runs a COM method's body so that no exception leaves it: running out of memory answers
// E_OUTOFMEMORY, anything else E_UNEXPECTED. Every method that allocates goes through it.
template <class Body>
HRESULT guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// A CoTaskMemAlloc copy of text that the caller (the console) frees; null without memory.
LPOLESTR taskMemCopy(const wchar_t* text) noexcept;

}  // namespace ostrel::snapin

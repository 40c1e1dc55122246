#pragma once
// Reference counting of the double's own COM objects, per interface: a correct client releases
// exactly the pointer it added a reference to, so every interface the snap-in keeps is
// accounted for on its own. The objects belong to the double and are never freed by Release:
// a Release below zero is recorded as a double release, and references still held when a
// session ends are leaks.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace ostrel::console {

// Protocol slips the double noticed (texts not from CoTaskMemAlloc, interfaces kept after
// Destroy, unimplemented methods called); a session ends with none.
inline std::vector<std::string> problems;

// One counted interface of an object.
struct Facet {
  explicit Facet(std::string n) : name(std::move(n)) {}
  virtual ~Facet() = default;
  virtual IUnknown* pointer() = 0;
  HRESULT notImplemented(const char* method) {
    problems.push_back("unimplemented: " + name + "::" + method);
    return E_NOTIMPL;
  }
  std::string name;
  long references = 0, doubleReleases = 0;
};

// Console methods the snap-in must not call, listed as (method, (parameter types))(...): each
// answers E_NOTIMPL and is reported. The list is walked by two macros calling each other in turn.
#define OSTREL_STUBS(list) OSTREL_STUBS_PASTE(OSTREL_STUBS_A list)
#define OSTREL_STUBS_A(method, params) OSTREL_STUB(method, params) OSTREL_STUBS_B
#define OSTREL_STUBS_B(method, params) OSTREL_STUB(method, params) OSTREL_STUBS_A
#define OSTREL_STUBS_PASTE(...) OSTREL_STUBS_END(__VA_ARGS__)
#define OSTREL_STUBS_END(...) __VA_ARGS__##_END
#define OSTREL_STUBS_A_END
#define OSTREL_STUBS_B_END
#define OSTREL_STUB(method, params) \
  HRESULT STDMETHODCALLTYPE method params override { return notImplemented(#method); }

// A COM object of the double: QueryInterface answers for all its facets alike; the first facet
// is the object's IUnknown. An object may withhold a facet (offered).
class ComIdentity {
 public:
  virtual ~ComIdentity() = default;
  HRESULT query(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    Facet* found = IsEqualIID(riid, IID_IUnknown) && !facets_.empty() ? facets_.front().second : nullptr;
    for (auto& [iid, facet] : facets_)
      if (IsEqualIID(riid, iid) && offered(iid)) found = facet;
    if (found == nullptr) return E_NOINTERFACE;
    *ppv = found->pointer();
    found->pointer()->AddRef();
    return S_OK;
  }
  const std::vector<std::pair<IID, Facet*>>& facets() const { return facets_; }

 protected:
  void expose(const IID& iid, Facet& facet) { facets_.emplace_back(iid, &facet); }
  virtual bool offered(const IID&) const { return true; }

 private:
  std::vector<std::pair<IID, Facet*>> facets_;
};

// The IUnknown part of a facet implementing interface I.
template <class I>
class Counted : public I, public Facet {
 public:
  Counted(ComIdentity& owner, std::string name) : Facet(std::move(name)), owner_(owner) {}
  IUnknown* pointer() override { return static_cast<I*>(this); }
  I* get() { return this; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return owner_.query(riid, ppv); }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override {
    return references == 0 ? (++doubleReleases, 0u) : static_cast<ULONG>(--references);
  }

 private:
  ComIdentity& owner_;
};

// An IDataObject whose methods are reported stubs but for those a facet overrides.
struct DataObjectStubs : Counted<IDataObject> {
  using Counted::Counted;
  OSTREL_STUBS((GetData, (FORMATETC*, STGMEDIUM*))(GetDataHere, (FORMATETC*, STGMEDIUM*))(QueryGetData, (FORMATETC*))
               (GetCanonicalFormatEtc, (FORMATETC*, FORMATETC*))(SetData, (FORMATETC*, STGMEDIUM*, BOOL))
               (EnumFormatEtc, (DWORD, IEnumFORMATETC**))(DAdvise, (FORMATETC*, DWORD, IAdviseSink*, DWORD*))
               (DUnadvise, (DWORD))(EnumDAdvise, (IEnumSTATDATA**)))
};

// Interfaces of the objects still referenced or released more often than referenced.
inline std::vector<std::string> referenceProblems(const std::vector<const ComIdentity*>& objects) {
  std::vector<std::string> out;
  for (const ComIdentity* o : objects) {
    for (const auto& [iid, facet] : o->facets()) {
      if (facet->references != 0)
        out.push_back(facet->name + ": " + std::to_string(facet->references) + " reference(s) never released");
      if (facet->doubleReleases != 0)
        out.push_back(facet->name + ": released " + std::to_string(facet->doubleReleases) +
                      " time(s) more than referenced");
    }
  }
  return out;
}

// An object with one counted interface, implemented by facet class F.
template <class F>
struct Object : ComIdentity {
  template <class... Args>
  Object(const IID& iid, std::string name, Args&&... args) : facet(*this, std::move(name), std::forward<Args>(args)...) {
    expose(iid, facet);
  }
  F facet;
};

}  // namespace ostrel::console

#pragma once
// Reference counting of the double's own COM objects. COM lets an object count references
// per interface, and a correct client releases exactly the pointer it added a reference to;
// the double does so, so that every interface the snap-in keeps is accounted for on its own.
// The objects belong to the double (they are never deleted by Release): a Release below zero
// is recorded as a double release instead of freeing anything, and the references still held
// when a session ends are leaks.
#include <windows.h>

#include <string>
#include <vector>

namespace ostrel::console {

// One counted interface of one object.
class Facet {
 public:
  explicit Facet(std::string name) : name_(std::move(name)) {}
  Facet(const Facet&) = delete;
  Facet& operator=(const Facet&) = delete;
  virtual ~Facet() = default;

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] long references() const { return refs_; }
  [[nodiscard]] long doubleReleases() const { return overReleases_; }
  // The interface pointer as handed out.
  virtual void* pointer() = 0;

 protected:
  ULONG addRef() { return static_cast<ULONG>(++refs_); }
  ULONG release() {
    if (refs_ == 0) {
      ++overReleases_;
      return 0;
    }
    return static_cast<ULONG>(--refs_);
  }

 private:
  std::string name_;
  long refs_ = 0;
  long overReleases_ = 0;
};

// A COM object of the double: answers QueryInterface for all its facets alike. The first
// facet registered is the object's IUnknown.
class ComIdentity {
 public:
  ComIdentity() = default;
  ComIdentity(const ComIdentity&) = delete;
  ComIdentity& operator=(const ComIdentity&) = delete;
  virtual ~ComIdentity() = default;

  HRESULT query(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    for (auto& [iid, facet] : facets_) {
      if (IsEqualIID(riid, iid) && offered(iid)) {
        *ppv = facet->pointer();
        static_cast<IUnknown*>(*ppv)->AddRef();
        return S_OK;
      }
    }
    if (IsEqualIID(riid, IID_IUnknown) && !facets_.empty()) {
      *ppv = facets_.front().second->pointer();
      static_cast<IUnknown*>(*ppv)->AddRef();
      return S_OK;
    }
    refused_.push_back(riid);
    return E_NOINTERFACE;
  }
  [[nodiscard]] const std::vector<std::pair<IID, Facet*>>& facets() const { return facets_; }
  // Interfaces that were asked for and not offered.
  [[nodiscard]] const std::vector<IID>& refused() const { return refused_; }

 protected:
  void expose(const IID& iid, Facet& facet) { facets_.emplace_back(iid, &facet); }
  // An object may withhold one of its interfaces (the editor's data object without IGPEInformation).
  virtual bool offered(const IID&) const { return true; }

 private:
  std::vector<std::pair<IID, Facet*>> facets_;
  std::vector<IID> refused_;
};

// The IUnknown part of a facet that implements interface I.
template <class I>
class CountedInterface : public I, public Facet {
 public:
  CountedInterface(ComIdentity& owner, std::string name) : Facet(std::move(name)), owner_(owner) {}
  void* pointer() override { return static_cast<I*>(this); }
  I* get() { return this; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override { return owner_.query(riid, ppv); }
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

 protected:
  ComIdentity& owner_;
};

}  // namespace ostrel::console

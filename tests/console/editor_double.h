#pragma once
// The Group Policy editor's side of the session: the data object of its Computer
// Configuration node, which the console passes to the snap-in with MMCN_EXPAND. It answers
// CCF_NODETYPE with the Computer Configuration node type and, when the editor has a policy
// open, offers IGPEInformation over a real registry key: GetRegistryKey(machine) opens a new
// handle to that key (the snap-in closes it), PolicyChanged is recorded with its arguments.
#include <windows.h>
#include <gpedit.h>
#include <objidl.h>

#include <string>
#include <vector>

#include "tests/console/counted.h"

namespace ostrel::console {

struct PolicyChange {
  BOOL machine;
  BOOL add;
  GUID extension;
  GUID snapin;
  bool extensionGiven;  // false when the pointer was null
  bool snapinGiven;
};

class EditorNode : public ComIdentity {
 public:
  // machineRoot: the key GetRegistryKey(GPO_SECTION_MACHINE) hands out a new handle to; null
  // makes the data object one without IGPEInformation (a console without the editor).
  explicit EditorNode(HKEY machineRoot);

  IDataObject* dataObject() { return data_.get(); }

  // What the snap-in asked for and was told.
  std::vector<std::wstring> formatsAsked;     // clipboard format names, in order
  std::vector<DWORD> sectionsAsked;           // GetRegistryKey sections, in order
  std::vector<PolicyChange> policyChanges;    // PolicyChanged calls, in order
  HRESULT failGetRegistryKey = S_OK;          // a failure answers every GetRegistryKey

  [[nodiscard]] bool offersGpeInformation() const { return machineRoot_ != nullptr; }

 protected:
  bool offered(const IID& iid) const override;

 private:
  class Data : public CountedInterface<IDataObject> {
   public:
    Data(EditorNode& node);
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

   private:
    EditorNode& node_;
  };

  class Information : public CountedInterface<IGPEInformation> {
   public:
    Information(EditorNode& node);
    HRESULT STDMETHODCALLTYPE GetName(LPOLESTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPOLESTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRegistryKey(DWORD section, HKEY* key) override;
    HRESULT STDMETHODCALLTYPE GetDSPath(DWORD, LPOLESTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFileSysPath(DWORD, LPOLESTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOptions(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetType(GROUP_POLICY_OBJECT_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHint(GROUP_POLICY_HINT_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PolicyChanged(BOOL machine, BOOL add, GUID* extension, GUID* snapin) override;

   private:
    EditorNode& node_;
  };

  HKEY machineRoot_;
  Data data_{*this};
  Information information_{*this};
};

}  // namespace ostrel::console

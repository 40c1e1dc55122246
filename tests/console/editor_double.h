#pragma once
// The Group Policy editor's side of a session: the data object of its Computer Configuration
// node, which the console passes to the snap-in with MMCN_EXPAND. It answers CCF_NODETYPE and,
// when the editor has a policy open, offers IGPEInformation over a real registry key:
// GetRegistryKey(machine) opens a new handle to that key (the snap-in closes it), PolicyChanged
// is recorded with its arguments.
#include <windows.h>
#include <gpedit.h>
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/console/console_guids.h"
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
  // machineRoot null: a data object without IGPEInformation (a console without the editor).
  explicit EditorNode(HKEY machineRoot) : machineRoot_(machineRoot) {
    expose(IID_IDataObject, data_);
    expose(ids::gpeInformation, information_);
  }
  IDataObject* dataObject() { return data_.get(); }

  std::vector<std::wstring> formatsAsked;   // clipboard format names, in order
  std::vector<DWORD> sectionsAsked;         // GetRegistryKey sections, in order
  std::vector<PolicyChange> policyChanges;  // PolicyChanged calls, in order
  HRESULT failGetRegistryKey = S_OK;        // a failure answers every GetRegistryKey

 protected:
  bool offered(const IID& iid) const override { return machineRoot_ != nullptr || !IsEqualIID(iid, ids::gpeInformation); }

 private:
  struct Data : Counted<IDataObject> {
    explicit Data(EditorNode& n) : Counted(n, "editor IDataObject"), node(n) {}
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override {
      if (format == nullptr || medium == nullptr) return E_POINTER;
      wchar_t name[256] = {};
      node.formatsAsked.emplace_back(name, static_cast<std::size_t>(std::max(0, GetClipboardFormatNameW(format->cfFormat, name, 256))));
      if (node.formatsAsked.back() != L"CCF_NODETYPE") return DV_E_FORMATETC;
      if (medium->tymed != TYMED_HGLOBAL || GlobalSize(medium->hGlobal) < sizeof(GUID)) return STG_E_MEDIUMFULL;
      std::memcpy(GlobalLock(medium->hGlobal), &ids::nodeIdMachine, sizeof(GUID));
      GlobalUnlock(medium->hGlobal);
      return S_OK;
    }
    OSTREL_STUB(GetData, (FORMATETC*, STGMEDIUM*))
    OSTREL_STUB(QueryGetData, (FORMATETC*))
    OSTREL_STUB(GetCanonicalFormatEtc, (FORMATETC*, FORMATETC*))
    OSTREL_STUB(SetData, (FORMATETC*, STGMEDIUM*, BOOL))
    OSTREL_STUB(EnumFormatEtc, (DWORD, IEnumFORMATETC**))
    OSTREL_STUB(DAdvise, (FORMATETC*, DWORD, IAdviseSink*, DWORD*))
    OSTREL_STUB(DUnadvise, (DWORD))
    OSTREL_STUB(EnumDAdvise, (IEnumSTATDATA**))
    EditorNode& node;
  };

  struct Information : Counted<IGPEInformation> {
    explicit Information(EditorNode& n) : Counted(n, "editor IGPEInformation"), node(n) {}
    HRESULT STDMETHODCALLTYPE GetRegistryKey(DWORD section, HKEY* key) override {
      if (key == nullptr) return E_POINTER;
      *key = nullptr;
      node.sectionsAsked.push_back(section);
      if (FAILED(node.failGetRegistryKey)) return node.failGetRegistryKey;
      if (section != GPO_SECTION_MACHINE) return E_INVALIDARG;
      return HRESULT_FROM_WIN32(RegOpenKeyExW(node.machineRoot_, nullptr, 0, KEY_ALL_ACCESS, key));
    }
    HRESULT STDMETHODCALLTYPE PolicyChanged(BOOL machine, BOOL add, GUID* extension, GUID* snapin) override {
      node.policyChanges.push_back({machine, add, extension ? *extension : GUID{}, snapin ? *snapin : GUID{},
                                    extension != nullptr, snapin != nullptr});
      return S_OK;
    }
    OSTREL_STUB(GetName, (LPOLESTR, int))
    OSTREL_STUB(GetDisplayName, (LPOLESTR, int))
    OSTREL_STUB(GetDSPath, (DWORD, LPOLESTR, int))
    OSTREL_STUB(GetFileSysPath, (DWORD, LPOLESTR, int))
    OSTREL_STUB(GetOptions, (DWORD*))
    OSTREL_STUB(GetType, (GROUP_POLICY_OBJECT_TYPE*))
    OSTREL_STUB(GetHint, (GROUP_POLICY_HINT_TYPE*))
    EditorNode& node;
  };

  HKEY machineRoot_;
  Data data_{*this};
  Information information_{*this};
};

}  // namespace ostrel::console

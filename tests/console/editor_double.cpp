#include "tests/console/editor_double.h"

#include <cstring>

#include "tests/console/console_guids.h"

namespace ostrel::console {

namespace {

std::wstring formatName(CLIPFORMAT format) {
  wchar_t name[256] = {};
  int n = GetClipboardFormatNameW(format, name, 256);
  return n > 0 ? std::wstring(name, static_cast<std::size_t>(n)) : L"#" + std::to_wstring(format);
}

// Copies bytes into the caller's global memory block, which must be large enough.
HRESULT writeGlobal(HGLOBAL block, const void* bytes, std::size_t size) {
  if (block == nullptr || GlobalSize(block) < size) return STG_E_MEDIUMFULL;
  void* p = GlobalLock(block);
  if (p == nullptr) return E_OUTOFMEMORY;
  std::memcpy(p, bytes, size);
  GlobalUnlock(block);
  return S_OK;
}

}  // namespace

EditorNode::EditorNode(HKEY machineRoot) : machineRoot_(machineRoot) {
  expose(IID_IDataObject, data_);
  expose(ids::gpeInformation, information_);
}

bool EditorNode::offered(const IID& iid) const {
  return !IsEqualIID(iid, ids::gpeInformation) || offersGpeInformation();
}

EditorNode::Data::Data(EditorNode& node) : CountedInterface(node, "editor data object IDataObject"), node_(node) {}

HRESULT STDMETHODCALLTYPE EditorNode::Data::GetDataHere(FORMATETC* format, STGMEDIUM* medium) {
  if (format == nullptr || medium == nullptr) return E_POINTER;
  const std::wstring name = formatName(format->cfFormat);
  node_.formatsAsked.push_back(name);
  if (medium->tymed != TYMED_HGLOBAL) return DV_E_TYMED;
  if (name == L"CCF_NODETYPE") return writeGlobal(medium->hGlobal, &ids::nodeIdMachine, sizeof(GUID));
  if (name == L"CCF_SZNODETYPE") {
    wchar_t text[40] = {};
    int n = StringFromGUID2(ids::nodeIdMachine, text, 40);
    return writeGlobal(medium->hGlobal, text, static_cast<std::size_t>(n) * sizeof(wchar_t));
  }
  return DV_E_FORMATETC;
}

EditorNode::Information::Information(EditorNode& node)
    : CountedInterface(node, "editor IGPEInformation"), node_(node) {}

HRESULT STDMETHODCALLTYPE EditorNode::Information::GetRegistryKey(DWORD section, HKEY* key) {
  if (key == nullptr) return E_POINTER;
  *key = nullptr;
  node_.sectionsAsked.push_back(section);
  if (FAILED(node_.failGetRegistryKey)) return node_.failGetRegistryKey;
  if (section != GPO_SECTION_MACHINE) return E_INVALIDARG;
  LSTATUS s = RegOpenKeyExW(node_.machineRoot_, nullptr, 0, KEY_ALL_ACCESS, key);
  return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s);
}

HRESULT STDMETHODCALLTYPE EditorNode::Information::PolicyChanged(BOOL machine, BOOL add, GUID* extension,
                                                                 GUID* snapin) {
  node_.policyChanges.push_back({machine, add, extension ? *extension : GUID{}, snapin ? *snapin : GUID{},
                                 extension != nullptr, snapin != nullptr});
  return S_OK;
}

}  // namespace ostrel::console

#include "snapin/registration.h"

#include "resources/strings.h"
#include "rules/product_guids.h"

namespace ostrel::snapin {
namespace {

constexpr std::size_t titleChars = 255;       // titles are read into 256-character buffers
constexpr std::uint32_t subkeyNameChars = 256;  // enumeration buffer while deleting a tree

constexpr ExtensionEntry extensions[] = {
    {ids::nodeIdMachine, ids::snapinClsid, L"Group Policy Namespace Extension for Ostrel for Active Directory"},
    {{}, {}, L""},
};

std::wstring title(unsigned id) {
  std::wstring text(res::string(id));
  if (text.size() > titleChars) text.resize(titleChars);
  return text;
}

Registry::Key rootKey(const RegistryRoots& roots, RegistryRoot root) {
  return root == RegistryRoot::classesRoot ? roots.classesRoot : roots.localMachine;
}

}  // namespace

std::span<const ExtensionEntry> extensionTable() { return extensions; }

std::wstring namespaceExtensionKey(const Guid& nodeType) {
  return L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\" + guidText(nodeType) + L"\\Extensions\\NameSpace";
}
std::wstring snapinClassKey() { return L"CLSID\\" + guidText(ids::snapinClsid); }
std::wstring aboutClassKey() { return L"CLSID\\" + guidText(ids::aboutClsid); }
std::wstring consoleSnapinKey() { return L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\" + guidText(ids::snapinClsid); }

std::vector<RegistrationEntry> registrationEntries(const std::wstring& modulePath) {
  const auto hkcr = RegistryRoot::classesRoot;
  const auto hklm = RegistryRoot::localMachine;
  const std::wstring snapin = snapinClassKey();
  const std::wstring about = aboutClassKey();
  std::vector<RegistrationEntry> rows = {
      {hkcr, snapin, L"", title(IDS_SNAPIN_TITLE)},
      {hkcr, snapin + L"\\InprocServer32", L"", modulePath},
      {hkcr, snapin + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {hkcr, about, L"", title(IDS_ABOUT_TITLE)},
      {hkcr, about + L"\\InprocServer32", L"", modulePath},
      {hkcr, about + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {hklm, consoleSnapinKey(), L"NameString", title(IDS_CONSOLE_SNAPIN_NAME)},
      {hklm, consoleSnapinKey(), L"About", guidText(ids::aboutClsid)},
  };
  for (const ExtensionEntry& e : extensionTable()) {
    if (e.description.empty()) break;
    rows.push_back({hklm, namespaceExtensionKey(e.nodeType), guidText(e.extendingClass),
                    std::wstring(e.description), true});
  }
  return rows;
}

void registerServer(Registry& registry, const RegistryRoots& roots, const std::wstring& modulePath) {
  for (const RegistrationEntry& row : registrationEntries(modulePath)) {
    RegKey key;
    if (RegKey::create(registry, rootKey(roots, row.root), row.key, access::all, key) != status::success) {
      if (row.fromExtensionTable) return;
      continue;
    }
    registry.setValue(key.get(), row.valueName, regtype::sz, regSzBytes(row.data));
  }
}

void unregisterServer(Registry& registry, const RegistryRoots& roots) {
  (void)deleteKeyWithSubkeys(registry, roots.classesRoot, snapinClassKey());
  (void)deleteKeyWithSubkeys(registry, roots.localMachine, consoleSnapinKey());
  for (const ExtensionEntry& e : extensionTable()) {
    if (e.description.empty()) break;
    RegKey key;
    if (RegKey::open(registry, roots.localMachine, namespaceExtensionKey(e.nodeType), access::readWrite, key) !=
        status::success)
      break;
    registry.deleteValue(key.get(), guidText(e.extendingClass));
  }
}

Status deleteKeyWithSubkeys(Registry& registry, Registry::Key parent, const std::wstring& subkey) {
  RegKey key;
  Status result = RegKey::open(registry, parent, subkey, access::all, key);
  if (result != status::success) return result;
  std::wstring name;
  while (registry.enumKey(key.get(), 0, subkeyNameChars, name) == status::success) {
    result = deleteKeyWithSubkeys(registry, key.get(), name);
    if (result != status::success) break;
  }
  key.reset();
  Status deleted = registry.deleteKey(parent, subkey);
  return result != status::success ? result : deleted;
}

}  // namespace ostrel::snapin

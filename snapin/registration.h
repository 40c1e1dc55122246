#pragma once
// What the module writes into the registry to be found by COM and by the console, and
// how it takes it out again. Plain C++ over the registry seam: the Windows exports pass
// in the real HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE, tests pass keys of a hive.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"
#include "platform/registry.h"

namespace ostrel::snapin {

enum class RegistryRoot { classesRoot, localMachine };

// One value to write: under root\key, value valueName ("" = default) = data (REG_SZ).
struct RegistrationEntry {
  RegistryRoot root;
  std::wstring key;
  std::wstring valueName;
  std::wstring data;
  // Rows from the extension table: a key that cannot be created ends the registration
  // there; the fixed rows before them are only skipped.
  bool fromExtensionTable = false;
  friend bool operator==(const RegistrationEntry&, const RegistrationEntry&) = default;
};

// A namespace extension of another snap-in's node type. The table ends at the entry
// with an empty description.
struct ExtensionEntry {
  Guid nodeType;
  Guid extendingClass;
  std::wstring_view description;
};
std::span<const ExtensionEntry> extensionTable();

// "SOFTWARE\Microsoft\MMC\NodeTypes\{node type}\Extensions\NameSpace".
std::wstring namespaceExtensionKey(const Guid& nodeType);
std::wstring snapinClassKey();   // "CLSID\{Snap-in CLSID}"
std::wstring aboutClassKey();    // "CLSID\{About CLSID}"
std::wstring consoleSnapinKey(); // "SOFTWARE\Microsoft\MMC\SnapIns\{Snap-in CLSID}"

// Every value the registration writes, in writing order.
std::vector<RegistrationEntry> registrationEntries(const std::wstring& modulePath);

struct RegistryRoots {
  Registry::Key classesRoot = 0;
  Registry::Key localMachine = 0;
};

// DllRegisterServer: failures are not reported (the export answers S_OK whatever happens).
void registerServer(Registry& registry, const RegistryRoots& roots, const std::wstring& modulePath);
// DllUnregisterServer: removes all but the About class's key; failures are not reported.
void unregisterServer(Registry& registry, const RegistryRoots& roots);

// Deletes parent\subkey and everything below it, subkey by subkey (index 0 until none is
// left), stopping at the first failure; the key itself is deleted in any case. The first
// failure is the result.
[[nodiscard]] Status deleteKeyWithSubkeys(Registry& registry, Registry::Key parent, const std::wstring& subkey);

}  // namespace ostrel::snapin

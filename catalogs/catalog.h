#pragma once
// The built-in lists offered for picking a command line: the Control Panel applets and the
// management consoles. Fixed tables shared by the module's picker tabs and ostrel-policy.
#include <span>

namespace ostrel::catalogs {

struct CatalogRow {
  const wchar_t* name;
  const wchar_t* comment;
  int icon;  // the module's icon resource
  const wchar_t* commandLine;
};

// 26 applets, then 9 consoles, in the order the pickers show them.
[[nodiscard]] std::span<const CatalogRow> appletCatalog();
[[nodiscard]] std::span<const CatalogRow> snapinCatalog();

}  // namespace ostrel::catalogs

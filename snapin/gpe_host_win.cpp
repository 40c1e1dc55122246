#include "snapin/gpe_host_win.h"

#include "snapin/com_guids_win.h"

namespace ostrel::snapin {

HResult GpeHost::getRegistryKey(std::uint32_t section, Registry::Key& key) {
  HKEY root = nullptr;
  HRESULT hr = gpe_.GetRegistryKey(section, &root);
  key = SUCCEEDED(hr) ? reinterpret_cast<Registry::Key>(root) : 0;
  return hr;
}

HResult GpeHost::policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) {
  GUID extensionGuid = toGUID(extension);
  GUID snapinGuid = toGUID(snapin);
  return gpe_.PolicyChanged(machine ? TRUE : FALSE, add ? TRUE : FALSE, &extensionGuid, &snapinGuid);
}

}  // namespace ostrel::snapin

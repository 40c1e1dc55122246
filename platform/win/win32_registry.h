#pragma once
// The registry seam over the real Win32 registry. A Key is the HKEY value itself, so keys
// handed out by other platform calls (IGPEInformation::GetRegistryKey, predefined roots)
// can be used directly as parents.
#include <windows.h>

#include "platform/registry.h"

namespace ostrel::win {

class Win32Registry final : public Registry {
 public:
  [[nodiscard]] static Key fromHkey(HKEY key) noexcept { return reinterpret_cast<Key>(key); }
  [[nodiscard]] static HKEY toHkey(Key key) noexcept { return reinterpret_cast<HKEY>(key); }
  // A predefined root (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT...) as a parent key.
  [[nodiscard]] static Key root(HKEY predefined) noexcept { return fromHkey(predefined); }

  [[nodiscard]] Status openKey(Key parent, const std::wstring& subkey, std::uint32_t access,
                               Key& out) override;
  [[nodiscard]] Status createKey(Key parent, const std::wstring& subkey, std::uint32_t access,
                                 Key& out) override;
  Status closeKey(Key key) override;
  [[nodiscard]] Status queryInfoKey(Key key, std::uint32_t& subkeys, std::uint32_t& values) override;
  [[nodiscard]] Status enumKey(Key key, std::uint32_t index, std::uint32_t bufferChars,
                               std::wstring& name) override;
  [[nodiscard]] Status queryValue(Key key, const std::wstring& name, std::uint32_t& type,
                                  std::span<std::uint8_t> buffer, std::uint32_t& size) override;
  [[nodiscard]] Status enumValue(Key key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) override;
  Status setValue(Key key, const std::wstring& name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override;
  Status deleteValue(Key key, const std::wstring& name) override;
  Status deleteKey(Key parent, const std::wstring& subkey) override;
  Status deleteTree(Key parent, const std::wstring& subkey) override;
};

}  // namespace ostrel::win

#pragma once
// The registry seam: the subset of the Win32 registry that the store and the
// module use, with the Win32 semantics (error codes, buffer sizes, access rights).
// Value data is raw bytes as the registry holds them: strings are UTF-16LE with
// their terminating NUL counted.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace ostrel {

namespace regtype {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expandSz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
inline constexpr std::uint32_t multiSz = 7;
inline constexpr std::uint32_t qword = 11;
}  // namespace regtype

namespace access {
inline constexpr std::uint32_t queryValue = 0x0001;
inline constexpr std::uint32_t setValue = 0x0002;
inline constexpr std::uint32_t createSubKey = 0x0004;
inline constexpr std::uint32_t enumerateSubKeys = 0x0008;
inline constexpr std::uint32_t read = 0x20019;       // KEY_READ
inline constexpr std::uint32_t write = 0x20006;      // KEY_WRITE
inline constexpr std::uint32_t readWrite = 0x2001F;  // KEY_READ | KEY_WRITE
inline constexpr std::uint32_t all = 0xF003F;        // KEY_ALL_ACCESS
}  // namespace access

// Longest key name component the registry accepts, in characters.
inline constexpr std::size_t maxKeyNameLength = 255;

class Registry {
 public:
  using Key = std::uintptr_t;  // opaque handle; 0 is never a valid key
  virtual ~Registry() = default;

  // RegOpenKeyExW: subkey may be a path of several components; "" opens a new handle to parent.
  [[nodiscard]] virtual Status openKey(Key parent, const std::wstring& subkey, std::uint32_t access,
                                       Key& out) = 0;
  // RegCreateKeyExW (non-volatile): opens the key when it exists, creating missing components.
  [[nodiscard]] virtual Status createKey(Key parent, const std::wstring& subkey, std::uint32_t access,
                                         Key& out) = 0;
  virtual Status closeKey(Key key) = 0;
  // RegQueryInfoKeyW: number of direct subkeys and of values.
  [[nodiscard]] virtual Status queryInfoKey(Key key, std::uint32_t& subkeys, std::uint32_t& values) = 0;
  // RegEnumKeyExW with a name buffer of bufferChars characters (terminator included).
  [[nodiscard]] virtual Status enumKey(Key key, std::uint32_t index, std::uint32_t bufferChars,
                                       std::wstring& name) = 0;
  // RegQueryValueExW: copies at most buffer.size() bytes; size receives the value's size.
  // A buffer that is too small gives status::moreData. An empty buffer only asks for type and size.
  [[nodiscard]] virtual Status queryValue(Key key, const std::wstring& name, std::uint32_t& type,
                                          std::span<std::uint8_t> buffer, std::uint32_t& size) = 0;
  // RegEnumValueW: the value at index, in the registry's value order.
  [[nodiscard]] virtual Status enumValue(Key key, std::uint32_t index, std::wstring& name,
                                         std::uint32_t& type, std::vector<std::uint8_t>& data) = 0;
  // RegSetValueExW.
  virtual Status setValue(Key key, const std::wstring& name, std::uint32_t type,
                          std::span<const std::uint8_t> data) = 0;
  // RegDeleteValueW.
  virtual Status deleteValue(Key key, const std::wstring& name) = 0;
  // RegDeleteKeyW: refuses (access denied) a key that still has subkeys.
  virtual Status deleteKey(Key parent, const std::wstring& subkey) = 0;
  // SHDeleteKeyW: the key and everything below it.
  virtual Status deleteTree(Key parent, const std::wstring& subkey) = 0;
};

// Owns one open key and closes it once.
class RegKey {
 public:
  RegKey() = default;
  RegKey(Registry& reg, Registry::Key key) : reg_(&reg), key_(key) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& o) noexcept : reg_(o.reg_), key_(o.key_) { o.key_ = 0; }
  RegKey& operator=(RegKey&& o) noexcept {
    if (this != &o) {
      reset();
      reg_ = o.reg_;
      key_ = o.key_;
      o.key_ = 0;
    }
    return *this;
  }
  ~RegKey() { reset(); }

  void reset() {
    if (key_ != 0 && reg_ != nullptr) reg_->closeKey(key_);
    key_ = 0;
  }
  [[nodiscard]] Registry::Key get() const { return key_; }
  [[nodiscard]] explicit operator bool() const { return key_ != 0; }

  [[nodiscard]] static Status open(Registry& reg, Registry::Key parent, const std::wstring& subkey,
                                   std::uint32_t access, RegKey& out) {
    Registry::Key k = 0;
    Status s = reg.openKey(parent, subkey, access, k);
    out = s == status::success ? RegKey(reg, k) : RegKey();
    return s;
  }
  [[nodiscard]] static Status create(Registry& reg, Registry::Key parent, const std::wstring& subkey,
                                     std::uint32_t access, RegKey& out) {
    Registry::Key k = 0;
    Status s = reg.createKey(parent, subkey, access, k);
    out = s == status::success ? RegKey(reg, k) : RegKey();
    return s;
  }

 private:
  Registry* reg_ = nullptr;
  Registry::Key key_ = 0;
};

// REG_SZ data of a text: UTF-16LE with the terminating NUL.
std::vector<std::uint8_t> regSzBytes(std::wstring_view text);
// The same into out, reusing its storage.
void regSzBytes(std::wstring_view text, std::vector<std::uint8_t>& out);
// Text of REG_SZ data up to its first NUL or the end of the data (an odd last byte ignored), as
// the registry hands such data out; true when a NUL ended it.
bool textFromRegSz(std::span<const std::uint8_t> data, std::wstring& text);
std::vector<std::uint8_t> regDwordBytes(std::uint32_t value);

// Case-insensitive name comparison as the registry does it (upper-case folding).
wchar_t foldCaseSlow(wchar_t c);
inline wchar_t foldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  return foldCaseSlow(c);
}
int compareNames(std::wstring_view a, std::wstring_view b);
bool namesEqual(std::wstring_view a, std::wstring_view b);

}  // namespace ostrel

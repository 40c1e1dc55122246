#pragma once
// GUIDs as the platform lays them out, their braced text, and the id/time seam:
// new sequential or random UUIDs, parsing, and the FILETIME clock.
#include <array>
#include <cstdint>
#include <string>

namespace ostrel {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case, 38 characters.
std::wstring guidText(const Guid& g);
// Parses the 36 characters of a GUID without braces (UuidFromStringW's form); false on any other text.
bool parseUuid(std::wstring_view text, Guid& out);

namespace platform {
// UuidCreateSequential on an NT-family system, UuidCreate otherwise.
Guid newRuleGuid();
// GetSystemTimeAsFileTime: 100 ns intervals since 1601-01-01 UTC.
std::uint64_t fileTimeNow();
// OutputDebugStringW; on other platforms a trace sink that is silent unless one is installed.
void debugOutput(const std::wstring& text);
}  // namespace platform

}  // namespace ostrel

#pragma once
// Status codes the seams report. Registry calls answer Win32 error codes, the
// group-policy host answers HRESULTs, exactly as the platform calls they stand for.
#include <cstdint>

namespace ostrel {

using Status = std::int32_t;   // Win32 error code (LSTATUS)
using HResult = std::int32_t;  // COM status code

namespace status {
inline constexpr Status success = 0;
inline constexpr Status fileNotFound = 2;
inline constexpr Status accessDenied = 5;
inline constexpr Status invalidHandle = 6;
inline constexpr Status outOfMemory = 14;
inline constexpr Status invalidParameter = 87;
inline constexpr Status badPathname = 161;
inline constexpr Status moreData = 234;
inline constexpr Status noMoreItems = 259;
inline constexpr Status keyDeleted = 1018;
}  // namespace status

namespace hresult {
inline constexpr HResult ok = 0;
inline constexpr HResult falseResult = 1;
inline constexpr HResult fail = static_cast<HResult>(0x80004005);
inline constexpr HResult outOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult accessDenied = static_cast<HResult>(0x80070005);
constexpr HResult fromWin32(Status s) {
  return s <= 0 ? static_cast<HResult>(s)
                : static_cast<HResult>((static_cast<std::uint32_t>(s) & 0xFFFFu) | 0x80070000u);
}
constexpr bool failed(HResult hr) { return hr < 0; }
}  // namespace hresult

}  // namespace ostrel

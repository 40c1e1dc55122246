#pragma once
// Notices: warnings the administrator may silence with "Do not show this message again".
// A notice is known by its number, which is also the number of the string holding its text.
// The per-user record is the value "msg<n>" under SOFTWARE\Kelvast\Ostrel\Messages of the
// current user's hive; the notice counts as silenced while that value is a REG_DWORD.
#include <string>

#include "platform/registry.h"

namespace ostrel::catalogs {

// Name of the record value of a notice: "msg30" for notice 30.
[[nodiscard]] std::wstring noticeValueName(int number);

// Whether notice number should be shown to the user whose hive is currentUser. When the
// record key cannot be opened it creates the key path and answers true; registry failures
// always mean "show". Nothing is cached: every call reads the registry.
[[nodiscard]] bool shouldShowNotice(Registry& reg, Registry::Key currentUser, int number);

// What a click on the check box records: suppressed sets the value to REG_DWORD number,
// otherwise the value is deleted. Does nothing when the record key cannot be opened.
void recordNoticeChoice(Registry& reg, Registry::Key currentUser, int number, bool suppressed);

// Screen rectangles as Win32 gives them (right and bottom exclusive).
struct Rect {
  long left = 0, top = 0, right = 0, bottom = 0;
  [[nodiscard]] long width() const { return right - left; }
  [[nodiscard]] long height() const { return bottom - top; }
};
struct Point {
  long x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Top-left corner of the dialog, unchanged in size: centred over owner when ownerUsable
// (the owner exists, is visible and not minimised), otherwise over the work area; then moved
// as little as needed to lie inside the work area. A dialog larger than the work area keeps
// its left and top edges on the work area's.
[[nodiscard]] Point centreRect(const Rect& dialog, const Rect& owner, const Rect& workArea, bool ownerUsable);

}  // namespace ostrel::catalogs

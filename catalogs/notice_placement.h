#pragma once
// Where the notice dialog goes on the screen: plain geometry, so that native tests reach it.

namespace ostrel::catalogs {

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

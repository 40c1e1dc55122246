#include "catalogs/notice_placement.h"

#include <algorithm>

namespace ostrel::catalogs {

Point centreRect(const Rect& dialog, const Rect& owner, const Rect& workArea, bool ownerUsable) {
  const Rect& over = ownerUsable ? owner : workArea;
  Point p{over.left + (over.width() - dialog.width()) / 2, over.top + (over.height() - dialog.height()) / 2};
  // Right and bottom first, so that a dialog too large for the work area keeps its top-left inside.
  p.x = std::max(std::min(p.x, workArea.right - dialog.width()), workArea.left);
  p.y = std::max(std::min(p.y, workArea.bottom - dialog.height()), workArea.top);
  return p;
}

}  // namespace ostrel::catalogs

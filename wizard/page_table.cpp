#include "wizard/page_table.h"

#include "resources/product.h"

namespace ostrel::wizard {

std::optional<PageKind> pageOfId(int pageId) {
  for (const PageInfo& page : pageTable)
    if (page.dialogId == pageId) return page.kind;
  return std::nullopt;
}

std::wstring helpUrl(const wchar_t* anchor) {
  return std::wstring(product::guideUrl) + L"#" + anchor;
}

}  // namespace ostrel::wizard

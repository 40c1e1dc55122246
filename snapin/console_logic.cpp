#include "snapin/console_logic.h"

#include <optional>

#include "wizard/page_notice.h"
#include "wizard/page_table.h"

namespace ostrel::snapin {
namespace notice = wizard::notice;

WizardNoticeDecision decideWizardNotice(std::int32_t pageId, std::int32_t code) {
  const std::optional<wizard::PageKind> page = wizard::pageOfId(pageId);
  if (!page) return {};
  const bool finishPage = *page == wizard::PageKind::finish;
  WizardNoticeDecision d{WizardNoticeAction::none, true};
  if (code == notice::cancel) d.action = WizardNoticeAction::cancel;
  else if (code == notice::finish && finishPage) d.action = WizardNoticeAction::finish;
  return d;
}

SheetNoticeAction decideSheetNotice(std::int32_t code) {
  if (code == notice::apply) return SheetNoticeAction::save;
  if (code == notice::cancel) return SheetNoticeAction::clear;
  return SheetNoticeAction::none;
}

const wchar_t* sharedCellText(std::wstring text) {
  static std::wstring buffer;
  buffer = std::move(text);
  return buffer.c_str();
}

}  // namespace ostrel::snapin

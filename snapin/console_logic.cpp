#include "snapin/console_logic.h"

#include <algorithm>

#include "snapin/page_notice.h"

namespace ostrel::snapin {
namespace {
constexpr std::int32_t finishPageId = 125;
// The wizard's other pages, in page order.
constexpr std::int32_t wizardPageIds[] = {117, 119, 127, 134, 136, 140, 142};
}  // namespace

WizardNoticeDecision decideWizardNotice(std::int32_t pageId, std::int32_t code) {
  const bool finishPage = pageId == finishPageId;
  const bool otherPage = std::find(std::begin(wizardPageIds), std::end(wizardPageIds), pageId) !=
                         std::end(wizardPageIds);
  if (!finishPage && !otherPage) return {};
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

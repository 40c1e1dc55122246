#include "snapin/console_logic.h"

#include <algorithm>

#include "resources/resource_ids.h"
#include "snapin/page_notice.h"

namespace ostrel::snapin {
namespace {
constexpr std::int32_t finishPageId = IDD_FINISH;
// The wizard's other pages, in page order.
constexpr std::int32_t wizardPageIds[] = {IDD_RULE_TYPE,         IDD_APPLICATION,      IDD_COMMAND_LINES,
                                           IDD_PRIVILEGED_GROUPS, IDD_AUTHORIZED_USERS, IDD_SIDS_TO_DELETE,
                                           IDD_PROCESS_PRIVILEGES};
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

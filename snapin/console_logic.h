#pragma once
// The fixed texts, numbers and small decisions of the snap-in's console side, kept free
// of platform headers so native tests reach them.
#include <cstdint>
#include <string>

#include "platform/prompt.h"
#include "resources/resource_ids.h"

namespace ostrel::snapin {

inline constexpr wchar_t nodeDisplayText[] = L"Application Execution Policies";
inline constexpr int itemImageIndex = IMAGE_POLICIES;  // closed and open, node and rows alike
inline constexpr std::int32_t viewChangeHint = 1000;  // "show the node again"
inline constexpr std::uint32_t wizardDataObjectType = 0x8066;

// The mask colour RGB(0, 128, 128) of the image strips IDB_STRIP_16 and IDB_STRIP_32.
inline constexpr std::uint32_t maskColour = 0x00808000;  // COLORREF: 0x00BBGGRR

// The node's context command, in the console's New submenu.
inline constexpr wchar_t wizardMenuName[] = L"Privileged Application... ";
inline constexpr wchar_t wizardMenuStatus[] = L"Define privileged application(s) and related privileges.";
inline constexpr std::int32_t wizardCommandId = 2;

// The deletion question's style; its text is IDS_DELETE_QUESTION, its caption IDS_PRODUCT_CAPTION.
inline constexpr std::uint32_t deleteQuestionStyle = mb::yesNo | mb::iconHand;

// The console's special data objects (-10 to 0, including none) carry no item.
constexpr bool isSpecialDataObject(std::intptr_t value) { return value >= -10 && value <= 0; }

// What the scope node does with a page notice of the Rule wizard.
enum class WizardNoticeAction { none, finish, cancel };
struct WizardNoticeDecision {
  WizardNoticeAction action = WizardNoticeAction::none;
  bool clearCode = false;  // the record's code is set to 0 for the wizard's own pages
};
WizardNoticeDecision decideWizardNotice(std::int32_t pageId, std::int32_t code);

// What a view does with a page notice of an existing rule's property sheet: the owner
// saves on Apply; Cancel's code is only cleared.
enum class SheetNoticeAction { none, save, clear };
SheetNoticeAction decideSheetNotice(std::int32_t code);

// The text in the buffer shared by all Rule items; valid until the next call.
const wchar_t* sharedCellText(std::wstring text);

}  // namespace ostrel::snapin

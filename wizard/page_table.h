#pragma once
// The Rule wizard's pages in wizard order: dialog, caption title, header subtitle, help
// anchor and the buttons shown with the page. An existing rule's property sheet has the
// first seven as tabs. A page's dialog number is also its page id in page notices.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "resources/resource_ids.h"
#include "wizard/dialog.h"

namespace ostrel::wizard {

enum class PageKind {
  ruleType,
  application,
  commandLines,
  privilegedGroups,
  processPrivileges,
  sidsToDelete,
  authorizedUsers,
  finish,
};

struct PageInfo {
  PageKind kind;
  int dialogId;
  const wchar_t* title;
  const wchar_t* subtitle;
  const wchar_t* helpAnchor;
  std::uint32_t buttons;
};

inline constexpr std::size_t wizardPageCount = 8;
inline constexpr std::size_t propertyPageCount = 7;  // every page but the finish page

inline constexpr std::array<PageInfo, wizardPageCount> pageTable{{
    {PageKind::ruleType, IDD_RULE_TYPE, L"Rule type", L"Select Rule type", L"Selecting_a_Rule_type", wizb::next},
    {PageKind::application, IDD_APPLICATION, L"Privileged Application(s)", L"Select Privileged Application(s)",
     L"Privileged_Applications", wizb::back | wizb::next},
    {PageKind::commandLines, IDD_COMMAND_LINES, L"Command line(s)", L"Add command line(s)", L"Command_Lines",
     wizb::back | wizb::next},
    {PageKind::privilegedGroups, IDD_PRIVILEGED_GROUPS, L"Privileged Groups", L"Select Privileged Group",
     L"Privileged_Groups", wizb::back | wizb::next},
    {PageKind::processPrivileges, IDD_PROCESS_PRIVILEGES, L"Process Privileges", L"Set process privileges",
     L"process_privileges", wizb::back | wizb::next},
    {PageKind::sidsToDelete, IDD_SIDS_TO_DELETE, L"SIDs to delete", L"Select SIDs to delete", L"groups_to_delete",
     wizb::back | wizb::next},
    {PageKind::authorizedUsers, IDD_AUTHORIZED_USERS, L"Authorized Users", L"Select Authorized Users",
     L"authorized_users", wizb::back | wizb::next},
    {PageKind::finish, IDD_FINISH, L"Rule has been created!", L"Rule has been created!", L"Saving_the_new_rule",
     wizb::back | wizb::finish},
}};

[[nodiscard]] constexpr const PageInfo& pageInfo(PageKind kind) { return pageTable[static_cast<std::size_t>(kind)]; }

// The page of a page id, if it is one of the wizard's.
[[nodiscard]] std::optional<PageKind> pageOfId(int pageId);

// Help: the guide on the maker's site (product::guideUrl) at the anchor.
[[nodiscard]] std::wstring helpUrl(const wchar_t* anchor);

}  // namespace ostrel::wizard

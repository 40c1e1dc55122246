#pragma once
// The Rule wizard's pages in wizard order: dialog, caption title, header subtitle, help
// anchor and the buttons shown with the page. An existing rule's property sheet has the
// first seven as tabs. A page's dialog number is also its page id in page notices.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "resources/resource_ids.h"
#include "resources/string_ids.h"
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
  unsigned title;     // string ids
  unsigned subtitle;
  const wchar_t* helpAnchor;
  std::uint32_t buttons;
};

inline constexpr std::size_t wizardPageCount = 8;
inline constexpr std::size_t propertyPageCount = 7;  // every page but the finish page

inline constexpr std::array<PageInfo, wizardPageCount> pageTable{{
    {PageKind::ruleType, IDD_RULE_TYPE, IDS_PAGE_RULE_TYPE, IDS_PAGE_RULE_TYPE_SUBTITLE, L"Selecting_a_Rule_type", wizb::next},
    {PageKind::application, IDD_APPLICATION, IDS_PAGE_APPLICATION, IDS_PAGE_APPLICATION_SUBTITLE,
     L"Privileged_Applications", wizb::back | wizb::next},
    {PageKind::commandLines, IDD_COMMAND_LINES, IDS_PAGE_COMMAND_LINES, IDS_PAGE_COMMAND_LINES_SUBTITLE, L"Command_Lines",
     wizb::back | wizb::next},
    {PageKind::privilegedGroups, IDD_PRIVILEGED_GROUPS, IDS_PAGE_PRIVILEGED_GROUPS, IDS_PAGE_PRIVILEGED_GROUPS_SUBTITLE,
     L"Privileged_Groups", wizb::back | wizb::next},
    {PageKind::processPrivileges, IDD_PROCESS_PRIVILEGES, IDS_PAGE_PROCESS_PRIVILEGES, IDS_PAGE_PROCESS_PRIVILEGES_SUBTITLE,
     L"process_privileges", wizb::back | wizb::next},
    {PageKind::sidsToDelete, IDD_SIDS_TO_DELETE, IDS_PAGE_SIDS_TO_DELETE, IDS_PAGE_SIDS_TO_DELETE_SUBTITLE, L"groups_to_delete",
     wizb::back | wizb::next},
    {PageKind::authorizedUsers, IDD_AUTHORIZED_USERS, IDS_PAGE_AUTHORIZED_USERS, IDS_PAGE_AUTHORIZED_USERS_SUBTITLE,
     L"authorized_users", wizb::back | wizb::next},
    {PageKind::finish, IDD_FINISH, IDS_PAGE_FINISH, IDS_PAGE_FINISH, L"Saving_the_new_rule",
     wizb::back | wizb::finish},
}};

[[nodiscard]] constexpr const PageInfo& pageInfo(PageKind kind) { return pageTable[static_cast<std::size_t>(kind)]; }

// The page of a page id, if it is one of the wizard's.
[[nodiscard]] std::optional<PageKind> pageOfId(int pageId);

// Help: the guide on the maker's site (product::guideUrl) at the anchor.
[[nodiscard]] std::wstring helpUrl(const wchar_t* anchor);

}  // namespace ostrel::wizard

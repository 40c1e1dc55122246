#include "accounts/account_page.h"

#include "resources/strings.h"

namespace ostrel::accounts {
namespace {

using wizard::ListColumn;
using wizard::PageKind;

// The middle column reads "Group" on every page, the Authorized users page included.
constexpr ListColumn columns[] = {{L"Domain", 70}, {L"Group", 110}, {L"SID", 280}};

const AccountEntry administrators{L"Administrators", L"BUILTIN", L"S-1-5-32-544", false};
const AccountEntry everyone{L"Everyone", L"BUILTIN", L"S-1-1-0", false};

}  // namespace

const AccountFamily& privilegedGroupsFamily() {
  static const AccountFamily family{PageKind::privilegedGroups, AccountList::PrivilegedGroups, IDC_PRIVILEGED_GROUPS,
                                    IDC_ADD_PRIVILEGED_GROUP, IDC_DELETE_PRIVILEGED_GROUP, &administrators, false};
  return family;
}
const AccountFamily& sidsToDeleteFamily() {
  static const AccountFamily family{PageKind::sidsToDelete, AccountList::SidsToDelete, IDC_SIDS_TO_DELETE,
                                    IDC_ADD_SID_TO_DELETE, IDC_DELETE_SID_TO_DELETE, nullptr, false};
  return family;
}
const AccountFamily& authorizedUsersFamily() {
  static const AccountFamily family{PageKind::authorizedUsers, AccountList::AuthorizedUsers, IDC_AUTHORIZED_USERS,
                                    IDC_ADD_AUTHORIZED_USER, IDC_DELETE_AUTHORIZED_USER, &everyone, true};
  return family;
}

void AccountListPage::onInit() {
  dialog().listViewInit(family_.listView, columns);
  if (mode() == wizard::Mode::properties) entries_ = rule().accounts(family_.list);
  else if (family_.defaultEntry != nullptr) entries_.assign(1, *family_.defaultEntry);
  refresh();
}

void AccountListPage::refresh() {
  wizard::Dialog& d = dialog();
  d.listViewClear(family_.listView);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int row = d.listViewInsert(family_.listView, static_cast<int>(i), entries_[i].domain);
    d.listViewSetText(family_.listView, row, 1, entries_[i].username);
    d.listViewSetText(family_.listView, row, 2, entries_[i].sid);
  }
}

bool AccountListPage::onNext() {
  if (family_.needsOne && entries_.empty()) {
    message(std::wstring(res::string(IDS_NO_AUTHORIZED_USERS)), mb::ok);
    return false;
  }
  rule().clearAccounts(family_.list);
  for (const AccountEntry& e : entries_) rule().addAccount(family_.list, e.username, e.domain, e.sid, e.isDomain);
  return true;
}

}  // namespace ostrel::accounts

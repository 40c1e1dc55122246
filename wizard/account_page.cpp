#include "wizard/account_page.h"

#include <cstdio>

#include "resources/strings.h"
#include "rules/rule_checks.h"

namespace ostrel::wizard {
namespace {

// The middle column reads "Group" on every page, the Authorized users page included.
constexpr ListColumn columns[] = {{L"Domain", 70}, {L"Group", 110}, {L"SID", 280}};

}  // namespace

const AccountFamily& privilegedGroupsFamily() {
  static const AccountFamily family{PageKind::privilegedGroups, AccountList::PrivilegedGroups, IDC_PRIVILEGED_GROUPS,
                                    IDC_ADD_PRIVILEGED_GROUP, IDC_DELETE_PRIVILEGED_GROUP,
                                    accounts::PickerKind::groups, true};
  return family;
}
const AccountFamily& sidsToDeleteFamily() {
  static const AccountFamily family{PageKind::sidsToDelete, AccountList::SidsToDelete, IDC_SIDS_TO_DELETE,
                                    IDC_ADD_SID_TO_DELETE, IDC_DELETE_SID_TO_DELETE,
                                    accounts::PickerKind::groups, true};
  return family;
}
const AccountFamily& authorizedUsersFamily() {
  static const AccountFamily family{PageKind::authorizedUsers, AccountList::AuthorizedUsers, IDC_AUTHORIZED_USERS,
                                    IDC_ADD_AUTHORIZED_USER, IDC_DELETE_AUTHORIZED_USER,
                                    accounts::PickerKind::usersAndGroups, false};
  return family;
}

void AccountListPage::onInit() {
  dialog().listViewInit(family_.listView, columns);
  if (mode() == Mode::properties) entries_ = rule().accounts(family_.list);
  else if (auto entry = rules::defaultAccount(family_.list)) entries_.assign(1, *entry);
  refresh();
}

void AccountListPage::refresh() {
  Dialog& d = dialog();
  d.listViewClear(family_.listView);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const int row = d.listViewInsert(family_.listView, static_cast<int>(i), entries_[i].domain);
    d.listViewSetText(family_.listView, row, 1, entries_[i].username);
    d.listViewSetText(family_.listView, row, 2, entries_[i].sid);
  }
}

void AccountListPage::onCommand(ControlId id, int notification) {
  if (notification != code::clicked) return;
  if (id == family_.addButton) add();
  else if (id == family_.deleteButton) deleteSelected();
}

void AccountListPage::add() {
  if (picker_ == nullptr) return;
  std::vector<accounts::PickedObject> picked;
  const accounts::PickResult result = picker_->pick(dialog().window(), family_.picker, picked);
  if (result == accounts::PickResult::picked) {
    if (addPickedAccounts(picked)) changed();
  } else if (result == accounts::PickResult::cancelled && family_.traceCancel) {
    std::fputs("User canceled object picker dialog\n", stdout);
    std::fflush(stdout);
  }
}

bool AccountListPage::addPickedAccounts(std::span<const accounts::PickedObject> picked) {
  bool added = false;
  auto useAnyway = [this](const std::wstring& question) { return message(question, mb::yesNo) == answer::yes; };
  for (const accounts::PickedObject& object : picked) {
    std::optional<AccountEntry> entry = accounts::resolvePickedObject(object, picker_->lookup(), useAnyway);
    if (!entry) continue;
    if (rules::holdsSid(entries_, entry->sid)) {
      message(std::wstring(res::string(IDS_DUPLICATE_SID)), mb::ok);
      continue;
    }
    entries_.push_back(std::move(*entry));
    refresh();
    added = true;
  }
  return added;
}

void AccountListPage::deleteSelected() {
  const int row = dialog().listViewSelection(family_.listView);
  if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) {
    message(std::wstring(res::string(IDS_NOTHING_TO_DELETE)), mb::ok);
    return;
  }
  const std::wstring username = dialog().listViewText(family_.listView, row, 1);
  if (message(std::wstring(res::string(IDS_CONFIRM_DELETE)) + username, mb::yesNo) != answer::yes) return;
  entries_.erase(entries_.begin() + row);
  refresh();
  changed();
}

bool AccountListPage::onNext() {
  if (rules::needsOneAccount(family_.list) && entries_.empty()) {
    message(std::wstring(res::string(IDS_NO_AUTHORIZED_USERS)), mb::ok);
    return false;
  }
  rule().clearAccounts(family_.list);
  for (const AccountEntry& e : entries_) rule().addAccount(family_.list, e.username, e.domain, e.sid, e.isDomain);
  return true;
}

}  // namespace ostrel::wizard

#pragma once
// Pages 4, 6 and 7: the Rule's Privileged groups, SIDs to delete and Authorized users. One
// design built three times; AccountFamily holds what differs.
#include <vector>

#include "rules/rule.h"
#include "wizard/page.h"

namespace ostrel::accounts {

struct AccountFamily {
  wizard::PageKind kind;
  AccountList list;  // the Rule's list the page writes
  wizard::ControlId listView, addButton, deleteButton;
  const AccountEntry* defaultEntry;  // the one row of a new rule, or none
  bool needsOne;                     // Next and Apply refuse an empty list
};

const AccountFamily& privilegedGroupsFamily();
const AccountFamily& sidsToDeleteFamily();
const AccountFamily& authorizedUsersFamily();

class AccountListPage final : public wizard::Page {
 public:
  AccountListPage(const AccountFamily& family, std::shared_ptr<wizard::Sheet> sheet)
      : Page(family.kind, std::move(sheet)), family_(family) {}

  [[nodiscard]] const std::vector<AccountEntry>& entries() const { return entries_; }

 private:
  void onInit() override;
  bool onNext() override;
  void refresh();

  const AccountFamily& family_;
  std::vector<AccountEntry> entries_;
};

}  // namespace ostrel::accounts

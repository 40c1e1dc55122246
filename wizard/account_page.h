#pragma once
// Pages 4, 6 and 7: the Rule's Privileged groups, SIDs to delete and Authorized users. One
// design built three times; AccountFamily holds what differs.
#include <span>
#include <vector>

#include "accounts/account_resolution.h"
#include "rules/rule.h"
#include "wizard/page.h"

namespace ostrel::wizard {

struct AccountFamily {
  PageKind kind;
  AccountList list;  // the Rule's list the page writes
  ControlId listView, addButton, deleteButton;
  accounts::PickerKind picker;
  bool traceCancel;  // a cancelled picker leaves a line on the standard output
};

const AccountFamily& privilegedGroupsFamily();
const AccountFamily& sidsToDeleteFamily();
const AccountFamily& authorizedUsersFamily();

class AccountListPage final : public Page {
 public:
  // Without a picker, Add does nothing.
  AccountListPage(const AccountFamily& family, std::shared_ptr<Sheet> sheet, accounts::AccountPicker* picker = nullptr)
      : Page(family.kind, std::move(sheet)), family_(family), picker_(picker) {}

  [[nodiscard]] const std::vector<AccountEntry>& entries() const { return entries_; }

  // Resolves the picked objects in order and appends every accepted one whose SID the page
  // does not list yet; true when any was appended.
  bool addPickedAccounts(std::span<const accounts::PickedObject> picked);

 private:
  void onInit() override;
  bool onNext() override;
  void onCommand(ControlId id, int notification) override;
  void refresh();
  void add();
  void deleteSelected();

  const AccountFamily& family_;
  accounts::AccountPicker* const picker_;
  std::vector<AccountEntry> entries_;
};

}  // namespace ostrel::wizard

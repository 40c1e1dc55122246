#include "wizard/process_privileges_page.h"

namespace ostrel::wizard {
namespace {

constexpr ListColumn availableColumn[] = {{L"Available Privileges", 175}};
constexpr ListColumn grantedColumn[] = {{L"Granted Privileges", 175}};
constexpr ControlId listsAndButtons[] = {IDC_AVAILABLE_PRIVILEGES, IDC_GRANTED_PRIVILEGES, IDC_ADD_PRIVILEGE,
                                         IDC_REMOVE_PRIVILEGE};

}  // namespace

void ProcessPrivilegesPage::enableLists(bool enabled) {
  for (ControlId id : listsAndButtons) dialog().enable(id, enabled);
}

void ProcessPrivilegesPage::onInit() {
  Dialog& d = dialog();
  d.listViewInit(IDC_AVAILABLE_PRIVILEGES, availableColumn);
  d.listViewInit(IDC_GRANTED_PRIVILEGES, grantedColumn);
  d.setText(IDC_SHORT_DESCRIPTION, L"");
  d.setText(IDC_LONG_DESCRIPTION, L"");
  if (mode() == Mode::wizard) {
    for (const PrivilegeEntry& entry : privilegeCatalog)
      d.listViewInsert(IDC_AVAILABLE_PRIVILEGES, d.listViewCount(IDC_AVAILABLE_PRIVILEGES), entry.name);
    d.setChecked(IDC_OVERRIDE_PRIVILEGES, false);
    enableLists(false);
    return;
  }
  // An existing rule: its privileges, each put first, and the rest of the catalog.
  for (std::size_t i = 0; i < rule().privilegeCount(); ++i) d.listViewInsert(IDC_GRANTED_PRIVILEGES, 0, rule().privilege(i));
  for (const PrivilegeEntry& entry : privilegeCatalog) {
    bool granted = false;
    for (std::size_t i = 0; i < rule().privilegeCount() && !granted; ++i) granted = rule().privilege(i) == entry.name;
    if (!granted) d.listViewInsert(IDC_AVAILABLE_PRIVILEGES, d.listViewCount(IDC_AVAILABLE_PRIVILEGES), entry.name);
  }
  d.setChecked(IDC_OVERRIDE_PRIVILEGES, rule().overridePrivileges());
  enableLists(rule().overridePrivileges());
}

void ProcessPrivilegesPage::onCommand(ControlId id, int notification) {
  if (id != IDC_OVERRIDE_PRIVILEGES || notification != code::clicked) return;
  enableLists(dialog().checked(IDC_OVERRIDE_PRIVILEGES));
  changed();
}

bool ProcessPrivilegesPage::onNext() {
  const bool override = dialog().checked(IDC_OVERRIDE_PRIVILEGES);
  rule().setOverridePrivileges(override);
  rule().clearPrivileges();
  if (override) {
    const int count = dialog().listViewCount(IDC_GRANTED_PRIVILEGES);
    for (int i = 0; i < count; ++i) rule().addPrivilege(dialog().listViewText(IDC_GRANTED_PRIVILEGES, i, 0));
  }
  return true;
}

}  // namespace ostrel::wizard

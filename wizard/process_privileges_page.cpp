#include "wizard/process_privileges_page.h"

#include "resources/strings.h"
#include "rules/privilege_catalog.h"

namespace ostrel::wizard {
namespace {

constexpr ListColumn availableColumn[] = {{L"Available Privileges", 175}};
constexpr ListColumn grantedColumn[] = {{L"Granted Privileges", 175}};
constexpr ControlId listsAndButtons[] = {IDC_AVAILABLE_PRIVILEGES, IDC_GRANTED_PRIVILEGES, IDC_ADD_PRIVILEGE,
                                         IDC_REMOVE_PRIVILEGE};

// Each list with the button that moves entries out of it and the message shown when that
// button is pressed with nothing selected.
struct Side {
  ControlId list, button;
  unsigned nothingSelected;
};
constexpr Side available{IDC_AVAILABLE_PRIVILEGES, IDC_ADD_PRIVILEGE, IDS_SELECT_AVAILABLE_PRIVILEGE};
constexpr Side granted{IDC_GRANTED_PRIVILEGES, IDC_REMOVE_PRIVILEGE, IDS_SELECT_GRANTED_PRIVILEGE};

const Side& sideOf(ControlId list) { return list == available.list ? available : granted; }
const Side& other(const Side& side) { return side.list == available.list ? granted : available; }

const rules::PrivilegeEntry* findPrivilege(const std::wstring& name) {
  for (const rules::PrivilegeEntry& entry : rules::privilegeCatalog())
    if (name == entry.name) return &entry;
  return nullptr;
}

}  // namespace

void ProcessPrivilegesPage::enableLists(bool enabled) {
  for (ControlId id : listsAndButtons) dialog().enable(id, enabled);
}

void ProcessPrivilegesPage::focusFirst(ControlId list) {
  dialog().focus(list);
  dialog().listViewSelect(list, 0);
}

void ProcessPrivilegesPage::onInit() {
  Dialog& d = dialog();
  d.listViewInit(IDC_AVAILABLE_PRIVILEGES, availableColumn);
  d.listViewInit(IDC_GRANTED_PRIVILEGES, grantedColumn);
  d.setText(IDC_SHORT_DESCRIPTION, L"");
  d.setText(IDC_LONG_DESCRIPTION, L"");
  if (mode() == Mode::wizard) {
    for (const rules::PrivilegeEntry& entry : rules::privilegeCatalog())
      d.listViewInsert(IDC_AVAILABLE_PRIVILEGES, d.listViewCount(IDC_AVAILABLE_PRIVILEGES), entry.name);
    d.setChecked(IDC_OVERRIDE_PRIVILEGES, false);
    enableLists(false);
    return;
  }
  // An existing rule: its privileges, each put first, and the rest of the catalog.
  for (std::size_t i = 0; i < rule().privilegeCount(); ++i) d.listViewInsert(IDC_GRANTED_PRIVILEGES, 0, rule().privilege(i));
  for (const rules::PrivilegeEntry& entry : rules::privilegeCatalog()) {
    bool isGranted = false;
    for (std::size_t i = 0; i < rule().privilegeCount() && !isGranted; ++i) isGranted = rule().privilege(i) == entry.name;
    if (!isGranted) d.listViewInsert(IDC_AVAILABLE_PRIVILEGES, d.listViewCount(IDC_AVAILABLE_PRIVILEGES), entry.name);
  }
  d.setChecked(IDC_OVERRIDE_PRIVILEGES, rule().overridePrivileges());
  enableLists(rule().overridePrivileges());
  if (!rule().overridePrivileges()) return;
  if (d.listViewCount(IDC_GRANTED_PRIVILEGES) == static_cast<int>(rules::privilegeCatalog().size())) {
    d.enable(IDC_AVAILABLE_PRIVILEGES, false);
    focusFirst(IDC_GRANTED_PRIVILEGES);
  } else {
    d.enable(IDC_AVAILABLE_PRIVILEGES, true);
    focusFirst(IDC_AVAILABLE_PRIVILEGES);
  }
}

void ProcessPrivilegesPage::onCommand(ControlId id, int notification) {
  if (notification != code::clicked) return;
  if (id == IDC_ADD_PRIVILEGE) move(available.list);
  else if (id == IDC_REMOVE_PRIVILEGE) move(granted.list);
  else if (id == IDC_OVERRIDE_PRIVILEGES) overrideClicked();
}

void ProcessPrivilegesPage::onNotify(ControlId id, int notification) {
  if (id != available.list && id != granted.list) return;
  switch (notification) {
    case code::listDoubleClick: move(id); break;
    case code::itemChanged: describeSelection(id); break;
    case code::setFocus: focused(id); break;
    default: break;
  }
}

void ProcessPrivilegesPage::overrideClicked() {
  Dialog& d = dialog();
  const bool on = d.checked(IDC_OVERRIDE_PRIVILEGES);
  enableLists(on);
  if (on) focusFirst(d.listViewCount(IDC_AVAILABLE_PRIVILEGES) > 0 ? IDC_AVAILABLE_PRIVILEGES : IDC_GRANTED_PRIVILEGES);
  changed();
}

// Add and Remove: the selected entry goes to the top of the other list.
void ProcessPrivilegesPage::move(ControlId fromList) {
  Dialog& d = dialog();
  const Side& from = sideOf(fromList);
  const Side& to = other(from);
  const int row = d.listViewSelection(from.list);
  if (row < 0) {
    if (d.listViewCount(from.list) > 0) message(std::wstring(res::string(from.nothingSelected)), mb::ok);
    else d.enable(from.list, false);
    return;
  }
  const std::wstring name = d.listViewText(from.list, row, 0);
  d.enable(to.list, true);
  d.listViewInsert(to.list, 0, name);
  d.listViewDelete(from.list, row);
  changed();
  if (d.listViewCount(from.list) == 0) {
    d.enable(from.list, false);
    focusFirst(to.list);
  } else {
    focusFirst(from.list);
  }
}

void ProcessPrivilegesPage::describeSelection(ControlId list) {
  const int row = dialog().listViewSelection(list);
  if (row < 0) return;
  const rules::PrivilegeEntry* entry = findPrivilege(dialog().listViewText(list, row, 0));
  if (entry == nullptr) return;
  dialog().setText(IDC_SHORT_DESCRIPTION, entry->shortDescription);
  dialog().setText(IDC_LONG_DESCRIPTION, entry->longDescription);
}

// A focused list enables the button that moves out of it; an empty one hands the focus on.
void ProcessPrivilegesPage::focused(ControlId list) {
  Dialog& d = dialog();
  const Side& side = sideOf(list);
  const Side& rest = other(side);
  if (d.listViewCount(side.list) == 0) {
    d.focus(rest.list);
    return;
  }
  d.enable(side.button, true);
  d.enable(rest.button, false);
  if (d.listViewCount(rest.list) == 0) d.enable(rest.list, false);
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

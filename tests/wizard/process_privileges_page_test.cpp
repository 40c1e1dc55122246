// The process privileges page driven through its two lists, the override box and the
// Add and Remove buttons, in a new rule's wizard and in an existing rule's sheet.
#include "platform/text.h"
#include "resources/strings.h"
#include "tests/wizard/fake_dialog.h"
#include "wizard/process_privileges_page.h"

namespace ostrel::wizard::testing {
namespace {

constexpr ControlId availableList = IDC_AVAILABLE_PRIVILEGES, grantedList = IDC_GRANTED_PRIVILEGES;

struct PrivilegesSheet : FakeSheet {
  explicit PrivilegesSheet(Rule& rule, Mode mode) : FakeSheet(rule, mode) { show(4); }

  std::vector<std::wstring> names(ControlId list) {
    std::vector<std::wstring> out;
    for (int i = 0; i < dialog().listViewCount(list); ++i) out.push_back(dialog().listViewText(list, i, 0));
    return out;
  }
  // The user clicks a row: the list takes the focus and selects it.
  void select(ControlId list, const std::wstring& name) {
    const auto all = names(list);
    const auto it = std::find(all.begin(), all.end(), name);
    ASSERT_NE(it, all.end()) << "no row " << toUtf8(name);
    dialog().focus(list);
    dialog().listViewSelect(list, static_cast<int>(it - all.begin()));
  }
  void doubleClick(ControlId list, const std::wstring& name) {
    select(list, name);
    page().notify(list, code::listDoubleClick);
  }
  bool enabled(ControlId id) { return dialog().enabled(id); }
};

TEST(ProcessPrivilegesPage, OverrideBoxDecidesWhatNextStores) {
  Rule rule;
  PrivilegesSheet sheet(rule, Mode::wizard);
  EXPECT_EQ(L"", sheet.dialog().text(IDC_SHORT_DESCRIPTION));
  EXPECT_EQ((std::vector<std::wstring>{L"Available Privileges:175"}), sheet.dialog().c(availableList).columns);
  EXPECT_EQ((std::vector<std::wstring>{L"Granted Privileges:175"}), sheet.dialog().c(grantedList).columns);

  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  // The focus goes to Available's first row: its descriptions show, and the empty Granted
  // list and the Remove button are disabled by the focus rule.
  EXPECT_EQ(availableList, sheet.dialog().focused);
  EXPECT_EQ(0, sheet.dialog().listViewSelection(availableList));
  EXPECT_EQ(L"Create a token object", sheet.dialog().text(IDC_SHORT_DESCRIPTION));
  EXPECT_EQ(L"Allows a process to create an access token.", sheet.dialog().text(IDC_LONG_DESCRIPTION));
  EXPECT_TRUE(sheet.enabled(availableList) && sheet.enabled(IDC_ADD_PRIVILEGE));
  EXPECT_FALSE(sheet.enabled(grantedList) || sheet.enabled(IDC_REMOVE_PRIVILEGE));

  sheet.doubleClick(availableList, L"SeDebugPrivilege");
  EXPECT_EQ((std::vector<std::wstring>{L"SeDebugPrivilege"}), sheet.names(grantedList));
  EXPECT_EQ(27, sheet.dialog().listViewCount(availableList));
  EXPECT_TRUE(sheet.enabled(grantedList));
  EXPECT_EQ(0, sheet.dialog().changedMarks) << "no Apply button in the wizard";
  ASSERT_EQ(0, sheet.next());
  EXPECT_TRUE(rule.overridePrivileges());
  ASSERT_EQ(1u, rule.privilegeCount());
  EXPECT_EQ(L"SeDebugPrivilege", rule.privilege(0));

  // With the box cleared again, the granted list stays but the Rule carries none of it.
  sheet.show(4);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  EXPECT_FALSE(sheet.enabled(availableList) || sheet.enabled(grantedList) || sheet.enabled(IDC_ADD_PRIVILEGE));
  ASSERT_EQ(0, sheet.next());
  EXPECT_FALSE(rule.overridePrivileges());
  EXPECT_EQ(0u, rule.privilegeCount());
}

TEST(ProcessPrivilegesPage, MovesGoToTheTopAndEmptyListsHandOverTheFocus) {
  Rule rule;
  PrivilegesSheet sheet(rule, Mode::wizard);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  sheet.select(availableList, L"SeBackupPrivilege");
  sheet.click(IDC_ADD_PRIVILEGE);
  sheet.select(availableList, L"SeRestorePrivilege");
  sheet.click(IDC_ADD_PRIVILEGE);
  EXPECT_EQ((std::vector<std::wstring>{L"SeRestorePrivilege", L"SeBackupPrivilege"}), sheet.names(grantedList));
  // Removed, a privilege goes to the top of Available, not back to its catalog place.
  sheet.doubleClick(grantedList, L"SeBackupPrivilege");
  EXPECT_EQ(L"SeBackupPrivilege", sheet.names(availableList).front());
  EXPECT_EQ(grantedList, sheet.dialog().focused);
  EXPECT_TRUE(sheet.enabled(IDC_REMOVE_PRIVILEGE));
  EXPECT_FALSE(sheet.enabled(IDC_ADD_PRIVILEGE));

  // Granting everything disables Available; the focus passes to Granted.
  while (sheet.dialog().listViewCount(availableList) > 0) {
    sheet.dialog().focus(availableList);
    sheet.dialog().listViewSelect(availableList, 0);
    sheet.click(IDC_ADD_PRIVILEGE);
  }
  EXPECT_EQ(28, sheet.dialog().listViewCount(grantedList));
  EXPECT_FALSE(sheet.enabled(availableList) || sheet.enabled(IDC_ADD_PRIVILEGE));
  EXPECT_EQ(grantedList, sheet.dialog().focused);
  EXPECT_EQ(0, sheet.dialog().listViewSelection(grantedList));
  sheet.dialog().focus(availableList);  // an empty list hands the focus on
  EXPECT_EQ(grantedList, sheet.dialog().focused);
  sheet.click(IDC_ADD_PRIVILEGE);  // nothing left to add: no message
  EXPECT_TRUE(sheet.dialog().boxes.empty());
}

TEST(ProcessPrivilegesPage, NothingSelectedAsksForASelection) {
  Rule rule;
  PrivilegesSheet sheet(rule, Mode::wizard);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  sheet.doubleClick(availableList, L"SeTcbPrivilege");
  struct Case {
    ControlId list, button;
    unsigned message;
  };
  for (const Case& c : {Case{availableList, IDC_ADD_PRIVILEGE, 28}, Case{grantedList, IDC_REMOVE_PRIVILEGE, 29}}) {
    sheet.dialog().c(c.list).selection = -1;
    const auto before = sheet.names(c.list);
    sheet.click(c.button);
    ASSERT_FALSE(sheet.dialog().boxes.empty());
    EXPECT_EQ(res::string(c.message), sheet.dialog().boxes.back().text);
    EXPECT_EQ(L"Ostrel Active Directory", sheet.dialog().boxes.back().caption);
    EXPECT_EQ(before, sheet.names(c.list));
  }
  EXPECT_EQ(2u, sheet.dialog().boxes.size());
}

TEST(ProcessPrivilegesPage, DescriptionsFollowTheSelection) {
  Rule rule;
  rule.setOverridePrivileges(true);
  rule.addPrivilege(L"SeNotInTheCatalog");
  PrivilegesSheet sheet(rule, Mode::properties);
  sheet.select(availableList, L"SeIncreaseQuotaPrivilege");
  EXPECT_EQ(L"Increase quotas", sheet.dialog().text(IDC_SHORT_DESCRIPTION));
  EXPECT_EQ(L"", sheet.dialog().text(IDC_LONG_DESCRIPTION));
  sheet.select(availableList, L"SeManageVolumePrivilege");
  EXPECT_EQ(L"Required to enable volume management privileges. ", sheet.dialog().text(IDC_LONG_DESCRIPTION));
  sheet.select(grantedList, L"SeNotInTheCatalog");  // unknown: the texts stay
  EXPECT_EQ(L"Required to enable volume management privileges", sheet.dialog().text(IDC_SHORT_DESCRIPTION));
}

TEST(ProcessPrivilegesPage, ExistingRuleOpensOnItsPrivilegesAndMarksEditsChanged) {
  Rule rule;
  rule.setOverridePrivileges(true);
  for (const PrivilegeEntry& entry : privilegeCatalog) rule.addPrivilege(entry.name);
  PrivilegesSheet sheet(rule, Mode::properties);
  EXPECT_EQ(0, sheet.dialog().listViewCount(availableList));
  EXPECT_EQ(L"SeCreateGlobalPrivilege", sheet.names(grantedList).front()) << "reverse order of the Rule";
  EXPECT_FALSE(sheet.enabled(availableList));
  EXPECT_EQ(grantedList, sheet.dialog().focused);
  EXPECT_EQ(0, sheet.dialog().changedMarks);

  sheet.click(IDC_REMOVE_PRIVILEGE);  // the first row is selected
  EXPECT_EQ((std::vector<std::wstring>{L"SeCreateGlobalPrivilege"}), sheet.names(availableList));
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  EXPECT_EQ(2, sheet.dialog().changedMarks);
  EXPECT_EQ(0, sheet.page().apply());
  EXPECT_FALSE(rule.overridePrivileges());
  EXPECT_EQ(0u, rule.privilegeCount());

  // Without the override, an existing rule opens with everything disabled.
  PrivilegesSheet plain(rule, Mode::properties);
  EXPECT_EQ(28, plain.dialog().listViewCount(availableList));
  EXPECT_FALSE(plain.enabled(availableList) || plain.enabled(grantedList) || plain.enabled(IDC_REMOVE_PRIVILEGE));
}

}  // namespace
}  // namespace ostrel::wizard::testing

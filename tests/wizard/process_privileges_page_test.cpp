// The process privileges page driven through its two lists, the override box and the
// Add and Remove buttons, in a new rule's wizard and in an existing rule's sheet.
#include "resources/strings.h"
#include "tests/wizard/fake_dialog.h"
#include "rules/privilege_catalog.h"
#include "wizard/process_privileges_page.h"

namespace ostrel::wizard::testing {
namespace {

constexpr ControlId available = IDC_AVAILABLE_PRIVILEGES, granted = IDC_GRANTED_PRIVILEGES;

struct PrivilegesSheet : FakeSheet {
  PrivilegesSheet(Rule& rule, Mode mode) : FakeSheet(rule, mode) { show(4); }
  std::vector<std::wstring> names(ControlId list) {
    std::vector<std::wstring> out;
    for (const auto& row : dialog().c(list).rows) out.push_back(row[0]);
    return out;
  }
  // A click on a row focuses its list and selects it; a double-click then moves it.
  void select(ControlId list, const std::wstring& name) {
    const auto all = names(list);
    dialog().focus(list);
    dialog().listViewSelect(list, static_cast<int>(std::find(all.begin(), all.end(), name) - all.begin()));
  }
  void doubleClick(ControlId list, const std::wstring& name) { select(list, name), page().notify(list, code::listDoubleClick); }
  bool on(ControlId id) { return dialog().enabled(id); }
  std::wstring text(ControlId id) { return dialog().text(id); }
};

TEST(ProcessPrivilegesPage, NewRuleGrantsWhatTheOverrideBoxAllows) {
  Rule rule;
  PrivilegesSheet sheet(rule, Mode::wizard);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  // Available's first row is focused and described; the focus rule disables the empty side.
  EXPECT_EQ(L"Create a token object", sheet.text(IDC_SHORT_DESCRIPTION));
  EXPECT_TRUE(sheet.on(available) && sheet.on(IDC_ADD_PRIVILEGE));
  EXPECT_FALSE(sheet.on(granted) || sheet.on(IDC_REMOVE_PRIVILEGE));
  sheet.select(available, L"SeIncreaseQuotaPrivilege");
  EXPECT_EQ(L"Increase quotas", sheet.text(IDC_SHORT_DESCRIPTION) + sheet.text(IDC_LONG_DESCRIPTION));
  sheet.doubleClick(available, L"SeBackupPrivilege");
  sheet.doubleClick(available, L"SeDebugPrivilege");
  sheet.doubleClick(granted, L"SeBackupPrivilege");  // back to the top, not to its catalog place
  EXPECT_EQ(L"SeBackupPrivilege", sheet.names(available).front());
  EXPECT_TRUE(sheet.on(IDC_REMOVE_PRIVILEGE) && !sheet.on(IDC_ADD_PRIVILEGE)) << "Granted keeps the focus";
  for (auto [list, button, message] : {std::tuple{available, IDC_ADD_PRIVILEGE, 28u}, {granted, IDC_REMOVE_PRIVILEGE, 29u}}) {
    sheet.dialog().c(list).selection = -1;
    sheet.click(button);
    EXPECT_EQ(res::string(message), sheet.dialog().boxes.back().text);
  }
  ASSERT_EQ(0, sheet.next());
  EXPECT_TRUE(rule.overridePrivileges() && rule.privilegeCount() == 1 && rule.privilege(0) == L"SeDebugPrivilege");

  sheet.show(4);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);  // cleared: the lists stay, the Rule carries none
  EXPECT_FALSE(sheet.on(available) || sheet.on(granted) || sheet.on(IDC_ADD_PRIVILEGE));
  ASSERT_EQ(0, sheet.next());
  EXPECT_FALSE(rule.overridePrivileges() || rule.privilegeCount() > 0);
}

TEST(ProcessPrivilegesPage, EverythingGrantedLeavesOnlyGrantedFocusable) {
  Rule rule;
  rule.setOverridePrivileges(true);
  for (const rules::PrivilegeEntry& entry : rules::privilegeCatalog()) rule.addPrivilege(entry.name);
  rule.addPrivilege(L"SeNotInTheCatalog");
  PrivilegesSheet sheet(rule, Mode::properties);
  EXPECT_EQ(L"SeNotInTheCatalog", sheet.names(granted).front());
  // Available is empty: the focus it is given passes to Granted, which disables it.
  EXPECT_FALSE(sheet.on(available) || sheet.on(IDC_ADD_PRIVILEGE));
  EXPECT_EQ(granted, sheet.dialog().focused);
  sheet.select(granted, L"SeDebugPrivilege");
  sheet.select(granted, L"SeNotInTheCatalog");  // unknown: the descriptions stay
  EXPECT_EQ(L"Debug programs", sheet.text(IDC_SHORT_DESCRIPTION));
  sheet.click(IDC_REMOVE_PRIVILEGE);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);
  sheet.toggle(IDC_OVERRIDE_PRIVILEGES);  // one mark each, and one for the Remove
  EXPECT_EQ(3, sheet.dialog().changedMarks);
  EXPECT_EQ(0, sheet.page().apply());
  EXPECT_EQ(28u, rule.privilegeCount());
  EXPECT_EQ(L"SeCreateGlobalPrivilege", rule.privilege(0));
}

}  // namespace
}  // namespace ostrel::wizard::testing

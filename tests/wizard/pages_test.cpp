// The Rule wizard and an existing rule's sheet driven as a user drives them: through the
// controls of each page's dialog, Next, Back, Cancel, Apply and Help.
#include "platform/text.h"
#include "resources/strings.h"
#include "tests/platform/temp_folder.h"
#include "tests/wizard/fake_dialog.h"

namespace ostrel::wizard::testing {
namespace {

std::wstring text(unsigned id) { return std::wstring(res::string(id)); }

TEST(RuleWizard, PathRuleWalkedToFinish) {
  Rule rule;
  FakeSheet sheet(rule, Mode::wizard);
  EXPECT_EQ(-1, sheet.next()) << "no rule type yet";
  ASSERT_EQ(1u, sheet.dialog().boxes.size());
  EXPECT_EQ(L"You must first select a rule type.", sheet.dialog().boxes[0].text);
  EXPECT_TRUE(sheet.services.notices.empty());
  sheet.choose(IDC_PATH_RULE);
  ASSERT_EQ(0, sheet.next());
  FakeDialog& app = sheet.dialog();
  EXPECT_EQ(L"Path or file name:", app.text(IDC_APPLICATION_LABEL));
  EXPECT_TRUE(app.enabled(IDC_APPLICATION) && app.enabled(IDC_RECURSIVE) && app.enabled(IDC_OWNERSHIP_CHECK));
  sheet.type(IDC_APPLICATION, L"  C:\\Tools\\app.exe ");
  sheet.toggle(IDC_RECURSIVE);
  sheet.toggle(IDC_OWNERSHIP_CHECK);
  sheet.toggle(IDC_OWNERSHIP_CHECK);  // the warning only when the box becomes checked
  EXPECT_EQ(std::vector<int>{IDS_NOTICE_OWNERSHIP_CHECK}, sheet.services.shownNotices);
  EXPECT_EQ(0, app.changedMarks) << "no Apply button in the wizard";
  for (int page = 1; page < 7; ++page) ASSERT_EQ(0, sheet.next()) << page;
  EXPECT_EQ(0, sheet.page().finish());

  EXPECT_EQ(std::tuple(RuleType::Path, std::wstring(L"C:\\Tools\\app.exe"), std::wstring(L"?rC:\\Tools\\app.exe"), true,
                       false, std::size_t{0}, false, std::size_t{0}),
            std::tuple(rule.type(), rule.pathPattern(), rule.storedPath(), rule.recursive(), rule.ownershipCheck(),
                       rule.commandLineCount(), rule.overridePrivileges(), rule.privilegeCount()));
  EXPECT_EQ((std::vector<AccountEntry>{{L"Administrators", L"BUILTIN", L"S-1-5-32-544", false}}),
            rule.accounts(AccountList::PrivilegedGroups));
  EXPECT_EQ((std::vector<AccountEntry>{{L"Everyone", L"BUILTIN", L"S-1-1-0", false}}),
            rule.accounts(AccountList::AuthorizedUsers));
  EXPECT_TRUE(rule.accounts(AccountList::SidsToDelete).empty());
  // One notice per accepted Next, then Finish; each names its page and the owner.
  ASSERT_EQ(8u, sheet.services.notices.size());
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(pageTable[i].dialogId, sheet.services.notices[i].pageId);
    EXPECT_EQ(&sheet.owner, sheet.services.notices[i].owner);
    EXPECT_EQ(i < 7 ? notice::pageDone : notice::finish, sheet.services.notices[i].code);
  }
  // The new rule's process privileges page offers the whole catalog, disabled.
  FakeDialog& privileges = sheet.dialog(PageKind::processPrivileges);
  EXPECT_EQ(28, privileges.listViewCount(IDC_AVAILABLE_PRIVILEGES));
  EXPECT_FALSE(privileges.checked(IDC_OVERRIDE_PRIVILEGES) || privileges.enabled(IDC_AVAILABLE_PRIVILEGES));
}

TEST(RuleWizard, HashRuleFromABrowsedFile) {
  ostrel::testing::TempFolder temp;
  const auto file = temp.path / "abc.exe";
  std::ofstream(file, std::ios::binary) << "abc";
  Rule rule;
  FakeSheet sheet(rule, Mode::wizard);
  sheet.choose(IDC_HASH_RULE);
  ASSERT_EQ(0, sheet.next());
  EXPECT_EQ(L"Executable file SHA-1 hash:", sheet.dialog().text(IDC_APPLICATION_LABEL));
  EXPECT_FALSE(sheet.dialog().enabled(IDC_APPLICATION) || sheet.dialog().enabled(IDC_RECURSIVE));
  EXPECT_EQ(-1, sheet.next());
  EXPECT_EQ(L"Please select an application", sheet.dialog().boxes.back().text);

  sheet.services.picked.reset();  // Cancel in the open-file dialog changes nothing
  sheet.click(IDC_BROWSE);
  EXPECT_EQ(L"", sheet.dialog().text(IDC_APPLICATION));
  sheet.services.picked = file.wstring();
  sheet.click(IDC_BROWSE);
  const std::wstring abc = L"0xa9993e364706816aba3e25717850c26c9cd0d89d";
  EXPECT_EQ(abc, sheet.dialog().text(IDC_APPLICATION));
  EXPECT_EQ((std::vector<bool>{true, false}), sheet.services.cursor);
  sheet.services.picked = file.wstring() + L".missing";
  sheet.click(IDC_BROWSE);
  EXPECT_EQ(L"Could not calculate file signature..", sheet.dialog().boxes.back().text);
  EXPECT_EQ(abc, sheet.dialog().text(IDC_APPLICATION)) << "the previous digest stays";
  ASSERT_EQ(0, sheet.next());
  EXPECT_EQ(abc, fromNarrow(rule.hashText()));
  EXPECT_EQ(file.wstring(), rule.applicationName());
}

TEST(RuleWizard, BackKeepsAHalfTypedPathAndChangingTheTypeAfterNextAsksFirst) {
  Rule rule;
  FakeSheet sheet(rule, Mode::wizard);
  sheet.choose(IDC_HASH_RULE);
  sheet.choose(IDC_PATH_RULE);  // before the first Next: silent
  EXPECT_TRUE(sheet.dialog().boxes.empty());
  EXPECT_FALSE(sheet.dialog().checked(IDC_HASH_RULE));
  ASSERT_EQ(0, sheet.next());
  sheet.type(IDC_APPLICATION, L"C:\\To*ls\\app.exe");
  ASSERT_EQ(0, sheet.back());
  EXPECT_EQ(L"C:\\To*ls\\app.exe", rule.pathPattern()) << "stored without checks";
  EXPECT_EQ(notice::pageDone, sheet.services.notices.back().code);
  ASSERT_EQ(0, sheet.next());
  EXPECT_EQ(L"C:\\To*ls\\app.exe", sheet.dialog().text(IDC_APPLICATION));
  EXPECT_EQ(-1, sheet.next());
  EXPECT_EQ(text(IDS_PATH_WILDCARD_IN_DIRECTORY), sheet.dialog().boxes.back().text);

  sheet.type(IDC_APPLICATION, L"C:\\Tools\\*.exe");
  sheet.toggle(IDC_RECURSIVE);
  ASSERT_EQ(0, sheet.next());
  sheet.dialog().listBoxAdd(IDC_COMMAND_LINES, L"app.exe /x");
  ASSERT_EQ(0, sheet.back());
  ASSERT_EQ(0, sheet.back());

  sheet.dialog().answers = {answer::no};
  sheet.choose(IDC_HASH_RULE);
  EXPECT_EQ(text(IDS_RULE_TYPE_CHANGE_QUESTION), sheet.dialog().boxes.back().text);
  EXPECT_EQ(mb::yesNo, sheet.dialog().boxes.back().style);
  EXPECT_TRUE(sheet.dialog().checked(IDC_PATH_RULE));
  EXPECT_EQ(L"C:\\Tools\\*.exe", rule.pathPattern());

  sheet.dialog().answers = {answer::yes};
  sheet.choose(IDC_HASH_RULE);
  EXPECT_FALSE(sheet.dialog().checked(IDC_PATH_RULE));
  EXPECT_TRUE(rule.pathPattern().empty());
  EXPECT_FALSE(rule.recursive());
  EXPECT_EQ(0, sheet.dialog(PageKind::commandLines).listBoxCount(IDC_COMMAND_LINES));
  ASSERT_EQ(0, sheet.next());
  EXPECT_EQ(L"", sheet.dialog().text(IDC_APPLICATION));
  EXPECT_FALSE(sheet.dialog().checked(IDC_RECURSIVE));
}

// A path is read whole: beyond 256 characters Next and Apply refuse it, never store it cut.
TEST(ApplicationPage, APathOver256CharactersIsRefusedNotCut) {
  for (const Mode mode : {Mode::wizard, Mode::properties})
    for (const std::size_t size : {std::size_t{256}, std::size_t{257}}) {
      Rule rule;
      rule.setType(RuleType::Path);
      rule.setPathPattern(L"C:\\old.exe");
      FakeSheet sheet(rule, mode);
      sheet.choose(IDC_PATH_RULE);
      mode == Mode::wizard ? (void)sheet.next() : sheet.show(1);
      const std::wstring typed = L"C:\\" + std::wstring(size - 7, L'a') + L".exe";
      sheet.type(IDC_APPLICATION, typed);
      const int result = mode == Mode::wizard ? sheet.next() : sheet.page().apply();
      EXPECT_EQ(size == 256 ? 0 : mode == Mode::wizard ? -1 : 1, result) << size;
      EXPECT_EQ(size == 256 ? typed : L"C:\\old.exe", rule.pathPattern()) << size;
      // Typing beyond 256 characters beeps and keeps the focus in the edit; reading it on Next
      // or Apply does so again.
      EXPECT_EQ(std::tuple(size == 256 ? 0 : 2, size == 256 ? 0 : IDC_APPLICATION),
                std::tuple(sheet.dialog().beeps, sheet.dialog().focused));
      EXPECT_EQ(size == 256 ? L"" : text(IDS_PATH_TOO_LONG),
                sheet.dialog().boxes.empty() ? L"" : sheet.dialog().boxes.back().text);
    }
}

TEST(RuleWizard, EachPagesButtonsHelpAnchorAndCancel) {
  for (std::size_t page = 0; page < wizardPageCount; ++page) {
    Rule rule;
    FakeSheet sheet(rule, Mode::wizard);
    sheet.choose(IDC_PATH_RULE);
    while (sheet.current < page) {
      if (sheet.current == 1) sheet.type(IDC_APPLICATION, L"C:\\app.exe");
      ASSERT_EQ(0, sheet.next());
    }
    EXPECT_EQ(page == 0 ? wizb::next : page == 7 ? wizb::back | wizb::finish : wizb::back | wizb::next,
              sheet.dialog().buttons) << page;
    sheet.page().help();
    EXPECT_EQ(std::wstring(L"https://www.kelvast.com/docs/os_ad_v11_adminguide.htm#") + pageTable[page].helpAnchor,
              sheet.services.helpUrls.at(0));
    EXPECT_EQ(0, sheet.page().queryCancel());
    const PageNotice last = sheet.services.notices.back();
    EXPECT_EQ(pageTable[page].dialogId, last.pageId);
    EXPECT_EQ(notice::cancel, last.code);
    // The finish page writes back the type the Rule had when the wizard was made.
    EXPECT_EQ(page == 7 ? RuleType::None : RuleType::Path, rule.type()) << page;
  }
}

TEST(RulePropertySheet, ShowsTheRuleAndAppliesEveryPageButTheType) {
  Rule rule;
  rule.setType(RuleType::Path);
  rule.setPathPattern(L"%ProgramFiles%\\Tools\\app.exe");
  rule.addCommandLine(L"b");
  rule.addCommandLine(L"A");
  rule.setOverridePrivileges(true);
  rule.addPrivilege(L"SeDebugPrivilege");
  rule.addPrivilege(L"SeNotInTheCatalog");
  FakeSheet sheet(rule, Mode::properties);
  EXPECT_EQ(propertyPageCount, sheet.pages.size());
  EXPECT_TRUE(sheet.dialog().checked(IDC_PATH_RULE));
  EXPECT_FALSE(sheet.dialog().enabled(IDC_PATH_RULE) || sheet.dialog().enabled(IDC_HASH_RULE));
  EXPECT_EQ(0, sheet.page().apply());
  EXPECT_TRUE(sheet.services.notices.empty()) << "the type page does nothing on Apply";

  for (std::size_t page = 1; page < propertyPageCount; ++page) sheet.show(page);
  for (std::size_t page = 0; page < propertyPageCount; ++page)
    EXPECT_EQ(0, sheet.dialogs[page]->changedMarks) << "opening the sheet is no edit, page " << page;
  EXPECT_EQ(L"%ProgramFiles%\\Tools\\app.exe", sheet.dialog(PageKind::application).text(IDC_APPLICATION));
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"b"}), sheet.dialog(PageKind::commandLines).c(IDC_COMMAND_LINES).lines);
  // An existing rule without Authorized users gets no default (and its Apply is refused, as
  // AccountPages.DeleteAsksFirstAndAuthorizedUsersNeedsOne checks).
  EXPECT_EQ(0, sheet.dialog(PageKind::authorizedUsers).listViewCount(IDC_AUTHORIZED_USERS));

  sheet.show(1);
  sheet.type(IDC_APPLICATION, L"%ProgramFiles%\\Tools\\other.exe");
  sheet.toggle(IDC_RECURSIVE);
  EXPECT_EQ(2, sheet.dialog().changedMarks);
  for (std::size_t page = 1; page < 6; ++page) EXPECT_EQ(0, sheet.pages[page]->apply()) << page;
  EXPECT_EQ(L"%ProgramFiles%\\Tools\\other.exe", rule.pathPattern());
  EXPECT_TRUE(rule.recursive());
  EXPECT_EQ(L"A", rule.commandLine(0));
  EXPECT_EQ(L"SeNotInTheCatalog", rule.privilege(0));
  EXPECT_EQ(L"SeDebugPrivilege", rule.privilege(1));
  EXPECT_EQ(5u, sheet.services.notices.size());
  for (const PageNotice& n : sheet.services.notices) EXPECT_EQ(notice::apply, n.code);
}

}  // namespace
}  // namespace ostrel::wizard::testing

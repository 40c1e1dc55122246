// The command lines page driven through its buttons, with the Get Command Line dialog
// scripted; the applet rules; the list box order the Rule's lines follow.
#include "catalogs/catalog.h"
#include "tests/wizard/fake_dialog.h"
#include "rules/applet_command_lines.h"

namespace ostrel::wizard::testing {
namespace {

using Lines = std::vector<std::wstring>;

std::wstring applet(std::size_t row) { return catalogs::appletCatalog()[row].commandLine; }
std::wstring withFullShell32(std::wstring line) {
  const std::wstring from = L" shell32.dll,";
  line.replace(line.find(from), from.size(), L" %SystemRoot%\\system32\\shell32.dll,");
  return line;
}

// A sheet shown up to the command lines page.
struct CommandLinesSheet {
  explicit CommandLinesSheet(Mode mode) : sheet(rule, mode) {
    if (mode == Mode::properties) {
      sheet.show(2);
      return;
    }
    sheet.choose(IDC_PATH_RULE);
    EXPECT_EQ(0, sheet.next());
    sheet.type(IDC_APPLICATION, L"C:\\Windows\\system32\\rundll32.exe");
    EXPECT_EQ(0, sheet.next());
  }
  void add(std::optional<std::wstring> answer) {
    sheet.services.commandLines.push_back(std::move(answer));
    sheet.click(IDC_ADD_COMMAND_LINE);
  }
  void select(int index) { sheet.dialog().listBoxSelect(IDC_COMMAND_LINES, index); }
  const Lines& lines() { return sheet.dialog().c(IDC_COMMAND_LINES).lines; }

  Rule rule;
  FakeSheet sheet;
};

TEST(CommandLinesPage, AppletLinesBringTheirOtherSpellingsAndWarnings) {
  const std::wstring netplwiz = L"rundll32.exe D:\\WINNT\\System32\\netplwiz.dll,UsersRunDll";
  const std::wstring wiashext = L"\"%SystemRoot%\\system32\\\\rundll32.exe\" wiashext.dll,AddDeviceWasChosen";
  // The lines in the list box's order: punctuation (the '%' and '\\' where the spellings part)
  // before letters.
  const struct {
    std::wstring line;
    Lines shown;
    std::vector<int> notices;
  } cases[] = {
      {applet(4), {withFullShell32(applet(4)), applet(4)}, {15, 17}},  // Date and Time
      {applet(23), {withFullShell32(applet(23)), applet(23), netplwiz}, {15}},  // User Accounts
      {applet(17), {wiashext, withFullShell32(applet(17)), applet(17)}, {15, 17}},  // Scanners and Cameras
      {applet(13), {applet(13)}, {}},  // shell32.dll already fully qualified
      {L"nusrmgr.cpl", {L"nusrmgr.cpl"}, {}},  // a match at the first character does not count
      {L"x shell32.dll,a shell32.dll,b",
       {L"x %SystemRoot%\\system32\\shell32.dll,a %SystemRoot%\\system32\\shell32.dll,b",
        L"x shell32.dll,a shell32.dll,b"},
       {15}},
      {L"x Shell32.dll,Sticpl.cpl", {L"x Shell32.dll,Sticpl.cpl"}, {}},  // case counts
      {L"rundll32 wiashext.dll,x", {L"rundll32 wiashext.dll,x"}, {17}},
  };
  for (const auto& c : cases) {
    CommandLinesSheet page(Mode::wizard);
    page.add(c.line);
    EXPECT_EQ(c.shown, page.lines()) << c.line;
    EXPECT_EQ(c.notices, page.sheet.services.shownNotices) << c.line;
  }
}

TEST(CommandLinesPage, AddEditDeleteAndTheRuleInListOrder) {
  CommandLinesSheet page(Mode::wizard);
  page.add(std::nullopt);  // Cancel
  page.add(L"");           // OK on nothing
  page.add(L"zeta /b");
  page.add(L"Alpha");
  page.add(L"beta");
  EXPECT_EQ((Lines{L"Alpha", L"beta", L"zeta /b"}), page.lines());

  FakeDialog& d = page.sheet.dialog();
  page.sheet.click(IDC_EDIT_COMMAND_LINE);
  page.sheet.click(IDC_DELETE_COMMAND_LINE);
  page.sheet.page().command(IDC_COMMAND_LINES, code::doubleClick);  // silent without a selection
  ASSERT_EQ(2u, d.boxes.size());
  EXPECT_EQ(L"Nothing to edit.", d.boxes[0].text);
  EXPECT_EQ(L"Nothing to delete.", d.boxes[1].text);

  // Edit replaces the line, which sorts into place, and never adds applet lines.
  page.select(0);
  page.sheet.services.commandLines = {applet(23)};
  page.sheet.click(IDC_EDIT_COMMAND_LINE);
  EXPECT_EQ(L"Alpha", page.sheet.services.edited.back());
  EXPECT_EQ((Lines{applet(23), L"beta", L"zeta /b"}), page.lines());
  EXPECT_TRUE(page.sheet.services.shownNotices.empty());

  page.select(1);
  d.answers = {answer::no, answer::yes};
  page.sheet.click(IDC_DELETE_COMMAND_LINE);
  EXPECT_EQ(L"Do you really want to delete: beta", d.boxes.back().text);
  EXPECT_EQ(3u, page.lines().size());
  page.sheet.click(IDC_DELETE_COMMAND_LINE);
  EXPECT_EQ((Lines{applet(23), L"zeta /b"}), page.lines());

  ASSERT_EQ(0, page.sheet.next());
  ASSERT_EQ(2u, page.rule.commandLineCount());
  EXPECT_EQ(applet(23), page.rule.commandLine(0));
  EXPECT_EQ(L"zeta /b", page.rule.commandLine(1));
}

TEST(CommandLinesPage, EveryChangeOfAnExistingRuleEnablesApply) {
  CommandLinesSheet page(Mode::properties);
  page.add(std::nullopt);
  page.add(L"b");
  page.select(0);
  page.sheet.dialog().answers = {answer::yes};
  page.sheet.click(IDC_DELETE_COMMAND_LINE);
  EXPECT_EQ(2, page.sheet.dialog().changedMarks) << "Add and Delete, not the cancelled Add";
}

}  // namespace
}  // namespace ostrel::wizard::testing

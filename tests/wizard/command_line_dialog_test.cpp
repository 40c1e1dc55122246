// The Get Command Line dialog and its picker tabs, driven through fake dialogs: the tabs'
// posted messages are delivered to the dialog after the tab is done, as a posted message is.
#include "catalogs/catalog.h"
#include "resources/strings.h"
#include "tests/wizard/fake_dialog.h"
#include "wizard/command_line_dialog.h"

namespace ostrel::wizard::testing {
namespace {

struct FakeProcesses final : catalogs::ProcessSource {
  bool enableDebugPrivilege() override { return privilege; }
  std::vector<std::wstring> commandLines() override { return {L"svchost.exe -k", L"C:\\app.exe", L"svchost.exe -k"}; }
  bool privilege = true;
};

// The dialog with its three tabs, each tab's dialog made when the dialog opens.
struct CommandLineSession final : PickerHost {
  explicit CommandLineSession(PickerMemory& memory, std::wstring line = {}, bool privilege = true)
      : dialog(services, memory, std::move(line)) {
    processes.privilege = privilege;
    window.commandPage = [this](ControlId id, int n) { dialog.command(id, n); };
    dialog.initDialog(window);
    for (std::size_t i = 0; i < pickerTabCount; ++i) {
      tabs.push_back(makePickerTab(i, memory, *this, services, processes));
      tabs.back()->initDialog(tabWindows[i]);
    }
  }
  void post(unsigned message) override { posted.push_back(message); }
  void deliver() {
    for (unsigned m : posted) dialog.message(m);
    posted.clear();
  }
  // A click on a list view row (tabs 1 and 2) or a list box line (tab 0); a double-click
  // selects first, as the controls do.
  void choose(std::size_t tab, int row, bool twice = false) {
    FakeDialog& d = tabWindows[tab];
    const int list = tabs[tab]->info().listId;
    dialog.tabChanged(tab);
    if (tab == 0) {
      d.listBoxSelect(list, row);
      tabs[tab]->command(list, twice ? code::doubleClick : code::selectionChange);
    } else {
      d.listViewSelect(list, row);
      if (row >= 0) tabs[tab]->notify(list, code::itemChanged);
      if (twice) tabs[tab]->notify(list, code::listDoubleClick);
    }
  }
  void type(std::wstring text) {
    window.c(IDC_COMMAND_LINE).text = std::move(text);
    dialog.command(IDC_COMMAND_LINE, code::editChange);
  }

  FakeServices services;
  FakeProcesses processes;
  FakeDialog window;
  std::array<FakeDialog, pickerTabCount> tabWindows;
  CommandLineDialog dialog;
  std::vector<std::unique_ptr<PickerTab>> tabs;
  std::vector<unsigned> posted;
};

TEST(PickerTabs, CatalogTabsShowTheirRowsAndHandOverTheLine) {
  PickerMemory memory;
  CommandLineSession s(memory);
  const FakeDialog& panel = s.tabWindows[1];
  EXPECT_EQ((std::vector<std::wstring>{L"Name:150", L"Comments:300"}), panel.at(1006).columns);
  ASSERT_EQ(26, panel.listViewCount(1006));
  EXPECT_EQ(L"Automatic Updates (Windows 2000 only)", panel.listViewText(1006, 3, 1));
  EXPECT_EQ(9, s.tabWindows[2].listViewCount(1009));
  s.choose(2, -1, true);
  EXPECT_TRUE(s.posted.empty()) << "no console chosen since the module loaded";

  s.choose(1, 5);  // Display
  EXPECT_EQ(std::vector<unsigned>{commandLinePicked}, s.posted);
  s.deliver();
  EXPECT_EQ(L"\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\desk.cpl\",Display",
            s.window.text(IDC_COMMAND_LINE));
  EXPECT_TRUE(s.window.enabled(button::ok));
  EXPECT_TRUE(s.services.shownNotices.empty()) << "the Control Panel tab warns of nothing";

  s.choose(2, 0);
  s.choose(2, 3);
  EXPECT_EQ((std::vector<int>{30, 30}), s.services.shownNotices) << "every console chosen warns";
  s.deliver();
  EXPECT_EQ(catalogs::snapinCatalog()[3].commandLine, s.dialog.line());
  // A later opening remembers the tab's line: a double-click alone accepts what is typed.
  CommandLineSession later(memory, L"typed");
  later.choose(2, -1, true);
  EXPECT_EQ(std::vector<unsigned>{commandLineAccepted}, later.posted);
  later.deliver();
  EXPECT_EQ(L"typed", later.dialog.line());
  EXPECT_EQ(button::ok, later.dialog.result());
}

TEST(PickerTabs, RunningProcessesListedSortedAndPicked) {
  PickerMemory memory;
  for (const bool privilege : {true, false}) {
    CommandLineSession s(memory, L"", privilege);
    EXPECT_EQ(privilege ? std::vector<int>{} : std::vector<int>{8}, s.services.shownNotices);
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\app.exe", L"svchost.exe -k", L"svchost.exe -k"}),
              s.tabWindows[0].c(2000).lines);
    s.choose(0, -1, true);
    EXPECT_TRUE(s.posted.empty()) << "nothing selected";
    s.choose(0, 1, true);
    EXPECT_EQ((std::vector<unsigned>{commandLinePicked, commandLineAccepted}), s.posted);
    s.deliver();
    EXPECT_EQ(L"svchost.exe -k", s.dialog.line());
    EXPECT_EQ(button::ok, s.dialog.result());
  }
}

TEST(CommandLineDialog, TheLineMayHoldAtMost512Characters) {
  const std::wstring tooLong(res::string(62409));
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{512}, std::size_t{513}}) {
    const bool fits = size <= 512;
    PickerMemory memory;
    {  // typed, then OK
      CommandLineSession s(memory);
      s.type(std::wstring(size, L'x'));
      EXPECT_EQ(size != 0, s.window.enabled(button::ok));
      EXPECT_EQ(fits ? 0 : 1, s.window.beeps) << size;
      s.dialog.command(button::ok, code::clicked);
      EXPECT_EQ(fits ? std::optional<int>(button::ok) : std::nullopt, s.dialog.result()) << size;
      if (!fits) {
        ASSERT_EQ(1u, s.window.boxes.size());
        EXPECT_EQ(tooLong, s.window.boxes[0].text);
        EXPECT_EQ(mb::iconError, s.window.boxes[0].style);
        EXPECT_EQ(IDC_COMMAND_LINE, s.window.focused);
        EXPECT_EQ(2, s.window.beeps);
      }
    }
    {  // handed over by a tab and accepted by a double-click
      CommandLineSession s(memory);
      memory.picked = std::wstring(size, L'y');
      s.dialog.message(commandLinePicked);
      EXPECT_EQ(fits ? 0 : 1, s.window.beeps) << "one beep, though the edit reports the text as a change";
      s.dialog.message(commandLineAccepted);
      EXPECT_EQ(size != 0 && fits ? std::optional<int>(button::ok) : std::nullopt, s.dialog.result()) << size;
    }
  }
}

TEST(CommandLineDialog, APickedLineTheEditRefusesIsStillTheLine) {
  PickerMemory memory;
  CommandLineSession s(memory, L"old");
  s.window.refuseText.insert(IDC_COMMAND_LINE);
  memory.picked = L"picked.exe";
  s.dialog.message(commandLinePicked);
  EXPECT_EQ(std::tuple(1, IDC_COMMAND_LINE, std::wstring(L"picked.exe")),
            std::tuple(s.window.beeps, s.window.focused, s.dialog.line()));
  s.dialog.message(commandLineAccepted);
  EXPECT_EQ(button::ok, s.dialog.result());
  EXPECT_EQ(L"picked.exe", s.dialog.line());
}

TEST(CommandLineDialog, EditOpensOnTheLineAndHelpFollowsTheTab) {
  PickerMemory memory;
  CommandLineSession s(memory, L"app.exe /x");
  EXPECT_EQ(L"app.exe /x", s.window.text(IDC_COMMAND_LINE));
  EXPECT_TRUE(s.window.enabled(button::ok));
  const wchar_t* anchors[] = {L"Running_Processes", L"Control_Panel_applets", L"MMC_snap-ins"};
  for (std::size_t tab = 0; tab < 3; ++tab) {
    s.dialog.tabChanged(tab);
    s.dialog.command(button::help, code::clicked);
    EXPECT_EQ(std::wstring(L"https://www.kelvast.com/docs/os_ad_v11_adminguide.htm#") + anchors[tab],
              s.services.helpUrls.back());
  }
  s.dialog.command(button::cancel, code::clicked);
  EXPECT_EQ(button::cancel, s.dialog.result());
}

}  // namespace
}  // namespace ostrel::wizard::testing

// The console failing the snap-in, and the console closed under an open sheet. Each session
// ends as every session does (TearDown): no protocol slip, every console interface released,
// no message box nobody expected, the module unloadable.
#include <functional>

#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

// A sheet the console refuses to make: nothing is shown, nothing stored, and the pages made
// for it are destroyed (a page left alive keeps the module loaded).
TEST_F(WizardSession, ASheetTheConsoleCannotMakeIsThrownAwayWithItsPages) {
  writePolicy(policy_.rules);
  struct Case {
    const char* what;
    std::function<void(Console&)> fail;
    bool properties;
    std::size_t pagesTaken;
    HRESULT result;
  };
  const Case cases[] = {
      {"CreatePropertySheet of the wizard", [](Console& c) { c.failCreatePropertySheet = E_OUTOFMEMORY; }, false, 0, S_OK},
      {"the third AddPage of the wizard", [](Console& c) { c.failAddPage = 3; }, false, 2, S_OK},
      {"the fifth AddPage of a rule's properties", [](Console& c) { c.failAddPage = 5; }, true, 4, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HSCOPEITEM node = openConsoleAndExpand();
    View& view = console_->openView();
    ASSERT_EQ(S_OK, view.select(node));
    ASSERT_EQ(S_OK, console_->offerSheetProvider());
    c.fail(*console_);
    EXPECT_EQ(c.result, c.properties ? view.properties(0) : console_->command(node, wizardCommand));
    const SheetRequest& sheet = *console_->sheetRequests().back();
    EXPECT_EQ(std::tuple(c.pagesTaken, 1, LONG_PTR{-1}, HWND{}),
              std::tuple(sheet.pages, sheet.showCalls, sheet.showWindow, sheet.window));
    EXPECT_EQ(3u, view.rows.size());
    EXPECT_TRUE(editor_->policyChanges.empty());
    closeConsole();
    EXPECT_EQ(S_OK, canUnloadNow());
  }
}

// Finish while the result pane or the policy's registry fails: the rule is listed where the
// pane allows it and stored where the registry allows it, and a registry failure is reported.
TEST_F(WizardSession, FinishUnderAFailingConsoleStoresWhatItCan) {
  struct Case {
    const char* what;
    bool rowFails, registryFails;
  };
  for (const Case c : {Case{"InsertItem fails", true, false}, Case{"GetRegistryKey fails", false, true}}) {
    SCOPED_TRACE(c.what);
    const std::size_t stored = storedRules().size();
    const SheetRequest& sheet = pathRuleAtCommandLines(L"C:\\Tools\\app.exe");
    View& view = *console_->activeView();
    const std::size_t rows = view.rows.size();
    if (c.rowFails) console_->failInsertItem = E_OUTOFMEMORY;
    if (c.registryFails) {
      editor_->failGetRegistryKey = E_ACCESSDENIED;
      answerer_.answerNext(IDOK);
    }
    finish(sheet);
    EXPECT_EQ(rows + (c.rowFails ? 0 : 1), view.rows.size());
    EXPECT_EQ(stored + (c.registryFails ? 0 : 1), storedRules().size());
    if (c.registryFails) expectBox(answerer_.seen.size() - 1, policyError(E_ACCESSDENIED));
    // The rule is in the node's list all the same: the next show lists it.
    console_->failInsertItem = S_OK;
    EXPECT_EQ(S_OK, view.select(console_->childrenOf(Console::computerConfiguration).front()->id));
    EXPECT_EQ(stored + 1, view.rows.size());
    closeConsole();
    EXPECT_EQ(S_OK, canUnloadNow());
  }
}

// The console releases the snap-in while a sheet is open; the administrator then presses the
// sheet's button. The pages keep what they use until the sheet is gone.
TEST_F(WizardSession, TheConsoleClosedUnderAnOpenSheet) {
  const std::wstring original = L"C:\\Tools\\app.exe", edited = L"C:\\Tools\\other.exe";
  auto closeUnder = [&](const SheetRequest& sheet, int button) {
    EXPECT_EQ(S_OK, console_->close());
    EXPECT_EQ(S_FALSE, canUnloadNow()) << "the open sheet holds the snap-in";
    press(sheet, button);
    if (button == PSBTN_APPLYNOW) press(sheet, PSBTN_CANCEL);  // Apply leaves the sheet open
    EXPECT_TRUE(sheet.closed);
    closeConsole();
    EXPECT_EQ(S_OK, canUnloadNow());
  };
  auto storedPaths = [&] {
    std::vector<std::wstring> paths;
    for (const auto& r : storedRules()) paths.push_back(r->pathPattern());
    return paths;
  };

  // Cancel: nothing is written.
  closeUnder(pathRuleAtCommandLines(original), PSBTN_CANCEL);
  EXPECT_EQ(std::vector<std::wstring>{}, storedPaths());

  // Finish on the last page: the rule is stored though no view is left to list it.
  const SheetRequest& wizard = pathRuleAtCommandLines(original);
  for (int i = pageIndex(wizard); i < 7; ++i) press(wizard, PSBTN_NEXT);
  ASSERT_EQ(7, pageIndex(wizard));
  closeUnder(wizard, PSBTN_FINISH);
  EXPECT_EQ(std::vector<std::wstring>{original}, storedPaths());

  // Apply in the rule's properties: the store is rewritten with the edit.
  HSCOPEITEM node = openConsoleAndExpand();
  View& view = console_->openView();
  ASSERT_EQ(S_OK, view.select(node));
  ASSERT_EQ(S_OK, view.properties(0));
  const SheetRequest& properties = *console_->sheetRequests().back();
  PropSheet_SetCurSel(properties.window, nullptr, 1);
  type(properties, IDC_APPLICATION, edited);
  closeUnder(properties, PSBTN_APPLYNOW);
  EXPECT_EQ(std::vector<std::wstring>{edited}, storedPaths());
  EXPECT_EQ(4u, editor_->policyChanges.size()) << "one rewrite: cleared, then written";
}

}  // namespace
}  // namespace ostrel::console

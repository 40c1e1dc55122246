// The console failing the snap-in once at each point, and closed under an open sheet. TearDown
// checks the rest: no slip, no reference kept, the module unloadable (a live page prevents it).
#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

// A sheet the console cannot make is thrown away with its pages; nothing is stored.
TEST_F(WizardSession, ASheetTheConsoleCannotMakeIsThrownAwayWithItsPages) {
  writePolicy(policy_.rules);
  struct Case { const char* what; HRESULT createSheet; std::size_t failedPage; bool properties; HRESULT result; };
  for (const Case& c : {Case{"CreatePropertySheet, wizard", E_OUTOFMEMORY, 0, false, S_OK},
                        Case{"third AddPage, wizard", S_OK, 3, false, S_OK},
                        Case{"fifth AddPage, a rule's properties", S_OK, 5, true, E_OUTOFMEMORY}}) {
    SCOPED_TRACE(c.what);
    HSCOPEITEM node = openConsoleAndExpand();
    View& view = console_->openView();
    ASSERT_EQ(S_OK, view.select(node));
    ASSERT_EQ(S_OK, console_->offerSheetProvider());
    console_->failCreatePropertySheet = c.createSheet;
    console_->failAddPage = c.failedPage;
    EXPECT_EQ(c.result, c.properties ? view.properties(0) : console_->command(node, wizardCommand));
    const SheetRequest& sheet = *console_->sheetRequests().back();
    EXPECT_EQ(std::tuple(c.failedPage == 0 ? 0 : c.failedPage - 1, LONG_PTR{-1}, HWND{}, std::size_t{0}),
              std::tuple(sheet.pages, sheet.showWindow, sheet.window, editor_->policyChanges.size()));
    closeConsole();
  }
}

// Finish while the result pane or the policy's registry fails: the rule is listed where the
// pane allows it, stored where the registry allows it, and a registry failure is reported.
TEST_F(WizardSession, FinishUnderAFailingConsoleStoresWhatItCan) {
  for (const bool registryFails : {false, true}) {
    SCOPED_TRACE(registryFails ? "GetRegistryKey fails" : "InsertItem fails");
    const std::size_t stored = storedRules().size();
    const SheetRequest& sheet = pathRuleAtCommandLines(L"C:\\Tools\\app.exe");
    View& view = *console_->activeView();
    const std::size_t rows = view.rows.size();
    if (registryFails) answerer_.answerNext(IDOK);
    editor_->failGetRegistryKey = registryFails ? E_ACCESSDENIED : S_OK;
    console_->failInsertItem = registryFails ? S_OK : E_OUTOFMEMORY;
    finish(sheet);
    EXPECT_EQ(std::tuple(rows + registryFails, stored + !registryFails),
              std::tuple(view.rows.size(), storedRules().size()));
    if (registryFails) expectBox(answerer_.seen.size() - 1, policyError(E_ACCESSDENIED));
    console_->failInsertItem = S_OK;  // the node lists the rule at its next show
    EXPECT_EQ(S_OK, view.select(console_->childrenOf(Console::computerConfiguration).front()->id));
    EXPECT_EQ(stored + 1, view.rows.size());
    closeConsole();
  }
}

// The console releases the snap-in under an open sheet, then the administrator presses one of
// its buttons: Cancel writes nothing, Finish stores the rule with no view left to list it,
// Apply rewrites the store with the edit. Only the open sheet keeps the module loaded.
TEST_F(WizardSession, TheConsoleClosedUnderAnOpenSheet) {
  const std::wstring typed = L"C:\\Tools\\app.exe", edited = L"C:\\Tools\\other.exe";
  auto closeUnder = [&](const SheetRequest& sheet, int button, std::vector<std::wstring> stored) {
    EXPECT_EQ(S_OK, console_->close());
    EXPECT_EQ(S_FALSE, canUnloadNow());
    press(sheet, button);
    if (button == PSBTN_APPLYNOW) press(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(sheet.closed);
    closeConsole();
    std::vector<std::wstring> paths;
    for (const auto& r : storedRules()) paths.push_back(r->pathPattern());
    EXPECT_EQ(stored, paths);
  };
  closeUnder(pathRuleAtCommandLines(typed), PSBTN_CANCEL, {});

  const SheetRequest& wizard = pathRuleAtCommandLines(typed);
  for (int i = pageIndex(wizard); i < 7; ++i) press(wizard, PSBTN_NEXT);
  closeUnder(wizard, PSBTN_FINISH, {typed});

  const HSCOPEITEM node = openConsoleAndExpand();
  ASSERT_EQ(S_OK, console_->openView().select(node));
  ASSERT_EQ(S_OK, console_->activeView()->properties(0));
  const SheetRequest& properties = *console_->sheetRequests().back();
  PropSheet_SetCurSel(properties.window, nullptr, 1);
  type(properties, IDC_APPLICATION, edited);
  closeUnder(properties, PSBTN_APPLYNOW, {edited});
  EXPECT_EQ(4u, editor_->policyChanges.size()) << "one rewrite: cleared, then written";
}

}  // namespace
}  // namespace ostrel::console

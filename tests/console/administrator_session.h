#pragma once
// The administrator's session with the snap-in, played against the console double: the
// registered module, a scratch policy key, the console and the editor, the answerer of
// message boxes and dialogs, and the checks the scenarios share; WizardSession adds the real
// wizard's buttons and controls.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include "platform/group_policy_host.h"
#include "platform/win/handles.h"
#include "rules/product_guids.h"
#include "resources/resource_ids.h"
#include "rules/policy_store.h"
#include "wizard/page_notice.h"
#include "tests/console/console_double.h"
#include "tests/console/message_box_answerer.h"
#include "tests/platform/win/scratch_key.h"
#include "tests/rules/store_doubles.h"
#include "tests/rules/store_test_support.h"

namespace ostrel::console {

using Cells = std::vector<std::vector<std::wstring>>;
inline const std::vector<std::wstring> ruleColumns = {L"0 Application 0 150", L"1 Type 0 50", L"2 Value 0 250",
                                               L"3 Command Lines 0 100"};
inline const std::wstring nodeName = L"Application Execution Policies";

// The administrator's policy, with fixed ids so that the registry's order is known: two path
// rules, then one hash rule; with the cells of their rows.
struct SamplePolicy {
  SamplePolicy() {
    const std::wstring mmc = L"%SystemRoot%\\system32\\mmc.exe";
    add(RuleType::Path, pathKeys[0], mmc, {mmc + L" gpedit.msc"});
    add(RuleType::Path, pathKeys[1], L"C:\\Tools\\netdiag.exe", {});
    const std::wstring setup = L"C:\\Program Files\\Kelvast\\setup.exe";
    add(RuleType::Hash, hashKeys[0], setup, {L"\"" + setup + L"\" /quiet", L"\"" + setup + L"\" /repair"});
    rules.back()->setHashFromText("0x0123456789abcdef0123456789abcdef01234567");
  }
  void add(RuleType type, const std::wstring& id, const std::wstring& name, const std::vector<std::wstring>& lines) {
    Rule& rule = *rules.emplace_back(std::make_unique<Rule>());
    (void)rule.idFromText(id.c_str());
    rule.setType(type);
    if (type == RuleType::Hash) rule.setApplicationName(name);
    else rule.setPathPattern(name);
    (void)rule.encodePath();
    for (const auto& line : lines) rule.addCommandLine(line);
    rule.addUser(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  }
  std::vector<std::wstring> pathKeys = {L"{1A1A1A1A-0000-4000-8000-000000000001}",
                                        L"{2B2B2B2B-0000-4000-8000-000000000002}"};
  std::vector<std::wstring> hashKeys = {L"{3C3C3C3C-0000-4000-8000-000000000003}"};
  std::vector<std::unique_ptr<Rule>> rules;
  Cells cells = {
      {L"%SystemRoot%\\system32\\mmc.exe", L"Path", L"%SystemRoot%\\system32\\mmc.exe", L"1 command lines"},
      {L"C:\\Tools\\netdiag.exe", L"Path", L"C:\\Tools\\netdiag.exe", L"0 command lines"},
      {L"C:\\Program Files\\Kelvast\\setup.exe", L"Hash", L"0x0123456789abcdef0123456789abcdef01234567",
       L"2 command lines"},
  };
};

class AdministratorSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(S_OK, registerModuleOnce()) << "osadmmc.dll next to the test program could not be registered";
    ASSERT_EQ(status::success, scratch_.status());
    ASSERT_TRUE(answerer_.installed());
    problems.clear();
  }

  void TearDown() override {
    closeConsole();
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    EXPECT_TRUE(storePrompter_.asked.empty()) << "a message while the test itself wrote or read the policy";
    // With every object released the console may unload the module.
    EXPECT_EQ(S_OK, canUnloadNow());
    editor_.reset();
    EXPECT_EQ(0u, answerer_.unanswered()) << "a scripted answer found no message box";
    for (const SeenMessageBox& box : answerer_.seen)
      EXPECT_TRUE(box.scripted) << "a message box nobody expected: " << ::testing::PrintToString(box.text);
    CoUninitialize();
  }

  static HRESULT canUnloadNow() { return snapin::testing::LoadedModule().canUnloadNow(); }

  // Writes the rules into the policy with the store code, as a finished wizard would.
  void writePolicy(const std::vector<std::unique_ptr<Rule>>& rules) {
    RegistryKeyHost host(reg_, scratch_.key());
    std::vector<Rule*> live;
    for (const auto& r : rules) live.push_back(r.get());
    store::updateStore(&host, storePrompter_, true, live);
  }

  // The editor opens the policy (or, without one, a console with no IGPEInformation); the
  // console finds the snap-in among the extensions registered for Computer Configuration and
  // expands that node; answers the snap-in's one child node.
  HSCOPEITEM openConsoleAndExpand(bool withPolicy = true, HRESULT registryFailure = S_OK) {
    editor_ = std::make_unique<EditorNode>(withPolicy ? win::Win32Registry::toHkey(scratch_.key()) : nullptr);
    editor_->failGetRegistryKey = registryFailure;
    console_ = std::make_unique<Console>(*editor_);
    EXPECT_EQ(S_OK, console_->loadNamespaceExtension(ids::nodeIdMachine));
    EXPECT_EQ(S_OK, console_->expandComputerConfiguration());
    auto children = console_->childrenOf(Console::computerConfiguration);
    EXPECT_EQ(1u, children.size());
    return children.empty() ? 0 : children.front()->id;
  }

  // The console closes and must have been given back everything it handed out.
  void closeConsole() {
    if (console_ == nullptr) return;
    EXPECT_EQ(S_OK, console_->close());
    EXPECT_TRUE(console_->referenceProblems().empty()) << ::testing::PrintToString(console_->referenceProblems());
    console_.reset();
  }

  void expectRows(View& view, const Cells& cells) {
    SCOPED_TRACE("view " + std::to_string(view.number));
    EXPECT_EQ(ruleColumns, view.columns);
    ASSERT_EQ(cells.size(), view.rows.size());
    for (const RESULTDATAITEM& row : view.rows)  // text asked back, image 2, first column, an item
      EXPECT_EQ(std::tuple(UINT{RDI_STR | RDI_IMAGE | RDI_PARAM}, true, 2, 0, true),
                std::tuple(row.mask, row.str == callbackText, row.nImage, row.nCol, row.lParam != 0));
    EXPECT_EQ(cells, view.cells());
  }

  void expectRuleKeys(const std::vector<std::wstring>& paths, const std::vector<std::wstring>& hashes) {
    EXPECT_EQ(paths, testing::subkeyNames(reg_, scratch_.key(), std::wstring(store::productKey) + L"\\Paths"));
    EXPECT_EQ(hashes, testing::subkeyNames(reg_, scratch_.key(), std::wstring(store::productKey) + L"\\Hashes"));
  }

  // A rewrite reached the editor: its four PolicyChanged calls, from call `from` on, carry the
  // machine flag and the extension and snap-in ids through IGPEInformation. (The rewrite's
  // registry work, Refresh marker included, is the store's and tested with it.)
  void expectRewrite(std::size_t from) {
    const auto& calls = editor_->policyChanges;
    ASSERT_EQ(from + 4, calls.size()) << "PolicyChanged calls of one rewrite";
    const GUID product = ids::toGUID(ostrel::ids::productExtension), snapin = ids::toGUID(ostrel::ids::snapinClsid);
    EXPECT_EQ((std::vector<PolicyChange>{{TRUE, FALSE, product, snapin}, {TRUE, FALSE, ids::registryExtension, snapin},
                                         {TRUE, TRUE, product, snapin}, {TRUE, TRUE, ids::registryExtension, snapin}}),
              std::vector<PolicyChange>(calls.begin() + static_cast<std::ptrdiff_t>(from), calls.end()));
  }

  // The message box shown index-th: caption, text, buttons and icon, owner, the button clicked.
  void expectBox(std::size_t index, const SeenMessageBox& expected) {
    ASSERT_LT(index, answerer_.seen.size()) << "no message box was shown";
    const SeenMessageBox& box = answerer_.seen[index];
    EXPECT_EQ(std::tie(expected.caption, expected.text, expected.style, expected.owner, expected.clicked),
              std::tie(box.caption, box.text, box.style, box.owner, box.clicked));
  }
  // The system's text of a failure, as the "Policy Error" box shows it.
  static SeenMessageBox policyError(HRESULT hr) {
    wchar_t text[1024] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(hr),
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 1024, nullptr);
    return {L"Policy Error", std::wstring(text, n), MB_OK | MB_ICONINFORMATION, nullptr, IDOK};
  }

  win::Win32Registry reg_;
  testing::ScratchKey scratch_{reg_};
  MessageBoxAnswerer answerer_;
  testing::ScriptedPrompter storePrompter_;  // for the test's own store calls
  std::unique_ptr<EditorNode> editor_;
  std::unique_ptr<Console> console_;
  SamplePolicy policy_;
};

// The wizard as the administrator sees it: a real new-style wizard of comctl32 shown by the
// console's provider, its real controls typed into and clicked, its real buttons pressed,
// message boxes and the open-file dialog answered by the test.
class WizardSession : public AdministratorSession {
 protected:
  // The node's New command; answers the wizard the console shows.
  const SheetRequest& openWizard(HSCOPEITEM node) {
    EXPECT_EQ(S_OK, console_->offerSheetProvider());
    EXPECT_EQ(S_OK, console_->command(node, wizardCommand));
    const SheetRequest& sheet = *console_->sheetRequests().back();
    EXPECT_NE(nullptr, sheet.window) << "the wizard was not shown";
    return sheet;
  }
  // The console opened on the node in one view, and a new path rule for path in the wizard,
  // standing on its command lines page.
  const SheetRequest& pathRuleAtCommandLines(const std::wstring& path) {
    HSCOPEITEM node = openConsoleAndExpand();
    EXPECT_EQ(S_OK, console_->openView().select(node));
    const SheetRequest& sheet = openWizard(node);
    click(sheet, IDC_PATH_RULE);
    press(sheet, PSBTN_NEXT);
    type(sheet, IDC_APPLICATION, path);
    press(sheet, PSBTN_NEXT);
    EXPECT_EQ(2, pageIndex(sheet));
    return sheet;
  }
  static HWND page(const SheetRequest& sheet) { return PropSheet_GetCurrentPageHwnd(sheet.window); }
  static void click(const SheetRequest& sheet, int id) { SendMessageW(GetDlgItem(page(sheet), id), BM_CLICK, 0, 0); }
  static void type(const SheetRequest& sheet, int id, const std::wstring& text) {
    SetDlgItemTextW(page(sheet), id, text.c_str());
  }
  void press(const SheetRequest& sheet, int button) {
    PropSheet_PressButton(sheet.window, button);
    console_->pumpMessages();
  }
  static int pageIndex(const SheetRequest& sheet) { return PropSheet_HwndToIndex(sheet.window, page(sheet)); }
  // The tab at index of a dialog's tab control chosen, as a click on it does.
  static void showTab(HWND dialog, int index) {
    HWND tabs = FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr);
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR change{tabs, 0, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
  }
  // Next up to the finish page, then Finish, which closes the wizard.
  void finish(const SheetRequest& sheet) {
    for (int i = pageIndex(sheet); i < 7; ++i) press(sheet, PSBTN_NEXT);
    EXPECT_EQ(7, pageIndex(sheet));
    press(sheet, PSBTN_FINISH);
    EXPECT_TRUE(sheet.closed);
  }
  // The REG_DWORD that silenced notice n in the user's record (0 for none), removed.
  static DWORD takeNoticeRecord(int n) {
    const wchar_t* messages = L"SOFTWARE\\Kelvast\\Ostrel\\Messages";
    const std::wstring name = L"msg" + std::to_wstring(n);
    DWORD data = 0, size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, messages, name.c_str(), RRF_RT_REG_DWORD, nullptr, &data, &size) != 0) data = 0;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, messages, name.c_str());
    return data;
  }
  std::vector<std::unique_ptr<Rule>> storedRules() {
    std::vector<std::unique_ptr<Rule>> rules;
    RegistryKeyHost host(reg_, scratch_.key());
    store::loadRules(&host, storePrompter_, [&](std::unique_ptr<Rule> r) { rules.push_back(std::move(r)); });
    return rules;
  }
};

}  // namespace ostrel::console

// An administrator's sessions with the snap-in, played against the console double: open a
// policy, expand Computer Configuration, look at the rules in two views, select one, delete
// rules (answering No, then Yes), open the node's menus and the wizard, and close the console.
// Along the way the scope pane, the result panes, the policy's registry and the editor's
// PolicyChanged calls are checked; at the end every console interface the snap-in kept must
// have been released exactly once.
#include "tests/console/administrator_session.h"

namespace ostrel::console {
namespace {

TEST_F(AdministratorSession, TheAdministratorLooksAtThePolicyInTwoViewsAndDeletesRules) {
  writePolicy(policy_.rules);
  HSCOPEITEM node = openConsoleAndExpand();
  Console& console = *console_;

  // Initialize registered the image strips with the scope pane: six 16x16 and six 32x32 images.
  ASSERT_EQ(1u, console.scopeStrips.size());
  const ImageStrip& strip = console.scopeStrips[0];
  EXPECT_EQ(std::tuple(0L, RGB(0, 128, 128), 96L, 16L, 192L, 32L),
            std::tuple(strip.start, strip.mask, strip.smallSize.cx, strip.smallSize.cy, strip.largeSize.cx,
                       strip.largeSize.cy));

  // The node under Computer Configuration, its text and image asked back.
  const SCOPEDATAITEM& item = console.scopeItem(node)->inserted;
  // Text asked back, images 2 and 2, no children, an item, under Computer Configuration; ID left 0.
  EXPECT_EQ(std::tuple(0x6Eu, true, 2, 2, 0, true, Console::computerConfiguration, HSCOPEITEM{0}),
            std::tuple(item.mask, item.displayname == callbackText, item.nImage, item.nOpenImage, item.cChildren,
                       item.lParam != 0, item.relativeID, item.ID));
  HRESULT hr = E_FAIL;
  int image = -1;
  const std::wstring text = console.scopeText(node, &hr, &image);
  EXPECT_EQ(std::tuple(nodeName, S_FALSE, 2), std::tuple(text, hr, image));
  EXPECT_EQ(1u, editor_->registryKeysAsked) << "the rules are loaded through the editor once";

  // The node's menu offers the wizard under New only.
  EXPECT_EQ((std::vector<MenuItem>{{L"Privileged Application... ",
                                     L"Define privileged application(s) and related privileges.", wizardCommand,
                                     static_cast<LONG>(0xA0000001), 0, 4}}),
            console.contextMenu(node, CCM_INSERTIONALLOWED_NEW));
  EXPECT_TRUE(
      console.contextMenu(node, CCM_INSERTIONALLOWED_TOP | CCM_INSERTIONALLOWED_TASK | CCM_INSERTIONALLOWED_VIEW)
          .empty());

  // Without the console's property-sheet provider in this process the wizard command opens
  // nothing and fails.
  EXPECT_TRUE(FAILED(console.command(node, wizardCommand)));

  // Two views list the rules in store order, with the node's images in their result panes.
  View& first = console.openView();
  View& second = console.openView();
  for (View* view : {&first, &second}) {
    EXPECT_EQ(S_OK, view->select(node));
    expectRows(*view, policy_.cells);
    ASSERT_EQ(1u, view->resultStrips.size());
    EXPECT_EQ(RGB(0, 128, 128), view->resultStrips[0].mask);
  }

  // The node has no properties, no double-click action, no result view of its own and no children.
  // (QueryPagesFor says yes, so a sheet is begun; CreatePropertyPages adds nothing.)
  EXPECT_EQ(S_FALSE, console.properties(node));
  ASSERT_EQ(1u, console.sheetRequests().size());
  EXPECT_EQ(0u, console.sheetRequests()[0]->pages);
  EXPECT_EQ(S_FALSE, first.notifyScope(node, MMCN_DBLCLICK, 0, 0));
  LPOLESTR viewType = nullptr;
  long viewOptions = -1;
  EXPECT_EQ(S_FALSE, first.component()->GetResultViewType(item.lParam, &viewType, &viewOptions));
  EXPECT_EQ(L"", Console::takeText(viewType, "GetResultViewType text"));
  const std::size_t scopeItems = console.scopeItems.size();
  EXPECT_EQ(S_FALSE, console.expand(node));
  EXPECT_EQ(scopeItems, console.scopeItems.size());

  // Showing again rebuilds the pane (the double keeps the rows of a view shown again, so only
  // the snap-in's DeleteAllRsltItems avoids listing them twice). Selecting the node enables no verb.
  EXPECT_EQ(S_OK, first.select(node));
  expectRows(first, policy_.cells);
  EXPECT_TRUE(first.enabledVerbs.empty());
  // A view change with any hint but the refresh is acknowledged and ignored.
  first.log.clear();
  EXPECT_EQ(S_OK, first.component()->Notify(nullptr, MMCN_VIEW_CHANGE, node, 7));
  EXPECT_TRUE(first.log.empty());
  // The console asks a row's image with its first cell.
  const std::wstring cell = first.cell(0, 0, &hr, &image);
  EXPECT_EQ(std::tuple(policy_.cells[0][0], S_OK, 2), std::tuple(cell, hr, image));

  // The administrator selects the second path rule, presses Delete and answers No. (Looking
  // wrote nothing: the first rewrite below is the first PolicyChanged.)
  ASSERT_EQ(S_OK, first.selectRow(1));
  EXPECT_EQ((std::set<int>{MMC_VERB_DELETE, MMC_VERB_PROPERTIES}), first.enabledVerbs);
  auto deleteSecondRow = [&](int answer) {
    answerer_.answerNext(answer);
    first.log.clear();
    second.log.clear();
    EXPECT_EQ(S_OK, first.deleteRow(1));
    expectBox(answerer_.seen.size() - 1, {L"Ostrel Active Directory", L"Do you really want to delete this rule?",
                                          MB_YESNO | MB_ICONHAND, console.mainWindow(), answer});
  };
  deleteSecondRow(IDNO);
  // No leaves the row; every view is still told to show the node again, and the store is
  // rewritten with the same rules all the same.
  const std::vector<std::wstring> refreshed = {L"MMCN_VIEW_CHANGE", L"MMCN_SHOW 1"};
  EXPECT_EQ(refreshed, first.log);
  EXPECT_EQ(refreshed, second.log);
  expectRows(first, policy_.cells);
  expectRows(second, policy_.cells);
  expectRuleKeys(policy_.pathKeys, policy_.hashKeys);
  expectRewrite(0);

  // The same answered Yes: the row goes from its pane before the views are refreshed, and the
  // rule from both views and from the policy.
  deleteSecondRow(IDYES);
  EXPECT_EQ((std::vector<std::wstring>{L"DeleteItem 0", L"MMCN_VIEW_CHANGE", L"MMCN_SHOW 1"}), first.log);
  EXPECT_EQ(refreshed, second.log);
  const Cells remaining = {policy_.cells[0], policy_.cells[2]};
  expectRows(first, remaining);
  expectRows(second, remaining);
  expectRuleKeys({policy_.pathKeys[0]}, policy_.hashKeys);
  expectRewrite(4);

  // The second view is closed: Destroy must release what it was given (checked by close()).
  EXPECT_EQ(S_OK, second.close());

  // Expanding again inserts the node again (the console asks once per scope item) without
  // loading the rules a second time.
  const std::size_t keysAsked = editor_->registryKeysAsked;
  EXPECT_EQ(S_OK, console.expandComputerConfiguration());
  EXPECT_EQ(2u, console.childrenOf(Console::computerConfiguration).size());
  EXPECT_EQ(keysAsked, editor_->registryKeysAsked);
}

// A node without a reachable policy is there and lists nothing: with a policy registry the
// editor cannot open (reported once), and silently in a console without the editor's
// information (no IGPEInformation; TearDown fails on any box nobody expected). Then the
// formats the console reads from the node's data object, and the comparison of data objects.
TEST_F(AdministratorSession, ANodeWithoutAReachablePolicyIsThereEmptyAndServesTheConsolesFormats) {
  writePolicy(policy_.rules);  // present, but not reached
  answerer_.answerNext(IDOK);
  HSCOPEITEM node = openConsoleAndExpand(true, E_ACCESSDENIED);
  EXPECT_EQ(S_OK, console_->openView().select(node));
  expectRows(*console_->activeView(), {});
  EXPECT_EQ(1u, editor_->registryKeysAsked);
  ASSERT_EQ(1u, answerer_.seen.size());
  expectBox(0, policyError(E_ACCESSDENIED));
  closeConsole();

  node = openConsoleAndExpand(false);
  View& view = console_->openView();
  EXPECT_EQ(S_OK, view.select(node));
  expectRows(view, {});
  ComPtr<IDataObject> object = console_->scopeDataObject(node);
  ASSERT_NE(nullptr, object);
  auto bytesOf = [](const void* p, std::size_t n) {
    return std::vector<BYTE>(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
  };
  auto textBytes = [&](const std::wstring& t) { return bytesOf(t.c_str(), (t.size() + 1) * sizeof(wchar_t)); };
  // GetDataHere of a format into a zeroed block of `size` bytes, which then starts with `expected`
  // (nothing expected: the format is refused).
  auto expectData = [&](const wchar_t* formatName, const std::vector<BYTE>& expected, SIZE_T size = 256) {
    win::GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(formatName)), nullptr, DVASPECT_CONTENT, -1,
                     TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block.get();
    const HRESULT hr = object->GetDataHere(&format, &medium);
    const auto* p = static_cast<const BYTE*>(GlobalLock(block.get()));
    EXPECT_EQ(std::tuple(expected.empty() ? DV_E_FORMATETC : S_OK, expected),
              std::tuple(hr, bytesOf(p, expected.size()))) << ::testing::PrintToString(formatName);
    GlobalUnlock(block.get());
  };
  const GUID nodeType = ids::toGUID(ostrel::ids::policiesNodeType), snapin = ids::toGUID(ostrel::ids::snapinClsid);
  expectData(CCF_DISPLAY_NAME, textBytes(nodeName));
  expectData(CCF_SZNODETYPE, textBytes(L"{6B1F3C55-8E4A-4D27-9A31-5C2E71B04F18}"));
  expectData(CCF_NODETYPE, bytesOf(&nodeType, sizeof nodeType));
  expectData(CCF_SNAPIN_CLASSID, bytesOf(&snapin, sizeof snapin));
  // The snap-in's own format: the data object's address in a block of exactly 8 bytes.
  const IDataObject* address = object.Get();
  expectData(L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}", bytesOf(&address, sizeof address), 8);
  expectData(L"Some Other Format", {});

  // Two data objects of one item compare equal, also one from a view; the editor's does not,
  // and is no item of the snap-in's for a view either.
  ComPtr<IDataObject> again = console_->scopeDataObject(node), fromView;
  ASSERT_EQ(S_OK, view.component()->QueryDataObject(console_->scopeItem(node)->inserted.lParam, CCT_RESULT,
                                                    fromView.GetAddressOf()));
  IDataObject* editorObject = editor_->dataObject();
  EXPECT_EQ(S_OK, console_->componentData_->CompareObjects(object.Get(), again.Get()));
  EXPECT_EQ(S_OK, view.component()->CompareObjects(object.Get(), fromView.Get()));
  EXPECT_EQ(S_FALSE, console_->componentData_->CompareObjects(object.Get(), editorObject));
  EXPECT_EQ(S_FALSE, view.component()->Notify(editorObject, MMCN_SELECT, 0, 0));
  // The console's special data objects name no item (which values are special: ConsoleLogic.*).
  EXPECT_EQ(S_FALSE, console_->componentData_->CompareObjects(object.Get(), reinterpret_cast<IDataObject*>(-1)));

  // Data objects held after the console let go keep their item, and the module, alive.
  closeConsole();
  EXPECT_EQ(S_FALSE, canUnloadNow());
  expectData(CCF_DISPLAY_NAME, textBytes(nodeName));
  object.Reset();
  again.Reset();
  fromView.Reset();
}


TEST_F(WizardSession, AnAdministratorCreatesAPathRuleAndAHashRuleAndEditsOne) {
  HSCOPEITEM node = openConsoleAndExpand();
  View& view = console_->openView();
  ASSERT_EQ(S_OK, view.select(node));

  // A path rule. (The pages' logic, their detours, labels, enabled controls, defaults and
  // limits, is tested natively: RuleWizard.*, ApplicationPage.*, RulePropertySheet.* in tests/wizard.)
  const SheetRequest& first = openWizard(node);
  // A new-style wizard of eight pages for the scope pane, with the header bitmap (not
  // stretched), over the console's window.
  EXPECT_EQ(std::tuple(false, DWORD{MMC_PSO_NEWWIZARDTYPE}, TRUE, FALSE, std::size_t{8},
                       reinterpret_cast<LONG_PTR>(console_->mainWindow())),
            std::tuple(first.propertySheet, first.options, first.scopePane, first.stretch, first.pages,
                       first.showWindow));
  EXPECT_NE(nullptr, first.header);
  ComPtr<IExtendPropertySheet2> extension;
  ASSERT_EQ(S_OK, console_->componentData_->QueryInterface(ids::extendPropertySheet2,
                                                            reinterpret_cast<void**>(extension.GetAddressOf())));
  HBITMAP watermark = nullptr, header = nullptr;
  HPALETTE palette = nullptr;
  BOOL stretch = TRUE;
  EXPECT_EQ(S_OK, extension->GetWatermarks(console_->scopeDataObject(node).Get(), &watermark, &header, &palette, &stretch));
  EXPECT_EQ(first.header, header) << "the header bitmap is loaded once and kept by the node";
  // One wizard at a time: the command brings the open one forward; other ids do nothing.
  EXPECT_EQ(S_OK, console_->command(node, wizardCommand));
  EXPECT_EQ(S_FALSE, console_->command(node, 3));
  EXPECT_EQ(1u, console_->sheetRequests().size());
  click(first, IDC_PATH_RULE);
  press(first, PSBTN_NEXT);
  ASSERT_EQ(1, pageIndex(first));
  type(first, IDC_APPLICATION, L"C:\\Tools\\app.exe");
  click(first, IDC_RECURSIVE);
  finish(first);
  ASSERT_EQ(1u, view.rows.size()) << "Finish lists the rule in the current view";
  EXPECT_EQ(2u, editor_->policyChanges.size()) << "and stores it once (two PolicyChanged calls)";

  // A hash rule from a file picked in the open-file dialog.
  const std::wstring file = (std::filesystem::temp_directory_path() /
                             (L"ostrel_scenario_abc-" + std::to_wstring(GetCurrentProcessId()) + L".exe")).wstring();
  std::ofstream(std::filesystem::path(file), std::ios::binary) << "abc";
  const SheetRequest& second = openWizard(node);
  click(second, IDC_HASH_RULE);
  press(second, PSBTN_NEXT);
  answerer_.answerDialog(0x47C, [&](HWND dialog) {  // the file-name box
    SetDlgItemTextW(dialog, 0x47C, file.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  click(second, IDC_BROWSE);
  EXPECT_EQ(0u, answerer_.dialogsUnanswered());
  wchar_t hash[64] = {};
  GetDlgItemTextW(page(second), IDC_APPLICATION, hash, 64);
  EXPECT_EQ(std::wstring(L"0xa9993e364706816aba3e25717850c26c9cd0d89d"), hash);
  finish(second);
  ASSERT_EQ(2u, view.rows.size());
  std::filesystem::remove(file);

  // (Cancel, which stores nothing: TheConsoleClosedUnderAnOpenSheet.)
  EXPECT_EQ(4u, editor_->policyChanges.size());
  auto rules = storedRules();
  ASSERT_EQ(2u, rules.size());
  std::sort(rules.begin(), rules.end(), [](const auto& a, const auto& b) { return a->type() < b->type(); });
  EXPECT_EQ(std::tuple(RuleType::Hash, file, std::string("0xa9993e364706816aba3e25717850c26c9cd0d89d")),
            std::tuple(rules[0]->type(), rules[0]->applicationName(), rules[0]->hashText()));
  EXPECT_EQ(std::tuple(RuleType::Path, std::wstring(L"C:\\Tools\\app.exe"), true, false),
            std::tuple(rules[1]->type(), rules[1]->pathPattern(), rules[1]->recursive(), rules[1]->ownershipCheck()));

  // Properties of the path rule, reporting to the view: an edit and Apply rewrite the store once.
  const std::size_t pathRow = view.cell(0, 1) == L"Path" ? 0 : 1;
  ASSERT_EQ(S_OK, view.properties(pathRow));
  const SheetRequest& properties = *console_->sheetRequests().back();
  ASSERT_NE(nullptr, properties.window);
  PropSheet_SetCurSel(properties.window, nullptr, 1);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(properties.window, 0x3021))) << "opening the sheet enables no Apply";
  type(properties, IDC_APPLICATION, L"C:\\Tools\\other.exe");
  press(properties, PSBTN_APPLYNOW);
  EXPECT_EQ(8u, editor_->policyChanges.size()) << "Apply rewrote the store once (cleared, written)";
  press(properties, PSBTN_CANCEL);
  EXPECT_TRUE(properties.closed);
  rules = storedRules();
  ASSERT_EQ(2u, rules.size());
  EXPECT_EQ(1, std::count_if(rules.begin(), rules.end(),
                             [](const auto& r) { return r->pathPattern() == L"C:\\Tools\\other.exe"; }));
}

}  // namespace
}  // namespace ostrel::console

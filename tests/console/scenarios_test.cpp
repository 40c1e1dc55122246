// An administrator's sessions with the snap-in, played against the console double: open a
// policy, expand Computer Configuration, look at the rules in two views, select one, delete
// it (first answering No, then Yes), open the node's menus, and close the console. After each
// step the scope pane, both result panes, the policy's registry and the editor's
// PolicyChanged calls are checked; at the end every console interface the snap-in kept must
// have been released exactly once.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/win/handles.h"
#include "resources/product_guids.h"
#include "rules/policy_store.h"
#include "snapin/page_notice.h"
#include "tests/console/console_double.h"
#include "tests/console/console_guids.h"
#include "tests/console/message_box_answerer.h"
#include "tests/console/session_support.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::console {
namespace {

const std::vector<Column> ruleColumns = {
    {0, L"Application", LVCFMT_LEFT, 150},
    {1, L"Type", LVCFMT_LEFT, 50},
    {2, L"Value", LVCFMT_LEFT, 250},
    {3, L"Command Lines", LVCFMT_LEFT, 100},
};
const std::wstring nodeName = L"Application Execution Policies";
const std::wstring deleteQuestion = L"Do you really want to delete this rule?";
const std::wstring deleteCaption = L"Ostrel Active Directory";
constexpr LPARAM viewRefreshHint = 1000;

std::string describe(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& l : lines) all += "\n  " + l;
  return all;
}

class AdministratorSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(S_OK, registerModuleOnce()) << "osadmmc.dll next to the test program could not be registered";
    ASSERT_EQ(status::success, scratch_.status());
    ASSERT_TRUE(answerer_.installed());
  }

  void TearDown() override {
    if (console_ != nullptr) {
      EXPECT_EQ(S_OK, console_->close());
      EXPECT_TRUE(console_->referenceProblems().empty()) << describe(console_->referenceProblems());
      EXPECT_TRUE(console_->problems.empty()) << describe(console_->problems);
      console_.reset();
    }
    // With every object released the console may unload the module.
    EXPECT_EQ(S_OK, moduleCanUnloadNow());
    editor_.reset();
    EXPECT_EQ(0u, answerer_.unanswered()) << "a scripted answer found no message box";
    CoUninitialize();
  }

  // The editor opens the policy (or, without one, a console with no IGPEInformation) and the
  // console loads the snap-in as its namespace extension.
  Console& openConsole(bool withPolicy = true) {
    editor_ = std::make_unique<EditorNode>(withPolicy ? win::Win32Registry::toHkey(scratch_.key()) : nullptr);
    console_ = std::make_unique<Console>(*editor_);
    // The console finds the snap-in among the extensions registered for Computer Configuration.
    HRESULT hr = console_->loadNamespaceExtension(ids::nodeIdMachine);
    EXPECT_EQ(S_OK, hr) << "loading the registered namespace extension through COM";
    EXPECT_EQ(1u, console_->namespaceExtensions.size());
    EXPECT_TRUE(!console_->namespaceExtensions.empty() &&
                IsEqualCLSID(ids::toGUID(ostrel::ids::snapinClsid), console_->namespaceExtensions.front()));
    return *console_;
  }

  // Expands Computer Configuration; the snap-in's one child node.
  HSCOPEITEM expandToNode() {
    EXPECT_EQ(S_OK, console_->expandComputerConfiguration());
    auto children = console_->childrenOf(console_->computerConfiguration());
    EXPECT_EQ(1u, children.size());
    return children.empty() ? 0 : children.front()->id;
  }

  void expectRows(View& view, const std::vector<std::vector<std::wstring>>& cells) {
    SCOPED_TRACE("view " + std::to_string(view.number()));
    ASSERT_EQ(cells.size(), view.rows().size());
    for (const Row& row : view.rows()) {
      EXPECT_EQ(static_cast<DWORD>(RDI_STR | RDI_IMAGE | RDI_PARAM), row.mask);
      EXPECT_TRUE(row.textCallback);
      EXPECT_EQ(2, row.image);
      EXPECT_EQ(0, row.column);
      EXPECT_NE(0, row.lParam);
    }
    EXPECT_EQ(cells, view.cells());
  }

  void expectColumns(const View& view) {
    SCOPED_TRACE("view " + std::to_string(view.number()));
    ASSERT_EQ(ruleColumns.size(), view.columns().size());
    for (std::size_t i = 0; i < ruleColumns.size(); ++i) {
      EXPECT_EQ(ruleColumns[i].index, view.columns()[i].index);
      EXPECT_EQ(ruleColumns[i].title, view.columns()[i].title);
      EXPECT_EQ(ruleColumns[i].format, view.columns()[i].format);
      EXPECT_EQ(ruleColumns[i].width, view.columns()[i].width);
    }
  }

  void expectRuleKeys(const std::vector<std::wstring>& paths, const std::vector<std::wstring>& hashes) {
    const std::wstring product = store::productKey;
    EXPECT_EQ(paths, subkeys(reg_, scratch_.key(), product + L"\\Paths"));
    EXPECT_EQ(hashes, subkeys(reg_, scratch_.key(), product + L"\\Hashes"));
  }

  // Exactly one Refresh marker, and not the one there was before; returns it.
  std::wstring expectNewMarker(const std::wstring& before) {
    auto markers = refreshMarkers(reg_, scratch_.key());
    EXPECT_EQ(1u, markers.size()) << "Refresh markers under the product key";
    if (markers.empty()) return L"";
    EXPECT_NE(before, markers.front()) << "the rewrite renews the Refresh marker";
    auto product = subkeys(reg_, scratch_.key(), store::productKey);
    std::sort(product.begin(), product.end());
    EXPECT_EQ((std::vector<std::wstring>{markers.front(), L"Hashes", L"Paths"}), product);
    return markers.front();
  }

  // The four PolicyChanged calls of one RewriteStore, starting at call `from`.
  void expectRewriteNotified(std::size_t from) {
    const auto& calls = editor_->policyChanges;
    ASSERT_EQ(from + 4, calls.size()) << "PolicyChanged calls of one rewrite";
    const GUID product = ids::toGUID(ostrel::ids::productExtension);
    const GUID snapin = ids::toGUID(ostrel::ids::snapinClsid);
    const struct {
      BOOL add;
      const GUID* extension;
    } expected[] = {{FALSE, &product}, {FALSE, &ids::registryExtension}, {TRUE, &product}, {TRUE, &ids::registryExtension}};
    for (std::size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE("PolicyChanged call " + std::to_string(from + i + 1));
      const PolicyChange& c = calls[from + i];
      EXPECT_EQ(TRUE, c.machine);
      EXPECT_EQ(expected[i].add, c.add);
      EXPECT_TRUE(c.extensionGiven && IsEqualGUID(*expected[i].extension, c.extension));
      EXPECT_TRUE(c.snapinGiven && IsEqualGUID(snapin, c.snapin));
    }
  }

  void expectDeleteQuestion(std::size_t index, int clicked) {
    ASSERT_LT(index, answerer_.seen.size()) << "no message box was shown";
    const SeenMessageBox& box = answerer_.seen[index];
    EXPECT_EQ(deleteQuestion, box.text);
    EXPECT_EQ(deleteCaption, box.caption);
    EXPECT_EQ(0x14u, box.style);
    EXPECT_EQ(console_->mainWindow(), box.owner);
    EXPECT_EQ(clicked, box.clicked);
    EXPECT_TRUE(box.scripted);
  }

  Watchdog watchdog_{::testing::UnitTest::GetInstance()->current_test_info()->name(), 60000};
  win::Win32Registry reg_;
  testing::ScratchKey scratch_{reg_};
  MessageBoxAnswerer answerer_;
  std::unique_ptr<EditorNode> editor_;
  std::unique_ptr<Console> console_;
  SamplePolicy policy_;
};

TEST_F(AdministratorSession, ExpandingComputerConfigurationInsertsTheNodeAndLoadsThePolicyOnce) {
  writePolicy(reg_, scratch_.key(), policy_);
  Console& console = openConsole();

  // Initialize registered the image strips with the scope pane.
  ASSERT_EQ(1u, console.scopeImages().strips.size());
  const ImageStrip& strip = console.scopeImages().strips[0];
  EXPECT_EQ(0, strip.start);
  EXPECT_EQ(RGB(0, 128, 128), strip.mask);
  EXPECT_EQ(96, strip.smallSize.cx);  // six 16x16 images
  EXPECT_EQ(16, strip.smallSize.cy);
  EXPECT_EQ(192, strip.largeSize.cx);  // six 32x32 images
  EXPECT_EQ(32, strip.largeSize.cy);

  HSCOPEITEM node = expandToNode();
  const ScopeItem* item = console.scopeItem(node);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0x6Eu, item->mask);
  EXPECT_TRUE(item->textCallback);
  EXPECT_EQ(2, item->image);
  EXPECT_EQ(2, item->openImage);
  EXPECT_EQ(0, item->children);
  EXPECT_NE(0, item->lParam);
  EXPECT_EQ(console.computerConfiguration(), item->relativeId);
  EXPECT_EQ(0, item->idOnInsert);

  HRESULT hr = E_FAIL;
  int image = -1;
  EXPECT_EQ(nodeName, console.scopeText(node, &hr, &image));
  EXPECT_EQ(S_FALSE, hr);
  EXPECT_EQ(2, image);

  // The rules were loaded through the editor once; loading changes nothing in the policy.
  EXPECT_EQ((std::vector<DWORD>{GPO_SECTION_MACHINE}), editor_->sectionsAsked);
  EXPECT_TRUE(editor_->policyChanges.empty());
  // The editor's data object was asked for its node type (and, being foreign, told the
  // snap-in's own item format is not served).
  ASSERT_FALSE(editor_->formatsAsked.empty());
  EXPECT_EQ(L"CCF_NODETYPE", editor_->formatsAsked.front());

  // Expanding again inserts the node again (the console asks once per scope item) without
  // loading the rules a second time.
  EXPECT_EQ(S_OK, console.expandComputerConfiguration());
  EXPECT_EQ(2u, console.childrenOf(console.computerConfiguration()).size());
  EXPECT_EQ(1u, editor_->sectionsAsked.size());
}

TEST_F(AdministratorSession, TwoViewsListTheRulesInStoreOrder) {
  writePolicy(reg_, scratch_.key(), policy_);
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  HRESULT opened = E_FAIL;
  View& first = console.openView(&opened);
  EXPECT_EQ(S_OK, opened);
  View& second = console.openView(&opened);
  EXPECT_EQ(S_OK, opened);

  for (View* view : {&first, &second}) {
    EXPECT_EQ(S_OK, view->select(node));
    expectColumns(*view);
    expectRows(*view, policy_.cells);
    // The node's images were given to the view's result image list as well.
    ASSERT_EQ(1u, view->resultImages().strips.size());
    EXPECT_EQ(RGB(0, 128, 128), view->resultImages().strips[0].mask);
  }

  // Showing again rebuilds the pane: columns, then DeleteAllRsltItems, then the rows.
  first.log.clear();
  EXPECT_EQ(S_OK, first.select(node));
  expectColumns(first);
  expectRows(first, policy_.cells);
  const std::vector<std::wstring> show = {L"MMCN_SHOW 1",          L"InsertColumn 0 Application",
                                          L"InsertColumn 1 Type",   L"InsertColumn 2 Value",
                                          L"InsertColumn 3 Command Lines", L"DeleteAllRsltItems",
                                          L"InsertItem",            L"InsertItem",
                                          L"InsertItem"};
  EXPECT_EQ(show, first.log);
  // Selecting the node itself enables no verb: no Delete, Properties or Refresh.
  EXPECT_EQ(S_OK, first.scopeSelectResult);
  EXPECT_TRUE(first.verbs().states.empty() ||
              (!first.verbs().isSet(MMC_VERB_DELETE, ENABLED) && !first.verbs().isSet(MMC_VERB_PROPERTIES, ENABLED) &&
               !first.verbs().isSet(MMC_VERB_REFRESH, ENABLED)));

  // A view change with any hint but the refresh is acknowledged and ignored.
  first.log.clear();
  EXPECT_EQ(S_OK, first.component()->Notify(nullptr, MMCN_VIEW_CHANGE, node, 7));
  EXPECT_TRUE(first.log.empty());

  // The console asks a row's image with its first cell.
  HRESULT hr = E_FAIL;
  int image = -1;
  EXPECT_EQ(policy_.cells[0][0], first.cell(0, 0, &hr, &image));
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(2, image);

  // Selecting a row enables its Delete and Properties verbs.
  EXPECT_EQ(S_OK, first.selectRow(2));
  EXPECT_TRUE(first.verbs().isSet(MMC_VERB_DELETE, ENABLED));
  EXPECT_TRUE(first.verbs().isSet(MMC_VERB_PROPERTIES, ENABLED));
  EXPECT_FALSE(second.verbs().isSet(MMC_VERB_DELETE, ENABLED));
}

TEST_F(AdministratorSession, DeletingARuleAsksFirstAndEveryViewFollows) {
  writePolicy(reg_, scratch_.key(), policy_);
  std::wstring marker = refreshMarkers(reg_, scratch_.key()).at(0);
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  View& first = console.openView();
  View& second = console.openView();
  ASSERT_EQ(S_OK, first.select(node));
  ASSERT_EQ(S_OK, second.select(node));
  ASSERT_EQ(3u, first.rows().size());
  // Looking changes nothing in the policy.
  expectRuleKeys(policy_.pathKeys, policy_.hashKeys);
  EXPECT_EQ(std::vector<std::wstring>{marker}, refreshMarkers(reg_, scratch_.key()));
  EXPECT_TRUE(editor_->policyChanges.empty());

  // The administrator selects the second path rule and presses Delete, then answers No.
  ASSERT_EQ(S_OK, first.selectRow(1));
  ASSERT_TRUE(first.verbs().isSet(MMC_VERB_DELETE, ENABLED));
  answerer_.answerNext(IDNO);
  first.log.clear();
  EXPECT_EQ(S_OK, first.deleteRow(1));
  expectDeleteQuestion(0, IDNO);
  EXPECT_EQ(first.log.end(), std::find(first.log.begin(), first.log.end(), L"DeleteItem 0"))
      << "No must leave the row in place";
  // Every view was asked to show the node again, and each lists the same three rules.
  ASSERT_EQ(1u, console.viewChanges.size());
  EXPECT_EQ(nullptr, console.viewChanges[0].dataObject);
  EXPECT_EQ(node, console.viewChanges[0].data);
  EXPECT_EQ(viewRefreshHint, console.viewChanges[0].hint);
  expectRows(first, policy_.cells);
  expectRows(second, policy_.cells);
  // The store was rewritten with the same rules all the same.
  expectRuleKeys(policy_.pathKeys, policy_.hashKeys);
  marker = expectNewMarker(marker);
  expectRewriteNotified(0);

  // The same again, answered Yes: the rule goes from both views and from the policy.
  answerer_.answerNext(IDYES);
  first.log.clear();
  second.log.clear();
  EXPECT_EQ(S_OK, first.deleteRow(1));
  expectDeleteQuestion(1, IDYES);
  // The row went from the pane it was deleted in before the views were refreshed.
  auto removed = std::find(first.log.begin(), first.log.end(), L"DeleteItem 0");
  auto refreshed = std::find(first.log.begin(), first.log.end(), L"MMCN_VIEW_CHANGE");
  EXPECT_TRUE(removed != first.log.end() && removed < refreshed);
  ASSERT_EQ(2u, console.viewChanges.size());
  EXPECT_EQ(viewRefreshHint, console.viewChanges[1].hint);
  const std::vector<std::vector<std::wstring>> remaining = {policy_.cells[0], policy_.cells[2]};
  expectRows(first, remaining);
  expectRows(second, remaining);
  expectRuleKeys({policy_.pathKeys[0]}, policy_.hashKeys);
  marker = expectNewMarker(marker);
  expectRewriteNotified(4);
  EXPECT_EQ(2u, answerer_.seen.size()) << "no other message box";

  // A later show in any view still lists the two remaining rules.
  EXPECT_EQ(S_OK, second.select(node));
  expectRows(second, remaining);
}

TEST_F(AdministratorSession, AClosedViewIsNoLongerToldAndTheOtherCarriesOn) {
  writePolicy(reg_, scratch_.key(), policy_);
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  View& first = console.openView();
  View& second = console.openView();
  ASSERT_EQ(S_OK, first.select(node));
  ASSERT_EQ(S_OK, second.select(node));

  // Closing the second view releases what it was given (checked by the double at Destroy).
  EXPECT_EQ(S_OK, second.close());
  EXPECT_TRUE(console.problems.empty()) << describe(console.problems);
  second.log.clear();

  answerer_.answerNext(IDYES);
  EXPECT_EQ(S_OK, first.deleteRow(2));
  expectDeleteQuestion(0, IDYES);
  EXPECT_TRUE(second.log.empty()) << "a closed view gets no view change";
  expectRows(first, {policy_.cells[0], policy_.cells[1]});
  expectRuleKeys(policy_.pathKeys, {});
  expectRewriteNotified(0);
}

// Rules as an older or damaged policy may hold them: a hash rule without a digest and a rule
// key whose type the snap-in does not know. Both are listed and can be deleted.
TEST_F(AdministratorSession, UnusualRulesAreListedAsStoredAndCanBeDeleted) {
  const std::wstring unknownId = L"{4D4D4D4D-0000-4000-8000-000000000004}";
  const std::wstring noDigestId = L"{5E5E5E5E-0000-4000-8000-000000000005}";
  SamplePolicy policy;
  policy.rules.clear();
  auto hash = std::make_unique<Rule>();
  (void)hash->idFromText(noDigestId);
  hash->setType(RuleType::Hash);
  hash->setApplicationName(L"C:\\Apps\\old.exe");
  policy.rules.push_back(std::move(hash));
  writePolicy(reg_, scratch_.key(), policy);
  {
    RegKey key;
    ASSERT_EQ(status::success, RegKey::create(reg_, scratch_.key(), std::wstring(store::productKey) + L"\\Paths\\" + unknownId,
                                              access::all, key));
    const auto type = regSzBytes(L"Script");
    (void)reg_.setValue(key.get(), L"Type", regtype::sz, type);
    const auto name = regSzBytes(L"C:\\Scripts\\run.cmd");
    (void)reg_.setValue(key.get(), L"Name", regtype::sz, name);
  }
  std::wstring marker = refreshMarkers(reg_, scratch_.key()).at(0);

  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  View& view = console.openView();
  ASSERT_EQ(S_OK, view.select(node));
  expectRows(view, {{L"", L"< ERROR >", L"< ERROR >", L"0 command lines"},
                    {L"C:\\Apps\\old.exe", L"Hash", L"", L"0 command lines"}});

  answerer_.answerNext(IDYES);
  EXPECT_EQ(S_OK, view.deleteRow(0));
  expectDeleteQuestion(0, IDYES);
  expectRows(view, {{L"C:\\Apps\\old.exe", L"Hash", L"", L"0 command lines"}});
  expectRuleKeys({}, {noDigestId});
  expectNewMarker(marker);
  expectRewriteNotified(0);
}

// The system's text of a failure, as the "Policy Error" box shows it.
std::wstring systemText(HRESULT hr) {
  wchar_t buffer[1024] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(hr),
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 1024, nullptr);
  return std::wstring(buffer, n);
}

void expectPolicyError(const SeenMessageBox& box, HRESULT hr) {
  EXPECT_EQ(L"Policy Error", box.caption);
  EXPECT_EQ(systemText(hr), box.text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), box.style);
  EXPECT_EQ(nullptr, box.owner);
}

TEST_F(AdministratorSession, APolicyTheEditorCannotOpenIsReportedAndListsNothing) {
  writePolicy(reg_, scratch_.key(), policy_);
  Console& console = openConsole();
  editor_->failGetRegistryKey = E_ACCESSDENIED;
  answerer_.answerNext(IDOK);
  HSCOPEITEM node = expandToNode();
  ASSERT_EQ(1u, answerer_.seen.size());
  expectPolicyError(answerer_.seen[0], E_ACCESSDENIED);
  EXPECT_EQ(nodeName, console.scopeText(node));
  View& view = console.openView();
  EXPECT_EQ(S_OK, view.select(node));
  expectColumns(view);
  EXPECT_TRUE(view.rows().empty());
}

TEST_F(AdministratorSession, ADeletionTheEditorCannotStoreIsReportedAndLeavesThePolicy) {
  writePolicy(reg_, scratch_.key(), policy_);
  const auto markers = refreshMarkers(reg_, scratch_.key());
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  View& first = console.openView();
  View& second = console.openView();
  ASSERT_EQ(S_OK, first.select(node));
  ASSERT_EQ(S_OK, second.select(node));

  // The policy's registry becomes unreachable (the editor lost its connection, say).
  editor_->failGetRegistryKey = E_ACCESSDENIED;
  answerer_.answerNext(IDYES);
  answerer_.answerNext(IDOK);
  answerer_.answerNext(IDOK);
  EXPECT_EQ(S_OK, first.deleteRow(0));
  // The question, then one report for the clear and one for the write; the marker step
  // gives up silently.
  ASSERT_EQ(3u, answerer_.seen.size());
  expectDeleteQuestion(0, IDYES);
  expectPolicyError(answerer_.seen[1], E_ACCESSDENIED);
  expectPolicyError(answerer_.seen[2], E_ACCESSDENIED);
  // The rule is gone from the list; the policy is as it was and the editor was told nothing.
  expectRows(first, {policy_.cells[1], policy_.cells[2]});
  expectRows(second, {policy_.cells[1], policy_.cells[2]});
  expectRuleKeys(policy_.pathKeys, policy_.hashKeys);
  EXPECT_EQ(markers, refreshMarkers(reg_, scratch_.key()));
  EXPECT_TRUE(editor_->policyChanges.empty());
}

TEST_F(AdministratorSession, WithoutTheEditorsInformationTheNodeIsThereAndEmpty) {
  writePolicy(reg_, scratch_.key(), policy_);  // present, but this console cannot reach it
  Console& console = openConsole(false);
  HSCOPEITEM node = expandToNode();
  const ScopeItem* item = console.scopeItem(node);
  ASSERT_NE(nullptr, item);
  EXPECT_EQ(0x6Eu, item->mask);
  EXPECT_EQ(nodeName, console.scopeText(node));
  View& view = console.openView();
  EXPECT_EQ(S_OK, view.select(node));
  expectColumns(view);
  EXPECT_TRUE(view.rows().empty());
  EXPECT_TRUE(editor_->sectionsAsked.empty());
}

TEST_F(AdministratorSession, TheNodesMenuOffersTheWizardUnderNewOnly) {
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();

  HRESULT hr = E_FAIL;
  auto items = console.contextMenu(node, CCM_INSERTIONALLOWED_NEW, &hr);
  EXPECT_EQ(S_OK, hr);
  ASSERT_EQ(1u, items.size());
  EXPECT_EQ(L"Privileged Application... ", items[0].name);
  EXPECT_EQ(L"Define privileged application(s) and related privileges.", items[0].statusText);
  EXPECT_EQ(2, items[0].commandId);
  EXPECT_EQ(static_cast<LONG>(0xA0000001), items[0].insertionPoint);
  EXPECT_EQ(0, items[0].flags);
  EXPECT_EQ(4, items[0].specialFlags);

  // Every menu position but New.
  items = console.contextMenu(node, CCM_INSERTIONALLOWED_TOP | CCM_INSERTIONALLOWED_TASK | CCM_INSERTIONALLOWED_VIEW,
                              &hr);
  EXPECT_EQ(S_OK, hr);
  EXPECT_TRUE(items.empty());
}

TEST_F(AdministratorSession, TheWizardCommandWithoutTheConsolesSheetProviderOpensNothing) {
  writePolicy(reg_, scratch_.key(), policy_);
  const auto markers = refreshMarkers(reg_, scratch_.key());
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  // What creating the console's property-sheet provider answers in this process.
  IUnknown* provider = nullptr;
  const HRESULT missing = CoCreateInstance(ids::nodeManager, nullptr, CLSCTX_INPROC_SERVER, ids::propertySheetProvider,
                                           reinterpret_cast<void**>(&provider));
  ASSERT_TRUE(FAILED(missing));

  EXPECT_EQ(missing, console.command(node, 2));
  EXPECT_TRUE(answerer_.seen.empty());
  expectRuleKeys(policy_.pathKeys, policy_.hashKeys);
  EXPECT_EQ(markers, refreshMarkers(reg_, scratch_.key()));
  EXPECT_TRUE(editor_->policyChanges.empty());
}

TEST_F(AdministratorSession, TheWizardCommandAsksTheConsoleForANewStyleWizard) {
  Console& console = openConsole();
  ASSERT_EQ(S_OK, console.offerSheetProvider());
  HSCOPEITEM node = expandToNode();
  const ScopeItem* item = console.scopeItem(node);
  ASSERT_NE(nullptr, item);

  const HRESULT hr = console.command(node, 2);
  auto requests = console.sheetRequests();
  ASSERT_EQ(1u, requests.size());
  const SheetRequest& sheet = *requests[0];
  EXPECT_EQ(L"Bogus", sheet.title);
  EXPECT_FALSE(sheet.propertySheet) << "a wizard";
  EXPECT_EQ(item->lParam, sheet.cookie);
  EXPECT_TRUE(sheet.dataObjectGiven);
  EXPECT_EQ(static_cast<DWORD>(MMC_PSO_NEWWIZARDTYPE), sheet.options);
  EXPECT_TRUE(sheet.primaryPagesAsked);
  EXPECT_TRUE(sheet.fromComponentData);
  EXPECT_EQ(TRUE, sheet.createHandle);
  EXPECT_EQ(nullptr, sheet.notifyWindow);
  EXPECT_EQ(TRUE, sheet.scopePane);
  EXPECT_EQ(S_OK, sheet.watermarks);
  EXPECT_EQ(nullptr, sheet.watermark);
  EXPECT_NE(nullptr, sheet.header);
  EXPECT_EQ(FALSE, sheet.stretch);
  EXPECT_EQ(1, sheet.showCalls);
  if (sheet.pages == 0) {
    // No wizard pages were made: the sheet begun is discarded and the command answers that.
    EXPECT_TRUE(sheet.discarded);
    EXPECT_EQ(-1, sheet.showWindow);
    EXPECT_EQ(S_OK, hr);
  } else {
    // The eight pages, shown modelessly over the console's main window from the first page.
    EXPECT_EQ(8u, sheet.pages);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(console.mainWindow()), sheet.showWindow);
    EXPECT_EQ(0, sheet.showPage);
    EXPECT_EQ(S_OK, hr);
  }
  EXPECT_TRUE(editor_->policyChanges.empty());

  // Any other command id does nothing.
  EXPECT_EQ(S_FALSE, console.command(node, 3));
  EXPECT_EQ(1u, console.sheetRequests().size());
}

// A wizard page reports to the node through the console: MMCPropertyChangeNotify posts the
// notice, and the console's message loop hands it to the snap-in on the console's thread.
TEST_F(AdministratorSession, APageNoticeTravelsThroughTheConsolesMessageLoop) {
  Console& console = openConsole();
  ASSERT_EQ(S_OK, console.offerSheetProvider());
  HSCOPEITEM node = expandToNode();
  (void)console.command(node, 2);
  ASSERT_EQ(1u, console.sheetRequests().size());
  const LONG_PTR handle = console.sheetRequests()[0]->notifyHandle;
  ASSERT_NE(0, handle);

  // The console's module as a page finds it.
  win::Module consoleModule(LoadLibraryW(L"mmcndmgr.dll"));
  ASSERT_TRUE(consoleModule);
  HMODULE module = consoleModule.get();
  using NotifyFn = HRESULT(WINAPI*)(LONG_PTR, LPARAM);
  auto notify = reinterpret_cast<NotifyFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "MMCPropertyChangeNotify")));
  ASSERT_NE(nullptr, notify);
  auto* owner = reinterpret_cast<snapin::SnapinItem*>(console.scopeItem(node)->lParam);
  // Cancel on the finish page: with no wizard pending the node has nothing to drop.
  EXPECT_EQ(S_OK, notify(handle, snapin::sendablePageNotice(125, owner, snapin::notice::cancel)));
  EXPECT_TRUE(console.propertyChanges.empty()) << "posted, not delivered at once";
  console.pumpMessages();
  ASSERT_EQ(1u, console.propertyChanges.size());
  EXPECT_TRUE(console.propertyChanges[0].scopePane);
  EXPECT_EQ(S_OK, console.propertyChanges[0].result);
  EXPECT_TRUE(editor_->policyChanges.empty());
}

TEST_F(AdministratorSession, TheNodeHasNoPropertiesNoDoubleClickActionAndNoChildren) {
  writePolicy(reg_, scratch_.key(), policy_);
  Console& console = openConsole();
  HSCOPEITEM node = expandToNode();
  View& view = console.openView();
  ASSERT_EQ(S_OK, view.select(node));

  // The Properties request that does not come from the wizard command opens nothing.
  Console::PageRequest pages = console.requestPropertyPages(node);
  EXPECT_EQ(S_OK, pages.queryPagesFor);
  EXPECT_EQ(S_FALSE, pages.createPropertyPages);
  EXPECT_EQ(0u, pages.pagesAdded);

  EXPECT_EQ(S_FALSE, view.notifyScope(node, MMCN_DBLCLICK, 0, 0));
  const ScopeItem* item = console.scopeItem(node);
  ASSERT_NE(nullptr, item);
  std::wstring viewType = L"unchanged";
  EXPECT_EQ(S_FALSE, view.resultViewType(item->lParam, &viewType));
  EXPECT_EQ(L"", viewType);

  const std::size_t before = console.scopeItems().size();
  EXPECT_EQ(S_FALSE, console.expand(node));
  EXPECT_EQ(before, console.scopeItems().size());
  expectRows(view, policy_.cells);  // nothing above changed the list
  EXPECT_TRUE(editor_->policyChanges.empty());
}

}  // namespace
}  // namespace ostrel::console

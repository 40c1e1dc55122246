// The store operations over an in-memory machine hive: load order, clear and write,
// the Refresh marker, the policy-changed calls and every failure the editor can cause.
#include "rules/policy_store.h"

#include <gtest/gtest.h>

#include "platform/faulty_registry.h"
#include "rules/product_guids.h"
#include "tests/rules/store_doubles.h"
#include "tests/rules/store_test_support.h"

namespace ostrel {
namespace {

using testing::PolicyChangedCall;
using testing::subkeyNames;

const std::wstring product = L"SOFTWARE\\Policies\\Kelvast\\Ostrel";

std::unique_ptr<Rule> makeRule(RuleType type, const std::wstring& what) {
  auto r = std::make_unique<Rule>();
  r->newId();
  r->setType(type);
  if (type == RuleType::Hash) {
    r->setApplicationName(what);
    r->setHashFromText("0x" + std::string(40, '5'));
  } else {
    r->setPathPattern(what);
    r->encodePath();
  }
  r->addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
  return r;
}

class PolicyStoreTest : public ::testing::Test {
 protected:
  PolicyStoreTest() : faulty_(hive_), root_(hive_, hive_.openRoot()), host_(faulty_, root_.get()) {}

  std::vector<Rule*> live() {
    std::vector<Rule*> out;
    for (auto& r : rules_) out.push_back(r.get());
    return out;
  }
  // The loaded rules; loadedAll_ keeps what the load reported.
  std::vector<std::unique_ptr<Rule>> load() {
    std::vector<std::unique_ptr<Rule>> loaded;
    loadedAll_ = store::loadRules(&host_, prompter_, [&](std::unique_ptr<Rule> r) { loaded.push_back(std::move(r)); });
    return loaded;
  }
  bool rewrite() { return store::rewriteStore(&host_, prompter_, live()); }
  bool update() { return store::updateStore(&host_, prompter_, true, live()); }
  // Subkeys of the product key, or of the subkey under it given as "\\Name".
  std::vector<std::wstring> keys(const std::wstring& under = L"") {
    return subkeyNames(hive_, root_.get(), product + under);
  }
  std::vector<std::wstring> markers() {
    std::vector<std::wstring> found;
    for (auto& n : keys())
      if (n.rfind(L"ForceUpdate-", 0) == 0) found.push_back(n);
    return found;
  }

  MemoryRegistry hive_;
  FaultyRegistry faulty_;
  RegKey root_;
  testing::RecordingHost host_;
  testing::ScriptedPrompter prompter_;
  std::vector<std::unique_ptr<Rule>> rules_;
  bool loadedAll_ = false;
};

TEST_F(PolicyStoreTest, WithoutTheProductKeyOrTheEditorsInterfaceNothingHappens) {
  EXPECT_TRUE(load().empty());
  EXPECT_TRUE(loadedAll_);
  EXPECT_TRUE(store::loadRules(nullptr, prompter_, [](std::unique_ptr<Rule>) { FAIL(); }));
  EXPECT_TRUE(store::rewriteStore(nullptr, prompter_, {}));
  EXPECT_TRUE(subkeyNames(hive_, root_.get(), L"").empty());
  EXPECT_TRUE(prompter_.asked.empty());
  EXPECT_TRUE(host_.calls.empty());
}

TEST_F(PolicyStoreTest, RewriteLeavesTheLiveRulesOneMarkerAndFourNotificationsAndLoadGivesPathRulesFirst) {
  rules_.push_back(makeRule(RuleType::Hash, L"C:\\h.exe"));
  rules_.push_back(makeRule(RuleType::Path, L"C:\\p1.exe"));
  rules_.push_back(makeRule(RuleType::None, L""));
  // The hash rule holds every list, two entries in one, to be loaded back whole.
  Rule& full = *rules_[0];
  full.addCommandLine(L"app.exe /a");
  full.addGroup(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  full.addGroup(L"Ops", L"CORP", L"S-1-5-21-1-2-3-1001", true);
  full.addSidToDelete(L"Guests", L"BUILTIN", L"S-1-5-32-546", false);
  full.setOverridePrivileges(true);
  full.addPrivilege(L"SeDebugPrivilege");
  full.addPrivilege(L"SeBackupPrivilege");
  EXPECT_TRUE(rewrite());
  ASSERT_EQ(1u, markers().size());
  const std::wstring marker = markers()[0];  // its form is checked by check_registry_pol.py
  EXPECT_EQ((std::vector<std::wstring>{marker, L"Hashes", L"Paths"}), keys());
  EXPECT_EQ(std::vector<std::wstring>{rules_[0]->idText()}, keys(L"\\Hashes"));
  EXPECT_EQ(2u, keys(L"\\Paths").size()) << "a rule of type None goes under Paths";

  std::vector<PolicyChangedCall> expected = {
      {true, false, ids::productExtension, ids::snapinClsid},
      {true, false, ids::registryExtension, ids::snapinClsid},
      {true, true, ids::productExtension, ids::snapinClsid},
      {true, true, ids::registryExtension, ids::snapinClsid},
  };
  EXPECT_EQ(expected, host_.calls);
  EXPECT_TRUE(prompter_.asked.empty());

  // Path rules load first, then hash rules. The rule of no type is a key whose type the reader
  // does not know: it is listed too, so that it can be seen and deleted.
  auto loaded = load();
  ASSERT_EQ(3u, loaded.size());
  if (loaded[0]->type() == RuleType::None) std::swap(loaded[0], loaded[1]);  // the keys under Paths in id order
  EXPECT_EQ(*rules_[1], *loaded[0]);
  EXPECT_EQ(std::pair(rules_[2]->idText(), RuleType::None), std::pair(loaded[1]->idText(), loaded[1]->type()));
  EXPECT_EQ(*rules_[0], *loaded[2]);

  // A rule dropped from the live list is gone after the next rewrite.
  rules_.erase(rules_.begin() + 1);
  rewrite();
  EXPECT_EQ(1u, keys(L"\\Paths").size());
  ASSERT_EQ(1u, markers().size());
  EXPECT_NE(marker, markers()[0]) << "each rewrite renews the Refresh marker";
  EXPECT_EQ(0u, hive_.openHandles() - 1) << "only the test's root handle stays open";
}

TEST_F(PolicyStoreTest, MarkersAreRemovedByPrefixInAnyCaseButNotTheBarePrefix) {
  for (const wchar_t* name : {L"forceupdate-old", L"FORCEUPDATE-0x1", L"ForceUpdate-", L"ForceUpdateX", L"Other"}) {
    RegKey k;
    ASSERT_EQ(status::success, RegKey::create(hive_, root_.get(), product + L"\\" + name, access::all, k));
  }
  update();
  auto names = keys();
  EXPECT_EQ(1u, std::erase_if(names, [](const std::wstring& n) { return n.starts_with(L"ForceUpdate-0x"); }));
  EXPECT_EQ((std::vector<std::wstring>{L"ForceUpdate-", L"ForceUpdateX", L"Hashes", L"Other", L"Paths"}), names)
      << "a write removes nothing but old markers";
  EXPECT_EQ(2u, host_.calls.size());
}

TEST_F(PolicyStoreTest, WriteOverwritesRuleKeysAndLeavesStaleValues) {
  rules_.push_back(makeRule(RuleType::Path, L"C:\\p.exe"));
  rules_[0]->addCommandLine(L"a");
  rules_[0]->addCommandLine(L"b");
  update();
  rules_[0]->clearCommandLines();
  update();
  RegKey k;
  ASSERT_EQ(status::success, RegKey::open(hive_, root_.get(), product + L"\\Paths\\" + rules_[0]->idText(), access::read, k));
  const auto values = testing::dumpValues(hive_, k.get());
  for (const testing::DumpedValue& v : {testing::DumpedValue{L"CommandLines", regtype::dword, L"0"},
                                        testing::DumpedValue{L"CommandLine2", regtype::sz, L"b"}})
    EXPECT_NE(values.end(), std::find(values.begin(), values.end(), v)) << v;
}

// A rule key that cannot be opened is skipped silently; a failed GetRegistryKey shows the
// Policy Error box.
TEST_F(PolicyStoreTest, LoadFailures) {
  rules_.push_back(makeRule(RuleType::Path, L"C:\\a.exe"));
  rules_.push_back(makeRule(RuleType::Path, L"C:\\b.exe"));
  rewrite();
  faulty_.failCallOn(FaultyRegistry::Op::openKey, rules_[1]->idText(), 1, status::accessDenied);
  auto loaded = load();
  ASSERT_EQ(1u, loaded.size());
  EXPECT_EQ(rules_[0]->idText(), loaded[0]->idText());
  EXPECT_FALSE(loadedAll_);
  EXPECT_TRUE(prompter_.asked.empty());

  host_.getKeyCalls = 0;
  host_.failGetKey = {hresult::accessDenied};
  EXPECT_TRUE(load().empty());
  EXPECT_FALSE(loadedAll_);
  ASSERT_EQ(1u, prompter_.asked.size());
  const testing::Asked& box = prompter_.asked[0];
  EXPECT_EQ(std::tuple(std::wstring(L"Policy Error"), mb::iconInformation, WindowHandle{0},
                       platform::systemMessage(hresult::accessDenied)),
            std::tuple(box.caption, box.style, box.owner, box.text));
}

TEST_F(PolicyStoreTest, GetRegistryKeyFailureOnUpdateWritesNothingButStillRefreshes) {
  rules_.push_back(makeRule(RuleType::Path, L"C:\\p.exe"));
  update();  // product key exists, one rule
  rules_.push_back(makeRule(RuleType::Path, L"C:\\q.exe"));
  host_.getKeyCalls = 0;
  host_.calls.clear();
  host_.failGetKey = {hresult::fail};
  EXPECT_FALSE(update());
  EXPECT_EQ(2, host_.getKeyCalls);
  EXPECT_EQ(1u, prompter_.asked.size());
  EXPECT_EQ(1u, keys(L"\\Paths").size()) << "nothing written";
  EXPECT_EQ(1u, markers().size());
  EXPECT_EQ(2u, host_.calls.size());

  host_.getKeyCalls = 0;
  host_.calls.clear();
  host_.failGetKey = {hresult::fail, hresult::fail};
  update();
  EXPECT_EQ(2u, prompter_.asked.size()) << "the second failure is silent";
  EXPECT_TRUE(host_.calls.empty());
}

// A rule key that cannot be created is skipped; a Policies key that cannot be opened for
// writing skips every rule, but not the Refresh marker and the notifications.
TEST_F(PolicyStoreTest, WriteFailuresSkipRulesButNotTheMarker) {
  rules_.push_back(makeRule(RuleType::Path, L"C:\\a.exe"));
  rules_.push_back(makeRule(RuleType::Path, L"C:\\b.exe"));
  faulty_.failCallOn(FaultyRegistry::Op::createKey, rules_[0]->idText(), 1, status::accessDenied);
  EXPECT_FALSE(rewrite());
  EXPECT_EQ(std::vector<std::wstring>{rules_[1]->idText()}, keys(L"\\Paths"));

  rules_.push_back(makeRule(RuleType::Hash, L"C:\\h.exe"));
  host_.calls.clear();
  faulty_.failCallOn(FaultyRegistry::Op::openKey, L"SOFTWARE\\Policies", 1, status::accessDenied);
  EXPECT_FALSE(update());
  EXPECT_TRUE(keys(L"\\Hashes").empty());
  EXPECT_EQ(1u, markers().size());
  EXPECT_EQ(2u, host_.calls.size());
}

// Seven digits are padded to eight, eight stay eight, sixteen are kept whole.
TEST(RefreshMarker, NameIsLowerCaseHexOfAtLeastEightDigits) {
  const std::pair<std::uint64_t, const wchar_t*> cases[] = {{0, L"ForceUpdate-0x00000000"},
                                                            {0xABCDEF1, L"ForceUpdate-0x0abcdef1"},
                                                            {0x12345678, L"ForceUpdate-0x12345678"},
                                                            {0x1D2C3B4A5F6E7D80, L"ForceUpdate-0x1d2c3b4a5f6e7d80"}};
  for (const auto& [fileTime, name] : cases) EXPECT_EQ(name, store::refreshMarkerName(fileTime));
}

TEST_F(PolicyStoreTest, FailureOfTheSecondNotificationAfterAClearIsReported) {
  host_.failPolicyChangedCall = 2;
  rewrite();
  ASSERT_EQ(1u, prompter_.asked.size());
  EXPECT_EQ(L"Policy Error", prompter_.asked[0].caption);
  EXPECT_EQ(4u, host_.calls.size());

  prompter_.asked.clear();
  host_.calls.clear();
  host_.failPolicyChangedCall = 4;  // failures after a write are not looked at
  rewrite();
  EXPECT_TRUE(prompter_.asked.empty());
}

}  // namespace
}  // namespace ostrel

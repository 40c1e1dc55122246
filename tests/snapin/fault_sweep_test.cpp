// Countdown fault sweeps over one hive: for n = 1, 2, ... the n-th registry call (then the
// n-th GetRegistryKey) of an operation fails, until a run no longer reaches the fault. A run
// shows a "Policy Error" box only where GetRegistryKey failed and leaves no handle open; the
// operation run again without faults leaves the hive as a run that never failed does.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"
#include "rules/policy_store.h"
#include "snapin/registration.h"
#include "tests/rules/store_doubles.h"
#include "tests/rules/store_test_support.h"

namespace ostrel::snapin {
namespace {

// The policy holding rules 0 and 1 of three, and the module registered.
struct Env {
  MemoryRegistry hive;
  FaultyRegistry faulty{hive};
  RegKey root{hive, hive.openRoot()}, policy, hkcr, hklm;
  testing::ScriptedPrompter prompter;
  std::vector<std::unique_ptr<Rule>> rules, loaded;
  std::unique_ptr<testing::RecordingHost> host;

  Env() {
    for (auto [name, key] : {std::pair(L"Policy", &policy), std::pair(L"HKCR", &hkcr), std::pair(L"HKLM", &hklm)})
      EXPECT_EQ(status::success, RegKey::create(hive, root.get(), name, access::all, *key));
    host = std::make_unique<testing::RecordingHost>(faulty, policy.get());
    for (const wchar_t* name : {L"R1", L"R2", L"R3"}) {
      auto& r = rules.emplace_back(std::make_unique<Rule>());
      r->idFromText(name);
      r->setType(rules.size() == 2 ? RuleType::Hash : RuleType::Path);
      r->addCommandLine(L"app.exe /x");
      r->addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
    }
    store::rewriteStore(host.get(), prompter, live({0, 1}));
    registerServer(hive, roots(), L"C:\\osadmmc.dll");
    host->getKeyCalls = 0;
  }
  std::vector<Rule*> live(std::initializer_list<std::size_t> which) {
    std::vector<Rule*> out;
    for (std::size_t i : which) out.push_back(rules[i].get());
    return out;
  }
  RegistryRoots roots() const { return {hkcr.get(), hklm.get()}; }
  std::vector<std::wstring> text() const { return testing::hiveLines(hive); }
};

TEST(FaultSweep, StoreOperationsRegistrationAndUnregistration) {
  const struct {
    const char* name;
    std::function<void(Env&)> run;
    int reportingEvery;  // GetRegistryKey calls 1, 1 + this, ... report their failure
  } operations[] = {
      {"LoadRules",
       [](Env& e) { (void)store::loadRules(e.host.get(), e.prompter, [&](auto r) { e.loaded.push_back(std::move(r)); }); },
       1},
      {"UpdateStore", [](Env& e) { (void)store::updateStore(e.host.get(), e.prompter, true, e.live({0, 1, 2})); }, 2},
      {"RewriteStore", [](Env& e) { (void)store::rewriteStore(e.host.get(), e.prompter, e.live({0, 2})); }, 2},
      {"registration", [](Env& e) { registerServer(e.faulty, e.roots(), L"C:\\other\\osadmmc.dll"); }, 1},
      {"unregistration", [](Env& e) { unregisterServer(e.faulty, e.roots()); }, 1},
  };
  for (const auto& op : operations) {
    Env clean;
    op.run(clean);
    int points[2] = {0, 0};
    for (const bool getKey : {false, true}) {
      for (int n = 1;; ++n) {
        Env e;
        e.host->failGetKey.assign(getKey ? static_cast<std::size_t>(n) : 0, 0);
        if (getKey) e.host->failGetKey.back() = hresult::accessDenied;
        e.faulty.failCall(FaultyRegistry::Op::any, getKey ? 0 : n, status::accessDenied);
        op.run(e);
        if (getKey ? e.host->getKeyCalls < n : e.faulty.injected() == 0) break;
        ++points[getKey];
        // A registry fault reaches the box only when it makes GetRegistryKey itself fail.
        const std::size_t boxes = e.prompter.asked.size();
        EXPECT_TRUE(getKey ? boxes == ((n - 1) % op.reportingEvery == 0 ? 1u : 0u) : boxes <= 1) << op.name << n;
        for (const auto& box : e.prompter.asked) EXPECT_EQ(platform::systemMessage(hresult::accessDenied), box.text);
        EXPECT_EQ(4u, e.hive.openHandles()) << op.name << " n=" << n;
        e.faulty.clear();
        e.host->failGetKey.clear();
        e.loaded.clear();
        op.run(e);
        ASSERT_TRUE(clean.text() == e.text()) << op.name << " n=" << n << " GetRegistryKey=" << getKey;
        ASSERT_EQ(clean.loaded.size(), e.loaded.size()) << op.name << " n=" << n;
      }
    }
    std::cout << "[ sweep    ] " << op.name << ": " << points[0] << " registry calls, " << points[1]
              << " GetRegistryKey calls\n";
    EXPECT_GT(points[0], 10) << op.name;
  }
}

}  // namespace
}  // namespace ostrel::snapin

// Countdown fault sweeps over one in-memory hive: for n = 1, 2, ... the n-th registry call
// (then the n-th GetRegistryKey) of an operation fails, until a run no longer reaches the
// fault. Each run ends with a "Policy Error" box only where GetRegistryKey failed and no
// handle left open; the same operation without faults then leaves the hive as a run that
// never failed does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>

#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"
#include "rules/policy_store.h"
#include "snapin/registration.h"
#include "tests/rules/store_doubles.h"

namespace ostrel::snapin {
namespace {

// Every key and value, sorted (a faulted write may leave a rule's values in another order);
// a Refresh marker by its prefix, since its name holds the time.
void hiveText(const MemoryRegistry::Node& node, const std::wstring& path, std::vector<std::wstring>& out) {
  for (const auto& v : node.values)
    out.push_back(path + L"|" + v.name + L"|" + std::to_wstring(v.type) + L"|" +
                  std::wstring(v.data.begin(), v.data.end()));
  for (const auto& [name, child] : node.subkeys) {
    out.push_back(path + L"\\" + (child->name.starts_with(L"ForceUpdate-0x") ? L"ForceUpdate-0x" : child->name));
    hiveText(*child, std::wstring(out.back()), out);
  }
}

struct Env {
  MemoryRegistry hive;
  FaultyRegistry faulty{hive};
  RegKey root{hive, hive.openRoot()}, policy, hkcr, hklm;
  std::unique_ptr<testing::RecordingHost> host;
  testing::ScriptedPrompter prompter;
  std::vector<std::unique_ptr<Rule>> rules, loaded;

  Env() {
    for (auto [name, key] : {std::pair(L"Policy", &policy), std::pair(L"HKCR", &hkcr), std::pair(L"HKLM", &hklm)})
      EXPECT_EQ(status::success, RegKey::create(hive, root.get(), name, access::all, *key));
    host = std::make_unique<testing::RecordingHost>(faulty, policy.get());
    for (const wchar_t* path : {L"C:\\a.exe", L"C:\\b.exe", L"C:\\c.exe"}) {
      auto& r = rules.emplace_back(std::make_unique<Rule>());
      r->idFromText(L"{00000000-0000-4000-8000-00000000000" + std::to_wstring(rules.size()) + L"}");
      r->setType(rules.size() == 2 ? RuleType::Hash : RuleType::Path);
      r->setPathPattern(path);
      r->encodePath();
      r->setHashFromText("0x" + std::string(40, '5'));
      r->addCommandLine(L"app.exe /x");
      r->addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
    }
    store::rewriteStore(host.get(), prompter, live({0, 1}));  // the policy holds the first two
    registerServer(hive, roots(), L"C:\\osadmmc.dll");
    prompter.asked.clear();
    host->getKeyCalls = 0;
  }
  std::vector<Rule*> live(std::initializer_list<std::size_t> which) {
    std::vector<Rule*> out;
    for (std::size_t i : which) out.push_back(rules[i].get());
    return out;
  }
  RegistryRoots roots() const { return {hkcr.get(), hklm.get()}; }
  std::vector<std::wstring> text() {
    std::vector<std::wstring> out;
    hiveText(hive.rootNode(), L"", out);
    std::sort(out.begin(), out.end());
    return out;
  }
};

TEST(FaultSweep, StoreOperationsRegistrationAndUnregistration) {
  const struct {
    const char* name;
    std::function<void(Env&)> run;
    int reportingGetKeyCalls;  // GetRegistryKey calls 1, 1 + this, ... report their failure
  } operations[] = {
      {"LoadRules",
       [](Env& e) {
         e.loaded.clear();
         store::loadRules(e.host.get(), e.prompter, [&](auto r) { e.loaded.push_back(std::move(r)); });
       },
       1},
      {"UpdateStore", [](Env& e) { store::updateStore(e.host.get(), e.prompter, true, e.live({0, 1, 2})); }, 2},
      {"RewriteStore", [](Env& e) { store::rewriteStore(e.host.get(), e.prompter, e.live({0, 2})); }, 2},
      {"registration", [](Env& e) { registerServer(e.faulty, e.roots(), L"C:\\other\\osadmmc.dll"); }, 0},
      {"unregistration", [](Env& e) { unregisterServer(e.faulty, e.roots()); }, 0},
  };
  for (const auto& op : operations) {
    Env clean;
    op.run(clean);
    const std::vector<std::wstring> expected = clean.text();
    int points[2] = {0, 0};
    for (const bool getKey : {false, true}) {
      for (int n = 1;; ++n) {
        Env e;
        if (getKey) {
          e.host->failGetKey.assign(static_cast<std::size_t>(n), 0);
          e.host->failGetKey.back() = hresult::accessDenied;
        } else {
          e.faulty.failCall(FaultyRegistry::Op::any, n, status::accessDenied);
        }
        op.run(e);
        if (getKey ? e.host->getKeyCalls < n : e.faulty.injected() == 0) break;
        ++points[getKey];
        // A registry fault reaches the box only when it makes GetRegistryKey itself fail.
        const std::size_t boxes = e.prompter.asked.size();
        if (getKey) {
          EXPECT_EQ((n - 1) % op.reportingGetKeyCalls == 0 ? 1u : 0u, boxes) << op.name << " n=" << n;
        }
        EXPECT_LE(boxes, 1u) << op.name << " n=" << n;
        for (const auto& box : e.prompter.asked) EXPECT_EQ(platform::systemMessage(hresult::accessDenied), box.text);
        EXPECT_EQ(4u, e.hive.openHandles()) << op.name << " n=" << n << ": only the test's keys stay open";
        e.faulty.clear();
        e.host->failGetKey.clear();
        op.run(e);
        ASSERT_TRUE(expected == e.text()) << op.name << " n=" << n << " GetRegistryKey=" << getKey;
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

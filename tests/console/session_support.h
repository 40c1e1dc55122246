#pragma once
// What the administrator-session scenarios share: the module registered once per test
// program, a watchdog per test, a policy written with the store code into a fresh registry
// key, and reading back what the policy's registry holds.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "platform/win/win32_registry.h"
#include "rules/rule.h"

namespace ostrel::console {

// Registers the copy of osadmmc.dll next to the test program (DllRegisterServer) once per
// process; S_OK when the module is registered.
HRESULT registerModuleOnce();
// The module's DllCanUnloadNow, if the module is loaded in this process.
HRESULT moduleCanUnloadNow();

// Ends the test program with a message if a test runs longer than its limit, so that a
// wait that never ends (a dialog nobody answers) fails fast and says which test it was.
class Watchdog {
 public:
  Watchdog(std::string test, DWORD milliseconds);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  static DWORD WINAPI run(void* self);
  std::string test_;
  DWORD limit_;
  win::Handle done_;
  win::Handle thread_;
};

// The three rules of the administrator's policy, with fixed ids so that the order the
// registry enumerates them in is known: two path rules, then one hash rule.
struct SamplePolicy {
  SamplePolicy();
  std::vector<std::unique_ptr<Rule>> rules;
  // The cells of each rule's row, in the order the result pane lists them (path, path, hash).
  std::vector<std::vector<std::wstring>> cells;
  std::vector<std::wstring> pathKeys;  // the Rule key names under Paths, in order
  std::vector<std::wstring> hashKeys;  // ... under Hashes
};

// Writes the rules into the machine root with the store code (as a finished wizard would).
void writePolicy(win::Win32Registry& registry, Registry::Key machineRoot, const SamplePolicy& policy);

// Direct subkeys of root\path, in the registry's order; empty when the key is missing.
std::vector<std::wstring> subkeys(win::Win32Registry& registry, Registry::Key root, const std::wstring& path);

// The Refresh markers under the product key.
std::vector<std::wstring> refreshMarkers(win::Win32Registry& registry, Registry::Key root);

}  // namespace ostrel::console

// Registration through the system's regsvr32 and the module's exports, in the real registry.
#include <gtest/gtest.h>

#include <process.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "tests/snapin/module_loader_win.h"
#include "tests/snapin/registered_entries_win.h"

namespace ostrel::snapin {
namespace {

using testing::registeredEntries;

// regsvr32 [options] module, waited for; its exit code.
int regsvr32(const wchar_t* options) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
  const std::wstring module = L"\"" + testing::modulePath() + L"\"";
  return static_cast<int>(_wspawnl(_P_WAIT, program.c_str(), L"regsvr32", options, module.c_str(), nullptr));
}

// regsvr32 in the test's prefix registers the module's real path under the real roots: exactly
// the module's registration rows (whose texts registration_test.cpp spells out), and an
// unregistration leaves the About class alone.
TEST(Registration, Regsvr32AndTheExportsRegisterAndUnregister) {
  const std::vector<std::wstring> registered = testing::expectedEntries(testing::modulePath());
  std::vector<std::wstring> about;
  std::copy_if(registered.begin(), registered.end(), std::back_inserter(about),
               [](const std::wstring& e) { return e.starts_with(testing::lower(aboutClassKey())); });
  ASSERT_EQ(3u, about.size());

  ASSERT_EQ(regsvr32(L"/s /u"), 0);  // a clean start, whatever ran before
  ASSERT_EQ(regsvr32(L"/s"), 0);
  EXPECT_EQ(registeredEntries(), registered);
  ASSERT_EQ(regsvr32(L"/s /u"), 0);
  EXPECT_EQ(registeredEntries(), about);

  testing::LoadedModule module;
  ASSERT_TRUE(module.module);
  EXPECT_EQ(module.registerServer(), S_OK);
  EXPECT_EQ(registeredEntries(), registered);
  EXPECT_EQ(module.unregisterServer(), S_OK);
  EXPECT_EQ(module.unregisterServer(), S_OK) << "unregistering twice is no failure";
  EXPECT_EQ(registeredEntries(), about);
}

}  // namespace
}  // namespace ostrel::snapin

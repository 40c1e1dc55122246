// Registration through the system's regsvr32 and the module's exports, in the real registry.
#include <gtest/gtest.h>

#include <process.h>

#include <algorithm>
#include <string>

#include "platform/win/handles.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::snapin {
namespace {

const std::wstring snapinKey = L"CLSID\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
const std::wstring aboutKey = L"CLSID\\{6B1F3C53-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t snapinsKey[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t nameSpaceKey[] =
    L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\{8FC0B739-A0E1-11D1-A7D3-0000F87571E3}\\Extensions\\NameSpace";
constexpr wchar_t snapinValue[] = L"{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";

// regsvr32 [options] module, waited for; its exit code.
int regsvr32(const wchar_t* options) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
  const std::wstring module = L"\"" + testing::modulePath() + L"\"";
  return static_cast<int>(_wspawnl(_P_WAIT, program.c_str(), L"regsvr32", options, module.c_str(), nullptr));
}

std::wstring lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
  return s;
}

// The REG_SZ value root\key\name in lower case, or "(none)".
std::wstring text(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t data[1024];
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"(none)";
  return lower(data);
}

bool exists(HKEY root, const std::wstring& key) {
  win::Key k;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// regsvr32 in the test's prefix registers the module's real path under the real roots; which
// entries a registration writes, and nothing more, is checked against the in-memory hive
// (registration_test.cpp).
TEST(Registration, Regsvr32AndTheExportsRegisterAndUnregister) {
  const std::wstring server = L"\\InprocServer32", path = lower(testing::modulePath());

  ASSERT_EQ(regsvr32(L"/s /u"), 0);  // a clean start, whatever ran before
  ASSERT_EQ(regsvr32(L"/s"), 0);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, snapinKey + server, L""), path);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, aboutKey + server, L""), path);
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, snapinsKey, L"About"), lower(aboutKey.substr(6)));
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, nameSpaceKey, snapinValue),
            L"group policy namespace extension for ostrel for active directory");

  ASSERT_EQ(regsvr32(L"/s /u"), 0);
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, snapinKey));
  EXPECT_FALSE(exists(HKEY_LOCAL_MACHINE, snapinsKey));
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, nameSpaceKey, snapinValue), L"(none)");
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, aboutKey + server, L""), path) << "the About class stays registered";

  testing::LoadedModule module;
  ASSERT_TRUE(module.module);
  EXPECT_EQ(module.registerServer(), S_OK);
  EXPECT_EQ(text(HKEY_CLASSES_ROOT, snapinKey + server, L""), path);
  EXPECT_EQ(module.unregisterServer(), S_OK);
  EXPECT_EQ(module.unregisterServer(), S_OK) << "unregistering twice is no failure";
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, snapinKey));
}

}  // namespace
}  // namespace ostrel::snapin

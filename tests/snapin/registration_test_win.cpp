// Registration through the system's regsvr32, and what it leaves in the real registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/win/handles.h"
#include "tests/snapin/module_loader_win.h"

namespace ostrel::snapin {
namespace {

constexpr wchar_t snapinKey[] = L"CLSID\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t aboutKey[] = L"CLSID\\{6B1F3C53-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t snapinsKey[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t nameSpaceKey[] =
    L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\{8FC0B739-A0E1-11D1-A7D3-0000F87571E3}\\Extensions\\NameSpace";
constexpr wchar_t snapinValue[] = L"{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t title[] = L"Ostrel for Active Directory";

// regsvr32 [options] module, waited for at most 60 s; its exit code.
DWORD regsvr32(const std::wstring& options) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + options + L" \"" +
                         testing::modulePath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 0xFFFFFFFF;
  win::Handle process(info.hProcess), thread(info.hThread);
  if (WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    return 0xFFFFFFFE;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  return code;
}

struct KeyContent {
  bool exists = false;
  std::map<std::wstring, std::wstring> values;  // REG_SZ values by name
  std::vector<std::wstring> otherTypes;         // names of values that are not REG_SZ
  std::vector<std::wstring> subkeys;
};

KeyContent read(HKEY root, const std::wstring& path) {
  KeyContent c;
  win::Key key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return c;
  c.exists = true;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256, type = 0;
    BYTE data[2048];
    DWORD size = sizeof data;
    if (RegEnumValueW(key.get(), i, name, &nameChars, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    if (type != REG_SZ) {
      c.otherTypes.push_back(name);
      continue;
    }
    c.values[name] = std::wstring(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t) - 1);
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(data)[size / sizeof(wchar_t) - 1], L'\0') << "terminating zero counted";
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256;
    if (RegEnumKeyExW(key.get(), i, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    c.subkeys.push_back(name);
  }
  return c;
}

std::wstring lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(towlower(c)); });
  return s;
}

void expectClassKey(const std::wstring& path) {
  KeyContent cls = read(HKEY_CLASSES_ROOT, path);
  ASSERT_TRUE(cls.exists);
  EXPECT_EQ(cls.values, (std::map<std::wstring, std::wstring>{{L"", title}}));
  EXPECT_EQ(cls.subkeys, std::vector<std::wstring>{L"InprocServer32"});
  KeyContent server = read(HKEY_CLASSES_ROOT, path + L"\\InprocServer32");
  EXPECT_EQ(server.values.size(), 2u);
  EXPECT_EQ(lower(server.values[L""]), lower(testing::modulePath()));
  EXPECT_EQ(server.values[L"ThreadingModel"], L"Apartment");
  EXPECT_TRUE(server.subkeys.empty());
  EXPECT_TRUE(server.otherTypes.empty());
}

TEST(Registration, Regsvr32RegistersTheNineEntriesAndUnregistersAllButTheAboutClass) {
  // Unregistration first, so that the test starts from a clean state whatever ran before.
  ASSERT_EQ(regsvr32(L"/s /u"), 0u);
  ASSERT_EQ(regsvr32(L"/s"), 0u);
  for (int pass = 0; pass < 2; ++pass) {  // registering twice leaves the same entries
    SCOPED_TRACE(pass == 0 ? "registered once" : "registered twice");
    expectClassKey(snapinKey);
    expectClassKey(aboutKey);
    KeyContent snapins = read(HKEY_LOCAL_MACHINE, snapinsKey);
    EXPECT_EQ(snapins.values, (std::map<std::wstring, std::wstring>{
                                  {L"NameString", title}, {L"About", L"{6B1F3C53-8E4A-4D27-9A31-5C2E71B04F18}"}}));
    EXPECT_TRUE(snapins.subkeys.empty()) << "no standalone entry, no node types";
    EXPECT_TRUE(snapins.otherTypes.empty());
    KeyContent ns = read(HKEY_LOCAL_MACHINE, nameSpaceKey);
    EXPECT_EQ(ns.values[snapinValue], L"Group Policy Namespace Extension for Ostrel for Active Directory");
    if (pass == 0) {
      ASSERT_EQ(regsvr32(L"/s"), 0u);
    }
  }

  ASSERT_EQ(regsvr32(L"/s /u"), 0u);
  EXPECT_FALSE(read(HKEY_CLASSES_ROOT, snapinKey).exists);
  EXPECT_FALSE(read(HKEY_LOCAL_MACHINE, snapinsKey).exists);
  KeyContent ns = read(HKEY_LOCAL_MACHINE, nameSpaceKey);
  EXPECT_EQ(ns.values.count(snapinValue), 0u);
  expectClassKey(aboutKey);  // the About class stays registered
}

TEST(Registration, ExportsAnswerOkInProcess) {
  testing::LoadedModule dll;
  ASSERT_TRUE(dll.module);
  ASSERT_NE(dll.registerServer, nullptr);
  ASSERT_NE(dll.unregisterServer, nullptr);
  EXPECT_EQ(dll.registerServer(), S_OK);
  EXPECT_TRUE(read(HKEY_CLASSES_ROOT, snapinKey).exists);
  EXPECT_EQ(dll.unregisterServer(), S_OK);
  EXPECT_EQ(dll.unregisterServer(), S_OK) << "unregistering twice is no failure";
  EXPECT_FALSE(read(HKEY_CLASSES_ROOT, snapinKey).exists);
}

}  // namespace
}  // namespace ostrel::snapin

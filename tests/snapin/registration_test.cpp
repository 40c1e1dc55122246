// The registry entries of the module's registration and unregistration, against the
// in-memory hive with two keys standing in for HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"
#include "platform/text.h"
#include "snapin/registration.h"

namespace ostrel::snapin {
namespace {

constexpr wchar_t modulePath[] = L"C:\\Program Files\\Ostrel\\osadmmc.dll";
constexpr wchar_t snapinKey[] = L"CLSID\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t aboutKey[] = L"CLSID\\{6B1F3C53-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t snapinsKey[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}";
constexpr wchar_t nameSpaceKey[] =
    L"SOFTWARE\\Microsoft\\MMC\\NodeTypes\\{8FC0B739-A0E1-11D1-A7D3-0000F87571E3}\\Extensions\\NameSpace";
constexpr wchar_t title[] = L"Ostrel for Active Directory";

// root name, key path, value name, data
using Value = std::tuple<std::wstring, std::wstring, std::wstring, std::wstring>;

const std::vector<Value> nineEntries = {
    {L"HKCR", snapinKey, L"", title},
    {L"HKCR", std::wstring(snapinKey) + L"\\InprocServer32", L"", modulePath},
    {L"HKCR", std::wstring(snapinKey) + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"HKCR", aboutKey, L"", title},
    {L"HKCR", std::wstring(aboutKey) + L"\\InprocServer32", L"", modulePath},
    {L"HKCR", std::wstring(aboutKey) + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"HKLM", snapinsKey, L"NameString", title},
    {L"HKLM", snapinsKey, L"About", L"{6B1F3C53-8E4A-4D27-9A31-5C2E71B04F18}"},
    {L"HKLM", nameSpaceKey, L"{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}",
     L"Group Policy Namespace Extension for Ostrel for Active Directory"},
};

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest() : root_(hive_, hive_.openRoot()) {
    EXPECT_EQ(RegKey::create(hive_, root_.get(), L"HKCR", access::all, hkcr_), status::success);
    EXPECT_EQ(RegKey::create(hive_, root_.get(), L"HKLM", access::all, hklm_), status::success);
  }
  RegistryRoots roots() const { return {hkcr_.get(), hklm_.get()}; }

  // Every value of the hive, sorted by key path (keys in enumeration order), as REG_SZ text.
  std::vector<Value> allValues() const {
    std::vector<Value> out;
    for (const auto& [name, node] : hive_.rootNode().subkeys) collect(node->name, L"", *node, out);
    return out;
  }
  // Every key path under a root, values or not.
  std::vector<std::wstring> allKeys(const std::wstring& rootName) const {
    std::vector<std::wstring> out;
    const auto& node = *hive_.rootNode().subkeys.find(rootName)->second;
    collectKeys(L"", node, out);
    return out;
  }

  MemoryRegistry hive_;
  RegKey root_, hkcr_, hklm_;

 private:
  static void collect(const std::wstring& rootName, const std::wstring& path, const MemoryRegistry::Node& node,
                      std::vector<Value>& out) {
    for (const auto& v : node.values) {
      std::wstring text;
      EXPECT_EQ(v.type, regtype::sz) << toUtf8(path) << " " << toUtf8(v.name);
      EXPECT_TRUE(textFromRegSz(v.data, text));
      EXPECT_EQ(v.data.size(), (toUtf16(text).size() + 1) * 2) << "terminating zero counted";
      out.emplace_back(rootName, path, v.name, text);
    }
    for (const auto& [name, child] : node.subkeys)
      collect(rootName, path.empty() ? child->name : path + L"\\" + child->name, *child, out);
  }
  static void collectKeys(const std::wstring& path, const MemoryRegistry::Node& node, std::vector<std::wstring>& out) {
    for (const auto& [name, child] : node.subkeys) {
      std::wstring p = path.empty() ? child->name : path + L"\\" + child->name;
      out.push_back(p);
      collectKeys(p, *child, out);
    }
  }
};

std::vector<Value> sorted(std::vector<Value> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(RegistrationTest, WritesExactlyTheNineEntries) {
  registerServer(hive_, roots(), modulePath);
  EXPECT_EQ(sorted(allValues()), sorted(nineEntries));
}

TEST_F(RegistrationTest, EntriesComeInTableOrder) {
  std::vector<RegistrationEntry> rows = registrationEntries(modulePath);
  ASSERT_EQ(rows.size(), nineEntries.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const auto& [rootName, key, name, data] = nineEntries[i];
    EXPECT_EQ(rows[i].root == RegistryRoot::classesRoot ? L"HKCR" : L"HKLM", rootName) << i;
    EXPECT_EQ(rows[i].key, key) << i;
    EXPECT_EQ(rows[i].valueName, name) << i;
    EXPECT_EQ(rows[i].data, data) << i;
    EXPECT_EQ(rows[i].fromExtensionTable, i == 8) << i;
  }
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  registerServer(hive_, roots(), modulePath);
  registerServer(hive_, roots(), modulePath);
  EXPECT_EQ(sorted(allValues()), sorted(nineEntries));
}

TEST_F(RegistrationTest, UnregisteringKeepsOnlyTheAboutClass) {
  registerServer(hive_, roots(), modulePath);
  unregisterServer(hive_, roots());
  const std::vector<Value> left(nineEntries.begin() + 3, nineEntries.begin() + 6);
  EXPECT_EQ(sorted(allValues()), sorted(left));
  for (const auto& key : allKeys(L"HKCR")) EXPECT_EQ(key.find(L"6B1F3C52"), std::wstring::npos) << toUtf8(key);
  for (const auto& key : allKeys(L"HKLM")) EXPECT_EQ(key.find(L"6B1F3C52"), std::wstring::npos) << toUtf8(key);
  EXPECT_EQ(hive_.openHandles(), 3u);  // the test's own three
}

TEST_F(RegistrationTest, UnregisteringKeepsOtherExtensionsOfTheNode) {
  registerServer(hive_, roots(), modulePath);
  RegKey ns;
  ASSERT_EQ(RegKey::open(hive_, hklm_.get(), nameSpaceKey, access::all, ns), status::success);
  hive_.setValue(ns.get(), L"{00000000-1111-2222-3333-444444444444}", regtype::sz, regSzBytes(L"Other"));
  unregisterServer(hive_, roots());
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(hive_.queryValue(ns.get(), L"{00000000-1111-2222-3333-444444444444}", type, {}, size), status::success);
  EXPECT_EQ(hive_.queryValue(ns.get(), L"{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}", type, {}, size),
            status::fileNotFound);
}

TEST_F(RegistrationTest, UnregisteringWhatWasNeverRegisteredChangesNothing) {
  unregisterServer(hive_, roots());
  EXPECT_TRUE(allValues().empty());
  EXPECT_TRUE(allKeys(L"HKLM").empty());
}

TEST_F(RegistrationTest, KeyThatCannotBeCreatedIsSkippedInTheFixedRows) {
  FaultyRegistry faulty(hive_);
  // Row 2's key fails once; row 3 opens the same key and is written.
  faulty.failCallOn(FaultyRegistry::Op::createKey, L"InprocServer32", 1, status::accessDenied);
  registerServer(faulty, roots(), modulePath);
  std::vector<Value> expected = nineEntries;
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(sorted(allValues()), sorted(expected));
}

TEST_F(RegistrationTest, ExtensionKeyThatCannotBeCreatedEndsTheRegistration) {
  FaultyRegistry faulty(hive_);
  faulty.failCallOn(FaultyRegistry::Op::createKey, L"NameSpace", 1, status::accessDenied);
  registerServer(faulty, roots(), modulePath);
  const std::vector<Value> expected(nineEntries.begin(), nineEntries.begin() + 8);
  EXPECT_EQ(sorted(allValues()), sorted(expected));
}

TEST_F(RegistrationTest, DeletesADeepTree) {
  RegKey k;
  for (const wchar_t* path : {L"T\\a\\b\\c", L"T\\a\\d", L"T\\e", L"Keep"})
    ASSERT_EQ(RegKey::create(hive_, hkcr_.get(), path, access::all, k), status::success);
  k.reset();
  EXPECT_EQ(deleteKeyWithSubkeys(hive_, hkcr_.get(), L"T"), status::success);
  EXPECT_EQ(allKeys(L"HKCR"), std::vector<std::wstring>{L"Keep"});
  EXPECT_EQ(deleteKeyWithSubkeys(hive_, hkcr_.get(), L"T"), status::fileNotFound);
}

TEST_F(RegistrationTest, TreeDeletionStopsAtTheFirstFailureAndReportsIt) {
  RegKey k;
  for (const wchar_t* path : {L"T\\a\\b", L"T\\c"})
    ASSERT_EQ(RegKey::create(hive_, hkcr_.get(), path, access::all, k), status::success);
  k.reset();
  FaultyRegistry faulty(hive_);
  faulty.failCallOn(FaultyRegistry::Op::deleteKey, L"b", 1, status::accessDenied, true);
  EXPECT_EQ(deleteKeyWithSubkeys(faulty, hkcr_.get(), L"T"), status::accessDenied);
  // "a" could not lose "b", so the walk stopped before "c"; T itself was tried and refused.
  EXPECT_EQ(allKeys(L"HKCR"), (std::vector<std::wstring>{L"T", L"T\\a", L"T\\a\\b", L"T\\c"}));
  EXPECT_EQ(hive_.openHandles(), 3u);
}

}  // namespace
}  // namespace ostrel::snapin

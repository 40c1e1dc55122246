// The registry entries of the module's registration and unregistration, against the
// in-memory hive with two keys standing in for HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "platform/faulty_registry.h"
#include "platform/memory_registry.h"
#include "platform/text.h"
#include "rules/product_guids.h"
#include "snapin/registration.h"

namespace ostrel::snapin {
namespace {

constexpr wchar_t modulePath[] = L"C:\\Program Files\\Ostrel\\osadmmc.dll";
const std::wstring nameSpaceKey = namespaceExtensionKey(ids::nodeIdMachine);
constexpr wchar_t noValues[] = L"(a key without values)";

// root name, key path, value name, data
using Value = std::tuple<std::wstring, std::wstring, std::wstring, std::wstring>;

// The module's registration rows, whose texts the WiX source spells out by hand and
// WixSource.RegistryValuesAreTheModuleRegistrationInItsOrder compares: three values of each
// class, two of the console's snap-in key and the namespace extension, in writing order.
const std::vector<Value> nineEntries = [] {
  std::vector<Value> out;
  for (const RegistrationEntry& row : registrationEntries(modulePath))
    out.emplace_back(row.root == RegistryRoot::classesRoot ? L"HKCR" : L"HKLM", row.key, row.valueName, row.data);
  return out;
}();

std::vector<Value> sorted(std::vector<Value> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// A hive with two keys standing in for the two roots.
struct TestHive {
  TestHive() {
    EXPECT_EQ(RegKey::create(hive, root.get(), L"HKCR", access::all, hkcr), status::success);
    EXPECT_EQ(RegKey::create(hive, root.get(), L"HKLM", access::all, hklm), status::success);
  }
  RegistryRoots roots() const { return {hkcr.get(), hklm.get()}; }

  // Every value as REG_SZ text, and every leaf key without values, sorted.
  std::vector<Value> allValues() const {
    std::vector<Value> out;
    for (const auto& [name, node] : hive.rootNode().subkeys) walk(node->name, L"", *node, out);
    return sorted(out);
  }
  static void walk(const std::wstring& rootName, const std::wstring& path, const MemoryRegistry::Node& node,
                   std::vector<Value>& values) {
    if (!path.empty() && node.values.empty() && node.subkeys.empty()) values.emplace_back(rootName, path, noValues, L"");
    for (const auto& v : node.values) {
      std::wstring text;
      EXPECT_EQ(v.type, regtype::sz) << toUtf8(path) << " " << toUtf8(v.name);
      EXPECT_TRUE(textFromRegSz(v.data, text));
      EXPECT_EQ(v.data.size(), (toUtf16(text).size() + 1) * 2) << "terminating zero counted";
      values.emplace_back(rootName, path, v.name, text);
    }
    for (const auto& [name, child] : node.subkeys)
      walk(rootName, path.empty() ? child->name : path + L"\\" + child->name, *child, values);
  }

  MemoryRegistry hive;
  RegKey root{hive, hive.openRoot()}, hkcr, hklm;
};

TEST(Registration, WritesExactlyTheNineEntriesAlsoWhenRegisteredTwice) {
  ASSERT_EQ(9u, nineEntries.size());
  TestHive h;
  for (int pass = 0; pass < 2; ++pass) {
    registerServer(h.hive, h.roots(), modulePath);
    EXPECT_EQ(h.allValues(), sorted(nineEntries)) << "pass " << pass;
  }
}

TEST(Registration, UnregisteringKeepsTheAboutClassAndOtherExtensionsOfTheNode) {
  TestHive h;
  unregisterServer(h.hive, h.roots());  // never registered: creates nothing
  EXPECT_TRUE(h.allValues().empty());

  registerServer(h.hive, h.roots(), modulePath);
  RegKey ns;
  ASSERT_EQ(RegKey::open(h.hive, h.hklm.get(), nameSpaceKey, access::all, ns), status::success);
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  ASSERT_EQ(h.hive.setValue(ns.get(), other, regtype::sz, regSzBytes(L"Other")), status::success);
  ns.reset();
  unregisterServer(h.hive, h.roots());
  std::vector<Value> left(nineEntries.begin() + 3, nineEntries.begin() + 6);
  left.emplace_back(L"HKLM", nameSpaceKey, other, L"Other");
  left.emplace_back(L"HKLM", L"SOFTWARE\\Microsoft\\MMC\\SnapIns", noValues, L"");
  EXPECT_EQ(h.allValues(), sorted(left));
  EXPECT_EQ(h.hive.openHandles(), 3u);  // the test's own three
}

// A fixed row whose key cannot be created is skipped (the next row opens the same key and is
// written); an extension row's failure ends the registration.
TEST(Registration, KeysThatCannotBeCreated) {
  std::vector<Value> withoutRow2 = nineEntries;
  withoutRow2.erase(withoutRow2.begin() + 1);
  const std::pair<const wchar_t*, std::vector<Value>> cases[] = {
      {L"InprocServer32", withoutRow2},
      {L"NameSpace", std::vector<Value>(nineEntries.begin(), nineEntries.begin() + 8)},
  };
  for (const auto& [failingKey, expected] : cases) {
    TestHive h;
    FaultyRegistry faulty(h.hive);
    faulty.failCallOn(FaultyRegistry::Op::createKey, failingKey, 1, status::accessDenied);
    registerServer(faulty, h.roots(), modulePath);
    EXPECT_EQ(h.allValues(), sorted(expected)) << toUtf8(failingKey);
  }
}

TEST(Registration, TreeDeletionStopsAtTheFirstFailureAndReportsIt) {
  TestHive h;
  RegKey k;
  for (const wchar_t* path : {L"T\\a\\b\\c", L"T\\a\\d", L"T\\e", L"Keep"})
    ASSERT_EQ(RegKey::create(h.hive, h.hkcr.get(), path, access::all, k), status::success);
  k.reset();
  EXPECT_EQ(deleteKeyWithSubkeys(h.hive, h.hkcr.get(), L"T"), status::success);
  const Value keep{L"HKCR", L"Keep", noValues, L""};
  EXPECT_EQ(h.allValues(), std::vector<Value>{keep});
  EXPECT_EQ(deleteKeyWithSubkeys(h.hive, h.hkcr.get(), L"T"), status::fileNotFound);

  // "a" cannot lose "b", so the walk stops before "c"; T itself is tried and refused. (A leaf
  // left implies the keys above it.)
  for (const wchar_t* path : {L"T\\a\\b", L"T\\c"})
    ASSERT_EQ(RegKey::create(h.hive, h.hkcr.get(), path, access::all, k), status::success);
  k.reset();
  FaultyRegistry faulty(h.hive);
  faulty.failCallOn(FaultyRegistry::Op::deleteKey, L"b", 1, status::accessDenied, true);
  EXPECT_EQ(deleteKeyWithSubkeys(faulty, h.hkcr.get(), L"T"), status::accessDenied);
  EXPECT_EQ(h.allValues(), sorted({keep, {L"HKCR", L"T\\a\\b", noValues, L""}, {L"HKCR", L"T\\c", noValues, L""}}));
  EXPECT_EQ(h.hive.openHandles(), 3u);
}

}  // namespace
}  // namespace ostrel::snapin

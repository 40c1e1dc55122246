// The installer's WiX source against the module's own registration rows: the package's
// Registry table must write what DllRegisterServer writes, with the installed module's path.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>
#include <vector>

#include "platform/text.h"
#include "rules/rule_layout.h"
#include "snapin/registration.h"
#include "tests/platform/temp_folder.h"

namespace ostrel::snapin {
namespace {

// The Registry table formats its values: "[#file id]" becomes the installed file's path.
const std::wstring installedModulePath = L"[#osadmmc.dll]";

// The source without its comments.
std::string wixSource() {
  return std::regex_replace(testing::slurp(OSTREL_WXS_PATH), std::regex(R"(<!--[\s\S]*?-->)"), "");
}

using Attributes = std::map<std::string, std::wstring>;

// Every element <name .../> or <name ...> of the source, with its attributes.
std::vector<Attributes> elements(const std::string& source, const std::string& name) {
  std::vector<Attributes> out;
  const std::regex element("<" + name + R"(\s([^>]*?)/?>)");
  const std::regex attribute(R"re(([A-Za-z0-9_]+)="([^"]*)")re");
  for (std::sregex_iterator e(source.begin(), source.end(), element), end; e != end; ++e) {
    const std::string body = (*e)[1];
    Attributes& attributes = out.emplace_back();
    for (std::sregex_iterator a(body.begin(), body.end(), attribute); a != end; ++a)
      attributes[(*a)[1]] = fromUtf8((*a)[2].str());
  }
  return out;
}

std::wstring describe(const std::wstring& root, const std::wstring& key, const std::wstring& name,
                      const std::wstring& data) {
  return root + L"\\" + key + L" | " + (name.empty() ? L"(default)" : name) + L" = " + data;
}

// Whether the package formats these rows into the module's registration (bracketed
// properties, the [#file] reference) is checked by installer_tests against the real registry.
TEST(WixSource, RegistryValuesAreTheModuleRegistrationInItsOrder) {
  std::vector<std::wstring> expected;
  for (const RegistrationEntry& row : registrationEntries(installedModulePath))
    expected.push_back(describe(row.root == RegistryRoot::classesRoot ? L"HKCR" : L"HKLM", row.key, row.valueName,
                                row.data));
  std::vector<std::wstring> packaged;
  for (Attributes& value : elements(wixSource(), "RegistryValue")) {
    EXPECT_EQ(value["Type"], L"string") << "every entry is REG_SZ";
    packaged.push_back(describe(value["Root"], value["Key"], value["Name"], value["Value"]));
  }
  ASSERT_EQ(expected.size(), 9u);
  EXPECT_EQ(packaged, expected);
}

// The maker that the package names is the one the snap-in's About shows.
TEST(WixSource, ManufacturerIsTheMakerName) {
  const std::string source = wixSource();
  for (const char* name : {"Product", "Package"}) {
    const std::vector<Attributes> found = elements(source, name);
    ASSERT_EQ(found.size(), 1u) << name;
    EXPECT_EQ(found[0].at("Manufacturer"), layout::makerName) << name;
  }
}

}  // namespace
}  // namespace ostrel::snapin

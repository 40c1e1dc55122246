// The installer's WiX source against the module's own registration rows: the package's
// Registry table must write what DllRegisterServer writes, with the installed module's path.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text.h"
#include "resources/product_guids.h"
#include "rules/rule_layout.h"
#include "snapin/registration.h"

namespace ostrel::snapin {
namespace {

// The Registry table formats its values: "[#file id]" becomes the installed file's path.
const std::wstring installedModulePath = L"[#osadmmc.dll]";

// The source without its comments.
std::string wixSource() {
  std::ifstream in(OSTREL_WXS_PATH);
  std::ostringstream text;
  text << in.rdbuf();
  return std::regex_replace(text.str(), std::regex(R"(<!--[\s\S]*?-->)"), "");
}

std::wstring unescapeXml(std::string text) {
  static const std::pair<std::string, std::string> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : entities)
    for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + plain.size()))
      text.replace(at, entity.size(), plain);
  return fromUtf8(text);
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
      attributes[(*a)[1]] = unescapeXml((*a)[2]);
  }
  return out;
}

std::wstring describe(const std::wstring& root, const std::wstring& key, const std::wstring& name,
                      const std::wstring& data) {
  return root + L"\\" + key + L" | " + (name.empty() ? L"(default)" : name) + L" = " + data;
}

TEST(WixSource, RegistryValuesAreTheModuleRegistrationInItsOrder) {
  std::vector<std::wstring> expected;
  for (const RegistrationEntry& row : registrationEntries(installedModulePath)) {
    expected.push_back(describe(row.root == RegistryRoot::classesRoot ? L"HKCR" : L"HKLM", row.key, row.valueName,
                                row.data));
    // The table formats values: brackets would be read as properties, a leading '#' as a number.
    if (row.data != installedModulePath) {
      EXPECT_EQ(row.data.find_first_of(L"[]"), std::wstring::npos) << "needs escaping in the package: " << toUtf8(row.data);
      EXPECT_NE(row.data.front(), L'#') << toUtf8(row.data);
    }
  }
  std::vector<std::wstring> packaged;
  for (Attributes& value : elements(wixSource(), "RegistryValue")) {
    EXPECT_EQ(value["Type"], L"string") << "every entry is REG_SZ";
    packaged.push_back(describe(value["Root"], value["Key"], value["Name"], value["Value"]));
  }
  ASSERT_EQ(expected.size(), 9u);
  EXPECT_EQ(packaged, expected);
}

TEST(WixSource, ModulePathNamesTheInstalledModuleAndTheUpgradeCodeIsTheProducts) {
  const std::string source = wixSource();
  bool moduleFile = false;
  for (Attributes& file : elements(source, "File"))
    moduleFile |= L"[#" + file["Id"] + L"]" == installedModulePath && file["Name"] == L"osadmmc.dll";
  EXPECT_TRUE(moduleFile) << "no File element with the id that the module path refers to";

  const std::vector<Attributes> products = elements(source, "Product");
  ASSERT_EQ(products.size(), 1u);
  const std::wstring braced = guidText(ids::upgradeCode);
  EXPECT_EQ(products[0].at("UpgradeCode"), braced.substr(1, braced.size() - 2));
  // The maker that the package names is the one the snap-in's About shows.
  for (const Attributes& element : elements(source, "Product"))
    EXPECT_EQ(element.at("Manufacturer"), layout::makerName);
  for (const Attributes& element : elements(source, "Package"))
    EXPECT_EQ(element.at("Manufacturer"), layout::makerName);
}

}  // namespace
}  // namespace ostrel::snapin

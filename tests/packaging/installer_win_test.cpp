// The installer package under msiexec, run in a prefix on which nothing was installed or
// registered before: an older package, this one over it, a repair, and the uninstall. The
// registry is compared with the module's own registration rows for the installed path (the
// console scenarios load the module through those rows) and the installed files with the
// shipped ones.
#include <gtest/gtest.h>

#include <windows.h>
#include <msi.h>
#include <process.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/temp_folder.h"
#include "tests/snapin/module_loader_win.h"
#include "tests/snapin/registered_entries_win.h"

namespace ostrel::snapin {
namespace {

using ostrel::testing::slurp;
using testing::besideProgram;
using testing::expectedEntries;
using testing::registeredEntries;

// msiexec with the given arguments and /qn, waited for; its exit code.
int msiexec(std::vector<std::wstring> arguments) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring program = std::wstring(system) + L"\\msiexec.exe";
  arguments.insert(arguments.begin(), L"msiexec");
  arguments.push_back(L"/qn");
  std::vector<const wchar_t*> argv;
  for (std::wstring& a : arguments) {
    if (a.find(L' ') != std::wstring::npos) a = L"\"" + a + L"\"";
    argv.push_back(a.c_str());
  }
  argv.push_back(nullptr);
  return static_cast<int>(_wspawnv(_P_WAIT, program.c_str(), argv.data()));
}

std::wstring installFolder() {
  PWSTR programFiles = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles))) return L"?";
  std::wstring folder = std::wstring(programFiles) + L"\\Ostrel for Active Directory";
  CoTaskMemFree(programFiles);
  return folder;
}

// The products installed from any version of the package, as "product code version".
std::vector<std::wstring> installedProducts() {
  const std::wstring upgradeCode = guidText(ids::upgradeCode);
  std::vector<std::wstring> out;
  wchar_t product[39];
  for (DWORD i = 0; MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS; ++i) {
    wchar_t version[64] = {};
    DWORD chars = 64;
    MsiGetProductInfoW(product, INSTALLPROPERTY_VERSIONSTRING, version, &chars);
    out.push_back(std::wstring(product) + L" " + version);
  }
  return out;
}

// "major.minor.build" of a module's version resource, the form of a product version.
std::wstring fileVersion(const std::wstring& path) {
  std::vector<char> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT size = 0;
  if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &size))
    return L"(none)";
  return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(info->dwFileVersionLS));
}

TEST(InstallerPackage, InstallsOverAnOlderOneRepairsAndUninstallsSilently) {
  // Next to the test program: the packages, and in shipped\ the files of the package.
  const std::wstring package = besideProgram(L"package.msi"), older = besideProgram(L"older-package.msi");
  const std::wstring folder = installFolder(), module = folder + L"\\osadmmc.dll",
                     tool = folder + L"\\ostrel-policy.exe";
  ASSERT_TRUE(installedProducts().empty()) << "the prefix is not fresh";
  ASSERT_TRUE(registeredEntries().empty()) << "the prefix is not fresh";

  ASSERT_EQ(msiexec({L"/i", older}), 0);
  ASSERT_EQ(installedProducts().size(), 1u);
  ASSERT_EQ(msiexec({L"/i", package}), 0);
  const std::vector<std::wstring> products = installedProducts();
  ASSERT_EQ(products.size(), 1u) << "the newer package replaces the older one";
  EXPECT_EQ(products[0].substr(39), fileVersion(module)) << "the product version is the module's";

  EXPECT_EQ(slurp(module), slurp(besideProgram(L"shipped\\osadmmc.dll")));
  EXPECT_EQ(slurp(tool), slurp(besideProgram(L"shipped\\ostrel-policy.exe")));
  EXPECT_EQ(registeredEntries(), expectedEntries(module));

  // A repair of the machine's registry entries brings back one that was deleted. (Wine's
  // msiexec /fm repairs nothing, so the repair is asked for with the properties it stands for.)
  const std::wstring nameSpace = namespaceExtensionKey(ids::nodeIdMachine);
  ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, nameSpace.c_str(), guidText(ids::snapinClsid).c_str()), ERROR_SUCCESS);
  ASSERT_EQ(msiexec({L"/i", package, L"REINSTALL=ALL", L"REINSTALLMODE=m"}), 0);
  EXPECT_EQ(registeredEntries(), expectedEntries(module));

  ASSERT_EQ(msiexec({L"/x", package}), 0);
  EXPECT_TRUE(installedProducts().empty());
  EXPECT_EQ(registeredEntries(), std::vector<std::wstring>{});
  EXPECT_FALSE(testing::exists(HKEY_CLASSES_ROOT, snapinClassKey()));
  EXPECT_FALSE(testing::exists(HKEY_CLASSES_ROOT, aboutClassKey()));
  EXPECT_FALSE(testing::exists(HKEY_LOCAL_MACHINE, consoleSnapinKey()));
  EXPECT_FALSE(std::filesystem::exists(module));
  EXPECT_FALSE(std::filesystem::exists(tool));
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace ostrel::snapin

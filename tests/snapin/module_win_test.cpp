// The module's exports, class objects and About information, with osadmmc.dll loaded into
// the test as the console loads it; its registration through the system's regsvr32 (which
// calls the exports) in the real registry. The scope node and its views are driven by the console
// double (tests/console).
#include <gtest/gtest.h>

#include <process.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "snapin/com_guids_win.h"
#include "snapin/com_object_win.h"
#include "tests/snapin/module_loader_win.h"
#include "tests/snapin/registered_entries_win.h"

namespace ostrel::snapin {
namespace {

using testing::LoadedModule;

const GUID unknownClsid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

class ModuleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    dll = new LoadedModule;
  }
  static void TearDownTestSuite() {
    delete dll;
    CoUninitialize();
  }
  void SetUp() override {
    ASSERT_TRUE(dll->module) << "osadmmc.dll did not load";
    ASSERT_NE(dll->getClassObject, nullptr);
    ASSERT_NE(dll->canUnloadNow, nullptr);
    ASSERT_EQ(dll->canUnloadNow(), S_OK) << "an earlier test left an object or a lock behind";
  }
  void TearDown() override { EXPECT_EQ(dll->canUnloadNow(), S_OK) << "object or lock left behind"; }

  ComPtr<IClassFactory> factory(const CLSID& clsid) {
    ComPtr<IClassFactory> f;
    EXPECT_EQ(dll->getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(f.GetAddressOf())), S_OK);
    return f;
  }
  template <class I>
  ComPtr<I> create(const CLSID& clsid, const IID& iid) {
    ComPtr<I> object;
    EXPECT_EQ(factory(clsid)->CreateInstance(nullptr, iid, reinterpret_cast<void**>(object.GetAddressOf())), S_OK);
    return object;
  }

  static LoadedModule* dll;
};
LoadedModule* ModuleTest::dll = nullptr;

// S_OK for each of the interfaces; E_NOINTERFACE, with the out-pointer cleared, for another.
void expectInterfaces(IUnknown* object, std::initializer_list<const IID*> answered, const IID& refused) {
  for (const IID* iid : answered) {
    ComPtr<IUnknown> p;
    EXPECT_EQ(object->QueryInterface(*iid, reinterpret_cast<void**>(p.GetAddressOf())), S_OK);
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(refused, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(ModuleTest, ClassObjectsTheFactorysEdgeCasesAndLockServer) {
  void* sentinel = reinterpret_cast<void*>(1);
  void* out = sentinel;
  // The class id is looked at before the out-pointer.
  EXPECT_EQ(dll->getClassObject(unknownClsid, IID_IClassFactory, nullptr), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(dll->getClassObject(unknownClsid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(dll->getClassObject(snapinClsid(), IID_IClassFactory, nullptr), E_FAIL);
  for (const CLSID* clsid : {&snapinClsid(), &aboutClsid()}) {
    out = sentinel;
    EXPECT_EQ(dll->getClassObject(*clsid, IID_IDataObject, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    for (const IID* iid : {&IID_IUnknown, &IID_IClassFactory}) {
      ComPtr<IUnknown> object;
      EXPECT_EQ(dll->getClassObject(*clsid, *iid, reinterpret_cast<void**>(object.GetAddressOf())), S_OK);
      ASSERT_TRUE(object);
      EXPECT_EQ(dll->canUnloadNow(), S_FALSE) << "a class object is alive";
    }
  }

  ComPtr<IClassFactory> f = factory(snapinClsid());
  EXPECT_EQ(f->QueryInterface(IID_IClassFactory, nullptr), E_FAIL);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IComponentData, nullptr), E_FAIL);
  expectInterfaces(f.Get(), {&IID_IUnknown, &IID_IClassFactory}, IID_IComponentData);
  out = sentinel;
  EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknown*>(f.Get()), IID_IComponentData, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = sentinel;
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  // Neither the refused aggregation nor the failed query left an object (TearDown checks).

  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  f.Reset();
  EXPECT_EQ(dll->canUnloadNow(), S_FALSE) << "locked, though no object is alive";
  EXPECT_EQ(factory(aboutClsid())->LockServer(FALSE), S_OK);  // unloadable again: TearDown checks
}

TEST_F(ModuleTest, ComponentDataAnswersItsInterfaces) {
  ComPtr<IComponentData> data = create<IComponentData>(snapinClsid(), IID_IComponentData);
  ASSERT_TRUE(data);
  expectInterfaces(data.Get(),
                   {&IID_IUnknown, &IID_IComponentData, &IID_IExtendContextMenu, &IID_IExtendPropertySheet,
                    &IID_IExtendPropertySheet2},
                   IID_IComponent);
  EXPECT_EQ(data->QueryInterface(IID_IComponentData, nullptr), E_FAIL);

  ComPtr<IComponent> view;
  EXPECT_EQ(data->CreateComponent(view.GetAddressOf()), S_OK);
  ASSERT_TRUE(view);
  expectInterfaces(view.Get(), {&IID_IUnknown, &IID_IComponent, &IID_IExtendContextMenu, &IID_IExtendPropertySheet2},
                   IID_IComponentData);
  data.Reset();
  EXPECT_EQ(dll->canUnloadNow(), S_FALSE) << "the view is still alive";
}

std::wstring taskText(LPOLESTR text) {
  std::wstring out = text != nullptr ? text : L"(null)";
  CoTaskMemFree(text);
  return out;
}

TEST_F(ModuleTest, AboutInformation) {
  ComPtr<ISnapinAbout> about = create<ISnapinAbout>(aboutClsid(), IID_ISnapinAbout);
  ASSERT_TRUE(about);
  LPOLESTR text = nullptr;
  EXPECT_EQ(about->GetSnapinDescription(&text), S_OK);
  EXPECT_EQ(taskText(text), L"Ostrel for Active Directory");
  EXPECT_EQ(about->GetSnapinVersion(&text), S_OK);
  EXPECT_EQ(taskText(text), L"1.1");
  EXPECT_EQ(about->GetProvider(&text), S_OK);
  EXPECT_FALSE(taskText(text).empty());

  HICON icon = nullptr;
  EXPECT_EQ(about->GetSnapinImage(&icon), S_OK);
  EXPECT_NE(icon, nullptr);
  HBITMAP smallImage = nullptr, open = nullptr, large = nullptr;
  COLORREF mask = 0;
  EXPECT_EQ(about->GetStaticFolderImage(&smallImage, &open, &large, &mask), S_OK);
  EXPECT_EQ(mask, RGB(0, 128, 128));
  for (auto [image, size] : {std::pair{smallImage, 16L}, {open, 16L}, {large, 32L}}) {
    BITMAP bm{};
    ASSERT_NE(GetObjectW(image, sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, size);
    EXPECT_EQ(bm.bmHeight, size);
  }

  expectInterfaces(about.Get(), {&IID_IUnknown, &IID_ISnapinAbout}, IID_IComponentData);
}

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
TEST(Registration, Regsvr32RegistersAndUnregisters) {
  const std::vector<std::wstring> registered = testing::expectedEntries(testing::modulePath());
  std::vector<std::wstring> about;
  std::copy_if(registered.begin(), registered.end(), std::back_inserter(about),
               [](const std::wstring& e) { return e.starts_with(testing::lower(aboutClassKey())); });
  ASSERT_EQ(3u, about.size());

  ASSERT_EQ(regsvr32(L"/s /u"), 0);  // a clean start, whatever ran before
  ASSERT_EQ(regsvr32(L"/s"), 0);
  EXPECT_EQ(testing::registeredEntries(), registered);
  ASSERT_EQ(regsvr32(L"/s /u"), 0);
  EXPECT_EQ(testing::registeredEntries(), about);
  EXPECT_EQ(regsvr32(L"/s /u"), 0) << "unregistering twice is no failure";
  EXPECT_EQ(testing::registeredEntries(), about);
}

}  // namespace
}  // namespace ostrel::snapin

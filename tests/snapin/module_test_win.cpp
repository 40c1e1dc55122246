// The module's exports, class objects and About information, and the scope node's data
// objects, with osadmmc.dll loaded into the test as the console loads it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "snapin/com_guids_win.h"
#include "snapin/com_object_win.h"
#include "tests/snapin/module_loader_win.h"

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

TEST_F(ModuleTest, ClassObjectRequests) {
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
}

TEST_F(ModuleTest, ClassFactoryQueriesAndCreateInstanceEdgeCases) {
  ComPtr<IClassFactory> f = factory(snapinClsid());
  EXPECT_EQ(f->QueryInterface(IID_IClassFactory, nullptr), E_FAIL);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IComponentData, nullptr), E_FAIL);
  expectInterfaces(f.Get(), {&IID_IUnknown, &IID_IClassFactory}, IID_IComponentData);
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(reinterpret_cast<IUnknown*>(f.Get()), IID_IComponentData, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  f.Reset();
  // Neither the refused aggregation nor the failed query left an object (TearDown checks).
}

TEST_F(ModuleTest, LockServerKeepsTheModuleLoaded) {
  ComPtr<IClassFactory> f = factory(aboutClsid());
  EXPECT_EQ(f->LockServer(TRUE), S_OK);
  f.Reset();
  EXPECT_EQ(dll->canUnloadNow(), S_FALSE) << "locked, though no object is alive";
  f = factory(aboutClsid());
  EXPECT_EQ(f->LockServer(FALSE), S_OK);
  f.Reset();
  EXPECT_EQ(dll->canUnloadNow(), S_OK);
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

// --- The scope node's insertion and its data objects, with the console's name space and
// --- the Group Policy editor's data object played by small fakes.

class FakeNameSpace final : public ComObject<FakeNameSpace, IConsoleNameSpace> {
 public:
  static std::span<const InterfaceEntry<FakeNameSpace>> interfaces() {
    static const InterfaceEntry<FakeNameSpace> table[] = {
        interfaceEntry<FakeNameSpace, IConsoleNameSpace>(IID_IUnknown),
        interfaceEntry<FakeNameSpace, IConsoleNameSpace>(IID_IConsoleNameSpace),
    };
    return table;
  }
  HRESULT STDMETHODCALLTYPE InsertItem(LPSCOPEDATAITEM item) noexcept override {
    item->ID = 0x4242 + static_cast<HSCOPEITEM>(inserted.size());
    inserted.push_back(*item);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DeleteItem(HSCOPEITEM, long) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetItem(LPSCOPEDATAITEM) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItem(LPSCOPEDATAITEM) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetChildItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNextItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetParentItem(HSCOPEITEM, HSCOPEITEM*, MMC_COOKIE*) noexcept override { return E_NOTIMPL; }
  std::vector<SCOPEDATAITEM> inserted;
};

// Computer Configuration's data object: it serves only CCF_NODETYPE and offers no IGPEInformation.
class EditorDataObject final : public ComObject<EditorDataObject, IDataObject> {
 public:
  static std::span<const InterfaceEntry<EditorDataObject>> interfaces() {
    static const InterfaceEntry<EditorDataObject> table[] = {
        interfaceEntry<EditorDataObject, IDataObject>(IID_IUnknown),
        interfaceEntry<EditorDataObject, IDataObject>(IID_IDataObject),
    };
    return table;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) noexcept override {
    if (format->cfFormat != RegisterClipboardFormatW(CCF_NODETYPE)) return DV_E_FORMATETC;
    void* p = GlobalLock(medium->hGlobal);
    std::memcpy(p, &nodeIdMachine(), sizeof(GUID));
    GlobalUnlock(medium->hGlobal);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) noexcept override { return E_NOTIMPL; }
};

// GetDataHere of a format into a fresh global block; the bytes written, or nullopt-like empty on failure.
HRESULT dataOf(IDataObject* object, const wchar_t* formatName, std::vector<BYTE>& bytes, SIZE_T blockSize = 256) {
  win::GlobalMemory owner(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockSize));
  HGLOBAL block = owner.get();
  FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(formatName)), nullptr, DVASPECT_CONTENT, -1,
                   TYMED_HGLOBAL};
  STGMEDIUM medium{};
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block;
  HRESULT hr = object->GetDataHere(&format, &medium);
  const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
  bytes.assign(p, p + blockSize);
  GlobalUnlock(block);
  return hr;
}

class ScopeNodeTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    data = create<IComponentData>(snapinClsid(), IID_IComponentData);
    ASSERT_TRUE(data);
    nameSpace = makeComObject<FakeNameSpace>();
    ASSERT_EQ(data->Initialize(nameSpace.Get()), S_OK);
    ComPtr<EditorDataObject> editor = makeComObject<EditorDataObject>();
    ASSERT_EQ(data->Notify(editor.Get(), MMCN_EXPAND, TRUE, 0x77), S_OK);
    ASSERT_EQ(nameSpace->inserted.size(), 1u);
    cookie = nameSpace->inserted[0].lParam;
  }
  void TearDown() override {
    if (data) data->Destroy();
    data.Reset();
    nameSpace.Reset();
    ModuleTest::TearDown();
  }
  ComPtr<IDataObject> dataObjectFor(MMC_COOKIE c) {
    ComPtr<IDataObject> object;
    EXPECT_EQ(data->QueryDataObject(c, CCT_SCOPE, object.GetAddressOf()), S_OK);
    return object;
  }

  ComPtr<IComponentData> data;
  ComPtr<FakeNameSpace> nameSpace;
  MMC_COOKIE cookie = 0;
};

TEST_F(ScopeNodeTest, DataObjectFormats) {
  ComPtr<IDataObject> object = dataObjectFor(cookie);
  std::vector<BYTE> bytes;

  ASSERT_EQ(dataOf(object.Get(), CCF_DISPLAY_NAME, bytes), S_OK);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data())), L"Application Execution Policies");

  ASSERT_EQ(dataOf(object.Get(), CCF_SZNODETYPE, bytes), S_OK);
  const auto* text = reinterpret_cast<const wchar_t*>(bytes.data());
  EXPECT_EQ((std::wcslen(text) + 1) * sizeof(wchar_t), 78u);
  EXPECT_EQ(std::wstring(text), L"{6B1F3C55-8E4A-4D27-9A31-5C2E71B04F18}");

  ASSERT_EQ(dataOf(object.Get(), CCF_NODETYPE, bytes), S_OK);
  EXPECT_EQ(std::memcmp(bytes.data(), &policiesNodeType(), 16), 0);
  EXPECT_EQ(bytes[16], 0) << "16 bytes, no more";

  ASSERT_EQ(dataOf(object.Get(), CCF_SNAPIN_CLASSID, bytes), S_OK);
  EXPECT_EQ(std::memcmp(bytes.data(), &snapinClsid(), 16), 0);

  ASSERT_EQ(dataOf(object.Get(), L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}", bytes, 8), S_OK);
  void* address = nullptr;
  std::memcpy(&address, bytes.data(), sizeof address);
  EXPECT_EQ(address, static_cast<void*>(object.Get())) << "the data object's own address, 8 bytes";

  EXPECT_EQ(dataOf(object.Get(), L"Some Other Format", bytes), DV_E_FORMATETC);
  expectInterfaces(object.Get(), {&IID_IUnknown, &IID_IDataObject}, IID_IComponentData);
}

TEST_F(ScopeNodeTest, CompareObjectsComparesItems) {
  ComPtr<IDataObject> a = dataObjectFor(cookie);
  ComPtr<IDataObject> b = dataObjectFor(cookie);
  ComPtr<IDataObject> none = dataObjectFor(0);
  ComPtr<EditorDataObject> foreign = makeComObject<EditorDataObject>();
  EXPECT_EQ(data->CompareObjects(a.Get(), b.Get()), S_OK);
  EXPECT_EQ(data->CompareObjects(a.Get(), none.Get()), S_FALSE);
  EXPECT_EQ(data->CompareObjects(a.Get(), foreign.Get()), S_FALSE);
  EXPECT_EQ(data->CompareObjects(a.Get(), reinterpret_cast<IDataObject*>(-1)), S_FALSE);

  ComPtr<IComponent> view;
  ASSERT_EQ(data->CreateComponent(view.GetAddressOf()), S_OK);
  ComPtr<IDataObject> fromView;
  ASSERT_EQ(view->QueryDataObject(cookie, CCT_RESULT, fromView.GetAddressOf()), S_OK);
  EXPECT_EQ(view->CompareObjects(a.Get(), fromView.Get()), S_OK);
}

TEST_F(ScopeNodeTest, ViewRequestsForTheNode) {
  ComPtr<IComponent> view;
  ASSERT_EQ(data->CreateComponent(view.GetAddressOf()), S_OK);
  LPOLESTR viewType = reinterpret_cast<LPOLESTR>(1);
  long options = 7;
  EXPECT_EQ(view->GetResultViewType(0, &viewType, &options), S_OK);
  EXPECT_EQ(viewType, nullptr);
  EXPECT_EQ(options, 0);
  // A data object without an item of ours is not handled (selecting the node is run by the
  // console scenarios).
  EXPECT_EQ(view->Notify(reinterpret_cast<IDataObject*>(-2), MMCN_SHOW, TRUE, 0), S_FALSE);
  ComPtr<EditorDataObject> foreign = makeComObject<EditorDataObject>();
  EXPECT_EQ(view->Notify(foreign.Get(), MMCN_SELECT, 0, 0), S_FALSE);

  RESULTDATAITEM row{};
  row.mask = RDI_STR | RDI_IMAGE;
  row.nCol = 3;
  row.lParam = cookie;
  EXPECT_EQ(view->GetDisplayInfo(&row), S_OK);
  EXPECT_EQ(taskText(row.str), L"Application Execution Policies");
  EXPECT_EQ(row.nImage, 2);
}

// The wizard's header bitmap: what the console shows is checked by the console scenarios.
TEST_F(ScopeNodeTest, WizardHeaderIsLoadedOnceAndKeptByTheNode) {
  ComPtr<IExtendPropertySheet2> sheet;
  ASSERT_EQ(data->QueryInterface(IID_IExtendPropertySheet2, reinterpret_cast<void**>(sheet.GetAddressOf())), S_OK);
  ComPtr<IDataObject> object = dataObjectFor(cookie);
  HBITMAP watermark = nullptr, header = nullptr;
  HPALETTE palette = nullptr;
  BOOL stretch = TRUE;
  EXPECT_EQ(sheet->GetWatermarks(object.Get(), &watermark, &header, &palette, &stretch), S_OK);
  BITMAP info{};
  EXPECT_NE(GetObjectW(header, sizeof info, &info), 0) << "the node keeps the bitmap it lends";
  HBITMAP again = nullptr;
  EXPECT_EQ(sheet->GetWatermarks(object.Get(), &watermark, &again, &palette, &stretch), S_OK);
  EXPECT_EQ(again, header) << "loaded once, not once per request";
}

}  // namespace
}  // namespace ostrel::snapin

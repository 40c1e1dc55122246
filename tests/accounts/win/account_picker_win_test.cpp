// The Win32 lookups against Wine's accounts, and the object picker against a stand-in served
// under CLSID_DsObjectPicker by this process: what Initialize is given, and how the selection
// and a cancel come back.
#include <gtest/gtest.h>

#include <windows.h>
#include <objsel.h>

#include <cstring>

#include "accounts/win/account_picker_win.h"

namespace ostrel::accounts {
namespace {

TEST(Win32AccountLookup, BuiltinGroupsResolveAndUnknownDomainsDoNot) {
  auto lookup = makeWin32AccountLookup();
  EXPECT_EQ(L"S-1-5-32-544", lookup->lookupName(L"Administrators").value_or(L"none"));
  EXPECT_EQ(std::nullopt, lookup->lookupName(L"No Such Group Anywhere"));
  const auto admins = lookup->lookupSid(*stringSidToSid(L"S-1-5-32-544"));
  EXPECT_EQ(0, admins.error);
  EXPECT_EQ(L"Administrators", admins.name);
  EXPECT_EQ(L"BUILTIN", admins.domain);
  EXPECT_EQ(errorNoneMapped, lookup->lookupSid(*stringSidToSid(L"S-1-5-21-1-2-3-1104")).error);
  const auto computer = lookup->computerName();
  ASSERT_TRUE(computer && !computer->empty());
  EXPECT_FALSE(isDomainName(*computer, *lookup));
}

// The picker stand-in: one object is both the class factory, the picker and its data object.
struct StandIn final : IClassFactory, IDsObjectPicker, IDataObject {
  DSOP_INIT_INFO init{};
  DSOP_SCOPE_INIT_INFO scope{};
  HRESULT shown = S_OK;
  HWND owner = nullptr;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) *out = static_cast<IClassFactory*>(this);
    else if (iid == IID_IDsObjectPicker) *out = static_cast<IDsObjectPicker*>(this);
    else if (iid == IID_IDataObject) *out = static_cast<IDataObject*>(this);
    else return *out = nullptr, E_NOINTERFACE;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** out) override { return QueryInterface(iid, out); }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  STDMETHODIMP Initialize(PDSOP_INIT_INFO info) override {
    init = *info;
    scope = info->aDsScopeInfos[0];
    return S_OK;
  }
  STDMETHODIMP InvokeDialog(HWND parent, IDataObject** out) override {
    owner = parent;
    *out = shown == S_OK ? static_cast<IDataObject*>(this) : nullptr;
    return shown;
  }
  // Two objects, as the directory hands them over: the strings follow the list.
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST")) return DV_E_FORMATETC;
    const wchar_t* texts[] = {L"Users", L"WinNT://PC/Users", L"Sales", L"LDAP://<SID=0101000000000005>"};
    const std::size_t head = sizeof(DS_SELECTION_LIST) + sizeof(DS_SELECTION);
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, head + 256 * sizeof(wchar_t));
    auto* list = static_cast<DS_SELECTION_LIST*>(memory);
    list->cItems = 2;
    auto* next = reinterpret_cast<wchar_t*>(static_cast<char*>(memory) + head);
    for (int i = 0; i < 4; ++i) {
      std::wcscpy(next, texts[i]);
      (i % 2 == 0 ? list->aDsSelection[i / 2].pwzName : list->aDsSelection[i / 2].pwzADsPath) = next;
      next += std::wcslen(texts[i]) + 1;
    }
    *medium = STGMEDIUM{TYMED_HGLOBAL, {}, nullptr};
    medium->hGlobal = memory;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

TEST(Win32AccountPicker, ConfiguresTheDirectoryAndReadsTheSelection) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  StandIn standIn;
  DWORD cookie = 0;
  ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_DsObjectPicker, static_cast<IClassFactory*>(&standIn),
                                        CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
  auto picker = makeWin32AccountPicker();
  const HWND sheet = CreateWindowW(L"STATIC", L"sheet", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const HWND page = CreateWindowW(L"STATIC", L"page", WS_CHILD, 0, 0, 5, 5, sheet, nullptr, nullptr, nullptr);

  struct Case {
    PickerKind kind;
    ULONG scopeFlags, uplevel, downlevel;
  } cases[] = {{PickerKind::groups, 0xB5, 0x2A4, 0x80000016}, {PickerKind::usersAndGroups, 0xF5, 0x2AF, 0x80020017}};
  for (const Case& c : cases) {
    std::vector<PickedObject> picked;
    ASSERT_EQ(PickResult::picked, picker->pick(reinterpret_cast<WindowHandle>(page), c.kind, picked));
    EXPECT_EQ(sizeof(DSOP_INIT_INFO), standIn.init.cbSize);
    EXPECT_EQ(nullptr, standIn.init.pwzTargetComputer);
    EXPECT_EQ(1u, standIn.init.cDsScopeInfos);
    EXPECT_EQ(0x2u, standIn.init.flOptions);
    EXPECT_EQ(0u, standIn.init.cAttributesToFetch);
    EXPECT_EQ(sizeof(DSOP_SCOPE_INIT_INFO), standIn.scope.cbSize);
    EXPECT_EQ(0x119u, standIn.scope.flType);
    EXPECT_EQ(c.scopeFlags, standIn.scope.flScope);
    EXPECT_EQ(c.uplevel, standIn.scope.FilterFlags.Uplevel.flBothModes);
    EXPECT_EQ(0u, standIn.scope.FilterFlags.Uplevel.flMixedModeOnly | standIn.scope.FilterFlags.Uplevel.flNativeModeOnly);
    EXPECT_EQ(c.downlevel, standIn.scope.FilterFlags.flDownlevel);
    EXPECT_EQ(sheet, standIn.owner) << "the sheet owns the picker";
    ASSERT_EQ(2u, picked.size());
    EXPECT_EQ(L"Users", picked[0].name);
    EXPECT_EQ(L"LDAP://<SID=0101000000000005>", picked[1].path);
  }
  standIn.shown = S_FALSE;
  std::vector<PickedObject> none;
  EXPECT_EQ(PickResult::cancelled, picker->pick(reinterpret_cast<WindowHandle>(page), PickerKind::groups, none));
  standIn.shown = E_FAIL;
  EXPECT_EQ(PickResult::failed, picker->pick(reinterpret_cast<WindowHandle>(page), PickerKind::groups, none));
  EXPECT_TRUE(none.empty());

  DestroyWindow(sheet);
  CoRevokeClassObject(cookie);
  CoUninitialize();
}

}  // namespace
}  // namespace ostrel::accounts

#include "accounts/win/account_picker_win.h"

#include <windows.h>
#include <objsel.h>
#include <sddl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>

#include "platform/win/handles.h"

namespace ostrel::accounts {
namespace {

using Microsoft::WRL::ComPtr;

// {17D6CCD8-3B7B-11D2-B9E0-00C04FD8DBF7} and {0C87E64E-3B7A-11D2-B9E0-00C04FD8DBF7}.
constexpr CLSID pickerClsid = {0x17d6ccd8, 0x3b7b, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};
constexpr IID pickerIid = {0x0c87e64e, 0x3b7a, 0x11d2, {0xb9, 0xe0, 0x00, 0xc0, 0x4f, 0xd8, 0xdb, 0xf7}};

constexpr ULONG scopeTypes = DSOP_SCOPE_TYPE_TARGET_COMPUTER | DSOP_SCOPE_TYPE_ENTERPRISE_DOMAIN |
                             DSOP_SCOPE_TYPE_GLOBAL_CATALOG | DSOP_SCOPE_TYPE_USER_ENTERED_UPLEVEL_SCOPE;
constexpr ULONG groupScope = DSOP_SCOPE_FLAG_STARTING_SCOPE | DSOP_SCOPE_FLAG_WANT_PROVIDER_LDAP |
                             DSOP_SCOPE_FLAG_WANT_SID_PATH | DSOP_SCOPE_FLAG_WANT_DOWNLEVEL_BUILTIN_PATH |
                             DSOP_SCOPE_FLAG_DEFAULT_FILTER_GROUPS;
constexpr ULONG groupFilter = DSOP_FILTER_BUILTIN_GROUPS | DSOP_FILTER_UNIVERSAL_GROUPS_SE |
                              DSOP_FILTER_GLOBAL_GROUPS_SE | DSOP_FILTER_DOMAIN_LOCAL_GROUPS_SE;
constexpr ULONG groupDownlevel =
    DSOP_DOWNLEVEL_FILTER_LOCAL_GROUPS | DSOP_DOWNLEVEL_FILTER_GLOBAL_GROUPS | DSOP_DOWNLEVEL_FILTER_WORLD;
constexpr ULONG userScope = groupScope | DSOP_SCOPE_FLAG_DEFAULT_FILTER_USERS;
constexpr ULONG userFilter =
    groupFilter | DSOP_FILTER_INCLUDE_ADVANCED_VIEW | DSOP_FILTER_USERS | DSOP_FILTER_WELL_KNOWN_PRINCIPALS;
constexpr ULONG userDownlevel =
    groupDownlevel | DSOP_DOWNLEVEL_FILTER_USERS | DSOP_DOWNLEVEL_FILTER_ALL_WELLKNOWN_SIDS;
// The header's flags are the values the directory expects; a wrong flag name shows here.
static_assert(scopeTypes == 0x119 && groupScope == 0xB5 && userScope == 0xF5);
static_assert(groupFilter == 0x2A4 && userFilter == 0x2AF);
static_assert(groupDownlevel == 0x80000016 && userDownlevel == 0x80020017);
#ifdef _WIN64
static_assert(sizeof(DSOP_INIT_INFO) == 48 && sizeof(DSOP_SCOPE_INIT_INFO) == 56);
#endif

// Initialize's configuration for one kind of picker. The two structures point into each
// other, so the record stays in place while the picker reads it.
struct PickerConfiguration {
  DSOP_SCOPE_INIT_INFO scope{};
  DSOP_INIT_INFO init{};

  explicit PickerConfiguration(PickerKind kind) {
    const bool users = kind == PickerKind::usersAndGroups;
    scope.cbSize = sizeof scope;
    scope.flType = scopeTypes;
    scope.flScope = users ? userScope : groupScope;
    scope.FilterFlags.Uplevel.flBothModes = users ? userFilter : groupFilter;
    scope.FilterFlags.flDownlevel = users ? userDownlevel : groupDownlevel;
    init.cbSize = sizeof init;
    init.cDsScopeInfos = 1;
    init.aDsScopeInfos = &scope;
    init.flOptions = DSOP_FLAG_SKIP_TARGET_COMPUTER_DC_CHECK;  // single selection
  }
  PickerConfiguration(const PickerConfiguration&) = delete;
  PickerConfiguration& operator=(const PickerConfiguration&) = delete;
};

class Win32AccountLookup final : public AccountLookup {
 public:
  SidAccount lookupSid(const Sid& sid) override {
    SID_IDENTIFIER_AUTHORITY authority;
    std::memcpy(authority.Value, sid.authority.data(), sizeof authority.Value);
    DWORD subs[maxSubAuthorities] = {};
    const std::size_t count = std::min(sid.subAuthorities.size(), maxSubAuthorities);
    std::copy_n(sid.subAuthorities.begin(), count, subs);
    win::AllocatedSid binary;
    if (!AllocateAndInitializeSid(&authority, static_cast<BYTE>(count), subs[0], subs[1], subs[2], subs[3], subs[4],
                                  subs[5], subs[6], subs[7], binary.put()))
      return {errorInvalidSid, {}, {}};

    // First for the sizes, then into buffers of those sizes.
    DWORD nameChars = 1, domainChars = 1;
    SID_NAME_USE use = SidTypeUnknown;
    if (LookupAccountSidW(nullptr, binary.get(), nullptr, &nameChars, nullptr, &domainChars, &use) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
      return {static_cast<std::int32_t>(GetLastError()), {}, {}};
    // One character more than reported: Wine reports the lengths without the terminator and
    // then copies nothing into buffers of exactly that size.
    std::wstring name(++nameChars, L'\0'), domain(++domainChars, L'\0');
    if (!LookupAccountSidW(nullptr, binary.get(), name.data(), &nameChars, domain.data(), &domainChars, &use))
      return {static_cast<std::int32_t>(GetLastError()), {}, {}};
    name.resize(std::wcslen(name.c_str()));
    domain.resize(std::wcslen(domain.c_str()));
    return {0, std::move(name), std::move(domain)};
  }

  std::optional<std::wstring> lookupName(const std::wstring& name) override {
    DWORD sidBytes = 128, domainChars = 16;
    std::vector<BYTE> sid;
    std::wstring domain;
    SID_NAME_USE use;
    for (;;) {
      sid.resize(sidBytes);
      domain.resize(domainChars);
      if (LookupAccountNameW(nullptr, name.c_str(), sid.data(), &sidBytes, domain.data(), &domainChars, &use)) break;
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    }
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid.data(), &text)) return std::nullopt;
    const win::LocalMemory owned(text);
    return std::wstring(text);
  }

  std::optional<std::wstring> computerName() override {
    wchar_t name[16];
    DWORD chars = 16;
    if (!GetComputerNameW(name, &chars)) return std::nullopt;
    return std::wstring(name, chars);
  }
};

class Win32AccountPicker final : public AccountPicker {
 public:
  PickResult pick(WindowHandle owner, PickerKind kind, std::vector<PickedObject>& selection) override {
    ComPtr<IDsObjectPicker> picker;
    if (FAILED(CoCreateInstance(pickerClsid, nullptr, CLSCTX_INPROC_SERVER, pickerIid,
                                reinterpret_cast<void**>(picker.GetAddressOf()))))
      return PickResult::failed;
    PickerConfiguration configuration(kind);
    if (FAILED(picker->Initialize(&configuration.init))) return PickResult::failed;
    // The page's parent is the sheet, which owns the picker's dialog.
    const HWND sheet = GetParent(reinterpret_cast<HWND>(owner));
    ComPtr<IDataObject> picked;
    const HRESULT shown = picker->InvokeDialog(sheet, picked.GetAddressOf());
    if (shown == S_FALSE) return PickResult::cancelled;
    if (shown != S_OK || !picked) return PickResult::failed;
    readSelection(*picked.Get(), selection);
    return PickResult::picked;
  }

  AccountLookup& lookup() override { return lookup_; }

 private:
  // The picker's DS_SELECTION_LIST from global memory; nothing when it cannot be had.
  static void readSelection(IDataObject& data, std::vector<PickedObject>& selection) {
    const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST"));
    FORMATETC wanted{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    win::StgMedium medium;
    if (FAILED(data.GetData(&wanted, medium.put()))) return;
    const HGLOBAL memory = medium.get().hGlobal;
    const auto* list = static_cast<const DS_SELECTION_LIST*>(GlobalLock(memory));
    if (list == nullptr) return;
    auto text = [](const wchar_t* s) { return s != nullptr ? std::wstring(s) : std::wstring(); };
    for (ULONG i = 0; i < list->cItems; ++i)
      selection.push_back({text(list->aDsSelection[i].pwzName), text(list->aDsSelection[i].pwzADsPath)});
    GlobalUnlock(memory);
  }

  Win32AccountLookup lookup_;
};

}  // namespace

std::unique_ptr<AccountPicker> makeWin32AccountPicker() { return std::make_unique<Win32AccountPicker>(); }
std::unique_ptr<AccountLookup> makeWin32AccountLookup() { return std::make_unique<Win32AccountLookup>(); }

}  // namespace ostrel::accounts

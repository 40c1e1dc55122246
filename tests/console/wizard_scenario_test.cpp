// The administrator gives a new path rule for mmc.exe its command lines, who it is for and what
// its process may do, through the real pages and dialogs:
// - command lines through the real Get Command Line dialog: the command line of a process
//   running now, then one picked from the consoles (with the notice about quoted consoles shown
//   once, then silenced); the list box sorts them the other way round;
// - groups picked in the directory object picker (served by the double), one of them unknown to
//   this machine and kept anyway, one deleted; a privilege granted.
// The stored rule must hold exactly what the pages showed, in their order. (What the pages make
// of each pick and click is CommandLinesPage.*, AccountPages.* and ProcessPrivilegesPage.* in
// tests/wizard; a typed line and the real Control Panel tab are
// GetCommandLineDialog.TypedOrPickedFromTheRealTemplates in tests/wizard/win.)
#include "tests/console/administrator_session.h"

#include <objsel.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>

namespace ostrel::console {
namespace {

struct PickedEntry {
  std::wstring name, path, objectClass;
};

// The selection as one fixed block: the list, then every text it points to.
HGLOBAL selectionBlock(const std::vector<PickedEntry>& entries) {
  const std::size_t head = offsetof(DS_SELECTION_LIST, aDsSelection) + entries.size() * sizeof(DS_SELECTION);
  std::size_t size = head;
  for (const PickedEntry& e : entries) size += (e.name.size() + e.path.size() + e.objectClass.size() + 3) * sizeof(wchar_t);
  auto* list = static_cast<DS_SELECTION_LIST*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size));
  if (list == nullptr) return nullptr;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(list) + head);
  auto place = [&](const std::wstring& s) {
    wchar_t* at = text;
    std::memcpy(at, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
    text += s.size() + 1;
    return at;
  };
  list->cItems = static_cast<ULONG>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    list->aDsSelection[i] = {place(entries[i].name), place(entries[i].path), place(entries[i].objectClass), nullptr,
                             nullptr, DSOP_SCOPE_TYPE_ENTERPRISE_DOMAIN};
  return list;
}

struct SelectionFacet : DataObjectStubs {
  SelectionFacet(ComIdentity& o, std::string name, const std::vector<PickedEntry>& s)
      : DataObjectStubs(o, std::move(name)), selection(s) {}
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format == nullptr || medium == nullptr) return E_POINTER;
    if (format->cfFormat != RegisterClipboardFormatW(CFSTR_DSOP_DS_SELECTION_LIST) || !(format->tymed & TYMED_HGLOBAL))
      return DV_E_FORMATETC;
    *medium = STGMEDIUM{};
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = selectionBlock(selection);
    return medium->hGlobal != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  const std::vector<PickedEntry>& selection;
};

// The directory object picker, served in this process for CLSID_DsObjectPicker while it lives:
// it records the scopes Initialize is given and its owner windows, and answers InvokeDialog
// with the scripted selection. It is also its own class factory (not counted: the registration
// holds it).
class ObjectPicker : public ComIdentity {
 public:
  explicit ObjectPicker(std::vector<PickedEntry> s) : selection_(std::move(s)) {
    expose(IID_IDsObjectPicker, picker_);
    expose(IID_IClassFactory, factory_);
  }
  ~ObjectPicker() override { CoRevokeClassObject(cookie_); }
  HRESULT offer() {
    return CoRegisterClassObject(CLSID_DsObjectPicker, factory_.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                 &cookie_);
  }
  [[nodiscard]] std::vector<std::string> referenceProblems() const {
    return console::referenceProblems({&data_, this});
  }
  std::vector<DSOP_SCOPE_INIT_INFO> scopes;  // of every Initialize call
  std::vector<HWND> owners;                  // InvokeDialog's parent windows, in order

 private:
  struct PickerFacet : Counted<IDsObjectPicker> {
    PickerFacet(ObjectPicker& p) : Counted(p, "IDsObjectPicker"), picker(p) {}
    HRESULT STDMETHODCALLTYPE Initialize(PDSOP_INIT_INFO info) override {
      if (info == nullptr || (info->cDsScopeInfos != 0 && info->aDsScopeInfos == nullptr)) return E_POINTER;
      picker.scopes.insert(picker.scopes.end(), info->aDsScopeInfos, info->aDsScopeInfos + info->cDsScopeInfos);
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InvokeDialog(HWND parent, IDataObject** selections) override {
      picker.owners.push_back(parent);
      return selections == nullptr ? E_POINTER : picker.data_.query(IID_IDataObject, reinterpret_cast<void**>(selections));
    }
    ObjectPicker& picker;
  };
  struct FactoryFacet : Counted<IClassFactory> {
    FactoryFacet(ObjectPicker& p) : Counted(p, "picker IClassFactory") {}
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
      return outer != nullptr ? CLASS_E_NOAGGREGATION : QueryInterface(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  };

  std::vector<PickedEntry> selection_;
  Object<SelectionFacet> data_{IID_IDataObject, "picker IDataObject", selection_};
  PickerFacet picker_{*this};
  FactoryFacet factory_{*this};
  DWORD cookie_ = 0;
};

// Every row of a report list view, each cell of its columns.
Cells listRows(HWND page, int id, int columns) {
  const HWND list = GetDlgItem(page, id);
  Cells rows(static_cast<std::size_t>(ListView_GetItemCount(list)));
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (int c = 0; c < columns; ++c) {
      wchar_t cell[256] = {};
      ListView_GetItemText(list, static_cast<int>(r), c, cell, 256);
      rows[r].emplace_back(cell);
    }
  return rows;
}

// The administrator clicks one row of a list view: every other row loses the selection.
void selectRow(HWND window, int id, int row) {
  const HWND list = GetDlgItem(window, id);
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// Runs step from the message loop running then (the modal dialog's), not from inside the
// activation hook that found the dialog.
void later(std::function<void()> step) {
  static std::function<void()> pending;
  pending = std::move(step);
  SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    std::exchange(pending, nullptr)();
  });
}

// The Get Command Line dialog's tab page that holds a list.
HWND tabPage(HWND dialog, int listId) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    if (GetDlgItem(child, listId) != nullptr) return child;
  return nullptr;
}
void doubleClick(HWND dialog, int listId) {
  HWND page = tabPage(dialog, listId);
  NMHDR click{GetDlgItem(page, listId), static_cast<UINT_PTR>(listId), static_cast<UINT>(NM_DBLCLK)};
  SendMessageW(page, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
}

TEST_F(WizardSession, AnAdministratorGivesANewRuleCommandLinesGroupsAndAPrivilege) {
  (void)takeNoticeRecord(30);
  // A suspended child: its command line is there to be picked until the test ends it.
  std::wstring childLine = L"cmd.exe /k rem ostrel-scenario-child-" + std::to_wstring(GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(nullptr, childLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &child));
  const win::Handle childProcess(child.hProcess), childThread(child.hThread);
  const std::shared_ptr<void> endChild(child.hProcess, [](HANDLE process) { TerminateProcess(process, 0); });

  // A built-in group by name and a domain group by SID (S-1-5-21-1111-2222-3333-512, unknown here).
  ObjectPicker picker({{L"Users", L"WinNT://BUILTIN/Users", L"group"},
                       {L"Domain Admins", L"LDAP://<SID=01050000000000051500000057040000ae080000050d000000020000>",
                        L"group"}});
  ASSERT_EQ(S_OK, picker.offer());
  const SheetRequest& sheet = pathRuleAtCommandLines(L"%SystemRoot%\\system32\\mmc.exe");

  // Each Add opens the dialog modally; its answer drives it from the dialog's own loop.
  auto add = [&](std::function<void(HWND)> inDialog) {
    answerer_.answerDialog(IDC_COMMAND_LINE, [inDialog](HWND dialog) { later([=] { inDialog(dialog); }); });
    click(sheet, IDC_ADD_COMMAND_LINE);
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "the Get Command Line dialog was shown and answered";
  };

  // The child's line, double-clicked on the running-processes tab.
  add([&](HWND dialog) {
    HWND list = GetDlgItem(tabPage(dialog, IDC_RUNNING_PROCESSES_LIST), IDC_RUNNING_PROCESSES_LIST);
    const LRESULT row = SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(childLine.c_str()));
    EXPECT_NE(LB_ERR, row) << "the child's command line is listed";
    if (row == LB_ERR) return (void)PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_RUNNING_PROCESSES_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
  });

  // Consoles: the first pick shows notice 30, silenced there; the second pick shows nothing.
  add([&](HWND dialog) {
    showTab(dialog, 2);
    answerer_.answerDialog(IDC_NOTICE_SUPPRESS, [](HWND notice) {  // "Do not show this message again"
      PostMessageW(GetDlgItem(notice, IDC_NOTICE_SUPPRESS), BM_CLICK, 0, 0);
      PostMessageW(notice, WM_COMMAND, IDOK, 0);
    });
    selectRow(tabPage(dialog, IDC_MMC_LIST), IDC_MMC_LIST, 2);  // Computer Management
    EXPECT_EQ(0u, answerer_.dialogsUnanswered()) << "notice 30 was shown";
    selectRow(tabPage(dialog, IDC_MMC_LIST), IDC_MMC_LIST, 8);  // Services
    doubleClick(dialog, IDC_MMC_LIST);
  });
  EXPECT_EQ(30u, takeNoticeRecord(30));

  HWND lines = GetDlgItem(page(sheet), IDC_COMMAND_LINES);
  std::vector<std::wstring> shown;
  for (LRESULT i = 0, n = SendMessageW(lines, LB_GETCOUNT, 0, 0); i < n; ++i) {
    wchar_t buffer[600] = {};
    SendMessageW(lines, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    shown.emplace_back(buffer);
  }
  EXPECT_EQ((std::vector<std::wstring>{
                L"\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\services.msc\" /s", childLine}),
            shown);

  // The groups page: the picker's groups added, Users deleted again.
  press(sheet, PSBTN_NEXT);
  ASSERT_EQ(3, pageIndex(sheet));
  const std::vector<std::wstring> administrators{L"BUILTIN", L"Administrators", L"S-1-5-32-544"},
      users{L"BUILTIN", L"Users", L"S-1-5-32-545"},
      domainAdmins{L"< UNKNOWN >", L"Domain Admins", L"S-1-5-21-1111-2222-3333-512"};
  EXPECT_EQ(Cells{administrators}, listRows(page(sheet), IDC_PRIVILEGED_GROUPS, 3));
  answerer_.answerNext(IDYES);  // keep the SID nobody here can name
  click(sheet, IDC_ADD_PRIVILEGED_GROUP);
  EXPECT_EQ((Cells{administrators, users, domainAdmins}), listRows(page(sheet), IDC_PRIVILEGED_GROUPS, 3));
  expectBox(0, {L"Ostrel Active Directory",
                L"Could not map the security ID to the account name but Ostrel can still make use of the SID. Do "
                L"you want to use it anyway?",
                MB_YESNO, sheet.window, IDYES});

  // The picker was opened once, over the sheet, with one scope: the group variant of the flags
  // (their values are checked against the directory's at compile time in the product).
  EXPECT_EQ(std::vector<HWND>{sheet.window}, picker.owners);
  ASSERT_EQ(1u, picker.scopes.size());
  const DSOP_SCOPE_INIT_INFO& scope = picker.scopes[0];
  EXPECT_EQ(std::tuple(ULONG{0xB5}, ULONG{0x2A4}, ULONG{0x80000016}),
            std::tuple(scope.flScope, scope.FilterFlags.Uplevel.flBothModes, scope.FilterFlags.flDownlevel));

  // Delete Users, answered Yes. (The question's text and No: AccountPages.DeleteAsksFirst... in tests/wizard.)
  selectRow(page(sheet), IDC_PRIVILEGED_GROUPS, 1);
  answerer_.answerNext(IDYES);
  click(sheet, IDC_DELETE_PRIVILEGED_GROUP);
  EXPECT_EQ((Cells{administrators, domainAdmins}), listRows(page(sheet), IDC_PRIVILEGED_GROUPS, 3));

  // Process privileges: the override box, then SeDebugPrivilege selected and moved over.
  press(sheet, PSBTN_NEXT);
  ASSERT_EQ(4, pageIndex(sheet));
  click(sheet, IDC_OVERRIDE_PRIVILEGES);
  LVFINDINFOW find{LVFI_STRING, L"SeDebugPrivilege", 0, {}, 0};
  const int debug = ListView_FindItem(GetDlgItem(page(sheet), IDC_AVAILABLE_PRIVILEGES), -1, &find);
  ASSERT_GE(debug, 0);
  selectRow(page(sheet), IDC_AVAILABLE_PRIVILEGES, debug);
  click(sheet, IDC_ADD_PRIVILEGE);
  EXPECT_EQ(Cells{{L"SeDebugPrivilege"}}, listRows(page(sheet), IDC_GRANTED_PRIVILEGES, 1));
  EXPECT_EQ(-1, ListView_FindItem(GetDlgItem(page(sheet), IDC_AVAILABLE_PRIVILEGES), -1, &find));

  finish(sheet);

  auto rules = storedRules();
  ASSERT_EQ(1u, rules.size());
  const Rule& stored = *rules[0];
  std::vector<std::wstring> storedLines;
  for (std::size_t i = 0; i < stored.commandLineCount(); ++i) storedLines.push_back(stored.commandLine(i));
  EXPECT_EQ(shown, storedLines) << "the store holds the page's lines in the list box's order";
  EXPECT_EQ((std::vector<AccountEntry>{{L"Administrators", L"BUILTIN", L"S-1-5-32-544", false},
                                       {L"Domain Admins", L"< UNKNOWN >", L"S-1-5-21-1111-2222-3333-512", false}}),
            stored.accounts(AccountList::PrivilegedGroups));
  EXPECT_TRUE(stored.overridePrivileges());
  ASSERT_EQ(1u, stored.privilegeCount());
  EXPECT_EQ(L"SeDebugPrivilege", stored.privilege(0));
  EXPECT_TRUE(picker.referenceProblems().empty()) << ::testing::PrintToString(picker.referenceProblems());
}

}  // namespace
}  // namespace ostrel::console

// The account pages driven through their list and buttons, with a scripted object picker
// and scripted account lookups standing in for the directory.
#include <map>

#include "accounts/account_page.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "tests/wizard/fake_dialog.h"

namespace ostrel::accounts {
namespace {

using wizard::Mode;
using wizard::testing::FakeDialog;

std::wstring sidText(const Sid& sid) {
  std::wstring text = L"S-1-" + std::to_wstring(sid.authority[5]);
  for (std::uint32_t sub : sid.subAuthorities) text += L"-" + std::to_wstring(sub);
  return text;
}

class ScriptedDirectory final : public AccountPicker, public AccountLookup {
 public:
  PickResult pick(WindowHandle, PickerKind kind, std::vector<PickedObject>& selection) override {
    kinds.push_back(kind);
    if (result == PickResult::picked) selection = picked;
    return result;
  }
  AccountLookup& lookup() override { return *this; }

  SidAccount lookupSid(const Sid& sid) override {
    const auto it = sids.find(sidText(sid));
    return it != sids.end() ? it->second : SidAccount{sidError, {}, {}};
  }
  std::optional<std::wstring> lookupName(const std::wstring& name) override {
    const auto it = names.find(name);
    return it != names.end() ? std::optional(it->second) : std::nullopt;
  }
  std::optional<std::wstring> computerName() override { return computer; }

  PickResult result = PickResult::picked;
  std::vector<PickedObject> picked;
  std::vector<PickerKind> kinds;
  std::map<std::wstring, std::wstring> names{{L"Administrators", L"S-1-5-32-544"}, {L"Users", L"S-1-5-32-545"}};
  std::map<std::wstring, SidAccount> sids{{L"S-1-5-21-7-512", {0, L"Domain Admins", L"CORP"}},
                                          {L"S-1-5-21-7-513", {0, L"Local", L"pc1"}}};
  std::int32_t sidError = errorNoneMapped;  // for every SID not listed
  std::optional<std::wstring> computer = L"PC1";
};

// "LDAP://<SID=...>" of S-1-5-21-7-rid.
std::wstring domainPath(std::uint8_t rid0, std::uint8_t rid1) {
  static const wchar_t* hex = L"0123456789ABCDEF";
  std::wstring digits = L"010300000000000515000000" L"07000000";
  for (std::uint8_t b : {rid0, rid1, std::uint8_t{0}, std::uint8_t{0}}) digits += {hex[b >> 4], hex[b & 15]};
  return L"LDAP://<SID=" + digits + L">";
}

struct PageFixture {
  PageFixture(const AccountFamily& family, Mode mode, Rule& rule)
      : sheet(std::make_shared<wizard::Sheet>(rule, mode, &owner, 77, services)), page(family, sheet, &directory) {
    page.initDialog(dialog);
  }
  std::vector<std::wstring> row(int i) { return dialog.c(lv).rows.at(static_cast<std::size_t>(i)); }

  wizard::testing::Owner owner;
  wizard::testing::FakeServices services;
  ScriptedDirectory directory;
  FakeDialog dialog;
  std::shared_ptr<wizard::Sheet> sheet;
  AccountListPage page;
  wizard::ControlId lv = 0;
};

TEST(ResolvePickedObject, EveryKindOfPath) {
  ScriptedDirectory directory;
  struct Case {
    PickedObject object;
    std::int32_t sidError;
    bool answer;
    std::optional<AccountEntry> entry;
    std::wstring question;  // asked, if anything
  } cases[] = {
      {{L"Administrators", L"WinNT://WORKGROUP/PC1/Administrators"}, 0, false,
       AccountEntry{L"Administrators", L"BUILTIN", L"S-1-5-32-544", false}, L""},
      {{L"Alice", L"winnt://PC1/Alice"}, 0, false, AccountEntry{L"Alice", L"BUILTIN", L" < ERROR FETCHING SID >", false}, L""},
      {{L"Admins", domainPath(0, 2)}, 0, false, AccountEntry{L"Admins", L"CORP", L"S-1-5-21-7-512", true}, L""},
      {{L"Here", domainPath(1, 2)}, 0, false, AccountEntry{L"Here", L"pc1", L"S-1-5-21-7-513", false}, L""},
      {{L"Gone", domainPath(2, 2)}, errorNoneMapped, true,
       AccountEntry{L"Gone", L"< UNKNOWN >", L"S-1-5-21-7-514", false},
       L"Could not map the security ID to the account name but Ostrel can still make use of the SID. Do you want to use "
       L"it anyway?"},
      {{L"Gone", domainPath(2, 2)}, errorNoneMapped, false, std::nullopt, L"Could not map"},
      {{L"Denied", domainPath(3, 2)}, -5, true, AccountEntry{L"Denied", L"< UNKNOWN >", L"S-1-5-21-7-515", false},
       L"An unknown error [-5] has occurred -- PLEASE NOTIFY KELVAST THE ERROR CODE. Ostrel can still make use of the "
       L"SID. Do you want to use it anyway?"},
      {{L"Short", L"LDAP://<SID=>"}, 0, true, AccountEntry{L"Short", L"< UNKNOWN >", sidPathError, false},
       L"An unknown error [1337]"},
  };
  for (const Case& c : cases) {
    directory.sidError = c.sidError;
    std::wstring asked;
    auto entry = resolvePickedObject(c.object, directory, [&](const std::wstring& q) { return asked = q, c.answer; });
    EXPECT_EQ(c.entry, entry) << toUtf8(c.object.path);
    EXPECT_TRUE(asked.starts_with(c.question) && asked.empty() == c.question.empty()) << toUtf8(asked);
  }
}

TEST(IsDomainName, BuiltinAndTheComputerAreLocal) {
  ScriptedDirectory directory;
  for (const wchar_t* local : {L"", L"BUILTIN", L"builtin", L"PC1", L"Pc1"}) EXPECT_FALSE(isDomainName(local, directory));
  EXPECT_TRUE(isDomainName(L"CORP", directory));
  directory.computer.reset();  // the computer name cannot be read
  EXPECT_FALSE(isDomainName(L"CORP", directory));
}

TEST(AccountPages, AddResolvesThePickedObjectsAndRefusesDuplicates) {
  for (Mode mode : {Mode::wizard, Mode::properties}) {
    Rule rule;
    rule.addGroup(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
    PageFixture f(privilegedGroupsFamily(), mode, rule);
    f.lv = IDC_PRIVILEGED_GROUPS;
    // A built-in group already on the page, another one, a domain group kept without a
    // name, and that domain group again.
    f.directory.picked = {{L"Administrators", L"WinNT://PC1/Administrators"},
                          {L"Users", L"WinNT://PC1/Users"},
                          {L"Sales", domainPath(0x50, 4)},
                          {L"Sales again", domainPath(0x50, 4)}};
    f.dialog.answers = {answer::ok, answer::yes, answer::yes};
    f.page.command(IDC_ADD_PRIVILEGED_GROUP, wizard::code::clicked);
    EXPECT_EQ(std::vector<PickerKind>{PickerKind::groups}, f.directory.kinds);
    ASSERT_EQ(3, f.dialog.listViewCount(f.lv));
    EXPECT_EQ((std::vector<std::wstring>{L"BUILTIN", L"Users", L"S-1-5-32-545"}), f.row(1));
    EXPECT_EQ((std::vector<std::wstring>{L"< UNKNOWN >", L"Sales", L"S-1-5-21-7-1104"}), f.row(2));
    // The duplicate is only found once its lookup has been answered.
    ASSERT_EQ(4u, f.dialog.boxes.size());
    EXPECT_EQ(res::string(27), f.dialog.boxes[0].text);
    EXPECT_EQ(mb::yesNo, f.dialog.boxes[1].style);
    EXPECT_EQ(mb::yesNo, f.dialog.boxes[2].style);
    EXPECT_EQ(res::string(27), f.dialog.boxes[3].text);
    EXPECT_EQ(mb::ok, f.dialog.boxes[3].style);
    EXPECT_EQ(mode == Mode::properties ? 1 : 0, f.dialog.changedMarks) << "one mark for the whole selection";

    // Nothing new: no mark.
    f.dialog.answers = {};
    f.directory.picked.resize(1);
    f.page.command(IDC_ADD_PRIVILEGED_GROUP, wizard::code::clicked);
    EXPECT_EQ(mode == Mode::properties ? 1 : 0, f.dialog.changedMarks);
    ASSERT_EQ(0, f.page.next());
    EXPECT_EQ(f.page.entries(), rule.accounts(AccountList::PrivilegedGroups));
  }
}

TEST(AccountPages, CancelledPickerLeavesATraceOnTheGroupPagesOnly) {
  struct Case {
    const AccountFamily& family;
    wizard::ControlId add;
    PickerKind kind;
    const char* trace;
  } cases[] = {
      {privilegedGroupsFamily(), IDC_ADD_PRIVILEGED_GROUP, PickerKind::groups, "User canceled object picker dialog\n"},
      {sidsToDeleteFamily(), IDC_ADD_SID_TO_DELETE, PickerKind::groups, "User canceled object picker dialog\n"},
      {authorizedUsersFamily(), IDC_ADD_AUTHORIZED_USER, PickerKind::usersAndGroups, ""},
  };
  for (const Case& c : cases) {
    Rule rule;
    PageFixture f(c.family, Mode::properties, rule);
    f.directory.result = PickResult::cancelled;
    ::testing::internal::CaptureStdout();
    f.page.command(c.add, wizard::code::clicked);
    f.directory.result = PickResult::failed;
    f.page.command(c.add, wizard::code::clicked);
    EXPECT_EQ(c.trace, ::testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<PickerKind>{c.kind, c.kind}), f.directory.kinds);
    EXPECT_EQ(0, f.dialog.changedMarks);
  }
}

TEST(AccountPages, DeleteAsksFirstAndAuthorizedUsersNeedsOne) {
  for (Mode mode : {Mode::wizard, Mode::properties}) {
    Rule rule;
    rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
    PageFixture f(authorizedUsersFamily(), mode, rule);
    f.lv = IDC_AUTHORIZED_USERS;
    EXPECT_EQ((std::vector<std::wstring>{L"Domain:70", L"Group:110", L"SID:280"}), f.dialog.c(f.lv).columns);
    ASSERT_EQ(1, f.dialog.listViewCount(f.lv));
    f.page.command(IDC_DELETE_AUTHORIZED_USER, wizard::code::clicked);
    EXPECT_EQ(L"Nothing to delete.", f.dialog.boxes.back().text);

    f.dialog.listViewSelect(f.lv, 0);
    f.dialog.answers = {answer::no, answer::yes};
    f.page.command(IDC_DELETE_AUTHORIZED_USER, wizard::code::clicked);
    EXPECT_EQ(L"Do you really want to delete: Everyone", f.dialog.boxes.back().text);
    EXPECT_EQ(mb::yesNo, f.dialog.boxes.back().style);
    EXPECT_EQ(1, f.dialog.listViewCount(f.lv));
    EXPECT_EQ(0, f.dialog.changedMarks);
    f.page.command(IDC_DELETE_AUTHORIZED_USER, wizard::code::clicked);
    EXPECT_EQ(0, f.dialog.listViewCount(f.lv));
    EXPECT_EQ(mode == Mode::properties ? 1 : 0, f.dialog.changedMarks);

    EXPECT_EQ(mode == Mode::properties ? 1 : -1, mode == Mode::properties ? f.page.apply() : f.page.next());
    EXPECT_EQ(res::string(16), f.dialog.boxes.back().text);
    EXPECT_EQ(1u, rule.userCount()) << "a refused step leaves the Rule";
  }
}

}  // namespace
}  // namespace ostrel::accounts

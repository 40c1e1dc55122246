// The account pages driven through their list and buttons, with a scripted object picker
// and scripted lookups standing in for the directory.
#include <map>

#include "wizard/account_page.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "tests/wizard/fake_dialog.h"

namespace ostrel::wizard::testing {
namespace {

using namespace accounts;
using Rows = std::vector<std::vector<std::wstring>>;

// SIDs are told apart by their last sub-authority; any SID not listed is unmapped.
struct Directory final : AccountPicker, AccountLookup {
  PickResult pick(WindowHandle, PickerKind kind, std::vector<PickedObject>& out) override {
    return kinds.push_back(kind), out = picked, result;
  }
  AccountLookup& lookup() override { return *this; }
  SidAccount lookupSid(const Sid& sid) override {
    const auto it = sids.find(sid.subAuthorities.back());
    return it != sids.end() ? it->second : SidAccount{errorNoneMapped, {}, {}};
  }
  std::optional<std::wstring> lookupName(const std::wstring& name) override {
    return name == L"Users" ? std::optional<std::wstring>(L"S-1-5-32-545") : std::nullopt;
  }
  std::optional<std::wstring> computerName() override { return L"PC1"; }

  PickResult result = PickResult::picked;
  std::vector<PickedObject> picked;
  std::vector<PickerKind> kinds;
  std::map<std::uint32_t, SidAccount> sids{
      {544, {0, L"Administrators", L"BUILTIN"}}, {512, {0, L"x", L"CORP"}}, {513, {0, L"x", L"pc1"}}, {9, {-5, {}, {}}}};
};

// The SID path of S-1-5-21-7-<rid>, rid below 65,536.
std::wstring domainPath(unsigned rid) {
  return formatWide(80, L"LDAP://<SID=010300000000000515000000" L"07000000" L"%02X%02X0000>", rid & 0xFF, rid >> 8);
}

struct ShownPage {
  ShownPage(const AccountFamily& family, Mode mode, Rule& rule)
      : page(family, std::make_shared<Sheet>(rule, mode, &owner, 77, services), &directory) {
    page.initDialog(dialog);
  }
  Owner owner;
  FakeServices services;
  Directory directory;
  FakeDialog dialog;
  AccountListPage page;
};

TEST(AccountPages, AddResolvesEveryKindOfPickedObject) {
  for (Mode mode : {Mode::wizard, Mode::properties}) {
    Rule rule;
    rule.addGroup(L"Administrators", L"BUILTIN", L"s-1-5-32-544", false);  // a duplicate in any case
    ShownPage p(privilegedGroupsFamily(), mode, rule);
    p.directory.picked = {{L"Users", L"winnt://PC1/Users"}, {L"Bob", L"WinNT://PC1/Bob"},
                          {L"Admins", L"LDAP://<SID=01020000000000052000000020020000>"},
                          {L"Ops", domainPath(512)}, {L"Here", domainPath(513)}, {L"Sales", domainPath(1104)},
                          {L"Sales", domainPath(1104)}, {L"Odd", domainPath(9)}, {L"Short", L"LDAP://<SID=>"},
                          {L"Nope", domainPath(77)}};
    p.dialog.answers = {answer::ok, answer::yes, answer::yes, answer::ok, answer::yes, answer::yes, answer::no};
    p.page.command(IDC_ADD_PRIVILEGED_GROUP, code::clicked);
    EXPECT_EQ((Rows{{L"BUILTIN", L"Administrators", mode == Mode::wizard ? L"S-1-5-32-544" : L"s-1-5-32-544"},
                    {L"BUILTIN", L"Users", L"S-1-5-32-545"}, {L"BUILTIN", L"Bob", L" < ERROR FETCHING SID >"},
                    {L"CORP", L"Ops", L"S-1-5-21-7-512"}, {L"pc1", L"Here", L"S-1-5-21-7-513"},
                    {L"< UNKNOWN >", L"Sales", L"S-1-5-21-7-1104"}, {L"< UNKNOWN >", L"Odd", L"S-1-5-21-7-9"},
                    {L"< UNKNOWN >", L"Short", sidPathError}}),
              p.dialog.c(IDC_PRIVILEGED_GROUPS).rows);
    const std::wstring dup(res::string(27)), unmapped = L"Could not map the security ID to the account name";
    const std::wstring asked[] = {dup, unmapped, unmapped, dup, L"An unknown error [-5] has occurred -- PLEASE NOTIFY",
                                  L"An unknown error [1337] has", unmapped};
    ASSERT_EQ(std::size(asked), p.dialog.boxes.size());
    for (std::size_t i = 0; i < std::size(asked); ++i) EXPECT_TRUE(p.dialog.boxes[i].text.starts_with(asked[i])) << i;
    ASSERT_EQ(0, p.page.next());
    EXPECT_EQ(p.page.entries(), rule.accounts(AccountList::PrivilegedGroups));
    const auto& stored = rule.accounts(AccountList::PrivilegedGroups);
    EXPECT_TRUE(stored[3].isDomain && !stored[4].isDomain) << "CORP is a domain, the computer's name is not";
    EXPECT_EQ(mode == Mode::properties ? 1 : 0, p.dialog.changedMarks) << "one mark for the selection";
  }
}

TEST(AccountPages, CancelledPickerLeavesATraceOnTheGroupPagesOnly) {
  for (auto [family, add, trace] : {std::tuple{&privilegedGroupsFamily(), IDC_ADD_PRIVILEGED_GROUP, true},
                                    {&sidsToDeleteFamily(), IDC_ADD_SID_TO_DELETE, true},
                                    {&authorizedUsersFamily(), IDC_ADD_AUTHORIZED_USER, false}}) {
    Rule rule;
    ShownPage p(*family, Mode::properties, rule);
    p.directory.result = PickResult::cancelled;
    ::testing::internal::CaptureStdout();
    p.page.command(add, code::clicked);
    EXPECT_EQ(trace ? "User canceled object picker dialog\n" : "", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(trace ? PickerKind::groups : PickerKind::usersAndGroups, p.directory.kinds.at(0));
    EXPECT_EQ(0, p.dialog.listViewCount(family->listView));
  }
}

TEST(AccountPages, DeleteAsksFirstAndAuthorizedUsersNeedsOne) {
  for (Mode mode : {Mode::wizard, Mode::properties}) {
    Rule rule;
    rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
    ShownPage p(authorizedUsersFamily(), mode, rule);
    auto pressDelete = [&] { p.page.command(IDC_DELETE_AUTHORIZED_USER, code::clicked); };
    pressDelete();
    p.dialog.listViewSelect(IDC_AUTHORIZED_USERS, 0);
    p.dialog.answers = {answer::no, answer::yes};
    pressDelete();
    EXPECT_EQ(1, p.dialog.listViewCount(IDC_AUTHORIZED_USERS)) << "No changes nothing";
    pressDelete();
    EXPECT_EQ(L"Nothing to delete.", p.dialog.boxes.at(0).text);
    EXPECT_EQ(L"Do you really want to delete: Everyone", p.dialog.boxes.at(1).text);
    EXPECT_EQ(0, p.dialog.listViewCount(IDC_AUTHORIZED_USERS));
    EXPECT_EQ(mode == Mode::properties ? 1 : 0, p.dialog.changedMarks) << "one mark, for the Yes";
    EXPECT_EQ(mode == Mode::properties ? 1 : -1, mode == Mode::properties ? p.page.apply() : p.page.next());
    EXPECT_EQ(res::string(16), p.dialog.boxes.back().text);
    EXPECT_EQ(1u, rule.userCount()) << "a refused step leaves the Rule";
  }
}

}  // namespace
}  // namespace ostrel::wizard::testing

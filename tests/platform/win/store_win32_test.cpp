// The policy store over the real registry: what the editor's machine hive would hold after
// a rewrite, and the same Rules loaded back.
#include <gtest/gtest.h>

#include "platform/group_policy_host.h"
#include "rules/policy_store.h"
#include "tests/platform/win/scratch_key.h"

namespace ostrel::testing {
namespace {

struct SilentPrompter : Prompter {
  int messageBox(WindowHandle, const std::wstring& text, const std::wstring&, std::uint32_t) override {
    shown.push_back(text);
    return answer::ok;
  }
  std::vector<std::wstring> shown;
};

std::wstring readText(Registry& reg, Registry::Key key, const std::wstring& name) {
  std::vector<std::uint8_t> buffer(1024);
  std::uint32_t type = 0, size = 0;
  std::wstring text;
  if (reg.queryValue(key, name, type, buffer, size) != status::success || type != regtype::sz ||
      !textFromRegSz(std::span(buffer).first(size), text))
    return L"<unreadable>";
  return text;
}

std::vector<std::wstring> subkeys(Registry& reg, Registry::Key root, const std::wstring& path) {
  std::vector<std::wstring> names;
  RegKey key;
  if (RegKey::open(reg, root, path, access::read, key) != status::success) return names;
  std::wstring name;
  for (std::uint32_t i = 0; reg.enumKey(key.get(), i, 256, name) == status::success; ++i) names.push_back(name);
  return names;
}

class StoreOnWin32 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(status::success, scratch_.status()); }
  win::Win32Registry reg_;
  ScratchKey scratch_{reg_};
  RegistryKeyHost host_{reg_, scratch_.key()};
  SilentPrompter prompter_;
};

TEST_F(StoreOnWin32, RewriteLeavesTheLayoutAndLoadGivesTheRulesBack) {
  Rule path;
  path.newId();
  path.setType(RuleType::Path);
  path.setPathPattern(L"%SystemRoot%\\system32\\mmc.exe");
  path.setOwnershipCheck(true);
  path.setRecursive(true);
  ASSERT_TRUE(path.encodePath());
  path.addCommandLine(L"%SYSTEMROOT%\\system32\\mmc.exe /a");
  path.addGroup(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  Rule hash;
  hash.newId();
  hash.setType(RuleType::Hash);
  hash.setApplicationName(L"C:\\Tools\\app.exe");
  hash.setHashFromText("0x" + std::string(40, 'c'));
  hash.addPrivilege(L"SeDebugPrivilege");

  // Leftovers the rewrite must remove.
  RegKey stale;
  ASSERT_EQ(status::success, RegKey::create(reg_, scratch_.key(),
                                            L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\forceupdate-old", access::all, stale));
  stale.reset();

  Rule* live[] = {&hash, &path};
  store::rewriteStore(&host_, prompter_, live);
  EXPECT_TRUE(prompter_.shown.empty());

  const std::wstring product = L"SOFTWARE\\Policies\\Kelvast\\Ostrel";
  auto top = subkeys(reg_, scratch_.key(), product);
  ASSERT_EQ(3u, top.size());
  top[0].resize(14);
  EXPECT_EQ((std::vector<std::wstring>{L"ForceUpdate-0x", L"Hashes", L"Paths"}), top);
  EXPECT_EQ(std::vector<std::wstring>{hash.idText()}, subkeys(reg_, scratch_.key(), product + L"\\Hashes"));
  EXPECT_EQ(std::vector<std::wstring>{path.idText()}, subkeys(reg_, scratch_.key(), product + L"\\Paths"));

  RegKey pathKey;
  ASSERT_EQ(status::success,
            RegKey::open(reg_, scratch_.key(), product + L"\\Paths\\" + path.idText(), access::read, pathKey));
  for (auto [name, text] : {std::pair{L"Type", L"Path"}, {L"Name", L"%SystemRoot%\\system32\\mmc.exe"},
                            {L"Value", L"?r?o*r\\system32\\mmc.exe"},
                            {L"CommandLine1", L"%SystemRoot%\\system32\\mmc.exe /a"},
                            {L"PrivilegedGroup1_userSID", L"S-1-5-32-544"}})
    EXPECT_EQ(text, readText(reg_, pathKey.get(), name)) << toUtf8(name);

  std::vector<std::unique_ptr<Rule>> loaded;
  store::loadRules(&host_, prompter_, [&](std::unique_ptr<Rule> r) { loaded.push_back(std::move(r)); });
  ASSERT_EQ(2u, loaded.size());
  // Paths first, then hashes.
  EXPECT_EQ(path.id(), loaded[0]->id());
  EXPECT_EQ(path.pathPattern(), loaded[0]->pathPattern());
  EXPECT_TRUE(loaded[0]->ownershipCheck() && loaded[0]->recursive());
  EXPECT_EQ(path.accounts(AccountList::PrivilegedGroups), loaded[0]->accounts(AccountList::PrivilegedGroups));
  EXPECT_EQ(hash.id(), loaded[1]->id());
  EXPECT_EQ(hash.hashText(), loaded[1]->hashText());
  EXPECT_EQ(L"SeDebugPrivilege", loaded[1]->privilege(0));

  // Clearing removes the whole product key.
  store::updateStore(&host_, prompter_, false, {});
  EXPECT_TRUE(subkeys(reg_, scratch_.key(), product).empty());
  EXPECT_EQ(std::vector<std::wstring>{L"Policies"}, subkeys(reg_, scratch_.key(), L"SOFTWARE"));
  EXPECT_EQ(std::vector<std::wstring>{L"Kelvast"}, subkeys(reg_, scratch_.key(), L"SOFTWARE\\Policies"));
}

}  // namespace
}  // namespace ostrel::testing

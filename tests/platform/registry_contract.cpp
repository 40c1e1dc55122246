// Behaviours of the registry that the store and the module rely on.
#include "tests/platform/registry_contract.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/text.h"

namespace ostrel::testing {
namespace {

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override { target_ = makeContractTarget(); }
  Registry& reg() { return *target_->registry; }
  Registry::Key root() { return target_->root; }

  RegKey create(const std::wstring& path, std::uint32_t acc = access::all) {
    RegKey k;
    EXPECT_EQ(status::success, RegKey::create(reg(), root(), path, acc, k)) << toUtf8(path);
    return k;
  }
  std::vector<std::wstring> subkeys(Registry::Key key) {
    std::vector<std::wstring> names;
    std::wstring name;
    for (std::uint32_t i = 0; reg().enumKey(key, i, 256, name) == status::success; ++i) names.push_back(name);
    return names;
  }
  std::unique_ptr<ContractTarget> target_;
};

// A key opened for reading refuses writes.
TEST_F(RegistryContract, OpenFindsOnlyExistingKeysAndCreateMakesEveryMissingComponent) {
  RegKey k;
  EXPECT_EQ(status::fileNotFound, RegKey::open(reg(), root(), L"A\\B", access::read, k));
  EXPECT_FALSE(k);
  create(L"A\\B\\C\\");  // trailing backslash is ignored
  EXPECT_EQ(status::success, RegKey::open(reg(), root(), L"a\\b\\c", access::read, k));
  EXPECT_EQ(status::accessDenied, reg().setValue(k.get(), L"x", regtype::dword, regDwordBytes(1)));
  RegKey again = create(L"A\\B");
  EXPECT_EQ(std::vector<std::wstring>{L"C"}, subkeys(again.get()));
}

// Overwriting a value in another spelling keeps one value, its first name and the new data.
TEST_F(RegistryContract, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  create(L"MixedCase");
  create(L"MIXEDCASE");
  RegKey k = create(L"mixedcase");
  EXPECT_EQ(status::success, reg().setValue(k.get(), L"ValueName", regtype::sz, regSzBytes(L"long text")));
  EXPECT_EQ(status::success, reg().setValue(k.get(), L"VALUENAME", regtype::dword, regDwordBytes(7)));
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(status::success, reg().enumValue(k.get(), 0, name, type, data));
  EXPECT_EQ(std::tuple(std::wstring(L"ValueName"), regtype::dword, regDwordBytes(7)), std::tuple(name, type, data));
  EXPECT_EQ(status::noMoreItems, reg().enumValue(k.get(), 1, name, type, data));
  EXPECT_EQ(std::vector<std::wstring>{L"MixedCase"}, subkeys(root()));
}

// A name buffer one character short gets moreData.
TEST_F(RegistryContract, SubkeysEnumerateInCaseInsensitiveOrder) {
  for (const wchar_t* n : {L"beta", L"Alpha", L"gamma", L"ALPHA2", L"Delta"}) create(n);
  EXPECT_EQ((std::vector<std::wstring>{L"Alpha", L"ALPHA2", L"beta", L"Delta", L"gamma"}), subkeys(root()));
  std::uint32_t count = 0, values = 0;
  ASSERT_EQ(status::success, reg().queryInfoKey(root(), count, values));
  EXPECT_EQ(5u, count);
  std::wstring name;
  EXPECT_EQ(status::moreData, reg().enumKey(root(), 1, 6, name));
  EXPECT_EQ(status::success, reg().enumKey(root(), 1, 7, name));
  EXPECT_EQ(status::noMoreItems, reg().enumKey(root(), 5, 9, name));
}

TEST_F(RegistryContract, StringDataCountsItsTerminatorAndShortBuffersGetMoreData) {
  RegKey k = create(L"S");
  ASSERT_EQ(status::success, reg().setValue(k.get(), L"Text", regtype::sz, regSzBytes(L"abc")));
  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(status::success, reg().queryValue(k.get(), L"text", type, {}, size));  // type and size only
  EXPECT_EQ(8u, size);
  std::vector<std::uint8_t> big(64);
  ASSERT_EQ(status::success, reg().queryValue(k.get(), L"text", type, big, size));
  EXPECT_EQ(regtype::sz, type);
  EXPECT_EQ(8u, size);
  std::wstring text;
  EXPECT_TRUE(textFromRegSz(std::span(big).first(size), text));
  EXPECT_EQ(L"abc", text);

  std::vector<std::uint8_t> small(7);
  EXPECT_EQ(status::moreData, reg().queryValue(k.get(), L"Text", type, small, size));
  EXPECT_EQ(8u, size);
  EXPECT_EQ(status::fileNotFound, reg().queryValue(k.get(), L"Other", type, big, size));
  EXPECT_EQ(status::fileNotFound, reg().deleteValue(k.get(), L"Other"));
}

TEST_F(RegistryContract, DeleteKeyRefusesKeysWithSubkeysAndDeleteTreeRemovesThem) {
  create(L"P\\C\\G");
  EXPECT_NE(status::success, reg().deleteKey(root(), L"P"));
  EXPECT_EQ(status::success, reg().deleteKey(root(), L"P\\C\\G"));
  RegKey orphan = create(L"P\\C\\G2");
  EXPECT_EQ(status::success, reg().deleteTree(root(), L"P\\C\\"));
  EXPECT_EQ(status::keyDeleted, reg().setValue(orphan.get(), L"v", regtype::dword, regDwordBytes(1)));
  EXPECT_EQ(status::success, reg().deleteKey(root(), L"P"));
  EXPECT_TRUE(subkeys(root()).empty());
  EXPECT_EQ(status::fileNotFound, reg().deleteKey(root(), L"P"));
  EXPECT_EQ(status::fileNotFound, reg().deleteTree(root(), L"P"));
  EXPECT_EQ(status::invalidHandle, reg().closeKey(0));
}

// Values of any size enumerate: a long name, large data, and the default value.
TEST_F(RegistryContract, ValuesOfAnySizeEnumerate) {
  const std::wstring longName(300, L'v');
  std::vector<std::uint8_t> big(100000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  ASSERT_EQ(status::success, reg().setValue(root(), longName, regtype::binary, big));
  ASSERT_EQ(status::success, reg().setValue(root(), L"", regtype::sz, regSzBytes(L"default")));
  std::map<std::wstring, std::vector<std::uint8_t>> seen;
  std::wstring name;
  std::uint32_t type = 0, i = 0;
  std::vector<std::uint8_t> data;
  for (; reg().enumValue(root(), i, name, type, data) == status::success; ++i) seen[name] = data;
  EXPECT_EQ(status::noMoreItems, reg().enumValue(root(), i, name, type, data));
  EXPECT_EQ((std::map<std::wstring, std::vector<std::uint8_t>>{{L"", regSzBytes(L"default")}, {longName, big}}), seen);
}

TEST_F(RegistryContract, KeyNamesLongerThan255CharactersAreRefused) {
  EXPECT_TRUE(create(std::wstring(255, L'k')));
  if (target_->wine) GTEST_SKIP() << "Wine accepts 256-character key names; Windows refuses them";
  RegKey k;
  EXPECT_NE(status::success, RegKey::create(reg(), root(), std::wstring(256, L'k'), access::all, k));
}

}  // namespace
}  // namespace ostrel::testing

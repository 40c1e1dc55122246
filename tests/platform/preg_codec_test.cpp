// Registry.pol reading and writing: exact bytes, round trips, the lenient record forms,
// the directives, and whole-file rejection of damaged files.
#include <gtest/gtest.h>

#include "platform/preg/preg_codec.h"
#include "preg_test_util.h"

namespace ostrel {
namespace {

using testing::dump;
using testing::PolBytes;

void setValue(MemoryRegistry& hive, const std::wstring& key, const std::wstring& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
  RegKey root(hive, hive.openRoot());
  RegKey k;
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), key, access::all, k));
  ASSERT_EQ(status::success, hive.setValue(k.get(), name, type, data));
}

void createKey(MemoryRegistry& hive, const std::wstring& key) {
  RegKey root(hive, hive.openRoot());
  RegKey k;
  ASSERT_EQ(status::success, RegKey::create(hive, root.get(), key, access::all, k));
}

MemoryRegistry sampleHive() {
  MemoryRegistry hive;
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"Type", regtype::sz, regSzBytes(L"Path"));
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"CommandLines", regtype::dword, regDwordBytes(2));
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"", regtype::sz, regSzBytes(L"default"));
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"Bin", regtype::binary, {0x5D, 0x00, 0x3B, 0x00});
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"Multi", regtype::multiSz,
           {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"Q", regtype::qword, {1, 2, 3, 4, 5, 6, 7, 8});
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}", L"Empty", regtype::sz, {});
  setValue(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Hashes\\{B}", L"Name", regtype::sz,
           regSzBytes(L"C:\\Pr\u00f6gr\u00e4mme\\\U0001F600.exe"));
  createKey(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\ForceUpdate-0x01d2");
  return hive;
}

TEST(PregWrite, EmptyHiveIsTheHeaderAlone) {
  MemoryRegistry hive;
  EXPECT_EQ(PolBytes().header().b, preg::write(hive));
}

TEST(PregWrite, KeysWithoutValuesGetOneKeyOnlyRecordAndValuesFollowInCreationOrder) {
  MemoryRegistry hive;
  setValue(hive, L"A\\b", L"Zed", regtype::dword, regDwordBytes(7));
  setValue(hive, L"A\\b", L"alpha", regtype::sz, regSzBytes(L"x"));
  createKey(hive, L"A\\B\\c");  // same key as A\b: names compare without regard to case
  createKey(hive, L"a\\Aa");
  PolBytes expected;
  expected.header()
      .keyOnly(u"A")
      .keyOnly(u"A\\Aa")
      .record(u"A\\b", u"Zed", 4, {7, 0, 0, 0})
      .sz(u"A\\b", u"alpha", u"x")
      .keyOnly(u"A\\b\\c");
  EXPECT_EQ(expected.b, preg::write(hive));
}

TEST(PregRoundTrip, EveryValueKindAndKeySurvives) {
  MemoryRegistry hive = sampleHive();
  std::vector<std::uint8_t> bytes = preg::write(hive);
  MemoryRegistry back;
  preg::ReadError error;
  ASSERT_TRUE(preg::read(bytes, back, error)) << error.message();
  EXPECT_EQ(dump(hive), dump(back));
  EXPECT_EQ(bytes, preg::write(back));
}

// The empty-named value with no data is the one thing the format cannot tell from a key-only
// record; it reads back as the key alone.
TEST(PregRoundTrip, EmptyNamedValueWithoutDataReadsBackAsKeyOnly) {
  MemoryRegistry hive;
  setValue(hive, L"K", L"", regtype::sz, {});
  MemoryRegistry back;
  preg::ReadError error;
  ASSERT_TRUE(preg::read(preg::write(hive), back, error));
  EXPECT_EQ(std::vector<std::wstring>{L"K"}, dump(back));
}

struct LenientCase {
  const char* name;
  std::vector<std::uint8_t> file;
  std::vector<std::wstring> expected;
};

std::vector<LenientCase> lenientCases() {
  std::vector<LenientCase> cases;
  cases.push_back({"key closed right after its name",
                   PolBytes().header().unit(u'[').str(u"K\\L").unit(u']').b,
                   {L"K", L"K\\L"}});
  cases.push_back({"key closed after an empty value name",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"").unit(u']').b, {L"K"}});
  cases.push_back({"key-only record with type and size", PolBytes().header().keyOnly(u"K").b, {L"K"}});
  cases.push_back({"key-only record of type REG_SZ and no data", PolBytes().header().record(u"K", u"", 1, {}).b,
                   {L"K"}});
  cases.push_back({"repeated keys merge, a repeated value keeps its place and takes the last data",
                   PolBytes().header().sz(u"K", u"a", u"1").sz(u"k", u"b", u"2").sz(u"K", u"A", u"3").b,
                   {L"K", L"K|a|1|33000000", L"K|b|1|32000000"}});
  cases.push_back({"trailing backslash of a key path is ignored", PolBytes().header().keyOnly(u"K\\").b, {L"K"}});
  cases.push_back({"**del. deletes one value",
                   PolBytes().header().sz(u"K", u"a", u"1").sz(u"K", u"b", u"2").sz(u"K", u"**Del.A", u"").b,
                   {L"K", L"K|b|1|32000000"}});
  cases.push_back({"**delvals. deletes every value and keeps the key and its subkeys",
                   PolBytes().header().sz(u"K", u"a", u"1").keyOnly(u"K\\S").sz(u"K", u"**delvals.", u" ").b,
                   {L"K", L"K\\S"}});
  cases.push_back({"**DeleteValues takes a ';' list",
                   PolBytes()
                       .header()
                       .sz(u"K", u"a", u"1")
                       .sz(u"K", u"b", u"2")
                       .sz(u"K", u"c", u"3")
                       .sz(u"K", u"**DeleteValues", u"a;c;missing")
                       .b,
                   {L"K", L"K|b|1|32000000"}});
  cases.push_back({"**DeleteKeys takes a ';' list of subkeys",
                   PolBytes()
                       .header()
                       .keyOnly(u"K\\x\\deep")
                       .keyOnly(u"K\\y")
                       .keyOnly(u"K\\z")
                       .sz(u"K", u"**DeleteKeys", u"x;Z")
                       .b,
                   {L"K", L"K\\y"}});
  cases.push_back({"directives apply in file order: a value set after its deletion stays",
                   PolBytes().header().sz(u"K", u"a", u"1").sz(u"K", u"**del.a", u"").sz(u"K", u"a", u"2").b,
                   {L"K", L"K|a|1|32000000"}});
  cases.push_back({"deleting from a missing key creates nothing",
                   PolBytes().header().sz(u"M", u"**del.a", u"").sz(u"M", u"**DeleteKeys", u"x").b,
                   {}});
  cases.push_back({"**SecureKey creates the key and no value",
                   PolBytes().header().record(u"S", u"**SecureKey", 4, {1, 0, 0, 0}).b, {L"S"}});
  cases.push_back({"**soft. sets a value only where none exists",
                   PolBytes().header().sz(u"K", u"a", u"1").sz(u"K", u"**soft.a", u"2").sz(u"K", u"**soft.b", u"3").b,
                   {L"K", L"K|a|1|31000000", L"K|b|1|33000000"}});
  cases.push_back({"data may hold brackets and semicolons", PolBytes().header().sz(u"K", u"v", u"];[").b,
                   {L"K", L"K|v|1|5d003b005b000000"}});
  return cases;
}

TEST(PregRead, AcceptsWhatEditorsWrite) {
  for (const auto& c : lenientCases()) {
    SCOPED_TRACE(c.name);
    MemoryRegistry hive;
    preg::ReadError error;
    ASSERT_TRUE(preg::read(c.file, hive, error)) << error.message();
    EXPECT_EQ(c.expected, dump(hive));
  }
}

TEST(PregRead, ReplacesTheWholeContent) {
  MemoryRegistry hive = sampleHive();
  preg::ReadError error;
  ASSERT_TRUE(preg::read(PolBytes().header().keyOnly(u"Only").b, hive, error));
  EXPECT_EQ(std::vector<std::wstring>{L"Only"}, dump(hive));
}

struct BadCase {
  const char* name;
  std::vector<std::uint8_t> file;
  std::size_t offset;
  const char* expectedMentions;
};

std::vector<BadCase> badCases() {
  const std::size_t h = 8;
  std::vector<BadCase> cases;
  cases.push_back({"empty file", {}, 0, "header"});
  cases.push_back({"short header", {'P', 'R', 'e', 'g', 1, 0}, 0, "header"});
  cases.push_back({"wrong signature", PolBytes().header(0x67655251).b, 0, "PReg"});
  cases.push_back({"wrong version", PolBytes().header(0x67655250, 2).b, 4, "version 1"});
  cases.push_back({"no opening bracket", PolBytes().header().unit(u'(').b, h, "'['"});
  cases.push_back({"odd trailing byte", [] {
                     auto b = PolBytes().header().keyOnly(u"K").b;
                     b.push_back(0);
                     return b;
                   }(),
                   h + PolBytes().keyOnly(u"K").b.size(), "'['"});
  cases.push_back({"key without terminator", PolBytes().header().unit(u'[').unit(u'K').unit(u'K').b, h + 2,
                   "NUL-terminated key path"});
  cases.push_back({"empty key", PolBytes().header().record(u"", u"v", 4, {1, 0, 0, 0}).b, h + 2, "non-empty key"});
  cases.push_back({"key with an empty component", PolBytes().header().keyOnly(u"A\\\\B").b, h + 2, "key path"});
  cases.push_back({"key component of 256 characters",
                   PolBytes().header().keyOnly(std::u16string(256, u'k')).b, h + 2, "255"});
  cases.push_back({"comma for semicolon after the key", PolBytes().header().unit(u'[').str(u"K").unit(u',').b,
                   h + 6, "';' after the key path"});
  cases.push_back({"value name without the semicolon after it",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u']').b, h + 12,
                   "';' after the value name"});
  cases.push_back({"type cut short",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u';').unit(4).b, h + 14,
                   "value type"});
  cases.push_back({"size larger than the file",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u';').dword(4).unit(u';')
                       .dword(0xFFFFFFF0u).unit(u';').dword(1).unit(u']').b,
                   h + 20, "data size"});
  cases.push_back({"size eating the closing bracket",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u';').dword(4).unit(u';')
                       .dword(6).unit(u';').dword(1).unit(u']').b,
                   h + 20, "data size"});
  cases.push_back({"size shorter than the data",
                   PolBytes().header().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u';').dword(4).unit(u';')
                       .dword(2).unit(u';').dword(1).unit(u']').b,
                   h + 28, "']' closing"});
  cases.push_back({"good record, then a truncated one",
                   [] {
                     auto b = PolBytes().header().sz(u"K", u"a", u"1").b;
                     auto next = PolBytes().sz(u"L", u"b", u"2").b;
                     b.insert(b.end(), next.begin(), next.end() - 3);
                     return b;
                   }(),
                   h + PolBytes().sz(u"K", u"a", u"1").b.size() + 20, "data size"});
  cases.push_back({"key deeper than 512 levels", [] {
                     std::u16string deep;
                     for (int i = 0; i < 513; ++i) deep += u"k\\";
                     deep += u"k";
                     return PolBytes().header().keyOnly(deep).b;
                   }(),
                   h + 2, "512 levels"});
  return cases;
}

TEST(PregRead, RejectsDamagedFilesWholeAndSaysWhere) {
  for (const auto& c : badCases()) {
    SCOPED_TRACE(c.name);
    MemoryRegistry hive = sampleHive();
    auto before = preg::write(hive);
    preg::ReadError error;
    ASSERT_FALSE(preg::read(c.file, hive, error));
    EXPECT_EQ(c.offset, error.offset) << error.message();
    EXPECT_NE(std::string::npos, error.message().find(c.expectedMentions)) << error.message();
    EXPECT_NE(std::string::npos, error.message().find("byte offset " + std::to_string(c.offset)));
    EXPECT_EQ(before, preg::write(hive));
  }
}

TEST(PregRead, EveryTruncationOfAValidFileIsRejectedWithTheHiveUnchanged) {
  std::vector<std::uint8_t> full = preg::write(sampleHive());
  MemoryRegistry hive;
  setValue(hive, L"Before", L"v", regtype::dword, regDwordBytes(1));
  auto before = dump(hive);
  // Record boundaries are valid ends of a file; every other length must fail.
  std::vector<std::size_t> boundaries{8};
  for (std::size_t i = 8; i + 1 < full.size(); i += 2)
    if (full[i] == ']' && full[i + 1] == 0 && i + 2 < full.size() && full[i + 2] == '[' && full[i + 3] == 0)
      boundaries.push_back(i + 2);
  for (std::size_t len = 0; len < full.size(); ++len) {
    if (std::find(boundaries.begin(), boundaries.end(), len) != boundaries.end()) continue;
    preg::ReadError error;
    std::span<const std::uint8_t> part(full.data(), len);
    EXPECT_FALSE(preg::read(part, hive, error)) << "length " << len;
    EXPECT_LE(error.offset, len) << "length " << len;
  }
  EXPECT_EQ(before, dump(hive));
}

}  // namespace
}  // namespace ostrel

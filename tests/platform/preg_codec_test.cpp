// Registry.pol reading and writing: exact bytes, round trips, the lenient record forms,
// the directives, and whole-file rejection of damaged files.
#include <gtest/gtest.h>

#include "platform/preg/preg_codec.h"
#include "preg_test_util.h"

namespace ostrel {
namespace {

// The encoder's bytes as a plain vector, to compare with expected files.
std::vector<std::uint8_t> written(const MemoryRegistry& hive) {
  const auto bytes = preg::write(hive);
  return {bytes.begin(), bytes.end()};
}

using testing::dump;
using testing::PolBytes;
using testing::put;

PolBytes pol() { return std::move(PolBytes().header()); }

MemoryRegistry sampleHive() {
  MemoryRegistry hive;
  const std::wstring a = L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Paths\\{A}";
  put(hive, a, L"Type", regtype::sz, regSzBytes(L"Path"));
  put(hive, a, L"CommandLines", regtype::dword, regDwordBytes(2));
  put(hive, a, L"", regtype::sz, regSzBytes(L"default"));
  put(hive, a, L"Bin", regtype::binary, {0x5D, 0x00, 0x3B, 0x00});
  put(hive, a, L"Multi", regtype::multiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  put(hive, a, L"Q", regtype::qword, {1, 2, 3, 4, 5, 6, 7, 8});
  put(hive, a, L"Empty", regtype::sz, {});
  put(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\Hashes\\{B}", L"Name", regtype::sz,
      regSzBytes(L"C:\\Pr\u00f6gr\u00e4mme\\\U0001F600.exe"));
  put(hive, L"SOFTWARE\\Policies\\Kelvast\\Ostrel\\ForceUpdate-0x01d2");
  return hive;
}

TEST(PregWrite, KeysWithoutValuesGetOneKeyOnlyRecordAndValuesFollowInCreationOrder) {
  MemoryRegistry hive;
  EXPECT_EQ(PolBytes().header().b, written(hive));  // an empty hive is the header alone
  put(hive, L"A\\b", L"Zed", regtype::dword, regDwordBytes(7));
  put(hive, L"A\\b", L"alpha", regtype::sz, regSzBytes(L"x"));
  put(hive, L"A\\B\\c");  // same key as A\b: names compare without regard to case
  put(hive, L"a\\Aa");
  EXPECT_EQ(pol().keyOnly(u"A").keyOnly(u"A\\Aa").record(u"A\\b", u"Zed", 4, {7, 0, 0, 0}).sz(u"A\\b", u"alpha", u"x")
                .keyOnly(u"A\\b\\c").b,
            written(hive));
}

TEST(PregRoundTrip, EveryValueKindAndKeySurvives) {
  MemoryRegistry hive = sampleHive();
  std::vector<std::uint8_t> bytes = written(hive);
  MemoryRegistry back;
  preg::ReadError error;
  ASSERT_TRUE(preg::read(bytes, back, error)) << error.message();
  EXPECT_EQ(dump(hive), dump(back));
  EXPECT_EQ(bytes, written(back));

  // Other policies' directives come back out as they went in.
  auto directives = pol().sz(u"K", u"**delvals.", u" ").sz(u"K", u"a", u"1").sz(u"K", u"**del.b", u"")
                        .sz(u"K", u"**del.b", u"").record(u"S", u"**SecureKey", 4, {1, 0, 0, 0}).b;
  MemoryRegistry withDirectives;
  ASSERT_TRUE(preg::read(directives, withDirectives, error)) << error.message();
  EXPECT_EQ(directives, written(withDirectives));

  // The one thing the format cannot tell from a key-only record: an empty-named value with
  // no data reads back as the key alone.
  MemoryRegistry empty, emptyBack;
  put(empty, L"K", L"", regtype::sz, {});
  ASSERT_TRUE(preg::read(written(empty), emptyBack, error));
  EXPECT_EQ(std::vector<std::wstring>{L"K"}, dump(emptyBack));
}

// Reading replaces the whole content: each case starts from the sample hive.
TEST(PregRead, AcceptsWhatEditorsWrite) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> file;
    std::vector<std::wstring> expected;
  } cases[] = {
      {"key closed right after its name", pol().unit(u'[').str(u"K\\L").unit(u']').b, {L"K", L"K\\L"}},
      {"key closed after an empty value name", pol().unit(u'[').str(u"K").unit(u';').str(u"").unit(u']').b, {L"K"}},
      {"key-only record with type and size", pol().keyOnly(u"K").b, {L"K"}},
      {"key-only record of type REG_SZ and no data", pol().record(u"K", u"", 1, {}).b, {L"K"}},
      {"repeated keys merge, a repeated value keeps its place and takes the last data",
       pol().sz(u"K", u"a", u"1").sz(u"k", u"b", u"2").sz(u"K", u"A", u"3").b,
       {L"K", L"K|a|1|33000000", L"K|b|1|32000000"}},
      {"trailing backslash of a key path is ignored", pol().keyOnly(u"K\\").b, {L"K"}},
      {"**del. deletes one value and stays for the computers",
       pol().sz(u"K", u"a", u"1").sz(u"K", u"b", u"2").sz(u"K", u"**Del.A", u"").b,
       {L"K", L"K|b|1|32000000", L"K|**Del.A|1|0000"}},
      {"**delvals. deletes every value and keeps the key and its subkeys",
       pol().sz(u"K", u"a", u"1").keyOnly(u"K\\S").sz(u"K", u"**delvals.", u" ").b,
       {L"K", L"K|**delvals.|1|20000000", L"K\\S"}},
      {"**DeleteValues takes a ';' list; an empty item names no value, not the default one",
       pol().sz(u"K", u"", u"d").sz(u"K", u"a", u"1").sz(u"K", u"b", u"2").sz(u"K", u"c", u"3")
           .sz(u"K", u"**DeleteValues", u"a;;c;x;").b,
       {L"K", L"K||1|64000000", L"K|b|1|32000000", L"K|**DeleteValues|1|61003b003b0063003b0078003b000000"}},
      {"**DeleteKeys takes a ';' list of subkeys",
       pol().keyOnly(u"K\\x\\deep").keyOnly(u"K\\y").keyOnly(u"K\\z").sz(u"K", u"**DeleteKeys", u"x;Z").b,
       {L"K", L"K|**DeleteKeys|1|78003b005a000000", L"K\\y"}},
      {"directives apply in file order: a value set after its deletion stays",
       pol().sz(u"K", u"a", u"1").sz(u"K", u"**del.a", u"").sz(u"K", u"a", u"2").b,
       {L"K", L"K|**del.a|1|0000", L"K|a|1|32000000"}},
      {"deleting from a missing key deletes nothing; the directives stay",
       pol().sz(u"M", u"**del.a", u"").sz(u"M", u"**DeleteKeys", u"x").b,
       {L"M", L"M|**del.a|1|0000", L"M|**DeleteKeys|1|78000000"}},
      {"**SecureKey is kept with its key", pol().record(u"S", u"**SecureKey", 4, {1, 0, 0, 0}).b,
       {L"S", L"S|**SecureKey|4|01000000"}},
      {"**soft. values are kept as they are: the computers decide whether they apply",
       pol().sz(u"K", u"a", u"1").sz(u"K", u"**soft.a", u"2").b,
       {L"K", L"K|a|1|31000000", L"K|**soft.a|1|32000000"}},
      {"a directive repeated on one key is kept each time, in file order",
       pol().keyOnly(u"K\\x").keyOnly(u"K\\y").sz(u"K", u"a", u"1").sz(u"K", u"b", u"2")
           .sz(u"K", u"**DeleteKeys", u"x").sz(u"K", u"**DeleteValues", u"a").sz(u"K", u"**soft.c", u"3")
           .sz(u"K", u"**DeleteKeys", u"y").sz(u"K", u"**DeleteValues", u"b").sz(u"K", u"**soft.c", u"4").b,
       {L"K", L"K|**DeleteKeys|1|78000000", L"K|**DeleteValues|1|61000000", L"K|**soft.c|1|33000000",
        L"K|**DeleteKeys|1|79000000", L"K|**DeleteValues|1|62000000", L"K|**soft.c|1|34000000"}},
      {"data may hold brackets and semicolons", pol().sz(u"K", u"v", u"];[").b, {L"K", L"K|v|1|5d003b005b000000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry hive = sampleHive();
    preg::ReadError error;
    ASSERT_TRUE(preg::read(c.file, hive, error)) << error.message();
    EXPECT_EQ(c.expected, dump(hive));
  }
}

TEST(PregRead, RejectsDamagedFilesWholeAndSaysWhere) {
  const std::size_t h = 8;
  auto upToType = [] { return pol().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u';'); };
  auto withSize = [&](std::uint32_t size) {
    return upToType().dword(4).unit(u';').dword(size).unit(u';').dword(1).unit(u']').b;
  };
  auto plus = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b, std::size_t cut = 0) {
    a.insert(a.end(), b.begin(), b.end() - static_cast<std::ptrdiff_t>(cut));
    return a;
  };
  std::u16string deep;  // 512 levels, the most a key may have
  for (int i = 0; i < 511; ++i) deep += u"k\\";
  const struct {
    const char* name;
    std::vector<std::uint8_t> file;
    std::size_t offset;
    const char* expectedMentions;
  } cases[] = {
      {"empty file", {}, 0, "header"},
      {"short header", {'P', 'R', 'e', 'g', 1, 0}, 0, "header"},
      {"wrong signature", PolBytes().header(0x67655251).b, 0, "PReg"},
      {"wrong version", PolBytes().header(0x67655250, 2).b, 4, "version 1"},
      {"no opening bracket", pol().unit(u'(').b, h, "'['"},
      {"odd trailing byte", plus(pol().keyOnly(u"K").b, {0}), h + PolBytes().keyOnly(u"K").b.size(), "'['"},
      {"key without terminator", pol().unit(u'[').unit(u'K').unit(u'K').b, h + 2, "NUL-terminated key path"},
      {"empty key", pol().record(u"", u"v", 4, {1, 0, 0, 0}).b, h + 2, "non-empty key"},
      {"key with an empty component", pol().keyOnly(u"A\\\\B").b, h + 2, "key path"},
      {"key component of 256 characters", pol().keyOnly(std::u16string(256, u'k')).b, h + 2, "255"},
      {"comma for semicolon after the key", pol().unit(u'[').str(u"K").unit(u',').b, h + 6, "';' after the key path"},
      {"value name without the semicolon after it", pol().unit(u'[').str(u"K").unit(u';').str(u"v").unit(u']').b,
       h + 12, "';' after the value name"},
      {"type cut short", upToType().unit(4).b, h + 14, "value type"},
      {"size larger than the file", withSize(0xFFFFFFF0u), h + 20, "data size"},
      {"size eating the closing bracket", withSize(6), h + 20, "data size"},
      {"size shorter than the data", withSize(2), h + 28, "']' closing"},
      {"good record, then a truncated one", plus(pol().sz(u"K", u"a", u"1").b, PolBytes().sz(u"L", u"b", u"2").b, 3),
       h + PolBytes().sz(u"K", u"a", u"1").b.size() + 20, "data size"},
      {"key of 513 levels", pol().keyOnly(deep + u"k\\k").b, h + 2, "512 levels"},
      {"value name of 16384 characters", pol().sz(u"K", std::u16string(16384, u'v'), u"").b, h + 8,
       "at most 16383 characters"},
  };
  // One less of each is read.
  MemoryRegistry atLimits;
  preg::ReadError atLimitsError;
  EXPECT_TRUE(preg::read(pol().keyOnly(deep + u"k").sz(u"K", std::u16string(16383, u'v'), u"").b, atLimits,
                         atLimitsError))
      << atLimitsError.message();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRegistry hive = sampleHive();
    auto before = written(hive);
    preg::ReadError error;
    ASSERT_FALSE(preg::read(c.file, hive, error));
    EXPECT_EQ(c.offset, error.offset) << error.message();
    EXPECT_NE(std::string::npos, error.message().find(c.expectedMentions)) << error.message();
    EXPECT_EQ(before, written(hive));
  }
}

TEST(PregRead, EveryTruncationOfAValidFileIsRejectedWithTheHiveUnchanged) {
  std::vector<std::uint8_t> full = written(sampleHive());
  MemoryRegistry hive;
  put(hive, L"Before", L"v", regtype::dword, regDwordBytes(1));
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

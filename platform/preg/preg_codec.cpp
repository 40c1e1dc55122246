#include "platform/preg/preg_codec.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "platform/text.h"

namespace ostrel::preg {
namespace {

// Limits of the registry itself: a deeper key or a longer value name could not exist in a
// real hive, and refusing them keeps every later walk of the tree shallow and bounded.
constexpr std::size_t maxKeyDepth = 512;
constexpr std::size_t maxValueNameChars = 16383;

bool startsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  return namesEqual(text.substr(0, prefix.size()), prefix);
}

// Directive data holds a ';'-separated list as UTF-16LE text; trailing NULs and an odd last
// byte are ignored, since editors differ in whether they count the terminator.
std::vector<std::wstring> nameList(std::span<const std::uint8_t> data) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  while (!units.empty() && units.back() == 0) units.pop_back();
  std::vector<std::wstring> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= units.size(); ++i) {
    if (i == units.size() || units[i] == u';' || units[i] == 0) {
      if (i > start) names.push_back(fromUtf16(units.substr(start, i - start)));
      start = i + 1;
    }
  }
  return names;
}

class Parser {
 public:
  Parser(std::span<const std::uint8_t> file, MemoryRegistry& target, ReadError& error)
      : file_(file), hive_(target), error_(error), root_(target, target.openRoot()) {}

  bool run() {
    if (file_.size() < headerSize) return fail(0, "the 8-byte header \"PReg\" and version 1");
    if (dword(0) != signature) return fail(0, "the signature \"PReg\"");
    if (dword(4) != formatVersion) return fail(4, "format version 1");
    pos_ = headerSize;
    while (pos_ < file_.size())
      if (!record()) return false;
    return true;
  }

 private:
  std::uint32_t dword(std::size_t at) const {
    return static_cast<std::uint32_t>(file_[at]) | static_cast<std::uint32_t>(file_[at + 1]) << 8 |
           static_cast<std::uint32_t>(file_[at + 2]) << 16 | static_cast<std::uint32_t>(file_[at + 3]) << 24;
  }
  std::size_t left() const { return file_.size() - pos_; }
  std::optional<char16_t> peekUnit() const {
    if (left() < 2) return std::nullopt;
    return static_cast<char16_t>(file_[pos_] | (file_[pos_ + 1] << 8));
  }

  bool fail(std::size_t offset, std::string expected) {
    error_.offset = offset;
    error_.expected = std::move(expected);
    return false;
  }

  bool expectUnit(char16_t want, const char* what) {
    auto c = peekUnit();
    if (!c || *c != want) return fail(pos_, what);
    pos_ += 2;
    return true;
  }

  // A NUL-terminated UTF-16LE string, as its bytes without the NUL; the scan never goes past
  // the end of the file.
  bool string(std::span<const std::uint8_t>& out, const char* what) {
    const std::size_t start = pos_;
    std::size_t end = start;
    while (end + 1 < file_.size() && (file_[end] | file_[end + 1]) != 0) end += 2;
    if (end + 1 >= file_.size()) return fail(start, std::string("a NUL-terminated ") + what);
    out = file_.subspan(start, end - start);
    pos_ = end + 2;
    return true;
  }

  // UTF-16LE bytes as text, into out's storage (as fromUtf16 converts).
  static void decode(std::span<const std::uint8_t> bytes, std::wstring& out) {
    const std::size_t n = bytes.size() / 2;
    out.resize(n);
    std::size_t w = 0;
    for (std::size_t i = 0; i < n; ++i) {
      char32_t c = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      if (sizeof(wchar_t) == 4 && c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
        const char16_t next = static_cast<char16_t>(bytes[2 * i + 2] | (bytes[2 * i + 3] << 8));
        if (next >= 0xDC00 && next < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
          ++i;
        }
      }
      out[w++] = static_cast<wchar_t>(c);
    }
    out.resize(w);
  }

  bool readDword(std::uint32_t& v, const char* what) {
    if (left() < 4) return fail(pos_, what);
    v = dword(pos_);
    pos_ += 4;
    return true;
  }

  bool record() {
    if (!expectUnit(u'[', "'[' opening a record")) return false;
    std::size_t keyOffset = pos_;
    std::span<const std::uint8_t> key, value;
    if (!string(key, "key path")) return false;
    if (key.empty()) return fail(keyOffset, "a non-empty key path");
    // Consecutive records usually name the same key: its text is decoded once.
    if (key.size() != lastKey_.size() || std::memcmp(key.data(), lastKey_.data(), key.size()) != 0) {
      std::size_t separators = 0;
      for (std::size_t i = 0; i < key.size(); i += 2) separators += key[i] == '\\' && key[i + 1] == 0;
      if (separators >= maxKeyDepth) return fail(keyOffset, "a key path of at most 512 levels");
      decode(key, key_);
      lastKey_ = key;
    }
    // Some editors close a key-only record right after the key or after an empty value name.
    if (peekUnit() == u']') {
      pos_ += 2;
      value_.clear();
      return apply(keyOffset, regtype::none, {});
    }
    if (!expectUnit(u';', "';' after the key path")) return false;
    std::size_t valueOffset = pos_;
    if (!string(value, "value name")) return false;
    if (value.size() / 2 > maxValueNameChars) return fail(valueOffset, "a value name of at most 16383 characters");
    decode(value, value_);
    if (value_.empty() && peekUnit() == u']') {
      pos_ += 2;
      return apply(keyOffset, regtype::none, {});
    }
    if (!expectUnit(u';', "';' after the value name")) return false;
    std::uint32_t type = 0, size = 0;
    if (!readDword(type, "a 4-byte value type")) return false;
    if (!expectUnit(u';', "';' after the value type")) return false;
    std::size_t sizeOffset = pos_;
    if (!readDword(size, "a 4-byte data size")) return false;
    if (!expectUnit(u';', "';' after the data size")) return false;
    // The size is checked against what is left before any byte is taken on its word.
    if (size > left() || left() - size < 2)
      return fail(sizeOffset, "a data size that fits the " + std::to_string(left()) +
                                  " bytes left before the closing ']' (size says " + std::to_string(size) + ")");
    std::span<const std::uint8_t> data = file_.subspan(pos_, size);
    pos_ += size;
    if (!expectUnit(u']', "']' closing the record")) return false;
    return apply(keyOffset, type, data);
  }

  // The key of a record, created when create is true; cached, since consecutive records
  // usually name the same key.
  Status keyFor(const std::wstring& path, bool create, Registry::Key& out) {
    if (cached_ && (cachedPath_ == path || namesEqual(cachedPath_, path))) {
      out = cached_.get();
      return status::success;
    }
    RegKey k;
    Status s = create ? RegKey::create(hive_, root_.get(), path, access::all, k)
                      : RegKey::open(hive_, root_.get(), path, access::all, k);
    if (s != status::success) return s;
    cached_ = std::move(k);
    cachedPath_ = path;
    out = cached_.get();
    return status::success;
  }

  // The node of a key, for the deletions and directives that bypass the registry calls.
  MemoryRegistry::Node& nodeOf(Registry::Key k) {
    std::shared_ptr<MemoryRegistry::Node> node = hive_.nodeOf(k);
    MemoryRegistry::Node& n = *node;
    if (touched_.insert(&n).second) held_.push_back(std::move(node));
    return n;
  }
  // A deletion only hides the value; hidden values are dropped once the file is read, so that
  // each deletion costs one lookup instead of shifting and re-indexing the key's values.
  // Directives kept as values are not settings and are never hidden: a deletion that named
  // one would drop it from the next save, and the file read back would then delete less.
  void erase(Registry::Key k, const std::wstring& name) {
    if (isDirective(name)) return;
    MemoryRegistry::Node& n = nodeOf(k);
    if (std::ptrdiff_t pos = n.findValue(name); pos >= 0) n.markErased(static_cast<std::size_t>(pos));
  }
  static bool isDirective(std::wstring_view name) { return name.size() >= 2 && name[0] == L'*' && name[1] == L'*'; }

  // Applies the record whose key path and value name record() decoded into key_ and value_.
  bool apply(std::size_t keyOffset, std::uint32_t type, std::span<const std::uint8_t> data) {
    const std::wstring& key = key_;
    const std::wstring& value = value_;
    Registry::Key k = 0;
    auto badKey = [&] {
      return fail(keyOffset, "a key path of non-empty names of at most 255 characters each");
    };

    const bool directive = isDirective(value);
    if (directive) {
      std::wstring_view rest = std::wstring_view(value).substr(2);
      bool deletion = startsWithNoCase(rest, L"delvals") || startsWithNoCase(rest, L"del.") ||
                      namesEqual(rest, L"DeleteValues") || namesEqual(rest, L"DeleteKeys");
      if (deletion) {
        // Applied to what the file set before it; a missing key has nothing to delete.
        Status s = keyFor(key, false, k);
        if (s == status::badPathname || s == status::invalidParameter) return badKey();
        if (s == status::success) {
          if (startsWithNoCase(rest, L"delvals")) {
            MemoryRegistry::Node& n = nodeOf(k);
            for (std::size_t i = 0; i < n.values.size(); ++i)
              if (!isDirective(n.values[i].name)) n.markErased(i);
          } else if (startsWithNoCase(rest, L"del.")) {
            erase(k, std::wstring(rest.substr(4)));
          } else if (namesEqual(rest, L"DeleteValues")) {
            for (const auto& n : nameList(data)) erase(k, n);
          } else {
            for (const auto& n : nameList(data)) (void)hive_.deleteTree(k, n);
            cached_.reset();  // the cached key may have been below one of them
          }
        }
      }
      // Every directive is also kept as a value of its key, in file order and repeated as
      // often as the file repeats it, so that saving writes it back: in a policy that holds
      // more than our rules, the deletions and key settings of other policies must still
      // reach the computers that apply it.
    }

    if (keyFor(key, true, k) != status::success) return badKey();
    if (value.empty() && data.empty()) return true;  // key-only record
    if (directive) {
      // Appended even when the key has one of that name already: a repeated directive stays.
      const std::uint64_t fingerprint = MemoryRegistry::nameFingerprint(value);
      nodeOf(k).addValue({value, type, {data.begin(), data.end()}}, fingerprint);
    } else {
      (void)hive_.setValue(k, value, type, data);
    }
    return true;
  }

 public:
  // Drops the values that deletions hid.
  void commit() {
    for (const auto& node : held_) node->dropErased();
    held_.clear();
    touched_.clear();
  }

 private:
  std::span<const std::uint8_t> file_;
  MemoryRegistry& hive_;
  ReadError& error_;
  RegKey root_;
  RegKey cached_;
  std::wstring cachedPath_;
  std::size_t pos_ = 0;
  std::span<const std::uint8_t> lastKey_;  // the previous record's key path, as bytes
  std::wstring key_, value_;               // the current record's key path and value name
  std::unordered_set<const MemoryRegistry::Node*> touched_;
  std::vector<std::shared_ptr<MemoryRegistry::Node>> held_;  // kept alive until commit
};

// The file is written in two passes over the hive: the first only counts its bytes, the
// second writes them into a buffer of exactly that size through a plain pointer, so that a
// large policy is encoded without a reallocation, a copy or a capacity check per byte.
template <bool Write>
class Encoder {
 public:
  explicit Encoder(std::uint8_t* out = nullptr) : out_(out) {}
  [[nodiscard]] std::size_t size() const { return n_; }

  void dword(std::uint32_t v) {
    if constexpr (Write)
      for (int i = 0; i < 4; ++i) out_[n_ + i] = static_cast<std::uint8_t>(v >> (8 * i));
    n_ += 4;
  }
  void bytes(std::span<const std::uint8_t> b) {
    if constexpr (Write)
      if (!b.empty()) std::memcpy(out_ + n_, b.data(), b.size());
    n_ += b.size();
  }
  // UTF-16LE with its NUL, as toUtf16 converts.
  void string(std::wstring_view s) {
    for (wchar_t wc : s) {
      const auto c = static_cast<char32_t>(wc);
      if (sizeof(wchar_t) == 4 && c >= 0x10000 && c <= 0x10FFFF) {
        unit(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        unit(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      } else {
        unit(static_cast<char16_t>(c));
      }
    }
    unit(0);
  }
  // One record; the key path comes encoded, since a key's values all repeat it.
  void record(std::span<const std::uint8_t> key, std::wstring_view value, std::uint32_t type,
              std::span<const std::uint8_t> data) {
    unit(u'[');
    bytes(key);
    unit(u';');
    string(value);
    unit(u';');
    dword(type);
    unit(u';');
    dword(static_cast<std::uint32_t>(data.size()));
    unit(u';');
    bytes(data);
    unit(u']');
  }
  void children(const MemoryRegistry::Node& node, std::wstring& path, std::vector<std::uint8_t>& key) {
    for (const auto& [name, child] : node.subkeys) {
      const std::size_t mark = path.size();
      if (!path.empty()) path += L'\\';
      path += child->name;
      key.resize(keyLength(path));
      Encoder<true>(key.data()).string(path);
      if (child->values.empty()) {
        record(key, L"", regtype::none, {});
      } else {
        for (const auto& v : child->values) record(key, v.name, v.type, v.data);
      }
      children(*child, path, key);
      path.resize(mark);
    }
  }

 private:
  static std::size_t keyLength(std::wstring_view path) {
    Encoder<false> count;
    count.string(path);
    return count.size();
  }
  void unit(char16_t c) {
    if constexpr (Write) {
      out_[n_] = static_cast<std::uint8_t>(c & 0xFF);
      out_[n_ + 1] = static_cast<std::uint8_t>(c >> 8);
    }
    n_ += 2;
  }

  std::uint8_t* out_;
  std::size_t n_ = 0;
};

template <bool Write>
std::size_t encode(const MemoryRegistry& hive, std::uint8_t* out) {
  Encoder<Write> e(out);
  e.dword(signature);
  e.dword(formatVersion);
  std::wstring path;
  std::vector<std::uint8_t> key;
  e.children(hive.rootNode(), path, key);
  return e.size();
}

}  // namespace

std::string ReadError::message() const {
  return "byte offset " + std::to_string(offset) + ": expected " + expected;
}

bool read(std::span<const std::uint8_t> file, MemoryRegistry& hive, ReadError& error) {
  error = {};
  MemoryRegistry fresh;
  {
    Parser parser(file, fresh, error);
    if (!parser.run()) return false;
    parser.commit();
  }
  hive.replaceContent(fresh.takeContent());
  return true;
}

platform::ByteBuffer write(const MemoryRegistry& hive) {
  platform::ByteBuffer out(encode<false>(hive, nullptr));
  encode<true>(hive, out.data());
  return out;
}

}  // namespace ostrel::preg

#include "platform/preg/preg_codec.h"

#include <algorithm>
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

  // A NUL-terminated UTF-16LE string; the scan never goes past the end of the file.
  bool string(std::u16string& out, const char* what) {
    const std::size_t start = pos_;
    std::size_t end = start;
    while (end + 1 < file_.size() && (file_[end] | file_[end + 1]) != 0) end += 2;
    if (end + 1 >= file_.size()) return fail(start, std::string("a NUL-terminated ") + what);
    out.resize((end - start) / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<char16_t>(file_[start + 2 * i] | (file_[start + 2 * i + 1] << 8));
    pos_ = end + 2;
    return true;
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
    std::u16string key, value;
    if (!string(key, "key path")) return false;
    if (key.empty()) return fail(keyOffset, "a non-empty key path");
    if (std::count(key.begin(), key.end(), u'\\') >= static_cast<std::ptrdiff_t>(maxKeyDepth))
      return fail(keyOffset, "a key path of at most 512 levels");
    // Some editors close a key-only record right after the key or after an empty value name.
    if (peekUnit() == u']') {
      pos_ += 2;
      return apply(keyOffset, key, {}, regtype::none, {});
    }
    if (!expectUnit(u';', "';' after the key path")) return false;
    std::size_t valueOffset = pos_;
    if (!string(value, "value name")) return false;
    if (value.size() > maxValueNameChars) return fail(valueOffset, "a value name of at most 16383 characters");
    if (value.empty() && peekUnit() == u']') {
      pos_ += 2;
      return apply(keyOffset, key, {}, regtype::none, {});
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
    return apply(keyOffset, key, value, type, data);
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
  void erase(Registry::Key k, const std::wstring& name) {
    MemoryRegistry::Node& n = nodeOf(k);
    if (std::ptrdiff_t pos = n.findValue(name); pos >= 0) n.markErased(static_cast<std::size_t>(pos));
  }

  bool apply(std::size_t keyOffset, const std::u16string& key16, const std::u16string& value16,
             std::uint32_t type, std::span<const std::uint8_t> data) {
    std::wstring key = fromUtf16(key16);
    std::wstring value = fromUtf16(value16);
    Registry::Key k = 0;
    auto badKey = [&] {
      return fail(keyOffset, "a key path of non-empty names of at most 255 characters each");
    };

    const bool directive = value.size() >= 2 && value[0] == L'*' && value[1] == L'*';
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
            n.values.clear();
            n.valueHashes.clear();
            n.valueIndex.clear();
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
      nodeOf(k).addValue({std::move(value), type, {data.begin(), data.end()}}, fingerprint);
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
  std::unordered_set<const MemoryRegistry::Node*> touched_;
  std::vector<std::shared_ptr<MemoryRegistry::Node>> held_;  // kept alive until commit
};

void putUnit(std::vector<std::uint8_t>& out, char16_t c) {
  out.push_back(static_cast<std::uint8_t>(c & 0xFF));
  out.push_back(static_cast<std::uint8_t>(c >> 8));
}
void putDword(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putString(std::vector<std::uint8_t>& out, std::wstring_view s) {
  for (char16_t c : toUtf16(s)) putUnit(out, c);
  putUnit(out, 0);
}

// One record; the key path comes encoded (UTF-16LE with its NUL), since a key's values all
// repeat it.
void putRecord(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> key, std::wstring_view value,
               std::uint32_t type, std::span<const std::uint8_t> data) {
  putUnit(out, u'[');
  out.insert(out.end(), key.begin(), key.end());
  putUnit(out, u';');
  putString(out, value);
  putUnit(out, u';');
  putDword(out, type);
  putUnit(out, u';');
  putDword(out, static_cast<std::uint32_t>(data.size()));
  putUnit(out, u';');
  out.insert(out.end(), data.begin(), data.end());
  putUnit(out, u']');
}

void writeChildren(std::vector<std::uint8_t>& out, const MemoryRegistry::Node& node, std::wstring& path) {
  std::vector<std::uint8_t> key;
  for (const auto& [name, child] : node.subkeys) {
    std::size_t mark = path.size();
    if (!path.empty()) path += L'\\';
    path += child->name;
    key.clear();
    putString(key, path);
    if (child->values.empty()) {
      putRecord(out, key, L"", regtype::none, {});
    } else {
      for (const auto& v : child->values) putRecord(out, key, v.name, v.type, v.data);
    }
    writeChildren(out, *child, path);
    path.resize(mark);
  }
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

std::vector<std::uint8_t> write(const MemoryRegistry& hive) {
  std::vector<std::uint8_t> out;
  putDword(out, signature);
  putDword(out, formatVersion);
  std::wstring path;
  writeChildren(out, hive.rootNode(), path);
  return out;
}

}  // namespace ostrel::preg

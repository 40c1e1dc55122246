#pragma once
// An in-memory registry hive that behaves as the Win32 registry does for the calls
// the store and the module make: case-insensitive names that keep their first spelling,
// subkeys enumerated in case-insensitive sorted order, values in creation order,
// "more data" for short buffers, access rights checked per handle, RegDeleteKeyW refusing
// keys with subkeys, and handles to deleted keys answering "key deleted".
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/registry.h"

namespace ostrel {

class MemoryRegistry final : public Registry {
 public:
  struct Value {
    std::wstring name;
    std::uint32_t type = regtype::none;
    std::vector<std::uint8_t> data;
  };
  struct Node;
  struct NameLess {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const { return compareNames(a, b) < 0; }
  };
  static std::size_t nameHash(std::wstring_view s);
  // A cheap fingerprint of a name (length and a few folded characters) that filters the
  // linear search of small keys; equal names always have equal fingerprints.
  static std::uint64_t nameFingerprint(std::wstring_view s) {
    const std::size_t n = s.size();
    if (n == 0) return 0;
    auto f = [&](std::size_t i) { return static_cast<std::uint64_t>(foldCase(s[i]) & 0xFFFF); };
    return (static_cast<std::uint64_t>(n) << 48) ^ f(n - 1) ^ (f(n - 1 - (n > 1)) << 16) ^
           (f(n - 1 - 2 * (n > 2)) << 32) ^ (f(n / 2) << 40);
  }
  struct Node {
    std::wstring name;
    Node* parent = nullptr;
    bool deleted = false;
    // Keyed by a view of the child's own name, which lives as long as the child.
    std::map<std::wstring_view, std::shared_ptr<Node>, NameLess> subkeys;
    std::vector<Value> values;
    // Fingerprints of the values' names, in the same order: a search of a small key scans
    // this contiguous array and compares names only where the fingerprint matches.
    std::vector<std::uint64_t> valueHashes;
    // For keys with many values: folded-name hash -> position in values. Small keys (a rule
    // key holds a few dozen values) are searched linearly, which avoids an allocation per value.
    std::unordered_multimap<std::size_t, std::size_t> valueIndex;
    [[nodiscard]] std::ptrdiff_t findValue(std::wstring_view name) const {
      return findValue(name, nameFingerprint(name));
    }
    [[nodiscard]] std::ptrdiff_t findValue(std::wstring_view name, std::uint64_t fingerprint) const;
    void addValue(Value v, std::uint64_t fingerprint);
    void eraseValue(std::size_t pos);
    // Deletion in bulk, for a reader that deletes many values of one key: markErased hides a
    // value from every lookup at once (no value name holds a NUL), dropErased then removes
    // the hidden values in one pass.
    void markErased(std::size_t pos);
    void dropErased();
  };

  MemoryRegistry();
  ~MemoryRegistry() override;

  // A handle to the hive's root with full access; the caller closes it.
  [[nodiscard]] Key openRoot();
  // Number of handles still open (tests use it to find leaks).
  [[nodiscard]] std::size_t openHandles() const { return handles_.size(); }
  // The root node, for code that walks the whole hive (file codecs, tests).
  [[nodiscard]] const Node& rootNode() const { return *root_; }
  // The node a handle names (null for an unknown handle), for code that fills a hive in bulk.
  [[nodiscard]] std::shared_ptr<Node> nodeOf(Key key) const {
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : it->second.node;
  }
  // Replaces the whole content with that of another hive (handles stay open on the old tree).
  void replaceContent(std::shared_ptr<Node> newRoot);
  [[nodiscard]] std::shared_ptr<Node> cloneContent() const;
  // Hands the whole content over, leaving this hive empty (its open handles answer "key deleted").
  [[nodiscard]] std::shared_ptr<Node> takeContent();

  Status openKey(Key parent, const std::wstring& subkey, std::uint32_t access, Key& out) override;
  Status createKey(Key parent, const std::wstring& subkey, std::uint32_t access, Key& out) override;
  Status closeKey(Key key) override;
  Status queryInfoKey(Key key, std::uint32_t& subkeys, std::uint32_t& values) override;
  Status enumKey(Key key, std::uint32_t index, std::uint32_t bufferChars, std::wstring& name) override;
  Status queryValue(Key key, const std::wstring& name, std::uint32_t& type,
                    std::span<std::uint8_t> buffer, std::uint32_t& size) override;
  Status enumValue(Key key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                   std::vector<std::uint8_t>& data) override;
  Status setValue(Key key, const std::wstring& name, std::uint32_t type,
                  std::span<const std::uint8_t> data) override;
  Status deleteValue(Key key, const std::wstring& name) override;
  Status deleteKey(Key parent, const std::wstring& subkey) override;
  Status deleteTree(Key parent, const std::wstring& subkey) override;

 private:
  struct Handle {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
  };
  Status lookup(Key key, std::uint32_t need, Handle*& out);
  Status walk(const std::shared_ptr<Node>& from, const std::wstring& path, bool create,
              std::shared_ptr<Node>& out);
  Key addHandle(std::shared_ptr<Node> node, std::uint32_t access);
  static void markDeleted(Node& node);

  std::shared_ptr<Node> root_;
  std::unordered_map<Key, Handle> handles_;
  // The handle found last: a writer or reader works on one key for many calls in a row.
  // (References into an unordered_map stay valid until that element is erased.)
  Key lastKey_ = 0;
  Handle* lastHandle_ = nullptr;
  Key nextHandle_ = 0x1000;
  // Cache of the enumeration position: RegEnumKeyExW by rising index is the common pattern,
  // and walking a std::map from the start each time would make enumeration quadratic.
  struct EnumCursor {
    const Node* node = nullptr;
    std::uint32_t index = 0;
    std::map<std::wstring_view, std::shared_ptr<Node>, NameLess>::const_iterator it;
    std::size_t generation = 0;
  } cursor_;
  std::size_t generation_ = 0;  // bumped by every change of a subkey set
};

}  // namespace ostrel

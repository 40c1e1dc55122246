#include "platform/memory_registry.h"

#include <cwctype>

namespace ostrel {
namespace {

// Splits "a\\b\\c\\" into components; a trailing backslash is ignored, as the registry does.
// An empty component inside the path (a leading or doubled backslash) is a bad path.
Status splitPath(std::wstring_view path, std::vector<std::wstring_view>& parts) {
  parts.clear();
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end == start) return status::badPathname;
    if (end - start > maxKeyNameLength) return status::invalidParameter;
    parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return status::success;
}

}  // namespace

std::size_t MemoryRegistry::nameHash(std::wstring_view s) {
  std::size_t h = 1469598103934665603ULL;
  for (wchar_t c : s) h = (h ^ static_cast<std::size_t>(foldCase(c))) * 1099511628211ULL;
  return h;
}

namespace {
constexpr std::size_t linearSearchLimit = 64;
}

std::ptrdiff_t MemoryRegistry::Node::findValue(std::wstring_view name, std::uint64_t h) const {
  if (values.size() <= linearSearchLimit) {
    const std::uint64_t* hashes = valueHashes.data();
    for (std::size_t i = 0, n = valueHashes.size(); i < n; ++i)
      if (hashes[i] == h && namesEqual(values[i].name, name)) return static_cast<std::ptrdiff_t>(i);
    return -1;
  }
  auto [first, last] = valueIndex.equal_range(nameHash(name));
  for (auto it = first; it != last; ++it)
    if (namesEqual(values[it->second].name, name)) return static_cast<std::ptrdiff_t>(it->second);
  return -1;
}

void MemoryRegistry::Node::addValue(Value v, std::uint64_t fingerprint) {
  // Growth in few, early steps: most keys hold a handful of values, a rule key a few dozen.
  // Fewer reallocations also keep the large requests that make the allocator tidy up rare.
  if (values.size() == values.capacity()) {
    std::size_t next = values.capacity() < 8 ? 8 : values.capacity() < 48 ? 48 : 2 * values.capacity();
    values.reserve(next);
    valueHashes.reserve(next);
  }
  valueHashes.push_back(fingerprint);
  values.push_back(std::move(v));
  if (values.size() == linearSearchLimit + 1) {
    for (std::size_t i = 0; i < values.size(); ++i) valueIndex.emplace(nameHash(values[i].name), i);
  } else if (values.size() > linearSearchLimit + 1) {
    valueIndex.emplace(nameHash(values.back().name), values.size() - 1);
  }
}

void MemoryRegistry::Node::eraseValue(std::size_t pos) {
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(pos));
  valueHashes.erase(valueHashes.begin() + static_cast<std::ptrdiff_t>(pos));
  valueIndex.clear();
  if (values.size() > linearSearchLimit)
    for (std::size_t i = 0; i < values.size(); ++i) valueIndex.emplace(nameHash(values[i].name), i);
}

namespace {
const std::wstring erasedName(1, L'\0');
}

void MemoryRegistry::Node::markErased(std::size_t pos) {
  values[pos].name = erasedName;
  valueHashes[pos] = nameFingerprint(erasedName);
}

void MemoryRegistry::Node::dropErased() {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i].name == erasedName) continue;
    if (kept != i) {
      values[kept] = std::move(values[i]);
      valueHashes[kept] = valueHashes[i];
    }
    ++kept;
  }
  values.resize(kept);
  valueHashes.resize(kept);
  valueIndex.clear();
  if (values.size() > linearSearchLimit)
    for (std::size_t i = 0; i < values.size(); ++i) valueIndex.emplace(nameHash(values[i].name), i);
}

MemoryRegistry::MemoryRegistry() : root_(std::make_shared<Node>()) {}
MemoryRegistry::~MemoryRegistry() = default;

Registry::Key MemoryRegistry::openRoot() { return addHandle(root_, access::all); }

void MemoryRegistry::replaceContent(std::shared_ptr<Node> newRoot) {
  markDeleted(*root_);
  root_ = std::move(newRoot);
  root_->parent = nullptr;
  root_->deleted = false;
  ++generation_;
}

namespace {
std::shared_ptr<MemoryRegistry::Node> cloneNode(const MemoryRegistry::Node& n,
                                                MemoryRegistry::Node* parent) {
  auto copy = std::make_shared<MemoryRegistry::Node>();
  copy->name = n.name;
  copy->parent = parent;
  copy->values = n.values;
  copy->valueHashes = n.valueHashes;
  copy->valueIndex = n.valueIndex;
  for (const auto& [name, child] : n.subkeys) {
    auto clone = cloneNode(*child, copy.get());
    copy->subkeys.emplace(clone->name, std::move(clone));
  }
  return copy;
}
}  // namespace

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::takeContent() {
  std::shared_ptr<Node> content = std::move(root_);
  root_ = std::make_shared<Node>();
  // Handles of this hive must not reach into the content now owned elsewhere.
  auto detached = std::make_shared<Node>();
  detached->deleted = true;
  for (auto& [key, handle] : handles_) handle.node = detached;
  ++generation_;
  return content;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::cloneContent() const {
  return cloneNode(*root_, nullptr);
}

Registry::Key MemoryRegistry::addHandle(std::shared_ptr<Node> node, std::uint32_t acc) {
  Key k = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(k, Handle{std::move(node), acc});
  return k;
}

Status MemoryRegistry::lookup(Key key, std::uint32_t need, Handle*& out) {
  Handle* h = nullptr;
  if (key == lastKey_ && lastHandle_ != nullptr) {
    h = lastHandle_;
  } else {
    auto it = handles_.find(key);
    if (it == handles_.end()) return status::invalidHandle;
    h = &it->second;
    lastKey_ = key;
    lastHandle_ = h;
  }
  if (h->node->deleted) return status::keyDeleted;
  if ((h->access & need) != need) return status::accessDenied;
  out = h;
  return status::success;
}

Status MemoryRegistry::walk(const std::shared_ptr<Node>& from, const std::wstring& path, bool create,
                            std::shared_ptr<Node>& out) {
  thread_local std::vector<std::wstring_view> parts;
  if (Status s = splitPath(path, parts); s != status::success) return s;
  std::shared_ptr<Node> node = from;
  for (const auto& part : parts) {
    auto it = node->subkeys.find(part);
    if (it == node->subkeys.end()) {
      if (!create) return status::fileNotFound;
      auto child = std::make_shared<Node>();
      child->name = std::wstring(part);
      child->parent = node.get();
      it = node->subkeys.emplace(child->name, child).first;
      ++generation_;
    }
    node = it->second;
  }
  out = std::move(node);
  return status::success;
}

Status MemoryRegistry::openKey(Key parent, const std::wstring& subkey, std::uint32_t acc, Key& out) {
  out = 0;
  Handle* h = nullptr;
  if (Status s = lookup(parent, 0, h); s != status::success) return s;
  std::shared_ptr<Node> node;
  if (Status s = walk(h->node, subkey, false, node); s != status::success) return s;
  out = addHandle(std::move(node), acc);
  return status::success;
}

Status MemoryRegistry::createKey(Key parent, const std::wstring& subkey, std::uint32_t acc, Key& out) {
  out = 0;
  Handle* h = nullptr;
  if (Status s = lookup(parent, 0, h); s != status::success) return s;
  std::shared_ptr<Node> node;
  // Opening an existing key needs no right on the parent; creating one needs KEY_CREATE_SUB_KEY.
  Status s = walk(h->node, subkey, false, node);
  if (s == status::fileNotFound) {
    if ((h->access & access::createSubKey) == 0) return status::accessDenied;
    s = walk(h->node, subkey, true, node);
  }
  if (s != status::success) return s;
  out = addHandle(std::move(node), acc);
  return status::success;
}

Status MemoryRegistry::closeKey(Key key) {
  if (key == lastKey_) {
    lastKey_ = 0;
    lastHandle_ = nullptr;
  }
  return handles_.erase(key) == 1 ? status::success : status::invalidHandle;
}

Status MemoryRegistry::queryInfoKey(Key key, std::uint32_t& subkeys, std::uint32_t& values) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::queryValue, h); s != status::success) return s;
  subkeys = static_cast<std::uint32_t>(h->node->subkeys.size());
  values = static_cast<std::uint32_t>(h->node->values.size());
  return status::success;
}

Status MemoryRegistry::enumKey(Key key, std::uint32_t index, std::uint32_t bufferChars,
                               std::wstring& name) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::enumerateSubKeys, h); s != status::success) return s;
  const Node* node = h->node.get();
  if (index >= node->subkeys.size()) return status::noMoreItems;
  auto& c = cursor_;
  if (c.node != node || c.generation != generation_ || index < c.index) {
    c.node = node;
    c.generation = generation_;
    c.index = 0;
    c.it = node->subkeys.begin();
  }
  while (c.index < index) {
    ++c.it;
    ++c.index;
  }
  const std::wstring& found = c.it->second->name;
  if (found.size() + 1 > bufferChars) return status::moreData;
  name = found;
  return status::success;
}

Status MemoryRegistry::queryValue(Key key, const std::wstring& name, std::uint32_t& type,
                                  std::span<std::uint8_t> buffer, std::uint32_t& size) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::queryValue, h); s != status::success) return s;
  std::ptrdiff_t pos = h->node->findValue(name);
  if (pos < 0) return status::fileNotFound;
  const Value& v = h->node->values[static_cast<std::size_t>(pos)];
  type = v.type;
  size = static_cast<std::uint32_t>(v.data.size());
  if (buffer.empty() && buffer.data() == nullptr) return status::success;
  if (v.data.size() > buffer.size()) return status::moreData;
  std::copy(v.data.begin(), v.data.end(), buffer.begin());
  return status::success;
}

Status MemoryRegistry::enumValue(Key key, std::uint32_t index, std::wstring& name, std::uint32_t& type,
                                 std::vector<std::uint8_t>& data) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::queryValue, h); s != status::success) return s;
  if (index >= h->node->values.size()) return status::noMoreItems;
  const Value& v = h->node->values[index];
  name = v.name;
  type = v.type;
  data = v.data;
  return status::success;
}

Status MemoryRegistry::setValue(Key key, const std::wstring& name, std::uint32_t type,
                                std::span<const std::uint8_t> data) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::setValue, h); s != status::success) return s;
  Node& node = *h->node;
  const std::uint64_t fingerprint = nameFingerprint(name);
  std::ptrdiff_t pos = node.findValue(name, fingerprint);
  if (pos >= 0) {
    // Overwriting keeps the value's position and its first spelling.
    Value& v = node.values[static_cast<std::size_t>(pos)];
    v.type = type;
    v.data.assign(data.begin(), data.end());
  } else {
    node.addValue(Value{name, type, {data.begin(), data.end()}}, fingerprint);
  }
  return status::success;
}

Status MemoryRegistry::deleteValue(Key key, const std::wstring& name) {
  Handle* h = nullptr;
  if (Status s = lookup(key, access::setValue, h); s != status::success) return s;
  Node& node = *h->node;
  std::ptrdiff_t pos = node.findValue(name);
  if (pos < 0) return status::fileNotFound;
  node.eraseValue(static_cast<std::size_t>(pos));
  return status::success;
}

void MemoryRegistry::markDeleted(Node& node) {
  node.deleted = true;
  for (auto& [n, child] : node.subkeys) markDeleted(*child);
}

Status MemoryRegistry::deleteKey(Key parent, const std::wstring& subkey) {
  Handle* h = nullptr;
  if (Status s = lookup(parent, 0, h); s != status::success) return s;
  std::shared_ptr<Node> node;
  if (Status s = walk(h->node, subkey, false, node); s != status::success) return s;
  if (node == h->node || node->parent == nullptr) return status::accessDenied;
  if (!node->subkeys.empty()) return status::accessDenied;
  node->deleted = true;
  node->parent->subkeys.erase(node->name);
  ++generation_;
  return status::success;
}

Status MemoryRegistry::deleteTree(Key parent, const std::wstring& subkey) {
  Handle* h = nullptr;
  if (Status s = lookup(parent, 0, h); s != status::success) return s;
  std::shared_ptr<Node> node;
  if (Status s = walk(h->node, subkey, false, node); s != status::success) return s;
  if (node == h->node || node->parent == nullptr) return status::accessDenied;
  markDeleted(*node);
  node->parent->subkeys.erase(node->name);
  ++generation_;
  return status::success;
}

}  // namespace ostrel

// The Rule writer and the Rule reader: one Rule <-> one Rule key, walking the layout tables.
#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/registry.h"  // namesEqual, the one case-insensitive comparison
#include "platform/text.h"
#include "rules/path_keywords.h"
#include "rules/rule.h"
#include "rules/rule_layout.h"

namespace ostrel {

const std::wstring& layout::numbered(std::wstring& out, const wchar_t* prefix, std::size_t number,
                                    const wchar_t* suffix) {
  out.assign(prefix);
  wchar_t digits[24];
  std::size_t len = 0;
  do {
    digits[len++] = static_cast<wchar_t>(L'0' + number % 10);
    number /= 10;
  } while (number != 0);
  while (len > 0) out.push_back(digits[--len]);
  out += suffix;
  return out;
}

std::wstring layout::numbered(const wchar_t* prefix, std::size_t number, const wchar_t* suffix) {
  std::wstring out;
  numbered(out, prefix, number, suffix);
  return out;
}

namespace {

// Value names formatted into buffers that are reused for every value of a rule key, rather
// than a temporary string per value.
class ValueNames {
 public:
  // "prefix" + entry number + suffix, such as "PrivilegedGroup2_userSID".
  const std::wstring& name(const wchar_t* prefix, std::size_t k, const wchar_t* suffix = L"") {
    return layout::numbered(numbered_, prefix, k, suffix);
  }
  const std::wstring& fixed(const wchar_t* name) { return fixed_.assign(name); }

 private:
  std::wstring numbered_;
  std::wstring fixed_;
};

class KeyWriter : public ValueNames {
 public:
  KeyWriter(Registry& reg, Registry::Key key) : reg_(reg), key_(key) {}
  // Every value of the layout is attempted, whatever the ones before it did; failed() says
  // whether any was refused.
  void text(const std::wstring& name, std::wstring_view value) {
    regSzBytes(value, data_);
    failed_ = reg_.setValue(key_, name, regtype::sz, data_) != status::success || failed_;
  }
  void number(const std::wstring& name, std::uint32_t value) {
    auto bytes = regDwordBytes(value);
    failed_ = reg_.setValue(key_, name, regtype::dword, bytes) != status::success || failed_;
  }
  [[nodiscard]] bool failed() const { return failed_; }
  void text(const wchar_t* name, std::wstring_view value) { text(fixed(name), value); }
  void number(const wchar_t* name, std::uint32_t value) { number(fixed(name), value); }
  // A command line with its keywords in canonical case; every keyword starts with "%",
  // so a line without one is written as it is.
  void commandLine(const std::wstring& name, const std::wstring& line) {
    if (line.find(L'%') == std::wstring::npos)
      text(name, line);
    else
      text(name, keywords::normalizeCase(line));
  }

 private:
  Registry& reg_;
  Registry::Key key_;
  std::vector<std::uint8_t> data_;
  bool failed_ = false;
};

class KeyReader : public ValueNames {
 public:
  KeyReader(Registry& reg, Registry::Key key) : reg_(reg), key_(key) {}

  // A REG_SZ value that fits a buffer of bufferChars characters: its text runs to the first
  // NUL or the end of the data, and must leave room for the terminator the buffer holds.
  bool text(const std::wstring& name, std::size_t bufferChars, std::wstring& out) {
    std::uint32_t type = 0, size = 0;
    std::span<std::uint8_t> buffer(scratch_.data(), std::min(bufferChars * 2, scratch_.size()));
    if (note(reg_.queryValue(key_, name, type, buffer, size)) != status::success || type != regtype::sz)
      return false;
    return textFromRegSz(buffer.first(size), out) || size / 2 < bufferChars;
  }
  // A 32-bit number; missing counts as 0, and a shorter value as the bytes it holds. Like a
  // 4-byte read, the type is not tested, so a count stored under another type still counts.
  std::uint32_t number(const std::wstring& name) {
    std::uint32_t type = 0, size = 0;
    std::uint8_t b[4] = {};
    if (note(reg_.queryValue(key_, name, type, b, size)) != status::success || size > 4) return 0;
    return std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) |
           (std::uint32_t{b[3]} << 24);
  }
  bool text(const wchar_t* name, std::size_t bufferChars, std::wstring& out) {
    return text(fixed(name), bufferChars, out);
  }
  std::uint32_t number(const wchar_t* name) { return number(fixed(name)); }
  std::uint32_t valueCount() {
    std::uint32_t subkeys = 0, values = 0;
    return note(reg_.queryInfoKey(key_, subkeys, values)) == status::success ? values : 0;
  }
  Registry& registry() { return reg_; }
  Registry::Key key() const { return key_; }
  // Keeps whether a call failed for another reason than a missing or over-long value.
  Status note(Status s) {
    failed_ = failed_ || (s != status::success && s != status::fileNotFound && s != status::moreData &&
                          s != status::noMoreItems);
    return s;
  }
  [[nodiscard]] bool failed() const { return failed_; }

 private:
  bool failed_ = false;
  Registry& reg_;
  Registry::Key key_;
  std::array<std::uint8_t, 2 * layout::commandLineChars> scratch_;
};

// Entry number of a value name "CommandLine<k>" (any letter case, k written without leading
// zeros, as the numbered names are), or 0.
std::uint64_t commandLineNumber(const std::wstring& valueName) {
  constexpr std::wstring_view prefix = layout::commandLine;
  if (valueName.size() <= prefix.size() || valueName.size() > prefix.size() + 10) return 0;
  if (!namesEqual(std::wstring_view(valueName).substr(0, prefix.size()), prefix)) return 0;
  if (valueName[prefix.size()] == L'0') return 0;
  std::uint64_t k = 0;
  for (std::size_t i = prefix.size(); i < valueName.size(); ++i) {
    if (valueName[i] < L'0' || valueName[i] > L'9') return 0;
    k = k * 10 + static_cast<std::uint64_t>(valueName[i] - L'0');
  }
  return k;
}

// "CommandLine1".."CommandLine<n>": missing or unreadable entries are skipped. A key holds
// at most valueCount values, so a count far above that is served by one pass over the
// key's values instead of n lookups; both give the same lines in the same order.
void readCommandLines(KeyReader& in, std::uint32_t n, Rule& rule) {
  std::uint32_t values = in.valueCount();
  if (std::uint64_t{n} <= std::uint64_t{values} + 64) {
    for (std::uint32_t k = 1; k <= n && k != 0; ++k) {
      std::wstring line;
      if (in.text(in.name(layout::commandLine, k), layout::commandLineChars, line))
        rule.addCommandLine(std::move(line));
    }
    return;
  }
  std::vector<std::pair<std::uint64_t, std::wstring>> found;
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  for (std::uint32_t i = 0; i < values; ++i) {
    if (in.note(in.registry().enumValue(in.key(), i, name, type, data)) != status::success) continue;
    std::uint64_t k = commandLineNumber(name);
    if (k == 0 || k > n) continue;
    std::wstring line;
    // Read it the same way as the direct lookup does, buffer limit included.
    if (in.text(in.name(layout::commandLine, k), layout::commandLineChars, line))
      found.emplace_back(k, std::move(line));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [k, line] : found) rule.addCommandLine(std::move(line));
}

RuleIo checkKey(Registry::Key key, const std::wstring* keyPath) {
  if (key == 0) return RuleIo::noKey;
  if (keyPath == nullptr) return RuleIo::noKeyPath;
  if (keyPath->empty()) return RuleIo::emptyKeyPath;
  return RuleIo::done;
}

// The scalar fields of the rule's type that the key holds values for, before or after the lists.
void writeScalars(KeyWriter& out, const Rule& rule, bool afterLists) {
  for (const layout::ScalarField& f : layout::scalarFields) {
    if (f.value == nullptr || f.afterLists != afterLists || !layout::carries(f.types, rule.type())) continue;
    if (f.kind == layout::FieldKind::text)
      out.text(f.value, f.text(rule));
    else
      out.number(f.value, f.flag(rule) ? 1 : 0);
  }
}

// The fields read back from their values; false when a text is refused (an unknown "Type").
// Fields of another type than the one read are not read.
bool readScalars(KeyReader& in, Rule& rule, bool afterLists) {
  std::wstring text;
  for (const layout::ScalarField& f : layout::scalarFields) {
    if (!f.read || f.afterLists != afterLists || !layout::carries(f.types, rule.type())) continue;
    if (f.kind == layout::FieldKind::flag) {
      f.setFlag(rule, in.number(f.value) != 0);
    } else if (in.text(f.value, f.chars, text) && !f.setText(rule, text)) {
      return false;
    }
  }
  return true;
}

}  // namespace

RuleIo writeRule(Registry& registry, Registry::Key key, const std::wstring* keyPath, const Rule& rule) {
  if (RuleIo s = checkKey(key, keyPath); s != RuleIo::done) return s;
  KeyWriter out(registry, key);
  writeScalars(out, rule, false);
  out.number(layout::commandLines, static_cast<std::uint32_t>(rule.commandLineCount()));
  for (std::size_t k = 1; k <= rule.commandLineCount(); ++k)
    out.commandLine(out.name(layout::commandLine, k), rule.commandLine(k - 1));
  for (const auto& names : layout::accountLists) {
    const auto& entries = rule.accounts(names.list);
    out.number(names.count, static_cast<std::uint32_t>(entries.size()));
    for (std::size_t k = 1; k <= entries.size(); ++k) {
      const AccountEntry& e = entries[k - 1];
      out.text(out.name(names.entryPrefix, k, layout::username), e.username);
      out.text(out.name(names.entryPrefix, k, layout::userSid), e.sid);
      out.text(out.name(names.entryPrefix, k, layout::userDomain), e.domain);
      out.number(out.name(names.entryPrefix, k, layout::isDomain), e.isDomain ? 1 : 0);
    }
  }
  writeScalars(out, rule, true);
  out.number(layout::privileges, static_cast<std::uint32_t>(rule.privilegeCount()));
  for (std::size_t k = 1; k <= rule.privilegeCount(); ++k) out.text(out.name(layout::privilege, k), rule.privilege(k - 1));
  return out.failed() ? RuleIo::incomplete : RuleIo::done;
}

RuleIo readRule(Registry& registry, Registry::Key key, const std::wstring* keyPath, Rule& rule) {
  if (RuleIo s = checkKey(key, keyPath); s != RuleIo::done) return s;
  KeyReader in(registry, key);
  if (!readScalars(in, rule, false)) return RuleIo::unknownType;

  readCommandLines(in, in.number(layout::commandLines), rule);

  for (const auto& names : layout::accountLists) {
    std::uint32_t count = in.number(names.count);
    // The list ends at the first entry that lacks a field, so this loop is bounded by
    // the values the key holds, whatever the count says.
    for (std::uint32_t k = 1; k <= count && k != 0; ++k) {
      AccountEntry e;
      if (!in.text(in.name(names.entryPrefix, k, layout::userSid), layout::accountFieldChars, e.sid) ||
          !in.text(in.name(names.entryPrefix, k, layout::username), layout::accountFieldChars, e.username) ||
          !in.text(in.name(names.entryPrefix, k, layout::userDomain), layout::accountFieldChars, e.domain))
        break;
      e.isDomain = in.number(in.name(names.entryPrefix, k, layout::isDomain)) != 0;
      rule.addAccount(names.list, std::move(e.username), std::move(e.domain), std::move(e.sid), e.isDomain);
    }
  }

  (void)readScalars(in, rule, true);

  std::uint32_t m = in.number(layout::privileges);
  for (std::uint32_t k = 1; k <= m && k != 0; ++k) {
    std::wstring name;
    if (!in.text(in.name(layout::privilege, k), layout::privilegeChars, name)) break;
    rule.addPrivilege(std::move(name));
  }
  return in.failed() ? RuleIo::incomplete : RuleIo::done;
}

}  // namespace ostrel

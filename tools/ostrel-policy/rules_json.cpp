#include "tools/ostrel-policy/rules_json.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <set>

#include "platform/registry.h"
#include "platform/text.h"
#include "rules/path_validation.h"
#include "rules/policy_store.h"
#include "rules/rule_checks.h"
#include "rules/rule_layout.h"
#include "tools/ostrel-policy/account_text.h"
#include "tools/ostrel-policy/refused.h"

namespace ostrel::tool {
namespace {

using Json = nlohmann::ordered_json;

std::string typeName(RuleType t) {
  return toUtf8(t == RuleType::Hash ? layout::typeHash : t == RuleType::Path ? layout::typePath : layout::typeError);
}

class RuleWriter {
 public:
  RuleWriter(const Rule& rule, std::vector<std::string>* lossy) : rule_(rule), lossy_(lossy) {}

  Json object() {
    const Rule& r = rule_;
    Json o;
    for (const layout::ScalarField& f : layout::scalarFields) {
      if (f.json == nullptr) continue;
      if (f.kind == layout::FieldKind::text)
        o[f.json] = text(f.text(r), f.json);
      else
        o[f.json] = f.flag(r);
    }
    Json lines = Json::array();
    for (std::size_t i = 0; i < r.commandLineCount(); ++i)
      lines.push_back(text(r.commandLine(i), layout::commandLinesJson));
    o[layout::commandLinesJson] = std::move(lines);
    for (const auto& field : layout::accountLists) {
      Json list = Json::array();
      for (const auto& a : r.accounts(field.list))
        list.push_back({{"username", text(a.username, field.json)},
                        {"domain", text(a.domain, field.json)},
                        {"sid", text(a.sid, field.json)},
                        {"isDomain", a.isDomain}});
      o[field.json] = std::move(list);
    }
    Json privileges = Json::array();
    for (std::size_t i = 0; i < r.privilegeCount(); ++i)
      privileges.push_back(text(r.privilege(i), layout::privilegesJson));
    o[layout::privilegesJson] = std::move(privileges);
    return o;
  }

 private:
  std::string text(std::wstring_view value, const char* field) {
    if (isValidUtf16(value)) return toUtf8(value);
    if (lossy_) lossy_->push_back("rule " + toUtf8(rule_.idText()) + ": " + field);
    std::u16string u = toUtf16(value);
    for (std::size_t i = 0; i < u.size(); ++i) {
      if (u[i] < 0xD800 || u[i] >= 0xE000) continue;
      if (u[i] < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
        ++i;
      } else {
        u[i] = 0xFFFD;
      }
    }
    return toUtf8(fromUtf16(u));
  }

  const Rule& rule_;
  std::vector<std::string>* lossy_;
};

// One object of the document, read field by field; every field must be known and of its type.
class RuleReader {
 public:
  RuleReader(const Json& object, std::size_t number) : object_(object), where_("rule " + std::to_string(number)) {
    if (!object.is_object()) fail("is not an object");
    static const std::set<std::string> known = [] {
      std::set<std::string> keys{layout::commandLinesJson, layout::privilegesJson};
      for (const auto& f : layout::scalarFields)
        if (f.json != nullptr) keys.insert(f.json);
      for (const auto& f : layout::accountLists) keys.insert(f.json);
      return keys;
    }();
    for (const auto& item : object.items())
      if (!known.count(item.key())) fail("has an unknown field \"" + item.key() + "\"");
  }

  [[noreturn]] void fail(const std::string& what) const { throw Refused(where_ + " " + what); }
  void named(const std::wstring& id) { where_ += " (" + toUtf8(id) + ")"; }

  bool has(const char* key) const { return object_.contains(key); }
  std::optional<std::wstring> text(const char* key) const {
    if (!has(key)) return std::nullopt;
    const Json& v = object_.at(key);
    if (!v.is_string()) fail("field \"" + std::string(key) + "\" must be a string");
    return fromUtf8(v.get<std::string>());
  }
  std::wstring required(const char* key) const {
    auto v = text(key);
    if (!v) fail("has no \"" + std::string(key) + "\"");
    return *v;
  }
  std::optional<bool> flag(const char* key) const {
    if (!has(key)) return std::nullopt;
    const Json& v = object_.at(key);
    if (!v.is_boolean()) fail("field \"" + std::string(key) + "\" must be true or false");
    return v.get<bool>();
  }
  const Json& array(const char* key) const {
    static const Json empty = Json::array();
    if (!has(key)) return empty;
    const Json& v = object_.at(key);
    if (!v.is_array()) fail("field \"" + std::string(key) + "\" must be an array");
    return v;
  }
  std::vector<std::wstring> texts(const char* key) const {
    std::vector<std::wstring> out;
    for (const Json& v : array(key)) {
      if (!v.is_string()) fail("field \"" + std::string(key) + "\" must hold strings");
      out.push_back(fromUtf8(v.get<std::string>()));
    }
    return out;
  }
  // A field that this rule's type does not have must be absent or empty.
  void absent(const char* key) const {
    if (!has(key)) return;
    const Json& v = object_.at(key);
    if ((v.is_string() && v.get<std::string>().empty()) || (v.is_boolean() && !v.get<bool>())) return;
    fail("is a " + typeName(type_) + " rule and cannot have \"" + key + "\"");
  }
  AccountEntry account(const Json& v, const char* key) const {
    if (v.is_string()) {
      if (auto a = parseAccount(fromUtf8(v.get<std::string>()))) return *a;
      fail("field \"" + std::string(key) + "\": '" + v.get<std::string>() +
           "' is neither a well-known account, a SID nor of the form [DOMAIN\\]NAME=SID[,domain]");
    }
    if (!v.is_object()) fail("field \"" + std::string(key) + "\" must hold accounts");
    RuleReader entry(*this, v);
    for (const auto& item : v.items())
      if (item.key() != "username" && item.key() != "domain" && item.key() != "sid" && item.key() != "isDomain")
        fail("field \"" + std::string(key) + "\": an account has an unknown field \"" + item.key() + "\"");
    return {entry.text("username").value_or(L""), entry.text("domain").value_or(L""), entry.required("sid"),
            entry.flag("isDomain").value_or(false)};
  }

  RuleType type_ = RuleType::None;

 private:
  RuleReader(const RuleReader& owner, const Json& object) : object_(object), where_(owner.where_ + " account") {}

  const Json& object_;
  std::string where_;
};

// The path of a Path rule. The stored form, when given, is what clients read, so it is kept
// as it is unless it disagrees with the readable fields (refused) or the checks change the
// pattern (then it is made again from the pattern).
void readPath(RuleReader& in, Rule& rule, Prompter& prompter) {
  std::optional<std::wstring> pattern = in.text("pathPattern");
  std::optional<bool> ownership = in.flag("ownershipCheck"), recursive = in.flag("recursive");
  const std::wstring stored = in.text("storedPath").value_or(L"");
  if (!stored.empty()) {
    Rule decoded;
    decoded.setStoredPath(stored);
    decoded.decodePath();
    if ((pattern && *pattern != decoded.pathPattern()) || (ownership && *ownership != decoded.ownershipCheck()) ||
        (recursive && *recursive != decoded.recursive()))
      in.fail("has a \"storedPath\" that disagrees with its pathPattern, ownershipCheck or recursive "
              "(leave storedPath out to have it made from them)");
    pattern = decoded.pathPattern();
    ownership = decoded.ownershipCheck();
    recursive = decoded.recursive();
  }
  if (!pattern) in.fail("has no \"pathPattern\"");
  std::wstring checked = *pattern;
  bool checkedOwnership = ownership.value_or(false);
  if (!rules::validatePathRule(checked, checkedOwnership, 0, prompter)) in.fail("has a path pattern that is refused");
  rule.setPathPattern(checked);
  rule.setOwnershipCheck(checkedOwnership);
  rule.setRecursive(recursive.value_or(false));
  if (!stored.empty() && checked == *pattern && checkedOwnership == ownership.value_or(false)) {
    rule.setStoredPath(stored);
  } else {
    (void)rule.encodePath();  // the pattern is not empty after validation
  }
  if (std::string e = rules::fixStoredPath(rule); !e.empty()) in.fail("cannot be stored as written: " + e);
}

void readHash(RuleReader& in, Rule& rule) {
  const std::wstring name = in.required("applicationName");
  if (name.empty()) in.fail("has an empty \"applicationName\"");
  if (auto e = rules::overLimit("its applicationName", name, layout::typeNameValueChars); !e.empty()) in.fail(e);
  const std::string hash = toUtf8(in.required("hash"));
  rule.setHashFromText(hash);
  if (!rule.hashValid() || !namesEqual(fromUtf8(rule.hashText()), fromUtf8(hash)))
    in.fail("has a \"hash\" that is not 0x and 40 hexadecimal digits (a SHA-1 digest)");
  if (in.flag("hashValid") == false) in.fail("is a Hash rule with \"hashValid\": false");
  rule.setApplicationName(name);
}

std::unique_ptr<Rule> readRule(const Json& object, std::size_t number, Prompter& prompter) {
  RuleReader in(object, number);
  auto rule = std::make_unique<Rule>();
  const std::wstring id = in.required("id");
  // A key name: not empty, no backslash, short enough for the rule loader to list it.
  if (id.empty() || id.find(L'\\') != std::wstring::npos || toUtf16(id).size() >= store::ruleKeyNameBufferChars)
    in.fail("has an \"id\" that cannot name a registry key");
  rule->idFromText(id);
  in.named(id);
  const std::wstring type = in.required("type");
  in.type_ = type == layout::typeHash ? RuleType::Hash : type == layout::typePath ? RuleType::Path : RuleType::None;
  if (in.type_ == RuleType::None)
    in.fail("has a \"type\" other than \"" + typeName(RuleType::Hash) + "\" or \"" + typeName(RuleType::Path) + "\"");
  rule->setType(in.type_);
  for (const layout::ScalarField& f : layout::scalarFields)
    if (f.json != nullptr && !layout::carries(f.types, in.type_)) in.absent(f.json);
  if (in.type_ == RuleType::Hash) {
    readHash(in, *rule);
  } else {
    readPath(in, *rule, prompter);
  }
  // Fields without checks of their own are taken as they are.
  for (const layout::ScalarField& f : layout::scalarFields) {
    if (!f.plain || f.json == nullptr || !layout::carries(f.types, in.type_)) continue;
    if (f.kind == layout::FieldKind::flag) {
      if (auto v = in.flag(f.json)) f.setFlag(*rule, *v);
    } else if (auto v = in.text(f.json); v && !f.setText(*rule, *v)) {
      in.fail("has a \"" + std::string(f.json) + "\" that a rule cannot hold");
    }
  }
  for (auto& line : in.texts(layout::commandLinesJson)) rule->addCommandLine(std::move(line));
  for (const auto& field : layout::accountLists)
    for (const Json& v : in.array(field.json)) {
      AccountEntry a = in.account(v, field.json);
      rule->addAccount(field.list, a.username, a.domain, a.sid, a.isDomain);
    }
  for (auto& p : in.texts(layout::privilegesJson)) rule->addPrivilege(std::move(p));
  rule->setOverridePrivileges(in.flag("overridePrivileges").value_or(rule->privilegeCount() != 0));
  // A policy made with the wizard may hold its failure texts as SIDs; importing it back keeps them.
  if (rules::Refusal r = rules::checkRuleParts(*rule, rules::SidTexts::asTheWizardStores)) in.fail("is refused: " + r.text);
  return rule;
}

// Parses text, refusing an object that names one field twice (the parser would keep only the
// last value, and the others would be lost without a word).
Json parseDocument(std::string_view text) {
  std::vector<std::set<std::string>> keys;
  std::string duplicate;
  auto watch = [&](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) keys.emplace_back();
    if (event == Json::parse_event_t::object_end) keys.pop_back();
    if (event == Json::parse_event_t::key && !keys.back().insert(parsed.get<std::string>()).second && duplicate.empty())
      duplicate = parsed.get<std::string>();
    return true;
  };
  Json document;
  try {
    document = Json::parse(text, watch);
  } catch (const Json::exception& e) {  // a syntax error, or a number that overflows a double
    std::string what = e.what();
    if (auto at = what.find("] "); at != std::string::npos) what.erase(0, at + 2);
    throw Refused("not a JSON document: " + what);
  }
  if (!duplicate.empty()) throw Refused("an object names the field \"" + duplicate + "\" twice");
  if (!document.is_array()) throw Refused("the document is not an array of rules, as list --json writes");
  return document;
}

}  // namespace

std::string rulesJson(const std::vector<const Rule*>& rules, std::vector<std::string>* lossy) {
  Json document = Json::array();
  for (const Rule* r : rules) document.push_back(RuleWriter(*r, lossy).object());
  return document.dump(2) + "\n";
}

bool rulesFromJson(std::string_view text, Prompter& prompter, std::vector<std::unique_ptr<Rule>>& rules,
                   std::string& error) {
  rules.clear();
  try {
    const Json document = parseDocument(text);
    std::set<std::wstring> ids;  // case folded, as the registry compares key names
    for (std::size_t i = 0; i < document.size(); ++i) {
      auto rule = readRule(document[i], i + 1, prompter);
      std::wstring folded = rule->idText();
      for (auto& c : folded) c = foldCase(c);
      // Two rules under one key would be written into each other.
      if (!ids.insert(std::move(folded)).second)
        throw Refused("rule " + std::to_string(i + 1) + " has the id " + toUtf8(rule->idText()) + " of an earlier rule");
      rules.push_back(std::move(rule));
    }
  } catch (const Refused& r) {
    rules.clear();
    error = r.what();
    return false;
  }
  return true;
}

}  // namespace ostrel::tool

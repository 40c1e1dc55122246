#include "tools/ostrel-policy/policy_tool.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <set>

#include "accounts/sid_codec.h"
#include "accounts/well_known_accounts.h"
#include "catalogs/catalog.h"
#include "platform/gpo_folder.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "rules/policy_store.h"
#include "rules/rule_columns.h"
#include "rules/rule_layout.h"
#include "wizard/applet_command_lines.h"
#include "wizard/list_box_order.h"
#include "wizard/path_validation.h"
#include "wizard/process_privileges_page.h"

namespace ostrel::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t maxCommandLineChars = 512;

const char usageText[] =
    "Usage: ostrel-policy --gpo DIR COMMAND [ARGS] [OPTIONS]\n"
    "       ostrel-policy catalog applets|consoles\n"
    "\n"
    "Edits the privileged-application rules of a Group Policy Object folder\n"
    "(DIR/Machine/Registry.pol and DIR/gpt.ini). Missing files are created on the first change.\n"
    "\n"
    "Commands:\n"
    "  list [--json]              one row per rule: Application, Type, Value, Command Lines, Id;\n"
    "                             --json prints every field of every rule\n"
    "  add-hash FILE...           one Hash rule per file (SHA-1 of its content)\n"
    "  add-path PATTERN           one Path rule for a path or file-name pattern, e.g.\n"
    "                             %ProgramFiles%\\App\\app.exe\n"
    "      --recursive            the pattern applies recursively\n"
    "      --ownership-check      only files owned by the Administrators group run\n"
    "      --yes                  answer Yes to the pattern checks' questions (default: No)\n"
    "  delete ID                  removes the rule with that id ({XXXXXXXX-...})\n"
    "  catalog applets|consoles   the command lines offered for Control Panel applets or\n"
    "                             management consoles: number, name, comment, command line\n"
    "\n"
    "Options of add-hash and add-path (each may be repeated):\n"
    "  --command-line TEXT        an allowed command line; the rule keeps its lines sorted as\n"
    "                             the wizard's list does, and some applets add further lines\n"
    "  --group ACCOUNT            a Privileged group (default: BUILTIN\\Administrators=S-1-5-32-544)\n"
    "  --sid-to-delete ACCOUNT    a group removed from the process token (default: none)\n"
    "  --user ACCOUNT             an Authorized user (default: BUILTIN\\Everyone=S-1-1-0)\n"
    "  --privilege NAME           a granted privilege, e.g. SeDebugPrivilege; the granted\n"
    "                             privileges then replace the default ones\n"
    "  ACCOUNT is [DOMAIN\\]NAME=SID[,domain|,local] (',domain' marks a domain account), a\n"
    "  SID alone, or a well-known name: Administrators, Users, Everyone, Authenticated Users...\n"
    "  '--group none' and '--user none' leave that list empty.\n"
    "\n"
    "Exit status: 0 done, 1 request refused or failed, 2 usage error.\n";

std::wstring widen(const fs::path& p) {
  if constexpr (sizeof(wchar_t) == 2) {
    return p.wstring();
  } else {
    return fromUtf8(p.string());
  }
}
fs::path pathOf(const std::wstring& w) {
  if constexpr (sizeof(wchar_t) == 2) {
    return fs::path(w);
  } else {
    return fs::path(toUtf8(w));
  }
}

// Message texts end with line breaks meant for a message box; a console line does without.
std::string line(std::wstring_view text) {
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) text.remove_suffix(1);
  return toUtf8(text);
}

void hexEscape(std::string& out, const char* format, unsigned value) {
  char buf[12];
  std::snprintf(buf, sizeof buf, format, value);
  out += buf;
}

// text in UTF-8, walked in UTF-16 units: each unit that escape writes is replaced by what it
// wrote; a lone surrogate, which has no UTF-8 form, must be among them.
template <class Escape>
void escaped(std::string& out, std::wstring_view text, Escape escape) {
  const std::u16string u = toUtf16(text);
  for (std::size_t i = 0; i < u.size(); ++i) {
    const char16_t c = u[i];
    const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000;
    if (!pair && escape(out, c)) continue;
    out += toUtf8(fromUtf16(u.substr(i, pair ? 2 : 1)));
    if (pair) ++i;
  }
}

bool isSurrogate(char16_t c) { return c >= 0xD800 && c < 0xE000; }

void jsonString(std::string& out, std::wstring_view text) {
  out += '"';
  escaped(out, text, [](std::string& o, char16_t c) {
    switch (c) {
      case u'"': o += "\\\""; return true;
      case u'\\': o += "\\\\"; return true;
      case u'\n': o += "\\n"; return true;
      case u'\r': o += "\\r"; return true;
      case u'\t': o += "\\t"; return true;
      default:
        if (c >= 0x20 && !isSurrogate(c)) return false;
        hexEscape(o, "\\u%04x", c);
        return true;
    }
  });
  out += '"';
}

// A cell of the plain listing: control characters (which could move the cursor, set the
// terminal's state or start a forged row) and lone surrogates are shown as escapes.
std::string cellText(std::wstring_view text) {
  std::string out;
  escaped(out, text, [](std::string& o, char16_t c) {
    if (c < 0x20 || c == 0x7F)
      hexEscape(o, "\\x%02x", c);
    else if ((c >= 0x80 && c < 0xA0) || isSurrogate(c))
      hexEscape(o, "\\u%04x", c);
    else
      return false;
    return true;
  });
  return out;
}

// The message boxes of the shared checks, on the console: texts to standard error, questions
// answered No unless the administrator passed --yes.
class ConsolePrompter final : public Prompter {
 public:
  ConsolePrompter(std::ostream& err, bool yes) : err_(err), yes_(yes) {}
  int messageBox(WindowHandle, const std::wstring& text, const std::wstring&, std::uint32_t style) override {
    if ((style & 0xF) == mb::yesNo) {
      err_ << line(text) << (yes_ ? " Yes (--yes)\n" : " No (pass --yes to answer Yes)\n");
      return yes_ ? answer::yes : answer::no;
    }
    err_ << line(text) << '\n';
    return answer::ok;
  }

 private:
  std::ostream& err_;
  bool yes_;
};

struct UsageError {
  std::string message;
};

struct Options {
  std::optional<std::wstring> gpo;
  std::wstring command;
  std::vector<std::wstring> operands;
  bool help = false, json = false, recursive = false, ownershipCheck = false, yes = false;
  std::vector<std::wstring> commandLines, privileges;
  std::vector<std::wstring> ruleCommandLines;  // as the wizard's page would keep them
  // Set when given on the command line; an empty list came from "none".
  std::optional<std::vector<AccountEntry>> groups, users, sidsToDelete;
  std::set<std::wstring> given;  // option names seen, to check they fit the command
};

void addAccount(std::optional<std::vector<AccountEntry>>& list, const std::wstring& option, const std::wstring& text) {
  if (!list) list.emplace();
  if (text == L"none") return;
  auto account = parseAccount(text);
  if (!account)
    throw UsageError{"--" + toUtf8(option) + " '" + toUtf8(text) +
                     "' is neither a well-known account, a SID nor of the form [DOMAIN\\]NAME=SID[,domain]"};
  list->push_back(*account);
}

// Edit distance without regard to case, to suggest the names a mistyped one was meant to be.
std::size_t distance(std::wstring_view a, std::wstring_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitute = diagonal + (foldCase(a[i - 1]) == foldCase(b[j - 1]) ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, substitute});
    }
  }
  return row[b.size()];
}

// Only the catalog's names reach a rule, spelled exactly as the catalog spells them.
void checkPrivilege(const std::wstring& name) {
  std::vector<std::pair<std::size_t, std::wstring>> close;
  for (const auto& entry : wizard::privilegeCatalog) {
    if (name == entry.name) return;
    const std::size_t d = distance(name, entry.name);
    if (d <= 3 || (name.size() >= 4 && namesEqual(std::wstring_view(entry.name).substr(0, name.size()), name)))
      close.emplace_back(d, entry.name);
  }
  std::sort(close.begin(), close.end());
  std::string message = "unknown privilege " + toUtf8(name) + "; ";
  if (close.empty()) throw UsageError{message + "none of the catalog's 28 names is close to it"};
  message += "did you mean";
  for (std::size_t i = 0; i < close.size() && i < 5; ++i) message += (i == 0 ? " " : ", ") + toUtf8(close[i].second);
  throw UsageError{message + "?"};
}

Options parse(const std::vector<std::wstring>& args) {
  Options o;
  static const std::set<std::wstring> withValue{L"gpo",  L"command-line", L"group",
                                                L"sid-to-delete", L"user",  L"privilege"};
  static const std::set<std::wstring> flags{L"help", L"json", L"recursive", L"ownership-check", L"yes"};
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (optionsEnded || a.size() < 2 || a.compare(0, 2, L"--") != 0) {
      if (o.command.empty()) {
        o.command = a;
      } else {
        o.operands.push_back(a);
      }
      continue;
    }
    if (a == L"--") {
      optionsEnded = true;
      continue;
    }
    std::wstring name = a.substr(2);
    std::optional<std::wstring> value;
    if (auto eq = name.find(L'='); eq != std::wstring::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (flags.count(name)) {
      if (value) throw UsageError{"option --" + toUtf8(name) + " takes no value"};
    } else if (withValue.count(name)) {
      if (!value) {
        if (i + 1 >= args.size()) throw UsageError{"option --" + toUtf8(name) + " needs a value"};
        value = args[++i];
      }
    } else {
      throw UsageError{"unknown option " + toUtf8(a)};
    }
    o.given.insert(name);
    if (name == L"help") o.help = true;
    else if (name == L"json") o.json = true;
    else if (name == L"recursive") o.recursive = true;
    else if (name == L"ownership-check") o.ownershipCheck = true;
    else if (name == L"yes") o.yes = true;
    else if (name == L"gpo") {
      if (o.gpo) throw UsageError{"--gpo given twice"};
      o.gpo = *value;
    } else if (name == L"command-line") {
      if (value->empty()) throw UsageError{"--command-line needs a non-empty text"};
      o.commandLines.push_back(*value);
    } else if (name == L"privilege") {
      if (value->empty()) throw UsageError{"--privilege needs a privilege name"};
      checkPrivilege(*value);
      for (const auto& p : o.privileges)
        if (namesEqual(p, *value)) throw UsageError{"privilege " + toUtf8(*value) + " given twice"};
      o.privileges.push_back(*value);
    } else if (name == L"group") {
      addAccount(o.groups, name, *value);
    } else if (name == L"user") {
      addAccount(o.users, name, *value);
    } else if (name == L"sid-to-delete") {
      addAccount(o.sidsToDelete, name, *value);
    }
  }
  if (o.help) return o;
  if (o.command == L"catalog") {
    if (o.operands.size() != 1 || (o.operands[0] != L"applets" && o.operands[0] != L"consoles"))
      throw UsageError{"catalog needs applets or consoles"};
    if (!o.given.empty()) throw UsageError{"catalog takes no options"};
    return o;
  }
  if (!o.gpo) throw UsageError{"--gpo DIR is required"};
  if (o.command.empty()) throw UsageError{"a command is required: list, add-hash, add-path, delete or catalog"};

  static const std::set<std::wstring> addOptions{L"gpo",  L"command-line", L"group",
                                                 L"sid-to-delete", L"user",  L"privilege"};
  std::set<std::wstring> allowed;
  if (o.command == L"list") {
    allowed = {L"gpo", L"json"};
    if (!o.operands.empty()) throw UsageError{"list takes no arguments"};
  } else if (o.command == L"add-hash") {
    allowed = addOptions;
    if (o.operands.empty()) throw UsageError{"add-hash needs at least one FILE"};
  } else if (o.command == L"add-path") {
    allowed = addOptions;
    allowed.insert({L"recursive", L"ownership-check", L"yes"});
    if (o.operands.size() != 1) throw UsageError{"add-path needs exactly one PATTERN"};
  } else if (o.command == L"delete") {
    allowed = {L"gpo"};
    if (o.operands.size() != 1) throw UsageError{"delete needs exactly one ID"};
  } else {
    throw UsageError{"unknown command " + toUtf8(o.command)};
  }
  for (const auto& g : o.given)
    if (!allowed.count(g)) throw UsageError{"option --" + toUtf8(g) + " does not apply to " + toUtf8(o.command)};
  return o;
}

// What the shared account pages would refuse: an empty Authorized users list and the same
// SID twice in one list. Returns the message id, or 0.
unsigned checkAccounts(const Options& o) {
  for (const auto* list : {&o.groups, &o.users, &o.sidsToDelete}) {
    if (!*list) continue;
    for (std::size_t i = 0; i < (*list)->size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (namesEqual((**list)[i].sid, (**list)[j].sid)) return IDS_DUPLICATE_SID;
  }
  if (o.users && o.users->empty()) return IDS_NO_AUTHORIZED_USERS;
  for (const auto& c : o.commandLines)
    if (c.size() > maxCommandLineChars) return IDS_COMMAND_LINE_TOO_LONG;
  return 0;
}

// The command lines as the wizard's page keeps them: each given line with the lines its
// applet brings (the warnings go to standard error), in the order of the page's list.
std::vector<std::wstring> pageCommandLines(const std::vector<std::wstring>& given, std::ostream& err) {
  std::vector<std::wstring> lines;
  const auto add = [&](const std::wstring& line) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(wizard::listBoxInsertPosition(lines, line)), line);
  };
  for (const auto& typed : given) {
    add(typed);
    for (const wizard::AppletStep& step : wizard::appletSteps(typed)) {
      if (step.notice != 0) {
        err << line(res::string(static_cast<unsigned>(step.notice))) << '\n';
      } else {
        add(step.line);
      }
    }
  }
  return lines;
}

int catalog(const Options& o, std::ostream& out) {
  const auto rows = o.operands[0] == L"applets" ? catalogs::appletCatalog() : catalogs::snapinCatalog();
  std::wstring text;
  for (std::size_t i = 0; i < rows.size(); ++i)
    text += std::to_wstring(i) + L'\t' + rows[i].name + L'\t' + rows[i].comment + L'\t' + rows[i].commandLine + L'\n';
  out << toUtf8(text);
  return exitcode::success;
}

// A text the rule reader can read back: it fits the reader's buffer of bufferChars UTF-16 units
// with its terminator. Empty when it fits, else the refusal naming the limit.
std::string overLimit(const char* what, std::wstring_view text, std::size_t bufferChars) {
  if (toUtf16(text).size() < bufferChars) return {};
  return std::string(what) + " is longer than " + std::to_string(bufferChars - 1) +
         " characters (UTF-16 units), more than a rule can hold: " + toUtf8(text.substr(0, 40)) + "...";
}

std::string checkLimits(const Options& o) {
  for (const auto* list : {&o.groups, &o.users, &o.sidsToDelete}) {
    if (!*list) continue;
    for (const auto& a : **list)
      for (const auto& [what, text] : {std::pair{"an account name", &a.username}, std::pair{"a domain", &a.domain},
                                       std::pair{"a SID", &a.sid}})
        if (auto e = overLimit(what, *text, layout::accountFieldChars); !e.empty()) return e;
  }
  for (const auto& p : o.privileges)
    if (auto e = overLimit("a privilege name", p, layout::privilegeChars); !e.empty()) return e;
  return {};
}

// The parts every new rule shares: a new id, command lines, accounts (the wizard's defaults
// where none were given) and privileges.
void fillCommon(Rule& rule, const Options& o) {
  rule.newId();
  for (const auto& c : o.ruleCommandLines) rule.addCommandLine(c);
  if (o.groups) {
    for (const auto& a : *o.groups) rule.addGroup(a.username, a.domain, a.sid, a.isDomain);
  } else {
    rule.addGroup(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  }
  if (o.sidsToDelete)
    for (const auto& a : *o.sidsToDelete) rule.addSidToDelete(a.username, a.domain, a.sid, a.isDomain);
  if (o.users) {
    for (const auto& a : *o.users) rule.addUser(a.username, a.domain, a.sid, a.isDomain);
  } else {
    rule.addUser(L"Everyone", L"BUILTIN", L"S-1-1-0", false);
  }
  rule.setOverridePrivileges(!o.privileges.empty());
  for (const auto& p : o.privileges) rule.addPrivilege(p);
}

struct Session {
  gpo::GpoFolder folder;
  gpo::GpoFolderHost host;
  std::vector<std::unique_ptr<Rule>> rules;
  explicit Session(const fs::path& dir) : folder(dir), host(folder) {}
};

// How long a change waits for another one to finish before giving up.
constexpr std::chrono::seconds lockTimeout{30};

// Loads the folder; a change first takes the folder's lock and holds it until its save is done.
bool open(Session& s, Prompter& prompter, std::ostream& err, bool toChange) {
  std::string error;
  if ((toChange && !s.folder.lock(lockTimeout, error)) || !s.folder.load(error)) {
    err << "ostrel-policy: " << error << '\n';
    return false;
  }
  store::loadRules(&s.host, prompter, [&](std::unique_ptr<Rule> r) { s.rules.push_back(std::move(r)); });
  return true;
}

bool save(Session& s, std::ostream& err) {
  std::string error;
  if (!s.folder.save(error)) {
    err << "ostrel-policy: " << error << '\n';
    return false;
  }
  return true;
}

int list(const Options& o, std::ostream& out, std::ostream& err) {
  ConsolePrompter prompter(err, false);
  Session s(pathOf(*o.gpo));
  if (!open(s, prompter, err, false)) return exitcode::refused;
  if (o.json) {
    std::vector<const Rule*> rules;
    for (const auto& r : s.rules) rules.push_back(r.get());
    out << rulesJson(rules);
    return exitcode::success;
  }
  std::string text;
  for (const auto& c : ruleColumns) text += toUtf8(c.title) + '\t';
  text += "Id\n";
  for (const auto& r : s.rules) {
    for (int c = 0; c < ruleColumnCount; ++c) text += cellText(ruleColumnText(*r, c)) + '\t';
    text += cellText(r->idText()) + '\n';
  }
  out << text;
  return exitcode::success;
}

// Writes the new rules after the stored ones with one UpdateStore over all live rules, as
// the snap-in's wizard finish does, then saves the folder once.
int addRules(const Options& o, std::vector<std::unique_ptr<Rule>> added, Prompter& prompter, std::ostream& err) {
  Session s(pathOf(*o.gpo));
  if (!open(s, prompter, err, true)) return exitcode::refused;
  for (auto& r : added) s.rules.push_back(std::move(r));
  std::vector<Rule*> live;
  for (const auto& r : s.rules) live.push_back(r.get());
  store::updateStore(&s.host, prompter, true, live);
  if (!save(s, err)) return exitcode::refused;
  return exitcode::success;
}

// The checks of the account pages and the limits of the rule reader, before anything is read.
bool checkAddOptions(const Options& o, std::ostream& err) {
  if (unsigned id = checkAccounts(o)) {
    err << line(res::string(id)) << '\n';
    return false;
  }
  if (std::string e = checkLimits(o); !e.empty()) {
    err << "ostrel-policy: " << e << '\n';
    return false;
  }
  return true;
}

int addHash(const Options& o, std::ostream& out, std::ostream& err) {
  if (!checkAddOptions(o, err)) return exitcode::refused;
  std::vector<std::unique_ptr<Rule>> added;
  for (const auto& file : o.operands) {
    std::error_code ec;
    fs::path full = fs::absolute(pathOf(file), ec).lexically_normal();
    if (!ec) {
      if (std::string e = overLimit("the file's full path", widen(full), layout::typeNameValueChars); !e.empty()) {
        err << "ostrel-policy: " << e << '\n';
        return exitcode::refused;
      }
    }
    auto rule = std::make_unique<Rule>();
    if (ec || fs::is_directory(full, ec) || !rule->computeHashFromFile(widen(full))) {
      err << "ostrel-policy: cannot read " << toUtf8(file) << '\n';
      return exitcode::refused;
    }
    rule->setType(RuleType::Hash);
    rule->setApplicationName(widen(full));
    fillCommon(*rule, o);
    added.push_back(std::move(rule));
  }
  std::vector<std::wstring> ids;
  for (const auto& r : added) ids.push_back(r->idText() + L"\t" + ruleColumnText(*r, 0) + L"\t" + ruleColumnText(*r, 2));
  ConsolePrompter prompter(err, false);
  int rc = addRules(o, std::move(added), prompter, err);
  if (rc == exitcode::success)
    for (const auto& id : ids) out << "added " << toUtf8(id) << '\n';
  return rc;
}

int addPath(const Options& o, std::ostream& out, std::ostream& err) {
  if (!checkAddOptions(o, err)) return exitcode::refused;
  ConsolePrompter prompter(err, o.yes);
  std::wstring pattern = o.operands.front();
  bool ownership = o.ownershipCheck;
  if (!wizard::validatePathRule(pattern, ownership, 0, prompter)) return exitcode::refused;
  auto rule = std::make_unique<Rule>();
  rule->setType(RuleType::Path);
  rule->setPathPattern(pattern);
  rule->setOwnershipCheck(ownership);
  rule->setRecursive(o.recursive);
  (void)rule->encodePath();  // the pattern is not empty after validation
  fillCommon(*rule, o);
  std::wstring summary = rule->idText() + L"\t" + rule->pathPattern() + L"\t" + rule->storedPath();
  std::vector<std::unique_ptr<Rule>> added;
  added.push_back(std::move(rule));
  int rc = addRules(o, std::move(added), prompter, err);
  if (rc == exitcode::success) out << "added " << toUtf8(summary) << '\n';
  return rc;
}

// Removes the rule as the result pane's deletion does: the store is rewritten with every
// other rule.
int remove(const Options& o, std::ostream& out, std::ostream& err) {
  const std::wstring& given = o.operands.front();
  std::wstring id = given;
  ConsolePrompter prompter(err, false);
  Session s(pathOf(*o.gpo));
  if (!open(s, prompter, err, true)) return exitcode::refused;
  std::vector<Rule*> live;
  std::size_t removed = 0;
  for (const auto& r : s.rules) {
    // The id as listed, or a GUID without its braces.
    if (namesEqual(r->idText(), given) || namesEqual(r->idText(), L"{" + given + L"}")) {
      id = r->idText();
      ++removed;
    } else {
      live.push_back(r.get());
    }
  }
  if (removed == 0) {
    err << "ostrel-policy: no rule with id " << toUtf8(o.operands.front()) << '\n';
    return exitcode::refused;
  }
  store::rewriteStore(&s.host, prompter, live);
  if (!save(s, err)) return exitcode::refused;
  out << "deleted " << cellText(id) << '\n';
  return exitcode::success;
}

}  // namespace

namespace {

// S-1-<authority>(-<subauthority>)*: digits between dashes, and a SID the lookups can build.
bool isSidText(const std::wstring& text) {
  if (text.size() < 5 || (text[0] != L'S' && text[0] != L's') || text[1] != L'-') return false;
  if (!accounts::stringSidToSid(text)) return false;
  bool digit = false;
  for (std::size_t i = 2; i < text.size(); ++i) {
    if (text[i] == L'-') {
      if (!digit) return false;
      digit = false;
    } else if (text[i] >= L'0' && text[i] <= L'9') {
      digit = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::optional<AccountEntry> parseAccount(const std::wstring& text) {
  auto eq = text.find(L'=');
  if (eq == std::wstring::npos) {
    if (const auto* known = accounts::findWellKnownName(text)) return AccountEntry{known->name, known->domain, known->sid, false};
    // A SID alone: named as the well-known table names it, else by itself.
    if (!isSidText(text)) return std::nullopt;
    if (const auto* known = accounts::findWellKnownSid(text)) return AccountEntry{known->name, known->domain, known->sid, false};
    return AccountEntry{text, L"< UNKNOWN >", text, false};
  }
  std::wstring who = text.substr(0, eq);
  std::wstring rest = text.substr(eq + 1);
  AccountEntry a;
  if (auto comma = rest.find(L','); comma != std::wstring::npos) {
    std::wstring kind = rest.substr(comma + 1);
    if (namesEqual(kind, L"domain")) {
      a.isDomain = true;
    } else if (!namesEqual(kind, L"local")) {
      return std::nullopt;
    }
    rest.resize(comma);
  }
  if (auto slash = who.find(L'\\'); slash != std::wstring::npos) {
    a.domain = who.substr(0, slash);
    who = who.substr(slash + 1);
  }
  if (who.empty() || !isSidText(rest)) return std::nullopt;
  a.username = who;
  a.sid = rest;
  return a;
}

std::string rulesJson(const std::vector<const Rule*>& rules) {
  std::string out = "[";
  auto key = [&](const char* name) {
    out += "\n    \"";
    out += name;
    out += "\": ";
  };
  auto strings = [&](std::size_t n, auto get) {
    out += '[';
    for (std::size_t i = 0; i < n; ++i) {
      if (i) out += ", ";
      jsonString(out, get(i));
    }
    out += ']';
  };
  auto accounts = [&](const std::vector<AccountEntry>& list) {
    out += '[';
    for (std::size_t i = 0; i < list.size(); ++i) {
      out += i ? ", {" : "{";
      out += "\"username\": ";
      jsonString(out, list[i].username);
      out += ", \"domain\": ";
      jsonString(out, list[i].domain);
      out += ", \"sid\": ";
      jsonString(out, list[i].sid);
      out += ", \"isDomain\": ";
      out += list[i].isDomain ? "true}" : "false}";
    }
    out += ']';
  };
  auto flag = [&](const char* name, bool v, bool last = false) {
    key(name);
    out += v ? "true" : "false";
    if (!last) out += ',';
  };
  for (std::size_t n = 0; n < rules.size(); ++n) {
    const Rule& r = *rules[n];
    out += n ? ",\n  {" : "\n  {";
    key("id");
    jsonString(out, r.idText());
    out += ',';
    key("type");
    out += r.type() == RuleType::Hash ? "\"Hash\"," : r.type() == RuleType::Path ? "\"Path\"," : "\"None\",";
    key("applicationName");
    jsonString(out, r.applicationName());
    out += ',';
    key("pathPattern");
    jsonString(out, r.type() == RuleType::Hash ? std::wstring() : r.pathPattern());
    out += ',';
    key("storedPath");
    jsonString(out, r.storedPath());
    out += ',';
    key("hash");
    jsonString(out, fromNarrow(r.hashText()));
    out += ',';
    flag("hashValid", r.hashValid());
    flag("ownershipCheck", r.ownershipCheck());
    flag("recursive", r.recursive());
    flag("overridePrivileges", r.overridePrivileges());
    key("commandLines");
    strings(r.commandLineCount(), [&](std::size_t i) { return r.commandLine(i); });
    out += ',';
    key("privilegedGroups");
    accounts(r.accounts(AccountList::PrivilegedGroups));
    out += ',';
    key("authorizedUsers");
    accounts(r.accounts(AccountList::AuthorizedUsers));
    out += ',';
    key("sidsToDelete");
    accounts(r.accounts(AccountList::SidsToDelete));
    out += ',';
    key("privileges");
    strings(r.privilegeCount(), [&](std::size_t i) { return r.privilege(i); });
    out += "\n  }";
  }
  out += rules.empty() ? "]\n" : "\n]\n";
  return out;
}

int run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err) {
  Options o;
  try {
    o = parse(args);
  } catch (const UsageError& e) {
    err << "ostrel-policy: " << e.message << "\nTry 'ostrel-policy --help'.\n";
    return exitcode::usage;
  }
  if (o.help) {
    out << usageText;
    return exitcode::success;
  }
  if (o.command == L"catalog") return catalog(o, out);
  if (o.command == L"list") return list(o, out, err);
  // Lines the checks refuse add nothing and warn of nothing.
  if ((o.command == L"add-hash" || o.command == L"add-path") && checkAccounts(o) == 0)
    o.ruleCommandLines = pageCommandLines(o.commandLines, err);
  if (o.command == L"add-hash") return addHash(o, out, err);
  if (o.command == L"add-path") return addPath(o, out, err);
  return remove(o, out, err);
}

}  // namespace ostrel::tool

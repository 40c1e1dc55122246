#include "tools/ostrel-policy/policy_tool.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "catalogs/catalog.h"
#include "platform/file_system.h"
#include "platform/gpo_folder.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "resources/strings.h"
#include "rules/applet_command_lines.h"
#include "rules/list_box_order.h"
#include "rules/path_validation.h"
#include "rules/policy_store.h"
#include "rules/rule_checks.h"
#include "rules/rule_columns.h"
#include "rules/rule_layout.h"
#include "tools/ostrel-policy/account_text.h"
#include "tools/ostrel-policy/rules_json.h"

namespace ostrel::tool {
namespace {

namespace fs = std::filesystem;

const char description[] =
    "Edits the privileged-application rules of a Group Policy Object folder\n"
    "(DIR/Machine/Registry.pol and DIR/gpt.ini). Missing files are created on the first change.";

const char accountHelp[] =
    "ACCOUNT is [DOMAIN\\]NAME=SID[,domain|,local] (',domain' marks a domain account), a SID alone,\n"
    "or a well-known name: Administrators, Users, Everyone, Authenticated Users...\n"
    "'--group none' and '--user none' leave that list empty.\n";

const char exitHelp[] = "Exit status: 0 done, 1 request refused or failed, 2 usage error.";

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
      err_ << rules::consoleLine(text) << (yes_ ? " Yes (--yes)\n" : " No (pass --yes to answer Yes)\n");
      return yes_ ? answer::yes : answer::no;
    }
    err_ << rules::consoleLine(text) << '\n';
    return answer::ok;
  }

 private:
  std::ostream& err_;
  bool yes_;
};

// What the command line asked for; texts as given (UTF-8).
struct Options {
  std::string gpo, pattern, id, file, catalogName;
  std::vector<std::string> files;
  bool json = false, recursive = false, ownershipCheck = false, yes = false;
  std::vector<std::string> commandLines, privileges, groups, users, sidsToDelete;
};

// The accounts of one list option; nullopt when the option was not given (the wizard's
// default applies), empty after "none".
std::optional<std::vector<AccountEntry>> accountList(const std::vector<std::string>& given) {
  if (given.empty()) return std::nullopt;
  std::vector<AccountEntry> list;
  for (const auto& text : given)
    if (text != "none") list.push_back(*parseAccount(fromUtf8(text)));  // the option's check parsed it
  return list;
}

// The parts every new rule shares: a new id, the given command lines, accounts (the wizard's
// defaults where none were given) and privileges.
void fillCommon(Rule& rule, const Options& o) {
  rule.newId();
  for (const auto& c : o.commandLines) rule.addCommandLine(fromUtf8(c));
  const auto add = [&](AccountList list, const std::vector<std::string>& given) {
    std::vector<AccountEntry> accounts;
    if (auto listed = accountList(given)) {
      accounts = std::move(*listed);
    } else if (auto fallback = rules::defaultAccount(list)) {
      accounts.push_back(*fallback);
    }
    for (const auto& a : accounts) rule.addAccount(list, a.username, a.domain, a.sid, a.isDomain);
  };
  add(AccountList::PrivilegedGroups, o.groups);
  add(AccountList::AuthorizedUsers, o.users);
  add(AccountList::SidsToDelete, o.sidsToDelete);
  rule.setOverridePrivileges(!o.privileges.empty());
  for (const auto& p : o.privileges) rule.addPrivilege(fromUtf8(p));
}

// The command lines as the wizard's page keeps them: each given line with the lines its
// applet brings (the warnings go to standard error), in the order of the page's list.
std::vector<std::wstring> pageCommandLines(const std::vector<std::string>& given, std::ostream& err) {
  std::vector<std::wstring> lines;
  const auto add = [&](const std::wstring& line) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(rules::listBoxInsertPosition(lines, line)), line);
  };
  for (const auto& text : given) {
    const std::wstring typed = fromUtf8(text);
    add(typed);
    for (const rules::AppletStep& step : rules::appletSteps(typed)) {
      if (step.notice != 0) {
        err << rules::consoleLine(res::string(static_cast<unsigned>(step.notice))) << '\n';
      } else {
        add(step.line);
      }
    }
  }
  return lines;
}

int catalog(const Options& o, std::ostream& out) {
  const auto rows = o.catalogName == "applets" ? catalogs::appletCatalog() : catalogs::snapinCatalog();
  std::wstring text;
  for (std::size_t i = 0; i < rows.size(); ++i)
    text += std::to_wstring(i) + L'\t' + rows[i].name + L'\t' + rows[i].comment + L'\t' + rows[i].commandLine + L'\n';
  out << toUtf8(text);
  return exitcode::success;
}

struct Session {
  gpo::GpoFolder folder;
  gpo::GpoFolderHost host;
  std::vector<std::unique_ptr<Rule>> rules;
  explicit Session(const std::string& dir) : folder(pathOf(fromUtf8(dir))), host(folder) {}
  std::vector<const Rule*> view() const {
    std::vector<const Rule*> v;
    for (const auto& r : rules) v.push_back(r.get());
    return v;
  }
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
  Session s(o.gpo);
  if (!open(s, prompter, err, false)) return exitcode::refused;
  if (o.json) {
    std::vector<std::string> lossy;
    out << rulesJson(s.view(), &lossy);
    for (const auto& what : lossy)
      err << "ostrel-policy: warning: " << what << " holds a lone surrogate, shown as U+FFFD\n";
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
  Session s(o.gpo);
  if (!open(s, prompter, err, true)) return exitcode::refused;
  for (auto& r : added) s.rules.push_back(std::move(r));
  std::vector<Rule*> live;
  for (const auto& r : s.rules) live.push_back(r.get());
  store::updateStore(&s.host, prompter, true, live);
  if (!save(s, err)) return exitcode::refused;
  return exitcode::success;
}

// A new rule of the given options, checked as the wizard's pages check theirs; its command
// lines are then those the page would keep (lines that the checks refuse warn of nothing).
std::unique_ptr<Rule> newRule(const Options& o, std::ostream& err) {
  auto rule = std::make_unique<Rule>();
  fillCommon(*rule, o);
  if (rules::Refusal r = rules::checkRuleParts(*rule)) {
    err << (r.messageId ? "" : "ostrel-policy: ") << r.text << '\n';
    return nullptr;
  }
  rule->clearCommandLines();
  for (auto& line : pageCommandLines(o.commandLines, err)) rule->addCommandLine(std::move(line));
  return rule;
}

int addHash(const Options& o, std::ostream& out, std::ostream& err) {
  auto model = newRule(o, err);
  if (!model) return exitcode::refused;
  std::vector<std::unique_ptr<Rule>> added;
  for (const auto& file : o.files) {
    std::error_code ec;
    fs::path full = fs::absolute(pathOf(fromUtf8(file)), ec).lexically_normal();
    if (!ec) {
      if (std::string e = rules::overLimit("the file's full path", widen(full), layout::typeNameValueChars); !e.empty()) {
        err << "ostrel-policy: " << e << '\n';
        return exitcode::refused;
      }
    }
    auto rule = std::make_unique<Rule>();
    if (ec || fs::is_directory(full, ec) || !rule->computeHashFromFile(widen(full))) {
      err << "ostrel-policy: cannot read " << file << '\n';
      return exitcode::refused;
    }
    rule->setType(RuleType::Hash);
    rule->setApplicationName(widen(full));
    fillCommon(*rule, o);
    rule->clearCommandLines();
    for (std::size_t i = 0; i < model->commandLineCount(); ++i) rule->addCommandLine(model->commandLine(i));
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
  auto rule = newRule(o, err);
  if (!rule) return exitcode::refused;
  ConsolePrompter prompter(err, o.yes);
  std::wstring pattern = fromUtf8(o.pattern);
  bool ownership = o.ownershipCheck;
  if (!rules::validatePathRule(pattern, ownership, 0, prompter)) return exitcode::refused;
  rule->setType(RuleType::Path);
  rule->setPathPattern(pattern);
  rule->setOwnershipCheck(ownership);
  rule->setRecursive(o.recursive);
  (void)rule->encodePath();  // the pattern is not empty after validation
  if (std::string e = rules::fixStoredPath(*rule); !e.empty()) {
    err << "ostrel-policy: " << e << '\n';
    return exitcode::refused;
  }
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
  const std::wstring given = fromUtf8(o.id);
  std::wstring id = given;
  ConsolePrompter prompter(err, false);
  Session s(o.gpo);
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
    err << "ostrel-policy: no rule with id " << o.id << '\n';
    return exitcode::refused;
  }
  store::rewriteStore(&s.host, prompter, live);
  if (!save(s, err)) return exitcode::refused;
  out << "deleted " << cellText(id) << '\n';
  return exitcode::success;
}

std::string rulesCount(std::size_t n) { return std::to_string(n) + (n == 1 ? " rule" : " rules"); }

int exportRules(const Options& o, std::ostream& out, std::ostream& err) {
  ConsolePrompter prompter(err, false);
  Session s(o.gpo);
  if (!open(s, prompter, err, false)) return exitcode::refused;
  std::vector<std::string> lossy;
  const std::string text = rulesJson(s.view(), &lossy);
  // The file is meant to be imported again; a text it cannot hold would come back changed.
  if (!lossy.empty()) {
    for (const auto& what : lossy)
      err << "ostrel-policy: " << what << " holds a lone surrogate, which a JSON file cannot hold\n";
    err << "ostrel-policy: nothing exported; correct those rules first\n";
    return exitcode::refused;
  }
  const fs::path file = pathOf(fromUtf8(o.file));
  fs::path target;
  std::string error;
  if (!platform::replacementTarget(file, target, error) ||
      !platform::replaceFileAtomically(platform::realFileSystem(), target,
                                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                       error)) {
    err << "ostrel-policy: " << error << '\n';
    return exitcode::refused;
  }
  out << "exported " << rulesCount(s.rules.size()) << " to " << o.file << '\n';
  return exitcode::success;
}

// Each rule's document text, in id order: equal for two sets of rules that store the same.
std::vector<std::string> canonical(const std::vector<const Rule*>& rules) {
  std::vector<std::string> texts;
  for (const Rule* r : rules) texts.push_back(rulesJson({r}));
  std::sort(texts.begin(), texts.end());
  return texts;
}

int importRules(const Options& o, std::ostream& out, std::ostream& err) {
  platform::ByteBuffer bytes;
  std::string error;
  if (!platform::realFileSystem().readAll(pathOf(fromUtf8(o.file)), bytes, error)) {
    err << "ostrel-policy: " << error << '\n';
    return exitcode::refused;
  }
  ConsolePrompter prompter(err, o.yes);
  std::vector<std::unique_ptr<Rule>> imported;
  if (!rulesFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), prompter, imported,
                     error)) {
    err << "ostrel-policy: " << o.file << ": " << error << "; nothing imported\n";
    return exitcode::refused;
  }
  Session s(o.gpo);
  if (!open(s, prompter, err, true)) return exitcode::refused;
  std::vector<const Rule*> wanted;
  std::vector<Rule*> live;
  for (const auto& r : imported) {
    wanted.push_back(r.get());
    live.push_back(r.get());
  }
  // Applying the same file again changes nothing, so clients are not made to process the
  // policy anew.
  if (canonical(wanted) == canonical(s.view())) {
    out << "unchanged: the policy holds exactly these " << rulesCount(imported.size()) << '\n';
    return exitcode::success;
  }
  store::rewriteStore(&s.host, prompter, live);
  if (!save(s, err)) return exitcode::refused;
  out << "imported " << rulesCount(imported.size()) << ", replacing " << s.rules.size() << '\n';
  return exitcode::success;
}

// A check of an option's value: the refusal, or empty.
CLI::Validator check(std::string name, std::function<std::string(const std::wstring&)> refusal) {
  return CLI::Validator([refusal](std::string& value) { return refusal(fromUtf8(value)); }, "", std::move(name));
}

// The options that a new rule's commands share; each may be repeated, one value each time.
void addRuleOptions(CLI::App& command, Options& o) {
  const auto account = check("ACCOUNT", [](const std::wstring& text) -> std::string {
    if (text == L"none" || parseAccount(text)) return {};
    return "'" + toUtf8(text) + "' is neither a well-known account, a SID nor of the form [DOMAIN\\]NAME=SID[,domain]";
  });
  const auto repeated = [&](const char* name, std::vector<std::string>& values, const char* help) {
    return command.add_option(name, values, help)->allow_extra_args(false);
  };
  repeated("--command-line", o.commandLines,
           "an allowed command line, kept in the wizard's order; some applets bring further lines")
      ->type_name("TEXT")
      ->check(check("TEXT", [](const std::wstring& t) { return t.empty() ? "needs a non-empty text" : ""; }));
  repeated("--group", o.groups, "a Privileged group (default: BUILTIN\\Administrators=S-1-5-32-544)")
      ->type_name("ACCOUNT")
      ->check(account);
  repeated("--sid-to-delete", o.sidsToDelete, "a group removed from the process token (default: none)")
      ->type_name("ACCOUNT")
      ->check(account);
  repeated("--user", o.users, "an Authorized user (default: BUILTIN\\Everyone=S-1-1-0)")
      ->type_name("ACCOUNT")
      ->check(account);
  repeated("--privilege", o.privileges,
           "a granted privilege (e.g. SeDebugPrivilege), replacing the default ones")
      ->type_name("NAME")
      ->check(check("NAME", rules::privilegeError));
  command.footer(accountHelp);
}

// A usage error: exit 2 with the reason.
int usage(std::ostream& err, const std::string& reason) {
  err << "ostrel-policy: " << reason << "\nTry 'ostrel-policy --help'.\n";
  return exitcode::usage;
}

}  // namespace

int run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err) {
  Options o;
  CLI::App app(description, "ostrel-policy");
  app.require_subcommand(1, 1);
  app.fallthrough();  // --gpo may also follow the command
  // A text starting with "/" is a path or an argument, never an option, on Windows too.
  app.allow_windows_style_options(false);
  app.add_option("--gpo", o.gpo, "the GPO folder; every command but catalog needs it")->type_name("DIR");
  app.footer(exitHelp);

  CLI::App* listCommand = app.add_subcommand("list", "one row per rule: Application, Type, Value, Command Lines, Id");
  listCommand->add_flag("--json", o.json, "every field of every rule, in the form export writes");
  CLI::App* addHashCommand = app.add_subcommand("add-hash", "one Hash rule per file (SHA-1 of its content)");
  addHashCommand->add_option("FILE", o.files, "the executable files")->required();
  addRuleOptions(*addHashCommand, o);
  CLI::App* addPathCommand =
      app.add_subcommand("add-path", "one Path rule for a path or file-name pattern");
  addPathCommand->add_option("PATTERN", o.pattern, "a path or pattern, e.g. %ProgramFiles%\\App\\*.exe")->required();
  addPathCommand->add_flag("--recursive", o.recursive, "the pattern applies recursively");
  addPathCommand->add_flag("--ownership-check", o.ownershipCheck, "only files owned by the Administrators group run");
  addPathCommand->add_flag("--yes", o.yes, "answer Yes to the pattern checks' questions (default: No)");
  addRuleOptions(*addPathCommand, o);
  CLI::App* deleteCommand = app.add_subcommand("delete", "removes the rule with that id");
  deleteCommand->add_option("ID", o.id, "the rule's id, {XXXXXXXX-...}, as list shows it")->required();
  CLI::App* exportCommand = app.add_subcommand("export", "writes every rule to FILE.json, in the form of list --json");
  exportCommand->add_option("FILE", o.file, "the file to write (replaced whole)")->required();
  CLI::App* importCommand =
      app.add_subcommand("import", "replaces the rules with exactly those of FILE.json, checked as add-* checks");
  importCommand->add_option("FILE", o.file, "the file to read")->required();
  importCommand->add_flag("--yes", o.yes, "answer Yes to the pattern checks' questions (default: No)");
  CLI::App* catalogCommand = app.add_subcommand(
      "catalog", "the command lines offered for applets or consoles: number, name, comment, line");
  catalogCommand->add_option("LIST", o.catalogName, "applets or consoles")
      ->required()
      ->check(CLI::IsMember({"applets", "consoles"}));

  // CLI11 takes the arguments last first, in UTF-8.
  std::vector<std::string> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(toUtf8(*it));
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e, out, err);  // --help
    return usage(err, e.what());
  }
  if (catalogCommand->parsed()) {
    if (!o.gpo.empty()) return usage(err, "catalog takes no --gpo");
    return catalog(o, out);
  }
  if (o.gpo.empty()) return usage(err, "--gpo DIR is required");
  if (listCommand->parsed()) return list(o, out, err);
  if (addHashCommand->parsed()) return addHash(o, out, err);
  if (addPathCommand->parsed()) return addPath(o, out, err);
  if (exportCommand->parsed()) return exportRules(o, out, err);
  if (importCommand->parsed()) return importRules(o, out, err);
  return remove(o, out, err);
}

}  // namespace ostrel::tool

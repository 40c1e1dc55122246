#include "tools/ostrel-policy/commands.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "catalogs/catalog.h"
#include "platform/file_system.h"
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
#include "tools/ostrel-policy/console_prompter.h"
#include "tools/ostrel-policy/gpo_session.h"
#include "tools/ostrel-policy/import_plan.h"
#include "tools/ostrel-policy/refused.h"
#include "tools/ostrel-policy/rules_json.h"
#include "tools/ostrel-policy/terminal_text.h"

namespace ostrel::tool {
namespace {

namespace fs = std::filesystem;

std::wstring widen(const fs::path& p) {
  if constexpr (sizeof(wchar_t) == 2) {
    return p.wstring();
  } else {
    return fromUtf8(p.string());
  }
}
fs::path pathOf(const std::string& utf8) {
  if constexpr (sizeof(wchar_t) == 2) {
    return fs::path(fromUtf8(utf8));
  } else {
    return fs::path(utf8);
  }
}

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

// A new rule of the given options, checked as the wizard's pages check theirs; its command
// lines are then those the page would keep (lines that the checks refuse warn of nothing).
std::unique_ptr<Rule> newRule(const Options& o, std::ostream& err) {
  auto rule = std::make_unique<Rule>();
  fillCommon(*rule, o);
  if (rules::Refusal r = rules::checkRuleParts(*rule)) throw Refused(r.text, r.messageId == 0);
  rule->clearCommandLines();
  for (auto& line : pageCommandLines(o.commandLines, err)) rule->addCommandLine(std::move(line));
  return rule;
}

// Writes the new rules after the stored ones with one UpdateStore over all live rules, as
// the snap-in's wizard finish does, then saves the folder once.
void addRules(const Options& o, std::vector<std::unique_ptr<Rule>> added, Prompter& prompter, std::ostream& err) {
  GpoSession s(o, GpoSession::Access::change, prompter, err);
  for (auto& r : added) s.rules().push_back(std::move(r));
  std::vector<Rule*> live;
  for (const auto& r : s.rules()) live.push_back(r.get());
  s.store(GpoSession::Write::append, live);
}

std::string rulesCount(std::size_t n) { return std::to_string(n) + (n == 1 ? " rule" : " rules"); }

// Each rule's document text, in id order: equal for two sets of rules that store the same.
std::vector<std::string> canonical(const std::vector<const Rule*>& rules) {
  std::vector<std::string> texts;
  for (const Rule* r : rules) texts.push_back(rulesJson({r}));
  std::sort(texts.begin(), texts.end());
  return texts;
}

}  // namespace

void listRules(const Options& o, std::ostream& out, std::ostream& err) {
  ConsolePrompter prompter(err, false);
  GpoSession s(o, GpoSession::Access::read, prompter, err);
  if (o.json) {
    std::vector<std::string> lossy;
    out << rulesJson(s.view(), &lossy);
    for (const auto& what : lossy)
      err << "ostrel-policy: warning: " << what << " holds a lone surrogate, shown as U+FFFD\n";
    return;
  }
  std::string text;
  for (const auto& c : ruleColumns) text += toUtf8(std::wstring(res::string(c.title))) + '\t';
  text += "Id\n";
  for (const auto& r : s.rules()) {
    for (int c = 0; c < ruleColumnCount; ++c) text += cellText(ruleColumnText(*r, c)) + '\t';
    text += cellText(r->idText()) + '\n';
  }
  out << text;
}

void addHashRules(const Options& o, std::ostream& out, std::ostream& err) {
  auto model = newRule(o, err);
  std::vector<std::unique_ptr<Rule>> added;
  for (const auto& file : o.files) {
    std::error_code ec;
    fs::path full = fs::absolute(pathOf(file), ec).lexically_normal();
    if (!ec) {
      if (std::string e = rules::overLimit("the file's full path", widen(full), layout::typeNameValueChars); !e.empty())
        throw Refused(e);
    }
    auto rule = std::make_unique<Rule>();
    if (ec || fs::is_directory(full, ec) || !rule->computeHashFromFile(widen(full)))
      throw Refused("cannot read " + file);
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
  addRules(o, std::move(added), prompter, err);
  for (const auto& id : ids) out << "added " << toUtf8(id) << '\n';
}

void addPathRule(const Options& o, std::ostream& out, std::ostream& err) {
  auto rule = newRule(o, err);
  ConsolePrompter prompter(err, o.yes);
  std::wstring pattern = fromUtf8(o.pattern);
  bool ownership = o.ownershipCheck;
  if (!rules::validatePathRule(pattern, ownership, 0, prompter)) throw Refused("", false);  // the check said why
  rule->setType(RuleType::Path);
  rule->setPathPattern(pattern);
  rule->setOwnershipCheck(ownership);
  rule->setRecursive(o.recursive);
  (void)rule->encodePath();  // the pattern is not empty after validation
  if (std::string e = rules::fixStoredPath(*rule); !e.empty()) throw Refused(e);
  const std::wstring summary = rule->idText() + L"\t" + rule->pathPattern() + L"\t" + rule->storedPath();
  std::vector<std::unique_ptr<Rule>> added;
  added.push_back(std::move(rule));
  addRules(o, std::move(added), prompter, err);
  out << "added " << toUtf8(summary) << '\n';
}

// Removes the rule as the result pane's deletion does: the store is rewritten with every
// other rule.
void deleteRule(const Options& o, std::ostream& out, std::ostream& err) {
  const std::wstring given = fromUtf8(o.id);
  std::wstring id = given;
  ConsolePrompter prompter(err, false);
  GpoSession s(o, GpoSession::Access::change, prompter, err);
  std::vector<Rule*> live;
  std::size_t removed = 0;
  for (const auto& r : s.rules()) {
    // The id as listed, or a GUID without its braces.
    if (namesEqual(r->idText(), given) || namesEqual(r->idText(), L"{" + given + L"}")) {
      id = r->idText();
      ++removed;
    } else {
      live.push_back(r.get());
    }
  }
  if (removed == 0) throw Refused("no rule with id " + o.id);
  s.store(GpoSession::Write::replace, live);
  out << "deleted " << cellText(id) << '\n';
}

void exportRules(const Options& o, std::ostream& out, std::ostream& err) {
  ConsolePrompter prompter(err, false);
  GpoSession s(o, GpoSession::Access::read, prompter, err);
  std::vector<std::string> lossy;
  const std::string text = rulesJson(s.view(), &lossy);
  // The file is meant to be imported again; a text it cannot hold would come back changed.
  if (!lossy.empty()) {
    for (const auto& what : lossy)
      err << "ostrel-policy: " << what << " holds a lone surrogate, which a JSON file cannot hold\n";
    throw Refused("nothing exported; correct those rules first");
  }
  fs::path target;
  std::string error;
  if (!platform::replacementTarget(pathOf(o.file), target, error) ||
      !platform::replaceFileAtomically(platform::realFileSystem(), target,
                                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                       error))
    throw Refused(error);
  out << "exported " << rulesCount(s.rules().size()) << " to " << o.file << '\n';
}

void importRules(const Options& o, std::ostream& out, std::ostream& err) {
  platform::ByteBuffer bytes;
  std::string error;
  if (!platform::realFileSystem().readAll(pathOf(o.file), bytes, error)) throw Refused(error);
  ConsolePrompter prompter(err, o.yes);
  std::vector<std::unique_ptr<Rule>> imported;
  if (!rulesFromJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), prompter, imported,
                     error))
    throw Refused(o.file + ": " + error + "; nothing imported");
  GpoSession s(o, o.dryRun ? GpoSession::Access::read : GpoSession::Access::change, prompter, err);
  std::vector<const Rule*> wanted;
  std::vector<Rule*> live;
  for (const auto& r : imported) {
    wanted.push_back(r.get());
    live.push_back(r.get());
  }
  if (o.dryRun) {
    printPlan(planImport(s.view(), wanted), out);
    return;
  }
  // Applying the same file again changes nothing, so clients are not made to process the
  // policy anew.
  if (canonical(wanted) == canonical(s.view())) {
    out << "unchanged: the policy holds exactly these " << rulesCount(imported.size()) << '\n';
    return;
  }
  s.store(GpoSession::Write::replace, live);
  out << "imported " << rulesCount(imported.size()) << ", replacing " << s.rules().size() << '\n';
}

void listDomainGpos(const Options& o, std::ostream& out, std::ostream& err) {
  auto domain = connectDomain(o);
  std::vector<GpoEntry> gpos;
  std::string error;
  if (!domain->listGpos(gpos, error)) throw Refused(error);
  ConsolePrompter prompter(err, false);
  std::string text = "Id\tName\tDirectory version\tSYSVOL version\tRules\n";
  for (auto& g : gpos) {
    // The machine halves, the part these rules live in; the files' version and whether the
    // GPO holds rules come from its folder, "?" when that cannot be read.
    std::string files = "?", rules = "?";
    std::filesystem::path folder;
    std::ostringstream notes;
    if (domain->sysvolFolder(g, folder, error)) {
      DomainGpo gpo(*domain, g, folder);
      if (gpo.open(false, notes, error)) {
        files = std::to_string(gpo.folder().gptIni().version() & 0xFFFFu);
        std::size_t count = 0;
        rules = store::loadRules(&gpo, prompter, [&](std::unique_ptr<Rule>) { ++count; }) ? (count ? "yes" : "no")
                                                                                          : "?";
      }
    }
    if (files == "?") err << "ostrel-policy: warning: " << g.guid << ": " << error << '\n';
    text += cellText(fromUtf8(g.guid)) + '\t' + cellText(fromUtf8(g.name)) + '\t' +
            std::to_string(g.version & 0xFFFFu) + '\t' + files + '\t' + rules + '\n';
  }
  out << text;
}

void listCatalog(const Options& o, std::ostream& out) {
  const auto rows = o.catalogName == "applets" ? catalogs::appletCatalog() : catalogs::snapinCatalog();
  std::wstring text;
  for (std::size_t i = 0; i < rows.size(); ++i)
    text += std::to_wstring(i) + L'\t' + rows[i].name + L'\t' + rows[i].comment + L'\t' + rows[i].commandLine + L'\n';
  out << toUtf8(text);
}

}  // namespace ostrel::tool

// The command line: options and subcommands declared to CLI11, each subcommand's callback
// running its command, and one handler that turns whatever a command throws into exit 1.
#include "tools/ostrel-policy/policy_tool.h"

#include <CLI/CLI.hpp>

#include <functional>

#include "platform/text.h"
#include "rules/rule_checks.h"
#include "tools/ostrel-policy/account_text.h"
#include "tools/ostrel-policy/commands.h"
#include "tools/ostrel-policy/refused.h"

namespace ostrel::tool {
namespace {

const char description[] =
    "Edits the privileged-application rules of a Group Policy Object folder\n"
    "(DIR/Machine/Registry.pol and DIR/gpt.ini; missing files are created on the first change),\n"
    "or of a domain GPO: its container in the directory and its folder on SYSVOL.";

const char accountHelp[] =
    "ACCOUNT is [DOMAIN\\]NAME=SID[,domain|,local] (',domain' marks a domain account), a SID alone,\n"
    "or a well-known name: Administrators, Users, Everyone, Authenticated Users...\n"
    "'--group none' and '--user none' leave that list empty.\n";

const char exitHelp[] = "Exit status: 0 done, 1 request refused or failed, 2 usage error.";

const char yesHelp[] = "answer Yes to the pattern checks' questions (default: No)";

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
  repeated("--privilege", o.privileges, "a granted privilege (e.g. SeDebugPrivilege), replacing the default ones")
      ->type_name("NAME")
      ->check(check("NAME", rules::privilegeError));
  command.footer(accountHelp);
}

// Declares the subcommands; each callback runs its command with out and err.
void addCommands(CLI::App& app, Options& o, std::ostream& out, std::ostream& err) {
  CLI::Option* gpo = app.add_option("--gpo", o.gpo, "a GPO folder")->type_name("DIR");
  CLI::Option* ldap =
      app.add_option("--ldap", o.ldap, "a domain controller: ldaps://HOST[:PORT], or ldap://HOST[:PORT] with StartTLS")
          ->type_name("URL");
  // On Windows the system finds a domain controller of the computer's domain when --ldap is
  // left out; elsewhere the domain options need it.
#ifdef _WIN32
  const auto needsLdap = [](CLI::Option* option) { return option; };
#else
  const auto needsLdap = [ldap](CLI::Option* option) { return option->needs(ldap); };
#endif
  CLI::Option* domainGpo =
      needsLdap(app.add_option("--domain-gpo", o.domainGpo, "a GPO of the domain of --ldap, by display name or {GUID}")
                    ->type_name("NAME"))
          ->excludes(gpo);
  needsLdap(app.add_option("--ca-file", o.caFile, "the CA certificates (PEM) the server's certificate must chain to "
                                                  "(default: the system's store)")
                ->type_name("PEM"));
  CLI::Option* passwordFile =
      app.add_option("--password-file", o.passwordFile, "the bind user's password: the file's first line, or - to type it")
          ->type_name("FILE");
  // Without a bind user, the logged-on user (Kerberos ticket or Windows logon) binds.
  CLI::Option* bindUser =
      app.add_option("--bind-user", o.bindUser, "the directory user (user@REALM or DOMAIN\\user) to bind as with a password")
          ->type_name("NAME")
          ->needs(passwordFile);
  needsLdap(bindUser);
  passwordFile->needs(bindUser);  // a password alone would be silently unused
  // A command over a GPO: a folder or a domain GPO.
  const auto onFolder = [&](const char* name, const char* help, void (*command)(const Options&, std::ostream&,
                                                                             std::ostream&)) {
    CLI::App* sub = app.add_subcommand(name, help);
    sub->callback([&o, &out, &err, command] {
      if (o.gpo.empty() && o.domainGpo.empty()) throw CLI::RequiredError("--gpo DIR or --domain-gpo NAME");
      command(o, out, err);
    });
    return sub;
  };

  CLI::App* gpos = app.add_subcommand("gpos", "the domain's GPOs: Id, Name, the directory's and SYSVOL's version "
                                              "(computer part), whether it holds rules");
#ifndef _WIN32
  gpos->needs(ldap);
#endif
  gpos->excludes(gpo);
  gpos->excludes(domainGpo);
  gpos->callback([&o, &out, &err] { listDomainGpos(o, out, err); });

  CLI::App* list = onFolder("list", "one row per rule: Application, Type, Value, Command Lines, Id", listRules);
  list->add_flag("--json", o.json, "every field of every rule, in the form export writes");

  CLI::App* addHash = onFolder("add-hash", "one Hash rule per file (SHA-1 of its content)", addHashRules);
  addHash->add_option("FILE", o.files, "the executable files")->required();
  addRuleOptions(*addHash, o);

  CLI::App* addPath = onFolder("add-path", "one Path rule for a path or file-name pattern", addPathRule);
  addPath->add_option("PATTERN", o.pattern, "a path or pattern, e.g. %ProgramFiles%\\App\\*.exe")->required();
  addPath->add_flag("--recursive", o.recursive, "the pattern applies recursively");
  addPath->add_flag("--ownership-check", o.ownershipCheck, "only files owned by the Administrators group run");
  addPath->add_flag("--yes", o.yes, yesHelp);
  addRuleOptions(*addPath, o);

  onFolder("delete", "removes the rule with that id", deleteRule)
      ->add_option("ID", o.id, "the rule's id, {XXXXXXXX-...}, as list shows it")
      ->required();

  onFolder("export", "writes every rule to FILE.json, in the form of list --json", exportRules)
      ->add_option("FILE", o.file, "the file to write (replaced whole)")
      ->required();

  CLI::App* import =
      onFolder("import", "replaces the rules with exactly those of FILE.json, checked as add-* checks", importRules);
  import->add_option("FILE", o.file, "the file to read")->required();
  import->add_flag("--yes", o.yes, yesHelp);
  import->add_flag("--dry-run", o.dryRun, "print what the import would add, remove and change; change nothing");

  CLI::App* catalog =
      app.add_subcommand("catalog", "the command lines offered for applets or consoles: number, name, comment, line");
  catalog->excludes(gpo);
  catalog->excludes(ldap);
  catalog->add_option("LIST", o.catalogName, "applets or consoles")
      ->required()
      ->check(CLI::IsMember({"applets", "consoles"}));
  catalog->callback([&o, &out] { listCatalog(o, out); });
}

}  // namespace

int run(const std::vector<std::wstring>& args, std::ostream& out, std::ostream& err) {
  Options o;
  CLI::App app(description, "ostrel-policy");
  app.require_subcommand(1, 1);
  app.fallthrough();  // --gpo may also follow the command
  // A text starting with "/" is a path or an argument, never an option, on Windows too.
  app.allow_windows_style_options(false);
  app.footer(exitHelp);
  addCommands(app, o, out, err);

  // CLI11 takes the arguments last first, in UTF-8.
  std::vector<std::string> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(toUtf8(*it));
  try {
    app.parse(reversed);  // runs the chosen command
    return exitcode::success;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e, out, err);  // --help
    err << "ostrel-policy: " << e.what() << "\nTry 'ostrel-policy --help'.\n";
    return exitcode::usage;
  } catch (const Refused& e) {
    if (*e.what() != '\0') err << (e.prefixed() ? "ostrel-policy: " : "") << e.what() << '\n';
    return exitcode::refused;
  } catch (const std::exception& e) {
    err << "ostrel-policy: " << e.what() << '\n';
    return exitcode::refused;
  }
}

int runUtf8(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::wstring> wide;
  for (std::size_t i = 0; i < args.size(); ++i) {
    // A replaced byte would name another folder or file than the one given.
    if (!isValidUtf8(args[i])) {
      err << "ostrel-policy: argument " << i + 1 << " is not valid UTF-8\nTry 'ostrel-policy --help'.\n";
      return exitcode::usage;
    }
    wide.push_back(fromUtf8(args[i]));
  }
  return run(wide, out, err);
}

}  // namespace ostrel::tool

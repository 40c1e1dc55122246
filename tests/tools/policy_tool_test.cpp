// ostrel-policy end to end on a temporary GPO folder, run in-process through tool::run as
// main runs it: exit codes, output, messages, and gpt.ini.
#include "tools/ostrel-policy/policy_tool.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/gpo_folder.h"
#include "rules/rule_layout.h"

#include "tests/platform/preg_test_util.h"
#include "tests/platform/temp_folder.h"
#include "tests/tools/tool_run.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using Result = testing::ToolResult;

using testing::shellQuote;
using testing::slurp;

// A path as the tool's arguments carry it (UTF-8).
std::string arg(const fs::path& p) {
  const auto u8 = p.u8string();
  return {u8.begin(), u8.end()};
}

class PolicyTool : public ::testing::Test {
 protected:
  static Result run(const std::vector<std::string>& args) { return testing::runTool(args); }
  Result runGpo(std::vector<std::string> args) {
    args.insert(args.begin(), {"--gpo", arg(gpo_)});
    return run(args);
  }

  std::string addedId(const std::string& out) {
    auto at = out.find("added ");
    return at == std::string::npos ? std::string() : out.substr(at + 6, 38);
  }

  testing::TempFolder temp_;
  const fs::path dir_ = temp_.path, gpo_ = dir_ / "gpo";
};

TEST_F(PolicyTool, HelpExitsZeroAndUsageErrorsExitTwoAndWriteNothing) {
  Result help = run({"--help"});
  EXPECT_EQ(0, help.code);
  EXPECT_NE(std::string::npos, help.out.find("Usage: ostrel-policy [OPTIONS] SUBCOMMAND"));
  EXPECT_EQ("", help.err);
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"list"},
      {"--gpo", "x"},
      {"--gpo", "x", "frobnicate"},
      {"--gpo", "x", "list", "--bogus"},
      {"--gpo", "x", "list", "extra"},
      {"--gpo", "x", "list", "--recursive"},
      {"--gpo", "x", "add-hash"},
      {"--gpo", "x", "add-path"},
      {"--gpo", "x", "add-path", "a.exe", "b.exe"},
      {"--gpo", "x", "add-path", "a.exe", "--user", "Nobody"},
      {"--gpo", "x", "add-path", "a.exe", "--group"},
      {"--gpo", "x", "add-path", "a.exe", "--privilege", "SeA", "--privilege", "sea"},
      {"--gpo", "x", "add-path", "a.exe", "--command-line="},
      {"--gpo", "x", "delete"},
      {"--gpo", "x", "--gpo", "y", "list"},
      {"--gpo", "x", "export"},
      {"--gpo", "x", "catalog", "applets"},
      {"--gpo", "x", "--ldap", "ldaps://h", "--domain-gpo", "G", "list"},
#ifndef _WIN32  // Windows looks for a domain controller instead (below)
      {"--domain-gpo", "G", "list"},
      {"--ca-file", "c.pem", "--gpo", "x", "list"},
#endif
      {"--ldap", "ldaps://h", "list"},
      {"--ldap", "ldaps://h", "--bind-user", "u", "gpos"},
      {"--ldap", "ldaps://h", "--password-file", "p", "gpos"},
      {"--gpo", "x", "--ldap", "ldaps://h", "gpos"},
  };
  for (const auto& args : cases) {
    std::vector<std::string> inDir = args;
    for (auto& a : inDir)
      if (a == "x" || a == "y") a = (dir_ / a).string();
    Result r = run(inDir);
    EXPECT_EQ(2, r.code) << ::testing::PrintToString(args);
    EXPECT_NE(std::string::npos, r.err.find("Try 'ostrel-policy --help'.")) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "x")) << ::testing::PrintToString(args);
  }
}

// A refused request, a hostile folder, file or argument: exit 1 (2 for an argument the tool cannot
// take), the reason first on standard error, no output, no change, never a hang or an empty listing.
TEST_F(PolicyTool, RefusalsSayWhyFirstAndChangeNothing) {
  ASSERT_EQ(0, runGpo({"add-path", "C:\\first.exe"}).code);
  const std::string pol = slurp(gpo_ / "Machine" / "Registry.pol");
  const std::string ini = slurp(gpo_ / "gpt.ini");
  const fs::path file = dir_ / "file", damagedGpo = dir_ / "damaged";
  std::ofstream(file) << "x";
  fs::create_directories(damagedGpo / "Machine");
  const std::string damaged("PReg\1\0\0\0[\0", 10);
  std::ofstream(damagedGpo / "Machine" / "Registry.pol", std::ios::binary) << damaged;
  const std::string damagedMessage = "ostrel-policy: " + arg(damagedGpo / "Machine" / "Registry.pol") +
                                     ": byte offset 10: expected a NUL-terminated key path";
  struct Case {
    std::vector<std::string> args;  // on gpo_ unless they begin with an option
    int code;
    std::string message;
  };
  std::vector<Case> cases = {
      // The path checks are the wizard's, all tested there: one refusal and one question here.
      {{"add-path", "   "}, 1, "Empty path is not allowed.\n"},
      {{"add-path", "C:\\Tools\\"}, 1,
       "Warning: the path does not seem to be a valid path. A valid path should end either with a filename or a "
       "wildchar. Continue anyway? No (pass --yes to answer Yes)\n"},
      {{"add-path", "a.exe", "--user", "none"}, 1, "Invalid number of users / groups. You must enter at least one.\n"},
      {{"add-path", "C:\\Tools\\*recu.exe"}, 1,  // "*r" is how %SystemRoot% is stored
       "ostrel-policy: the pattern C:\\Tools\\*recu.exe is stored as C:\\Tools\\*recu.exe, which reads back as "
       "C:\\Tools\\%SystemRoot%ecu.exe"},
      {{"add-hash", arg(dir_ / "missing.exe")}, 1, "ostrel-policy: cannot read " + arg(dir_ / "missing.exe")},
      {{"add-hash", arg(dir_)}, 1, "ostrel-policy: cannot read " + arg(dir_)},
      {{"delete", "{00000000-0000-0000-0000-000000000000}"}, 1, "ostrel-policy: no rule with id "},
      {{"--gpo", arg(file), "list"}, 1, "ostrel-policy: " + arg(file) + " is not a folder"},
      {{"--gpo", arg(damagedGpo), "list"}, 1, damagedMessage},
      {{"--gpo", arg(damagedGpo), "add-path", "a.exe"}, 1, damagedMessage},
      {{"--gpo", arg(gpo_) + "\xff", "list"}, 2, "ostrel-policy: argument 2 is not valid UTF-8"},
      {{"add-path", "C:\\Temp\\\xc0\x80"}, 2, "ostrel-policy: argument 4 is not valid UTF-8"},  // overlong NUL
      {{"add-path", "C:\\\xed\xa0\x80.exe"}, 2, "ostrel-policy: argument 4 is not valid UTF-8"},  // a surrogate
      // The reader's limits: 1023 characters and a terminator; one more is refused.
      {{"add-path", "a.exe", "--user", std::string(1024, 'u') + "=S-1-1-0"}, 1,
       "ostrel-policy: an account name is longer than 1023 characters"},
      // A privilege must be one of the catalog's names; names three edits away or beginning one
      // are suggested, closest first.
      {{"add-path", "a.exe", "--privilege", "SeDebugPrivilegeWXYZ"}, 2,
       "ostrel-policy: --privilege: unknown privilege SeDebugPrivilegeWXYZ; none of the catalog's 28 names is close"},
      {{"add-path", "a.exe", "--privilege", "SeDebugPrivilegeXYZ"}, 2,
       "ostrel-policy: --privilege: unknown privilege SeDebugPrivilegeXYZ; did you mean SeDebugPrivilege?\n"},
      {{"add-path", "a.exe", "--privilege", "SeCreate"}, 2,
       "ostrel-policy: --privilege: unknown privilege SeCreate; did you mean SeCreateTokenPrivilege, "
       "SeCreateGlobalPrivilege, SeCreatePagefilePrivilege, SeCreatePermanentPrivilege?\n"},
  };
#ifndef _WIN32
  // A link to itself, named pipes where the files should be, and a file that never ends.
  const fs::path loop = dir_ / "loop", fifoGpo = dir_ / "fifo";
  fs::create_symlink(loop, loop);
  fs::create_directories(fifoGpo / "Machine");
  ASSERT_EQ(0, ::mkfifo((fifoGpo / "Machine" / "Registry.pol").c_str(), 0644));
  ASSERT_EQ(0, ::mkfifo((fifoGpo / "gpt.ini").c_str(), 0644));
  cases.push_back({{"--gpo", arg(loop), "list"}, 1, "ostrel-policy: cannot reach " + arg(loop)});
  const std::string fifoMessage = "ostrel-policy: " + arg(fifoGpo / "gpt.ini") + " is not a regular file";
  cases.push_back({{"--gpo", arg(fifoGpo), "list"}, 1, fifoMessage});
  cases.push_back({{"--gpo", arg(fifoGpo), "add-path", "a.exe"}, 1, fifoMessage});
  cases.push_back({{"add-hash", "/dev/zero"}, 1, "ostrel-policy: cannot read /dev/zero"});
#else
  // Without --ldap Windows looks for a domain controller; Wine's computer is in no domain.
  cases.push_back({{"--domain-gpo", "G", "list"}, 1,
                   "ostrel-policy: finding a domain controller of this computer's domain failed (error "});
#endif
  for (const auto& c : cases) {
    Result r = c.args[0].starts_with("--") ? run(c.args) : runGpo(c.args);
    EXPECT_EQ(c.code, r.code) << ::testing::PrintToString(c.args);
    EXPECT_EQ(0u, r.err.find(c.message)) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ(pol, slurp(gpo_ / "Machine" / "Registry.pol"));
    EXPECT_EQ(ini, slurp(gpo_ / "gpt.ini"));
  }
  EXPECT_EQ(damaged, slurp(damagedGpo / "Machine" / "Registry.pol"));
  EXPECT_FALSE(fs::exists(damagedGpo / "gpt.ini"));
  // At the limits the same requests pass: a command line of 512 characters, a name of 1023.
  EXPECT_EQ(0, runGpo({"add-path", "a.exe", "--command-line", std::string(512, 'c'), "--user",
                       std::string(1023, 'u') + "=S-1-1-0"}).code);
}

// Two rules added, listed, exported, imported elsewhere, changed in the file and deleted.
TEST_F(PolicyTool, AddListExportImportAndDeleteEndToEnd) {
  const fs::path app = dir_ / "app.exe";
  std::ofstream(app) << "abc";
  const std::string sha1abc = "0xa9993e364706816aba3e25717850c26c9cd0d89d";
  // A missing folder lists as empty and is made by the first save only.
  EXPECT_EQ("Application\tType\tValue\tCommand Lines\tId\n", runGpo({"list"}).out);
  EXPECT_FALSE(fs::exists(gpo_));

  Result h = runGpo({"add-hash", app.string(), "--command-line", "app.exe /a", "--command-line", "app.exe /b",
                     "--privilege", "SeDebugPrivilege", "--sid-to-delete", "BUILTIN\\Guests=S-1-5-32-546"});
  ASSERT_EQ(0, h.code) << h.err;
  const std::string hashId = addedId(h.out);
  Result p = runGpo({"add-path", " %programfiles%\\App\\*.exe ", "--recursive", "--ownership-check", "--group",
                     "CORP\\Admins=S-1-5-21-7-512,domain", "--user", "CORP\\Ops=S-1-5-21-7-1001,domain", "--user",
                     "PC\\Local=S-1-5-21-8-1002"});
  ASSERT_EQ(0, p.code) << p.err;
  const std::string pathId = addedId(p.out);
  ASSERT_EQ(38u, hashId.size());
  ASSERT_NE(hashId, pathId);

  Result l = runGpo({"list"});
  ASSERT_EQ(0, l.code);
  // Loaded path rules show the pattern decoded from the stored form, keywords in canonical case.
  EXPECT_EQ("Application\tType\tValue\tCommand Lines\tId\n"
            "%ProgramFiles%\\App\\*.exe\tPath\t%ProgramFiles%\\App\\*.exe\t0 command lines\t" + pathId + "\n" +
                fs::absolute(app).string() + "\tHash\t" + sha1abc + "\t2 command lines\t" + hashId + "\n",
            l.out);

  // The stored form is checked record by record by check_registry_pol.py; here, what the
  // JSON listing shows of it.
  Result j = runGpo({"list", "--json"});
  ASSERT_EQ(0, j.code);
  const Json rules = Json::parse(j.out);
  ASSERT_EQ(2u, rules.size());
  EXPECT_EQ("?r?o*p\\App\\*.exe", rules[0]["storedPath"]);
  EXPECT_EQ(Json::parse(R"([{"username": "Admins", "domain": "CORP", "sid": "S-1-5-21-7-512", "isDomain": true}])"),
            rules[0]["privilegedGroups"]);
  EXPECT_EQ(Json::parse(R"([{"username": "Ops", "domain": "CORP", "sid": "S-1-5-21-7-1001", "isDomain": true},
                            {"username": "Local", "domain": "PC", "sid": "S-1-5-21-8-1002", "isDomain": false}])"),
            rules[0]["authorizedUsers"]);
  EXPECT_EQ(Json::parse(R"([{"username": "Guests", "domain": "BUILTIN", "sid": "S-1-5-32-546", "isDomain": false}])"),
            rules[1]["sidsToDelete"]);
  EXPECT_EQ(Json::array({"SeDebugPrivilege"}), rules[1]["privileges"]);

  // Export writes what list --json shows; importing that into another folder keeps every field, and
  // importing it again changes nothing, not even the version clients compare.
  const fs::path file = dir_ / "policy.json";
  ASSERT_EQ(0, runGpo({"export", arg(file)}).code);
  EXPECT_EQ(j.out, slurp(file));
  const std::string other = arg(dir_ / "other");
  Result i = run({"--gpo", other, "import", arg(file)});
  ASSERT_EQ(0, i.code) << i.err;
  EXPECT_EQ("imported 2 rules, replacing 0\n", i.out);
  EXPECT_EQ(j.out, run({"--gpo", other, "list", "--json"}).out);
  EXPECT_EQ("unchanged: the policy holds exactly these 2 rules\n", run({"--gpo", other, "import", arg(file)}).out);
  EXPECT_NE(std::string::npos, slurp(dir_ / "other" / "gpt.ini").find("Version=1\r\n"));

  // A changed file tried with --dry-run: each rule's change is shown and nothing is written.
  const std::string pol = slurp(gpo_ / "Machine" / "Registry.pol"), ini = slurp(gpo_ / "gpt.ini");
  const std::string newId = "{6B1F3C52-0000-4D27-9A31-5C2E71B04F18}";
  Json changed = rules;
  changed[0]["recursive"] = false;
  changed[0].erase("storedPath");
  changed.erase(1);
  changed.push_back(Json::parse(R"({"id": ")" + newId + R"(", "type": "Path", "pathPattern": "C:\\c.exe",
                                   "authorizedUsers": ["Everyone"]})"));
  std::ofstream(file) << changed.dump();
  Result dry = runGpo({"import", "--dry-run", arg(file)});
  ASSERT_EQ(0, dry.code) << dry.err;
  EXPECT_EQ("add\t" + newId + "\tC:\\c.exe\tPath\tC:\\c.exe\n"
            "remove\t" + hashId + "\t" + fs::absolute(app).string() + "\tHash\t" + sha1abc + "\n"
            "change\t" + pathId + "\t%ProgramFiles%\\App\\*.exe\tPath\t%ProgramFiles%\\App\\*.exe\t"
            "(recursive, storedPath)\n"
            "1 to add, 1 to remove, 1 to change, 0 unchanged; nothing was changed (--dry-run)\n",
            dry.out);
  EXPECT_EQ(pol, slurp(gpo_ / "Machine" / "Registry.pol"));
  EXPECT_EQ(ini, slurp(gpo_ / "gpt.ini"));

  // What import refuses. The checks the wizard shares are tested in RuleChecks.RefusalsAtTheirLimits;
  // two of them here show the way from the file to the refusal.
  struct Case {
    std::function<void(Json&)> change;
    std::string message;
  } cases[] = {
      {[](Json& d) { d[1]["id"] = d[0]["id"]; }, "rule 2 has the id {"},
      {[](Json& d) { d[0]["Hash"] = ""; }, "rule 1 has an unknown field \"Hash\""},
      {[](Json& d) { d[0]["type"] = "None"; }, "has a \"type\" other than"},
      {[](Json& d) { d[1]["hash"] = "0xa9993e364706816aba3e25717850c26c9cd0d89g"; }, "40 hexadecimal digits"},
      {[](Json& d) { d[0]["recursive"] = false; }, "has a \"storedPath\" that disagrees"},
      {[](Json& d) { d[0]["pathPattern"] = "C:\\a\\*\\b.exe"; d[0].erase("storedPath"); },
       "Invalid Path: a path rule cannot contain"},
      {[](Json& d) { d[1]["privileges"].push_back("SeDebugPrivilege"); }, "privilege SeDebugPrivilege given twice"},
      {[](Json& d) { d[1]["sidsToDelete"][0]["sid"] = "S-1-x"; }, "'S-1-x' is not a SID"},
      {[](Json& d) { d = d[0]; }, "the document is not an array of rules"},
      {[](Json& d) { d[1]["id"] = std::string(255, 'i'); }, "has an \"id\" that cannot name a registry key"},
      {[](Json& d) { d[1]["hashValid"] = false; }, "is a Hash rule with \"hashValid\": false"},
  };
  for (const auto& c : cases) {
    Json refused = rules;
    c.change(refused);
    std::ofstream(file) << refused.dump();
    Result r = runGpo({"import", arg(file)});
    EXPECT_EQ(1, r.code) << c.message;
    EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
    EXPECT_EQ(pol, slurp(gpo_ / "Machine" / "Registry.pol"));
  }
  for (const std::string& text : {std::string("[{\"id\": \"a\", \"id\": \"b\"}]"), std::string("[{")}) {
    std::ofstream(file) << text;
    Result r = runGpo({"import", arg(file)});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find(text.size() > 3 ? "names the field \"id\" twice" : "not a JSON document"))
        << r.err;
  }

  Result d = runGpo({"delete", hashId});
  ASSERT_EQ(0, d.code) << d.err;
  EXPECT_EQ("deleted " + hashId + "\n", d.out);
  EXPECT_EQ(std::string::npos, runGpo({"list"}).out.find(hashId));

  // Deleting the last rule leaves no rule, and the extension pairs stay listed once; four
  // saves make the machine version 4. A new gpt.ini holds these two lines only.
  ASSERT_EQ(0, runGpo({"delete", pathId.substr(1, 36)}).code);  // a GUID without its braces
  EXPECT_EQ("Application\tType\tValue\tCommand Lines\tId\n", runGpo({"list"}).out);
  EXPECT_EQ("[General]\r\ngPCMachineExtensionNames=[{35378EAC-683F-11D2-A89A-00C04FBBCFA2}"
            "{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}][{6B1F3C54-8E4A-4D27-9A31-5C2E71B04F18}"
            "{6B1F3C52-8E4A-4D27-9A31-5C2E71B04F18}]\r\nVersion=4\r\n",
            slurp(gpo_ / "gpt.ini"));
}

// The wizard's page and the tool make the same rule from the same typed lines: the
// Date and Time applet brings its second spelling and both warnings, and the lines are
// kept in the list box's order.
TEST_F(PolicyTool, CommandLinesAsTheWizardKeepsThemAndTheCatalogs) {
  const std::string dateTime =
      "\"%SystemRoot%\\system32\\rundll32.exe\" shell32.dll,Control_RunDLL \"%SystemRoot%\\System32\\timedate.cpl\"";
  Result a = runGpo({"add-path", "%SystemRoot%\\system32\\rundll32.exe", "--command-line", "b /x", "--command-line",
                     dateTime, "--command-line", "A /y"});
  ASSERT_EQ(0, a.code) << a.err;
  EXPECT_EQ(0u, a.err.find("Warning: to achieve compatibility")) << a.err;
  EXPECT_NE(std::string::npos, a.err.find("\nWarning: the applet you have selected requires")) << a.err;
  const std::string full =
      "\"%SystemRoot%\\system32\\rundll32.exe\" %SystemRoot%\\system32\\shell32.dll,Control_RunDLL "
      "\"%SystemRoot%\\System32\\timedate.cpl\"";
  EXPECT_EQ(Json::array({full, dateTime, "A /y", "b /x"}), Json::parse(runGpo({"list", "--json"}).out)[0]["commandLines"]);

  Result c = run({"catalog", "consoles"});
  ASSERT_EQ(0, c.code) << c.err;
  EXPECT_EQ(9, std::count(c.out.begin(), c.out.end(), '\n'));
  EXPECT_EQ(0u, c.out.find("0\tAuthorization Manager\tSet role-based permissions (if enabled)\t"
                           "\"%SystemRoot%\\system32\\mmc.exe\" \"%SystemRoot%\\system32\\azman.msc\" /s\n"));
}

#ifndef _WIN32
// Eight programs adding three rules each at the same time: the folder's lock keeps every one.
TEST_F(PolicyTool, ParallelWritersKeepEveryRule) {
  std::string script;
  for (int w = 0; w < 8; ++w) {
    script += "(";
    for (int k = 0; k < 3; ++k)
      script += shellQuote(OSTREL_POLICY_EXE) + " --gpo " + shellQuote(arg(gpo_)) + " add-path 'C:\\w" +
                std::to_string(w) + "_" + std::to_string(k) + ".exe' >/dev/null || echo failed; ";
    script += ") & ";
  }
  script += "wait";
  ASSERT_EQ(0, std::system(("sh -c " + shellQuote(script) + " >" + shellQuote(arg(dir_ / "out"))).c_str()));
  EXPECT_EQ("", slurp(dir_ / "out"));
  const std::string listing = runGpo({"list"}).out;
  EXPECT_EQ(25, std::count(listing.begin(), listing.end(), '\n')) << listing;
  EXPECT_NE(std::string::npos, slurp(gpo_ / "gpt.ini").find("Version=24\r\n"));
}

// A save keeps the file's mode, writes through a symbolic link to its target, and removes
// the temporary files of a save that was killed.
TEST_F(PolicyTool, SavesKeepModeLinksAndCleanUpAfterKilledSaves) {
  ASSERT_EQ(0, runGpo({"add-path", "C:\\first.exe"}).code);
  const fs::path pol = gpo_ / "Machine" / "Registry.pol", realIni = dir_ / "real.ini";
  fs::permissions(pol, fs::perms::owner_read | fs::perms::owner_write);
  fs::rename(gpo_ / "gpt.ini", realIni);
  fs::create_symlink(realIni, gpo_ / "gpt.ini");
  std::ofstream(pol.string() + ".ostrel-tmp-0123456789abcdef") << "left by a killed save";
  ASSERT_EQ(0, runGpo({"add-path", "C:\\second.exe"}).code);
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(pol).permissions() & fs::perms::all);
  EXPECT_TRUE(fs::is_symlink(gpo_ / "gpt.ini"));
  EXPECT_NE(std::string::npos, slurp(realIni).find("Version=2\r\n"));
  for (const auto& entry : fs::directory_iterator(gpo_ / "Machine"))
    EXPECT_EQ("Registry.pol", entry.path().filename().string());
}
#endif

// A rule under a key name too long for the rule loader (another editor may write one): a
// listing warns and shows the others; a change refuses, since its rewrite could lose that rule.
TEST_F(PolicyTool, RulesTheLoaderCannotListAreNeverLostByAChange) {
  ASSERT_EQ(0, runGpo({"add-path", "C:\\first.exe"}).code);
  {
    gpo::GpoFolder folder(gpo_);
    std::string error;
    ASSERT_TRUE(folder.load(error)) << error;
    testing::put(folder.hive(), layout::pathsKey + std::wstring(255, L'k'));
    ASSERT_TRUE(folder.save(error)) << error;
  }
  const std::string pol = slurp(gpo_ / "Machine" / "Registry.pol");
  Result l = runGpo({"list"});
  EXPECT_EQ(0, l.code);
  EXPECT_NE(std::string::npos, l.out.find("C:\\first.exe\tPath"));
  EXPECT_EQ("ostrel-policy: warning: some of the policy's rules cannot be read and are left out\n", l.err);
  const std::string id = l.out.substr(l.out.rfind('{'), 38);
  for (const auto& args : {std::vector<std::string>{"delete", id}, std::vector<std::string>{"add-path", "b.exe"}}) {
    Result r = runGpo(args);
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("a change could lose them; nothing was changed")) << r.err;
  }
  EXPECT_EQ(pol, slurp(gpo_ / "Machine" / "Registry.pol"));
}

// Texts from the file are shown, not obeyed: control characters come out escaped. A question
// is answered Yes with --yes.
TEST_F(PolicyTool, ListingsEscapeControlCharactersAndYesAnswersQuestions) {
  // The first rule keeps its ownership check; the share's is dropped by the answer.
  ASSERT_EQ(0, runGpo({"add-path", "C:\\\x1b]0;owned\x07\nforged\trow\x1f\xc2\x9b.exe", "--ownership-check"}).code);
  Result y = runGpo({"add-path", "\\\\srv\\share\\", "--ownership-check", "--yes"});
  EXPECT_EQ(0, y.code) << y.err;
  EXPECT_NE(std::string::npos, runGpo({"list"}).out.find("C:\\\\x1b]0;owned\\x07\\x0aforged\\x09row\\x1f\\u009b.exe\tPath"));
  const std::string json = runGpo({"list", "--json"}).out;
  EXPECT_NE(std::string::npos, json.find("C:\\\\\\u001b]0;owned\\u0007\\nforged\\trow\\u001f\xc2\x9b.exe")) << json;
  EXPECT_NE(std::string::npos, json.find("\"pathPattern\": \"\\\\\\\\srv\\\\share\\\\\"")) << json;
  EXPECT_NE(std::string::npos, json.find("\"ownershipCheck\": false")) << json;
}

// Hand-written rules: derived fields left out, accounts as the options write them, an id of 254
// characters (the longest key name the rule loader lists); and the texts the wizard stores as SIDs
// when a lookup or a conversion failed, which export and import keep but the options of add-* refuse.
TEST_F(PolicyTool, ImportTakesHandWrittenRulesAndTheWizardsSidTexts) {
  const fs::path file = dir_ / "policy.json";
  Json handWritten = Json::parse(R"([{"type": "Path", "pathPattern": "C:\\Tools\\x.exe",
      "authorizedUsers": ["Everyone", "CORP\\Ops=S-1-5-21-7-1001,domain"]}])");
  handWritten[0]["id"] = std::string(254, 'i');
  std::ofstream(file) << handWritten.dump();
  ASSERT_EQ(0, runGpo({"import", arg(file)}).code);
  const Json imported = Json::parse(runGpo({"list", "--json"}).out);
  ASSERT_EQ(1u, imported.size());
  EXPECT_EQ("C:\\Tools\\x.exe", imported[0]["storedPath"]);
  EXPECT_EQ(std::string(254, 'i'), imported[0]["id"]);
  EXPECT_EQ(2u, imported[0]["authorizedUsers"].size());
  EXPECT_TRUE(imported[0]["privilegedGroups"].empty());

  std::ofstream(file) << R"([{"id": "w", "type": "Path", "pathPattern": "C:\\y.exe", "authorizedUsers": [
      {"username": "Bob", "domain": "BUILTIN", "sid": " < ERROR FETCHING SID >"},
      {"username": "Gone", "domain": "< UNKNOWN >", "sid": "< ERROR CONVERTING TO SID >"}]}])";
  ASSERT_EQ(0, runGpo({"import", arg(file)}).code);
  ASSERT_EQ(0, runGpo({"export", arg(file)}).code);
  const std::string third = arg(dir_ / "third");
  ASSERT_EQ(0, run({"--gpo", third, "import", arg(file)}).code);
  EXPECT_EQ(runGpo({"list", "--json"}).out, run({"--gpo", third, "list", "--json"}).out);
  EXPECT_NE(std::string::npos, slurp(file).find("< ERROR CONVERTING TO SID >"));
  EXPECT_EQ(2, runGpo({"add-path", "C:\\z.exe", "--user", "Bob= < ERROR FETCHING SID >"}).code);
}

}  // namespace
}  // namespace ostrel

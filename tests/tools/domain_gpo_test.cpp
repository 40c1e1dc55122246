// ostrel-policy on the GPOs of a real (Samba) domain controller: the container in the
// directory and the files on SYSVOL, checked with Samba's own tools.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/domain/samba_dc.h"
#include "tests/platform/temp_folder.h"
#include "tests/tools/tool_run.h"

namespace ostrel {
namespace {

namespace fs = std::filesystem;
using testing::SambaDc;
using testing::shellQuote;

using Result = testing::ToolResult;
using testing::slurp;

class DomainGpo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dc_ = &SambaDc::get();
    work_ = dc_->dir() / "work";
    fs::create_directories(work_);
    std::ofstream(work_ / "password") << SambaDc::password << "\n";
    std::ofstream(work_ / "wrong") << "not-the-password\n";
  }

  static Result tool(const std::vector<std::string>& args) { return testing::runTool(args); }
  // The tool with a password bind (over LDAPS unless url says otherwise), on a GPO unless gpo is empty.
  static Result onGpo(const std::string& gpo, std::vector<std::string> args,
                      const std::string& url = "ldaps://127.0.0.1", const std::string& passwordFile = "password",
                      const std::string& ca = dc_->caFile().string()) {
    std::vector<std::string> all = {"--ldap", url, "--ca-file", ca, "--bind-user", SambaDc::admin, "--password-file",
                                    (work_ / passwordFile).string()};
    if (!gpo.empty()) all.insert(all.end(), {"--domain-gpo", gpo});
    all.insert(all.end(), args.begin(), args.end());
    return tool(all);
  }

  static fs::path folder(const std::string& guid) { return dc_->policies() / guid; }
  static std::string containerVersion(const std::string& guid) {
    return dc_->attribute(SambaDc::gpoDn(guid), "versionNumber");
  }
  // The container's version and the files', as "container/files".
  static std::string versions(const std::string& guid) {
    const std::string ini = slurp(folder(guid) / "GPT.INI");
    const auto at = ini.find("Version=");
    return containerVersion(guid) + "/" +
           (at == std::string::npos ? "" : ini.substr(at + 8, ini.find_first_of("\r\n", at) - at - 8));
  }
  // Sets an attribute of a GPO's container straight in the database.
  static void setAttribute(const std::string& guid, const std::string& name, const std::string& value) {
    const std::string ldif = "dn: " + SambaDc::gpoDn(guid) + "\nchangetype: modify\nreplace: " + name + "\n" + name +
                             ": " + value + "\n";
    dc_->check("printf '%s' " + shellQuote(ldif) + " | ldbmodify -H " + shellQuote(dc_->samLdb().string()));
  }
  // Everything a change would touch: the container's two attributes and the two files.
  static std::string snapshot(const std::string& guid) {
    return containerVersion(guid) + "|" + dc_->attribute(SambaDc::gpoDn(guid), "gPCMachineExtensionNames") + "|" +
           slurp(folder(guid) / "GPT.INI") + "|" + slurp(folder(guid) / "Machine/Registry.pol");
  }

  static SambaDc* dc_;
  static fs::path work_;
};

SambaDc* DomainGpo::dc_ = nullptr;
fs::path DomainGpo::work_;

// Two rules added (by name over LDAPS, by GUID over StartTLS), one deleted and brought back by
// importing an export: each change raises both versions and writes through the file server.
TEST_F(DomainGpo, ChangesRaiseBothVersionsSetTheExtensionsAndWriteThroughTheFileServer) {
  const std::string guid = dc_->createGpo("Test GPO");
  Result add = onGpo("Test GPO", {"add-path", "C:\\Tools\\x.exe"});
  ASSERT_EQ(0, add.code) << add.err;
  EXPECT_EQ("1/1", versions(guid));

  // The container gets the same extension names a local folder's gpt.ini gets from the same change.
  const fs::path local = work_ / "local";
  ASSERT_EQ(0, tool({"--gpo", local.string(), "add-path", "C:\\Tools\\x.exe"}).code);
  const std::string ini = slurp(local / "gpt.ini");
  const auto at = ini.find("gPCMachineExtensionNames=") + 25;
  EXPECT_EQ(ini.substr(at, ini.find('\r', at) - at), dc_->attribute(SambaDc::gpoDn(guid), "gPCMachineExtensionNames"));

  // Registry.pol was created by the file server, with the NT ACL it gives new files there.
  const fs::path pol = folder(guid) / "Machine/Registry.pol";
  dc_->check("/usr/bin/python3 -c 'import os,sys; os.getxattr(sys.argv[1], \"security.NTACL\")' " + shellQuote(pol.string()));

  ASSERT_EQ(0, onGpo(guid, {"add-path", "C:\\Tools\\y.exe"}, "ldap://127.0.0.1").code);
  EXPECT_EQ("2/2", versions(guid));
  const std::string id = add.out.substr(add.out.find('{'), 38);
  const fs::path exported = work_ / "exported.json";
  ASSERT_EQ(0, onGpo(guid, {"export", exported.string()}).code);
  ASSERT_EQ(0, onGpo(guid, {"delete", id}).code);
  EXPECT_EQ("3/3", versions(guid));
  Result list = onGpo("test gpo", {"list"});
  EXPECT_EQ(0, list.code) << list.err;
  EXPECT_EQ(std::string::npos, list.out.find("C:\\Tools\\x.exe"));
  EXPECT_NE(std::string::npos, list.out.find("C:\\Tools\\y.exe"));
  Result dryRun = onGpo(guid, {"import", "--dry-run", exported.string()});
  EXPECT_EQ(0u, dryRun.out.find("add\t" + id + "\tC:\\Tools\\x.exe")) << dryRun.out << dryRun.err;
  EXPECT_EQ("3/3", versions(guid));
  Result import = onGpo(guid, {"import", exported.string()});
  ASSERT_EQ(0, import.code) << import.err;
  EXPECT_EQ("4/4", versions(guid));
  EXPECT_NE(std::string::npos, onGpo(guid, {"list"}).out.find("C:\\Tools\\x.exe"));

  Result gpos = onGpo("", {"gpos"});
  ASSERT_EQ(0, gpos.code) << gpos.err;
  EXPECT_NE(std::string::npos, gpos.out.find(guid + "\tTest GPO\t4\t4\tyes\n")) << gpos.out;
  EXPECT_NE(std::string::npos, gpos.out.find("\tDefault Domain Policy\t0\t0\tno\n")) << gpos.out;
}

TEST_F(DomainGpo, FailuresNameTheStepAndChangeNothing) {
  const std::string guid = dc_->createGpo("Refusals");
  ASSERT_EQ(0, onGpo(guid, {"add-path", "C:\\a.exe"}).code);
  // Samba refuses a second GPO of the same name; the directory does not.
  dc_->createGpo("Twin");
  setAttribute(dc_->createGpo("Twin 2"), "displayName", "Twin");
  const std::string broken = dc_->createGpo("No Folder");
  setAttribute(broken, "gPCFileSysPath", "\\\\samdom.test\\nosuchshare\\x");
  fs::path otherCa = work_ / "other.pem";
  dc_->check("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -keyout /dev/null -out " +
             shellQuote(otherCa.string()));
  // A container the administrator may not write: the files are written, then put back.
  const std::string locked = dc_->createGpo("Locked");
  ASSERT_EQ(0, onGpo(locked, {"add-path", "C:\\a.exe"}).code);
  dc_->sambaTool("dsacl set --objectdn=" + shellQuote(SambaDc::gpoDn(locked)) + " --sddl='(OD;;WP;;;LA)'");
  const std::string before = snapshot(guid), brokenBefore = containerVersion(broken), lockedBefore = snapshot(locked);

  const std::string ldaps = "ldaps://127.0.0.1", ca = dc_->caFile().string(), other = otherCa.string();
  const struct {
    const char* what;
    std::string url, passwordFile, ca, gpo;
    const char* message;
  } cases[] = {
      {"wrong password", ldaps, "wrong", ca, guid, "binding to the directory"},
      {"unknown GPO", ldaps, "password", ca, "Nope", "no GPO named or numbered 'Nope'; its GPOs are:"},
      {"shared name", ldaps, "password", ca, "twin", "2 GPOs are named 'twin'; name one by its {GUID}"},
      {"unreachable SYSVOL", ldaps, "password", ca, broken, "reaching the GPO's folder on SYSVOL"},
      {"certificate of another CA", ldaps, "password", other, guid, "TLS connection to ldaps://127.0.0.1:636 failed"},
      {"StartTLS to a certificate of another CA", "ldap://127.0.0.1", "password", other, guid,
       "StartTLS with ldap://127.0.0.1:389 failed"},
      {"host not named by the certificate", "ldaps://[::1]", "password", ca, guid, "connecting to the directory"},
  };
  for (const auto& c : cases) {
    Result r = onGpo(c.gpo, {"add-path", "C:\\b.exe"}, c.url, c.passwordFile, c.ca);
    EXPECT_EQ(1, r.code) << c.what << ": " << r.out << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.message)) << c.what << ": " << r.err;
    EXPECT_EQ(before, snapshot(guid)) << c.what;
  }
  EXPECT_EQ(brokenBefore, containerVersion(broken));
  Result refused = onGpo(locked, {"add-path", "C:\\b.exe"});
  EXPECT_EQ(1, refused.code);
  EXPECT_NE(std::string::npos, refused.err.find("updating the GPO's container in the directory: ")) << refused.err;
  EXPECT_NE(std::string::npos, refused.err.find("the files on SYSVOL were put back as they were: nothing changed"))
      << refused.err;
  EXPECT_EQ(lockedBefore, snapshot(locked));
}

TEST_F(DomainGpo, VersionsThatDisagreeAreReportedAndLeftEqual) {
  // Larger of the two halves, machine half plus one; a machine half that would wrap becomes 1.
  const struct {
    const char *container, *files, *after;
  } cases[] = {{"5", "2", "6"}, {"3", "9", "10"}, {"65535", "65535", "1"}, {"196611", "65544", "196617"}};
  for (const auto& c : cases) {
    const std::string guid = dc_->createGpo(std::string("Apart ") + c.container + "/" + c.files);
    setAttribute(guid, "versionNumber", c.container);
    std::ofstream(folder(guid) / "GPT.INI", std::ios::binary) << "[General]\r\nVersion=" << c.files << "\r\n";
    Result r = onGpo(guid, {"add-path", "C:\\v.exe"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(std::string(c.container) != c.files,
              r.err.find("the GPO's versions disagree") != std::string::npos) << r.err;
    EXPECT_EQ(std::string(c.after) + "/" + c.after, versions(guid)) << c.container << "/" << c.files;
  }
}

TEST_F(DomainGpo, WithoutABindUserKerberosFromTheTicketCacheReachesBothHalves) {
  // Kerberos needs the server's name (Samba's SMB client will not use it with an address or
  // "localhost"): this machine's name, when it resolves to the loopback address the
  // controller listens on.
  char host[256] = "";
  ::gethostname(host, sizeof host - 1);
  if (dc_->check("getent ahostsv4 " + shellQuote(host) + " || true").rfind("127.0.0.1 ", 0) != 0)
    GTEST_SKIP() << host << " does not resolve to 127.0.0.1";
  for (const char* service : {"ldap/", "cifs/"})
    dc_->check("samba-tool spn add " + std::string(service) + host + " 'DC1$' -s " +
               shellQuote((dc_->dir() / "etc/smb.conf").string()) + " || true");
  ::setenv("KRB5_CONFIG", dc_->krb5Conf().c_str(), 1);
  ::setenv("KRB5CCNAME", ("FILE:" + (work_ / "krb5cc").string()).c_str(), 1);
  dc_->check("kinit " + std::string(SambaDc::admin) + " <" + shellQuote((work_ / "password").string()));

  const std::string guid = dc_->createGpo("Kerberos");
  Result r = tool({"--ldap", "ldap://" + std::string(host), "--ca-file", dc_->caFile().string(), "--domain-gpo", guid,
                   "add-path", "C:\\k.exe"});
  EXPECT_EQ(0, r.code) << r.err;
  EXPECT_EQ("1/1", versions(guid));
  dc_->check("kdestroy");
  Result none = tool({"--ldap", "ldap://" + std::string(host), "--ca-file", dc_->caFile().string(), "gpos"});
  EXPECT_EQ(1, none.code);
  EXPECT_NE(std::string::npos, none.err.find("Kerberos (GSSAPI) bind failed")) << none.err;
  ::unsetenv("KRB5CCNAME");
  ::unsetenv("KRB5_CONFIG");
}

}  // namespace
}  // namespace ostrel

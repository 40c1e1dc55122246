#pragma once
// A private Samba AD domain controller (realm SAMDOM.TEST) on 127.0.0.1, provisioned and
// started once per test program in a temporary folder that holds everything it writes, and
// stopped through its process group when the program ends. Only one can listen on the
// loopback ports at a time: CTest runs the programs that use it one after another.
#include <filesystem>
#include <string>

namespace ostrel::testing {

class SambaDc {
 public:
  // The running controller; the first call provisions and starts it. A failure to start is
  // fatal to the test program, with the reason and the log's tail.
  static SambaDc& get();

  static constexpr char admin[] = "Administrator@SAMDOM.TEST";
  static constexpr char password[] = "Passw0rd.Test1";
  static constexpr char baseDn[] = "DC=samdom,DC=test";

  [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
  [[nodiscard]] std::filesystem::path caFile() const { return dir_ / "tls" / "cert.pem"; }
  [[nodiscard]] std::filesystem::path krb5Conf() const { return dir_ / "etc" / "krb5.conf"; }
  [[nodiscard]] std::filesystem::path policies() const { return dir_ / "state/sysvol/samdom.test/Policies"; }
  [[nodiscard]] std::filesystem::path samLdb() const { return dir_ / "private" / "sam.ldb"; }

  // Runs a shell command with the controller's environment (its smb.conf for Samba's tools,
  // its krb5.conf) and fails the test unless it exits 0; returns its stdout and stderr.
  std::string check(const std::string& command) const;
  // samba-tool with these arguments, as Administrator over LDAP; returns its output.
  std::string sambaTool(const std::string& args) const;
  // samba-tool gpo create: the new GPO's {GUID}.
  std::string createGpo(const std::string& name) const;
  // ldbsearch on the database: the attribute's first value on that DN ("" when none).
  std::string attribute(const std::string& dn, const std::string& name) const;
  // The container DN of a GPO.
  static std::string gpoDn(const std::string& guid);

  void stop();
  ~SambaDc() { stop(); }

 private:
  SambaDc() = default;
  void start();
  std::filesystem::path dir_;
  int group_ = 0;  // the process group of samba, 0 when stopped
};

}  // namespace ostrel::testing

#include "tests/domain/samba_dc.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/platform/temp_folder.h"

namespace ostrel::testing {
namespace {

namespace fs = std::filesystem;
constexpr int ports[] = {389, 636, 445, 88};
constexpr char nssWrapper[] = "/usr/lib/x86_64-linux-gnu/libnss_wrapper.so";

bool answers(int port) {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

std::string tail(const fs::path& file) {
  const std::string text = slurp(file);
  return text.size() > 3000 ? text.substr(text.size() - 3000) : text;
}

// Without a controller no domain test can run: the program ends with the reason.
[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "samba_dc: %s\n", why.c_str());
  std::exit(1);
}

// Environment of the controller and of Samba's tools run against it: libwbclient honours a
// private winbindd socket only with nss_wrapper loaded.
std::string environment(const fs::path& d) {
  return "LD_PRELOAD=" + std::string(nssWrapper) + " NSS_WRAPPER_PASSWD=/etc/passwd NSS_WRAPPER_GROUP=/etc/group" +
         " SELFTEST_WINBINDD_SOCKET_DIR=" + shellQuote((d / "run/winbindd").string()) +
         " KRB5_CONFIG=" + shellQuote((d / "etc/krb5.conf").string());
}

}  // namespace

SambaDc& SambaDc::get() {
  static SambaDc dc;
  if (dc.group_ == 0) dc.start();
  return dc;
}

void SambaDc::start() {
  // One controller per machine, whichever build tree or program runs it: wait for the others
  // (held until this process ends), then the ports must be free.
  const int lock = ::open("/tmp/ostrel-samba-dc.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  const auto waitUntil = std::chrono::steady_clock::now() + std::chrono::minutes(4);
  while (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0 && std::chrono::steady_clock::now() < waitUntil)
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int port : ports)
    if (answers(port))
      fail("port " + std::to_string(port) + " on 127.0.0.1 is taken (is another domain controller running?); "
           "the domain tests need 389, 636, 445 and 88 free");
  char name[] = "/tmp/ostrel-dc-XXXXXX";
  if (!::mkdtemp(name)) fail("cannot make a folder in /tmp");
  dir_ = name;
  const std::string provision = std::string(OSTREL_SAMBA_DC_SCRIPT) + " " + shellQuote(dir_.string()) + " " +
                                shellQuote(password);
  if (std::system(provision.c_str()) != 0) fail("provisioning failed:\n" + tail(dir_ / "log/provision.log"));
  const std::string samba = environment(dir_) + " exec samba -i -s " + shellQuote((dir_ / "etc/smb.conf").string()) +
                            " -l " + shellQuote((dir_ / "log").string()) + " </dev/null >" +
                            shellQuote((dir_ / "log/samba.out").string()) + " 2>&1";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();  // a process group of its own, which stop() ends whole
    ::execl("/bin/sh", "sh", "-c", samba.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  group_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  for (;;) {
    bool ready = fs::exists(dir_ / "run/winbindd/pipe");
    for (int port : ports) ready = ready && answers(port);
    if (ready) break;
    if (::waitpid(pid, nullptr, WNOHANG) == pid || std::chrono::steady_clock::now() > deadline) {
      group_ = 0;
      fail("the controller did not start:\n" + tail(dir_ / "log/samba.out"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  // Stopped at exit, also when a test calls exit() or a fatal failure ends the program.
  std::atexit([] { SambaDc::get().stop(); });
}

void SambaDc::stop() {
  if (group_ == 0) return;
  ::kill(-group_, SIGTERM);
  (void)::waitpid(group_, nullptr, 0);
  // The children outlive the parent by a moment; wait for the whole group.
  for (int i = 0; i < 100 && ::kill(-group_, 0) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (::kill(-group_, 0) == 0) ::kill(-group_, SIGKILL);
  group_ = 0;
  if (!std::getenv("OSTREL_KEEP_DC")) {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

std::string SambaDc::check(const std::string& command) const {
  const std::string full = environment(dir_) + " sh -c " + shellQuote(command) + " 2>&1";
  std::string output;
  FILE* p = ::popen(full.c_str(), "r");
  std::array<char, 4096> buf;
  while (std::size_t n = p ? std::fread(buf.data(), 1, buf.size(), p) : 0) output.append(buf.data(), n);
  const int status = p ? ::pclose(p) : -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << output;
  return output;
}

std::string SambaDc::sambaTool(const std::string& args) const {
  const std::string login = std::string("Administrator%") + password;
  return check("samba-tool " + args + " -H ldap://127.0.0.1 -U " + shellQuote(login) + " -s " +
               shellQuote((dir_ / "etc/smb.conf").string()));
}

std::string SambaDc::createGpo(const std::string& name) const {
  const std::string out =
      sambaTool("gpo create " + shellQuote(name) + " --tmpdir=" + shellQuote((dir_ / "tmp").string()));
  const auto open = out.rfind('{');
  return open == std::string::npos ? std::string() : out.substr(open, 38);
}

std::string SambaDc::attribute(const std::string& dn, const std::string& name) const {
  std::string out = check("ldbsearch -H " + shellQuote(samLdb().string()) + " -s base -b " + shellQuote(dn) +
                          " " + shellQuote(name));
  // LDIF folds long lines: a line break followed by a space continues the line.
  for (auto at = out.find("\n "); at != std::string::npos; at = out.find("\n ", at)) out.erase(at, 2);
  const std::string key = "\n" + name + ": ";
  const auto at = out.find(key);
  if (at == std::string::npos) return {};
  return out.substr(at + key.size(), out.find('\n', at + key.size()) - at - key.size());
}

std::string SambaDc::gpoDn(const std::string& guid) {
  return "CN=" + guid + ",CN=Policies,CN=System," + std::string(baseDn);
}

}  // namespace ostrel::testing

#pragma once
// A directory server over LDAP v3, always encrypted: ldaps:// (TLS from the first byte) or
// ldap:// with StartTLS before any bind, so that a password never crosses the wire in clear.
// Searching and modifying are one implementation over the LDAP C API, which OpenLDAP's libldap
// and Windows' wldap32 share; connecting and binding are per platform (posix/, win/).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::platform::ldap {

struct Url {
  bool tls = false;  // ldaps://
  std::string host;
  int port = 0;
};
// ldaps://host[:port] or ldap://host[:port] (an IPv6 address in brackets); nothing after the
// port. False with the reason otherwise.
[[nodiscard]] bool parseUrl(std::string_view text, Url& url, std::string& error);

struct Entry {
  std::string dn;
  std::vector<std::pair<std::string, std::vector<std::string>>> attributes;
  // The values of an attribute named without regard to case; empty when it has none.
  [[nodiscard]] const std::vector<std::string>& values(std::string_view name) const;
  [[nodiscard]] std::string first(std::string_view name) const;
};

enum class Scope { base, oneLevel, subtree };

struct Modification {
  enum Op { add, remove, replace } op;
  std::string attribute;
  std::vector<std::string> values;
};

// An ldaps:// URL of a domain controller of this computer's domain, found by the system
// (Windows); false with the reason where there is none or the system cannot look (Linux).
[[nodiscard]] bool findDomainController(std::string& url, std::string& error);

// Escapes a value for use inside a search filter (RFC 4515).
std::string filterValue(std::string_view value);

class Connection {
 public:
  // Connects and secures the connection. The server's certificate must chain to caFile when
  // given, else to the system's store, and name the host of the URL; anything else is an
  // error, never a fallback to an unchecked or clear-text connection.
  static std::unique_ptr<Connection> open(const Url& url, const std::string& caFile, std::string& error);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // A simple bind (user as user@REALM, DOMAIN\user or a DN) over the secured connection.
  [[nodiscard]] bool bindPassword(const std::string& user, const std::string& password, std::string& error);
  // As the logged-on user: SASL GSSAPI from the Kerberos ticket cache (Linux), Negotiate with
  // the logon's credentials (Windows).
  [[nodiscard]] bool bindCurrentUser(std::string& error);
  [[nodiscard]] bool search(const std::string& base, Scope scope, const std::string& filter,
                            const std::vector<std::string>& attributes, std::vector<Entry>& entries,
                            std::string& error);
  [[nodiscard]] bool modify(const std::string& dn, const std::vector<Modification>& changes, std::string& error);

  struct Handle;  // the platform's LDAP session
  explicit Connection(std::unique_ptr<Handle> handle);

 private:
  std::unique_ptr<Handle> handle_;
};

}  // namespace ostrel::platform::ldap

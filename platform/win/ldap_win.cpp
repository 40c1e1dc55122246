// Connecting and binding with wldap32: TLS checked by the system (its certificate store and
// the host name), Negotiate for the logged-on user.
#include "platform/ldap_directory.h"
#include "platform/ldap_shim.h"

namespace ostrel::platform::ldap {

Connection::Handle::~Handle() {
  if (session) ldap_unbind(session);
}

namespace shim {
std::string diagnostic(Session* session) {
  PWCHAR text = nullptr;
  std::string out;
  if (ldap_get_optionW(session, LDAP_OPT_SERVER_ERROR, &text) == LDAP_SUCCESS && text) {
    out = utf8(text);
    ldap_memfreeW(text);
  }
  return out;
}

std::string failure(Session* session, unsigned long code) {
  std::string text = utf8(ldap_err2stringW(code));
  std::string more = diagnostic(session);
  return more.empty() ? text : text + " (" + more + ")";
}
}  // namespace shim

std::unique_ptr<Connection> Connection::open(const Url& url, const std::string& caFile, std::string& error) {
  const std::string address = (url.tls ? "ldaps://" : "ldap://") + url.host + ":" + std::to_string(url.port);
  // wldap32 checks the server's certificate against the system's store only; a private CA
  // is trusted by adding it there.
  if (!caFile.empty()) {
    error = "--ca-file is for Linux; on Windows the certificate is checked against the system's store "
            "(add the CA there: certutil -addstore Root FILE)";
    return nullptr;
  }
  auto handle = std::make_unique<Handle>();
  handle->url = url;
  std::wstring host = fromUtf8(url.host.front() == '[' ? url.host.substr(1, url.host.size() - 2) : url.host);
  handle->session = ldap_sslinitW(host.data(), static_cast<ULONG>(url.port), url.tls ? 1 : 0);
  if (!handle->session) {
    error = "cannot use the address " + address;
    return nullptr;
  }
  LDAP* ld = handle->session;
  ULONG version = LDAP_VERSION3;
  ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_optionW(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  l_timeval timeout{10, 0};
  ULONG rc = ldap_connect(ld, &timeout);
  if (rc == LDAP_SUCCESS && !url.tls) {
    ULONG serverReturn = 0;
    LDAPMessage* result = nullptr;
    rc = ldap_start_tls_sW(ld, &serverReturn, &result, nullptr, nullptr);
    if (result) ldap_msgfree(result);
  }
  if (rc != LDAP_SUCCESS) {
    error = std::string(url.tls ? "TLS connection to " : "StartTLS with ") + address + " failed: " +
            shim::failure(ld, rc);
    return nullptr;
  }
  return std::make_unique<Connection>(std::move(handle));
}

bool Connection::bindPassword(const std::string& user, const std::string& password, std::string& error) {
  std::wstring u = fromUtf8(user), p = fromUtf8(password);
  const ULONG rc = ldap_simple_bind_sW(handle_->session, u.data(), p.data());
  if (rc != LDAP_SUCCESS) {
    error = "binding as " + user + " failed: " + shim::failure(handle_->session, rc);
    return false;
  }
  return true;
}

bool Connection::bindCurrentUser(std::string& error) {
  const ULONG rc = ldap_bind_sW(handle_->session, nullptr, nullptr, LDAP_AUTH_NEGOTIATE);
  if (rc != LDAP_SUCCESS) {
    error = "binding as the logged-on user (Negotiate) failed: " + shim::failure(handle_->session, rc);
    return false;
  }
  return true;
}

}  // namespace ostrel::platform::ldap

// Connecting and binding with OpenLDAP's libldap (and Cyrus SASL for Kerberos).
#include <sasl/sasl.h>

#include <cstring>

#include "platform/ldap_directory.h"
#include "platform/ldap_shim.h"

namespace ostrel::platform::ldap {

Connection::Handle::~Handle() {
  if (session) ldap_unbind_ext_s(session, nullptr, nullptr);
}

namespace shim {
std::string diagnostic(Session* session) {
  char* text = nullptr;
  std::string out;
  if (ldap_get_option(session, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text) == LDAP_OPT_SUCCESS && text) {
    out = text;
    ldap_memfree(text);
  }
  return out;
}

std::string failure(Session* session, unsigned long code) {
  std::string text = ldap_err2string(static_cast<int>(code));
  std::string more = diagnostic(session);
  return more.empty() ? text : text + " (" + more + ")";
}
}  // namespace shim

namespace {
template <class T>
bool setOption(LDAP* ld, int option, const T* value, const char* what, std::string& error) {
  if (ldap_set_option(ld, option, value) == LDAP_OPT_SUCCESS) return true;
  error = std::string("cannot set the LDAP option ") + what;
  return false;
}
}  // namespace

bool findDomainController(std::string&, std::string& error) {
  error = "name the domain controller with --ldap";
  return false;
}

std::unique_ptr<Connection> Connection::open(const Url& url, const std::string& caFile, std::string& error) {
  auto handle = std::make_unique<Handle>();
  handle->url = url;
  const std::string address = (url.tls ? "ldaps://" : "ldap://") + url.host + ":" + std::to_string(url.port);
  if (ldap_initialize(&handle->session, address.c_str()) != LDAP_SUCCESS || !handle->session) {
    error = "cannot use the address " + address;
    return nullptr;
  }
  LDAP* ld = handle->session;
  const int version = LDAP_VERSION3, hard = LDAP_OPT_X_TLS_HARD, newContext = 0;
  const struct timeval networkTimeout {10, 0};
  // The certificate must be valid and name the host; the library's configured store (on
  // Debian the system's, /etc/ldap/ldap.conf) serves when no CA file is given.
  if (!setOption(ld, LDAP_OPT_PROTOCOL_VERSION, &version, "protocol version", error) ||
      !setOption(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF, "referrals", error) ||
      !setOption(ld, LDAP_OPT_NETWORK_TIMEOUT, &networkTimeout, "network timeout", error) ||
      !setOption(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &hard, "certificate check", error) ||
      (!caFile.empty() && !setOption(ld, LDAP_OPT_X_TLS_CACERTFILE, caFile.c_str(), "CA file", error)) ||
      !setOption(ld, LDAP_OPT_X_TLS_NEWCTX, &newContext, "TLS context", error))
    return nullptr;
  const int rc = url.tls ? ldap_connect(ld) : ldap_start_tls_s(ld, nullptr, nullptr);
  if (rc != LDAP_SUCCESS) {
    error = std::string(url.tls ? "TLS connection to " : "StartTLS with ") + address + " failed: " +
            shim::failure(ld, static_cast<unsigned long>(rc));
    return nullptr;
  }
  return std::make_unique<Connection>(std::move(handle));
}

bool Connection::bindPassword(const std::string& user, const std::string& password, std::string& error) {
  struct berval credentials {};
  credentials.bv_val = const_cast<char*>(password.data());
  credentials.bv_len = password.size();
  const int rc = ldap_sasl_bind_s(handle_->session, user.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr,
                                  nullptr);
  if (rc != LDAP_SUCCESS) {
    error = "binding as " + user + " failed: " + shim::failure(handle_->session, static_cast<unsigned long>(rc));
    return false;
  }
  return true;
}

namespace {
// Kerberos needs no answers: every prompt takes the library's default (the ticket's principal).
int saslDefaults(LDAP*, unsigned, void*, void* prompts) {
  for (auto* p = static_cast<sasl_interact_t*>(prompts); p && p->id != SASL_CB_LIST_END; ++p) {
    p->result = p->defresult ? p->defresult : "";
    p->len = static_cast<unsigned>(std::strlen(static_cast<const char*>(p->result)));
  }
  return LDAP_SUCCESS;
}
}  // namespace

bool Connection::bindCurrentUser(std::string& error) {
  LDAP* ld = handle_->session;
  // The service ticket is asked for the host as given, not for what its address resolves
  // back to; and since the connection is already encrypted, GSSAPI adds no layer of its own
  // (domain controllers refuse signing or sealing inside TLS).
  if (!setOption(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON, "SASL host name", error) ||
      !setOption(ld, LDAP_OPT_X_SASL_SECPROPS, "maxssf=0", "SASL security", error))
    return false;
  const int rc = ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET, saslDefaults,
                                              nullptr);
  if (rc != LDAP_SUCCESS) {
    error = "Kerberos (GSSAPI) bind failed: " + shim::failure(ld, static_cast<unsigned long>(rc)) +
            "; is there a ticket (klist), and does the URL name the server as its principal does?";
    return false;
  }
  return true;
}

}  // namespace ostrel::platform::ldap

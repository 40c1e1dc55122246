// Connecting and binding with wldap32: TLS checked by the system (its certificate store and
// the host name) or, with a CA file, by a server-certificate callback that trusts that file's
// CAs only; Negotiate for the logged-on user.
#include <map>
#include <mutex>

#include "platform/ldap_directory.h"
#include "platform/ldap_shim.h"

#include <dsgetdc.h>
#include "platform/win/server_trust.h"

namespace ostrel::platform::ldap {
namespace {

// What the callback checks a session's server certificate against, and why it refused one.
struct Trust {
  win::CertStore anchors;
  std::wstring host;
  std::string refusal;
  bool checked = false;
};

// The callback receives only the session, so each session's trust is found here.
std::mutex trustLock;
std::map<LDAP*, Trust> trusts;

// Declared as taking a PCCERT_CONTEXT, called with a pointer to one that the callback frees.
BOOLEAN __cdecl checkServerCertificate(LDAP* session, PCCERT_CONTEXT* presented) {
  win::CertContext server(presented ? *presented : nullptr);
  std::lock_guard guard(trustLock);
  auto found = trusts.find(session);
  if (found == trusts.end() || !server) return FALSE;
  Trust& trust = found->second;
  trust.checked = true;
  return verifyServerCertificate(server.get(), trust.anchors.get(), trust.host, trust.refusal) ? TRUE : FALSE;
}

}  // namespace

Connection::Handle::~Handle() {
  if (!session) return;
  ldap_unbind(session);
  std::lock_guard guard(trustLock);
  trusts.erase(session);
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

bool findDomainController(std::string& url, std::string& error) {
  PDOMAIN_CONTROLLER_INFOW info = nullptr;
  const DWORD code = DsGetDcNameW(nullptr, nullptr, nullptr, nullptr,
                                  DS_DIRECTORY_SERVICE_REQUIRED | DS_RETURN_DNS_NAME, &info);
  win::NetApiBuffer owner(info);
  if (code != NO_ERROR || !info || !info->DomainControllerName) {
    error = "finding a domain controller of this computer's domain failed (error " + std::to_string(code) +
            "); name one with --ldap";
    return false;
  }
  // The name comes as \\host; ldaps:// so that the certificate is checked from the first byte.
  std::wstring host = info->DomainControllerName;
  while (!host.empty() && host.front() == L'\\') host.erase(0, 1);
  url = "ldaps://" + toUtf8(host);
  return true;
}

std::unique_ptr<Connection> Connection::open(const Url& url, const std::string& caFile, std::string& error) {
  const std::string address = (url.tls ? "ldaps://" : "ldap://") + url.host + ":" + std::to_string(url.port);
  win::CertStore anchors;
  if (!caFile.empty() && !loadCaFile(caFile, anchors, error)) return nullptr;
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
  if (anchors) {
    // Registered before the TLS handshake; a library that does not take the callback would
    // check against the system's store instead, so that is refused rather than used.
    {
      std::lock_guard guard(trustLock);
      trusts[ld] = Trust{std::move(anchors), host, {}};
    }
    // The option's value is the routine itself, not the address of a variable holding it.
    // The header declares the routine's second parameter as a certificate, but the library
    // passes the address of one (the routine frees it), hence the cast.
    auto routine = reinterpret_cast<VERIFYSERVERCERT*>(&checkServerCertificate);
    if (ldap_set_optionW(ld, LDAP_OPT_SERVER_CERTIFICATE, reinterpret_cast<void*>(routine)) != LDAP_SUCCESS) {
      error = "this system's LDAP library cannot check the server's certificate against a CA file; "
              "add the CA to the system's store (certutil -addstore Root FILE) and leave out --ca-file";
      return nullptr;
    }
  }
  l_timeval timeout{10, 0};
  ULONG rc = ldap_connect(ld, &timeout);
  if (rc == LDAP_SUCCESS && !url.tls) {
    ULONG serverReturn = 0;
    LDAPMessage* result = nullptr;
    rc = ldap_start_tls_sW(ld, &serverReturn, &result, nullptr, nullptr);
    if (result) ldap_msgfree(result);
  }
  if (rc != LDAP_SUCCESS) {
    std::string refusal;
    {
      std::lock_guard guard(trustLock);
      if (auto found = trusts.find(ld); found != trusts.end()) refusal = found->second.refusal;
    }
    error = std::string(url.tls ? "TLS connection to " : "StartTLS with ") + address + " failed: " +
            (refusal.empty() ? shim::failure(ld, rc) : refusal);
    return nullptr;
  }
  if (!caFile.empty()) {
    // A library that took the callback but never called it has checked nothing.
    std::lock_guard guard(trustLock);
    if (!trusts[ld].checked) {
      error = "the TLS connection to " + address + " was made without the server's certificate being shown for "
              "checking against the CA file; refused (this system's LDAP library does not support --ca-file)";
      return nullptr;
    }
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

#include "platform/win/server_trust.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/text.h"

namespace ostrel::platform::ldap {
namespace {

std::string subjectOf(PCCERT_CONTEXT cert) {
  wchar_t name[512] = L"";
  CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512);
  return "'" + toUtf8(std::wstring(name)) + "'";
}

std::string hex(DWORD code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// The chain's faults other than where it ends, which the caller judges itself.
std::string chainFault(DWORD status) {
  if (status & CERT_TRUST_IS_NOT_TIME_VALID) return "a certificate of its chain has expired or is not valid yet";
  if (status & CERT_TRUST_IS_REVOKED) return "a certificate of its chain is revoked";
  if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "a signature in its chain does not verify";
  if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "its chain is not valid for server authentication";
  if (status & CERT_TRUST_IS_CYCLIC) return "its chain is cyclic";
  return "its chain is not valid (status " + hex(status) + ")";
}

}  // namespace

bool readPemCertificates(std::string_view pem, win::CertStore& store, std::string& error) {
  store.reset(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  if (!store) {
    error = "cannot make a certificate store (" + hex(GetLastError()) + ")";
    return false;
  }
  constexpr std::string_view begin = "-----BEGIN CERTIFICATE-----", end = "-----END CERTIFICATE-----";
  int count = 0;
  for (std::size_t at = pem.find(begin); at != std::string_view::npos; at = pem.find(begin, at)) {
    const std::size_t stop = pem.find(end, at);
    if (stop == std::string_view::npos) {
      error = "certificate " + std::to_string(count + 1) + " has no END CERTIFICATE line";
      return false;
    }
    const std::string block(pem.substr(at, stop + end.size() - at));
    at = stop + end.size();
    DWORD size = 0;
    std::vector<BYTE> der;
    bool ok = CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                   nullptr, &size, nullptr, nullptr);
    if (ok) {
      der.resize(size);
      ok = CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                der.data(), &size, nullptr, nullptr);
    }
    win::CertContext cert(ok ? CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size) : nullptr);
    if (!cert || !CertAddCertificateContextToStore(store.get(), cert.get(), CERT_STORE_ADD_ALWAYS, nullptr)) {
      error = "certificate " + std::to_string(count + 1) + " is not a valid X.509 certificate";
      return false;
    }
    ++count;
  }
  if (count == 0) {
    error = "it holds no PEM certificate (BEGIN CERTIFICATE)";
    return false;
  }
  return true;
}

bool loadCaFile(const std::string& path, win::CertStore& store, std::string& error) {
  std::ifstream in(std::filesystem::path(fromUtf8(path)), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    error = "cannot read the CA file " + path;
    return false;
  }
  if (!readPemCertificates(text, store, error)) {
    error = "the CA file " + path + ": " + error;
    return false;
  }
  return true;
}

bool verifyServerCertificate(PCCERT_CONTEXT server, HCERTSTORE anchors, const std::wstring& host,
                             std::string& error) {
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  win::CertChain chain;
  if (!CertGetCertificateChain(nullptr, server, nullptr, anchors, &para, 0, nullptr, chain.put()) ||
      chain.get()->cChain == 0 || chain.get()->rgpChain[0]->cElement == 0) {
    error = "cannot build the chain of the server's certificate (" + hex(GetLastError()) + ")";
    return false;
  }
  const CERT_SIMPLE_CHAIN* simple = chain.get()->rgpChain[0];
  PCCERT_CONTEXT last = simple->rgpElement[simple->cElement - 1]->pCertContext;
  // The chain must end in the file's certificates, even where the system would trust its end:
  // naming a CA file says which CA this server's certificate comes from.
  win::CertContext anchor(
      CertFindCertificateInStore(anchors, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, last, nullptr));
  if (!anchor) {
    error = "the server's certificate " + subjectOf(server) + " does not chain to a certificate of the CA file (its chain ends in " +
            subjectOf(last) + ")";
    return false;
  }
  // That end is trusted here, whether or not the system knows it, and may be an intermediate CA.
  const DWORD faults =
      chain.get()->TrustStatus.dwErrorStatus & ~(CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN);
  if (faults) {
    error = "the server's certificate " + subjectOf(server) + " is refused: " + chainFault(faults);
    return false;
  }
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbStruct = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = 0x00000100;  // SECURITY_FLAG_IGNORE_UNKNOWN_CA: the anchor was checked above
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) {
    error = "cannot check the server's certificate against its name (" + hex(GetLastError()) + ")";
    return false;
  }
  if (status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) {
    error = "the server's certificate " + subjectOf(server) + " does not name the host " + toUtf8(host);
    return false;
  }
  if (status.dwError != 0) {
    error = "the server's certificate " + subjectOf(server) + " is refused for TLS (" + hex(status.dwError) + ")";
    return false;
  }
  return true;
}

}  // namespace ostrel::platform::ldap

#pragma once
// Trusting an LDAP server's certificate on the CAs of a PEM file (--ca-file) instead of the
// system's store: the file's certificates become the only anchors the chain may end in.
#include <string>
#include <string_view>

#include "platform/win/handles.h"

namespace ostrel::platform::ldap {

// The certificates of PEM text (one or more BEGIN CERTIFICATE blocks, other blocks ignored)
// in a new in-memory store. False with the reason when a block is damaged or there is none.
[[nodiscard]] bool readPemCertificates(std::string_view pem, win::CertStore& store, std::string& error);
// The same from a file.
[[nodiscard]] bool loadCaFile(const std::string& path, win::CertStore& store, std::string& error);

// Accepts server (the certificate a server presented) when its chain, built with the
// certificates of anchors as the only extra ones, ends in one of them, every link is valid
// now, and the certificate names host (a DNS name or an address). False with the cause.
[[nodiscard]] bool verifyServerCertificate(PCCERT_CONTEXT server, HCERTSTORE anchors, const std::wstring& host,
                                           std::string& error);

}  // namespace ostrel::platform::ldap

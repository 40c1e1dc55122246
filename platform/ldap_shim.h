#pragma once
// The few ways the two LDAP C APIs differ in shape: wldap32 takes UTF-16 strings (its W
// functions), libldap UTF-8 ones; the timeout structure and the diagnostic option have other
// names. Only platform/ldap_*.cpp include this.
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <winldap.h>
#include <winber.h>
#include "platform/text.h"
namespace ostrel::platform::ldap::shim {
using Char = wchar_t;
using Session = LDAP;
using Timeout = l_timeval;
inline std::wstring text(const std::string& s) { return fromUtf8(s); }
inline std::string utf8(const wchar_t* s) { return s ? toUtf8(std::wstring(s)) : std::string(); }
}  // namespace ostrel::platform::ldap::shim
#define OSTREL_LDAP(name) name##W
#define OSTREL_LDAP_MOD LDAPModW
#else
#include <ldap.h>
namespace ostrel::platform::ldap::shim {
using Char = char;
using Session = LDAP;
using Timeout = struct timeval;
inline std::string text(const std::string& s) { return s; }
inline std::string utf8(const char* s) { return s ? std::string(s) : std::string(); }
}  // namespace ostrel::platform::ldap::shim
#define OSTREL_LDAP(name) name
#define OSTREL_LDAP_MOD LDAPMod
#endif

namespace ostrel::platform::ldap {
struct Connection::Handle {
  shim::Session* session = nullptr;
  Url url;
  ~Handle();
};
namespace shim {
// The server's words on the last failure, when it gave any.
std::string diagnostic(Session* session);
// The library's text for a result code, with the server's words.
std::string failure(Session* session, unsigned long code);
}  // namespace shim
}  // namespace ostrel::platform::ldap

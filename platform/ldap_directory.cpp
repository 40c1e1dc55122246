#include "platform/ldap_directory.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/ldap_shim.h"

namespace ostrel::platform::ldap {
namespace {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Searches and modifications that hang (a server that accepted the connection and then went
// quiet) end after this long.
constexpr long operationSeconds = 30;

}  // namespace

bool parseUrl(std::string_view text, Url& url, std::string& error) {
  url = Url{};
  if (text.starts_with("ldaps://")) {
    url.tls = true;
    text.remove_prefix(8);
  } else if (text.starts_with("ldap://")) {
    text.remove_prefix(7);
  } else {
    error = "'" + std::string(text) + "' is not an ldaps://HOST[:PORT] or ldap://HOST[:PORT] address";
    return false;
  }
  if (text.ends_with("/")) text.remove_suffix(1);
  std::string_view port;
  if (text.starts_with("[")) {
    auto close = text.find(']');
    if (close == std::string_view::npos) {
      error = "the address's IPv6 host has no closing ']'";
      return false;
    }
    url.host = std::string(text.substr(0, close + 1));
    text.remove_prefix(close + 1);
    if (text.starts_with(":")) port = text.substr(1);
    else if (!text.empty()) url.host.clear();
  } else {
    auto colon = text.find(':');
    url.host = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) port = text.substr(colon + 1);
  }
  if (url.host.empty() || url.host.find_first_of("/?#@ ") != std::string::npos) {
    error = "the address names no host, or more than a host and a port";
    return false;
  }
  url.port = url.tls ? 636 : 389;
  if (port.data() != nullptr) {
    int p = 0;
    for (char c : port) {
      if (c < '0' || c > '9' || (p = p * 10 + (c - '0')) > 65535) {
        p = 0;
        break;
      }
    }
    if (p == 0) {
      error = "the address's port '" + std::string(port) + "' is not a number from 1 to 65535";
      return false;
    }
    url.port = p;
  }
  return true;
}

const std::vector<std::string>& Entry::values(std::string_view name) const {
  static const std::vector<std::string> none;
  for (const auto& [attribute, values] : attributes)
    if (sameName(attribute, name)) return values;
  return none;
}

std::string Entry::first(std::string_view name) const {
  const auto& v = values(name);
  return v.empty() ? std::string() : v.front();
}

std::string filterValue(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "\\%02x", static_cast<unsigned char>(c));
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

Connection::Connection(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
Connection::~Connection() = default;

bool Connection::search(const std::string& base, Scope scope, const std::string& filter,
                        const std::vector<std::string>& attributes, std::vector<Entry>& entries, std::string& error) {
  entries.clear();
  std::vector<std::basic_string<shim::Char>> names;
  for (const auto& a : attributes) names.push_back(shim::text(a));
  std::vector<shim::Char*> nameList;
  for (auto& n : names) nameList.push_back(n.data());
  nameList.push_back(nullptr);
  auto baseText = shim::text(base), filterText = shim::text(filter);
  const int scopes[] = {LDAP_SCOPE_BASE, LDAP_SCOPE_ONELEVEL, LDAP_SCOPE_SUBTREE};
  shim::Timeout timeout{};
  timeout.tv_sec = operationSeconds;
  LDAPMessage* result = nullptr;
  auto rc = OSTREL_LDAP(ldap_search_ext_s)(handle_->session, baseText.data(), scopes[static_cast<int>(scope)],
                                           filterText.data(), nameList.data(), 0, nullptr, nullptr, &timeout, 0,
                                           &result);
  struct Free {
    LDAPMessage* m;
    ~Free() {
      if (m) ldap_msgfree(m);
    }
  } owner{result};
  // A base that does not exist holds no entries: for a lookup that is an answer, not a failure.
  if (rc == LDAP_NO_SUCH_OBJECT) return true;
  if (rc != LDAP_SUCCESS) {
    error = "searching " + (base.empty() ? std::string("the server's root entry") : base) + " failed: " +
            shim::failure(handle_->session, static_cast<unsigned long>(rc));
    return false;
  }
  for (LDAPMessage* e = ldap_first_entry(handle_->session, result); e; e = ldap_next_entry(handle_->session, e)) {
    Entry entry;
    if (shim::Char* dn = OSTREL_LDAP(ldap_get_dn)(handle_->session, e)) {
      entry.dn = shim::utf8(dn);
      OSTREL_LDAP(ldap_memfree)(dn);
    }
    for (auto& n : names) {
      struct berval** values = OSTREL_LDAP(ldap_get_values_len)(handle_->session, e, n.data());
      if (!values) continue;
      std::vector<std::string> texts;
      for (struct berval** v = values; *v; ++v) texts.emplace_back((*v)->bv_val, (*v)->bv_len);
      ldap_value_free_len(values);
      entry.attributes.emplace_back(shim::utf8(n.c_str()), std::move(texts));
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

bool Connection::modify(const std::string& dn, const std::vector<Modification>& changes, std::string& error) {
  const int ops[] = {LDAP_MOD_ADD, LDAP_MOD_DELETE, LDAP_MOD_REPLACE};
  std::vector<std::basic_string<shim::Char>> types;
  std::vector<std::vector<struct berval>> values;
  std::vector<std::vector<struct berval*>> valueLists;
  std::vector<OSTREL_LDAP_MOD> mods(changes.size());
  std::vector<OSTREL_LDAP_MOD*> modList;
  types.reserve(changes.size());
  values.reserve(changes.size());
  valueLists.reserve(changes.size());
  for (std::size_t i = 0; i < changes.size(); ++i) {
    types.push_back(shim::text(changes[i].attribute));
    auto& vals = values.emplace_back();
    for (const auto& v : changes[i].values) {
      struct berval b {};
      b.bv_len = static_cast<decltype(b.bv_len)>(v.size());
      b.bv_val = const_cast<char*>(v.data());
      vals.push_back(b);
    }
    auto& list = valueLists.emplace_back();
    for (auto& b : vals) list.push_back(&b);
    list.push_back(nullptr);
    mods[i].mod_op = static_cast<decltype(mods[i].mod_op)>(ops[changes[i].op] | LDAP_MOD_BVALUES);
    mods[i].mod_type = types.back().data();
    mods[i].mod_vals.modv_bvals = list.data();
    modList.push_back(&mods[i]);
  }
  modList.push_back(nullptr);
  auto dnText = shim::text(dn);
  auto rc = OSTREL_LDAP(ldap_modify_ext_s)(handle_->session, dnText.data(), modList.data(), nullptr, nullptr);
  if (rc != LDAP_SUCCESS) {
    error = "the directory refused to change " + dn + ": " + shim::failure(handle_->session, static_cast<unsigned long>(rc));
    return false;
  }
  return true;
}

}  // namespace ostrel::platform::ldap

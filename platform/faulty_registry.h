#pragma once
// A registry wrapper that makes chosen calls fail, so that tests reach the failure
// paths of the store: "fail the Nth call of this kind, once or from then on".
#include <vector>

#include "platform/registry.h"

namespace ostrel {

class FaultyRegistry final : public Registry {
 public:
  enum class Op { any, openKey, createKey, closeKey, queryInfoKey, enumKey, queryValue, enumValue,
                  setValue, deleteValue, deleteKey, deleteTree };

  explicit FaultyRegistry(Registry& inner) : inner_(inner) {}

  // The nth call (1-based, counted from now) of kind op fails with status; with
  // persistent, every later call of that kind fails too.
  void failCall(Op op, int nth, Status status, bool persistent = false) {
    rules_.push_back(Rule{op, nth, status, persistent, 0, {}});
  }
  // Only calls whose key name or subkey path contains this text count (empty: all).
  void failCallOn(Op op, const std::wstring& nameContains, int nth, Status status, bool persistent = false) {
    rules_.push_back(Rule{op, nth, status, persistent, 0, nameContains});
  }
  void clear() { rules_.clear(); }
  // Calls made through this wrapper so far, and how many of them were made to fail.
  [[nodiscard]] long calls() const { return calls_; }
  [[nodiscard]] long injected() const { return injected_; }

  Status openKey(Key p, const std::wstring& s, std::uint32_t a, Key& out) override {
    out = 0;
    if (Status f = fault(Op::openKey, s)) return f;
    return inner_.openKey(p, s, a, out);
  }
  Status createKey(Key p, const std::wstring& s, std::uint32_t a, Key& out) override {
    out = 0;
    if (Status f = fault(Op::createKey, s)) return f;
    return inner_.createKey(p, s, a, out);
  }
  Status closeKey(Key k) override {
    Status f = fault(Op::closeKey, L"");
    Status s = inner_.closeKey(k);  // the handle is released even when the call reports failure
    return f ? f : s;
  }
  Status queryInfoKey(Key k, std::uint32_t& sk, std::uint32_t& v) override {
    if (Status f = fault(Op::queryInfoKey, L"")) return f;
    return inner_.queryInfoKey(k, sk, v);
  }
  Status enumKey(Key k, std::uint32_t i, std::uint32_t b, std::wstring& n) override {
    if (Status f = fault(Op::enumKey, L"")) return f;
    return inner_.enumKey(k, i, b, n);
  }
  Status queryValue(Key k, const std::wstring& n, std::uint32_t& t, std::span<std::uint8_t> b,
                    std::uint32_t& s) override {
    if (Status f = fault(Op::queryValue, n)) return f;
    return inner_.queryValue(k, n, t, b, s);
  }
  Status enumValue(Key k, std::uint32_t i, std::wstring& n, std::uint32_t& t,
                   std::vector<std::uint8_t>& d) override {
    if (Status f = fault(Op::enumValue, L"")) return f;
    return inner_.enumValue(k, i, n, t, d);
  }
  Status setValue(Key k, const std::wstring& n, std::uint32_t t, std::span<const std::uint8_t> d) override {
    if (Status f = fault(Op::setValue, n)) return f;
    return inner_.setValue(k, n, t, d);
  }
  Status deleteValue(Key k, const std::wstring& n) override {
    if (Status f = fault(Op::deleteValue, n)) return f;
    return inner_.deleteValue(k, n);
  }
  Status deleteKey(Key p, const std::wstring& s) override {
    if (Status f = fault(Op::deleteKey, s)) return f;
    return inner_.deleteKey(p, s);
  }
  Status deleteTree(Key p, const std::wstring& s) override {
    if (Status f = fault(Op::deleteTree, s)) return f;
    return inner_.deleteTree(p, s);
  }

 private:
  struct Rule {
    Op op;
    int nth;
    Status status;
    bool persistent;
    int seen;
    std::wstring nameContains;
  };
  Status fault(Op op, const std::wstring& name) {
    ++calls_;
    Status result = status::success;
    for (auto& r : rules_) {
      if (r.op != Op::any && r.op != op) continue;
      if (!r.nameContains.empty() && name.find(r.nameContains) == std::wstring::npos) continue;
      ++r.seen;
      if (r.seen == r.nth || (r.persistent && r.seen > r.nth)) result = r.status;
    }
    if (result != status::success) ++injected_;
    return result;
  }

  Registry& inner_;
  std::vector<Rule> rules_;
  long calls_ = 0;
  long injected_ = 0;
};

}  // namespace ostrel

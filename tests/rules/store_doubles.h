#pragma once
// Test doubles of the editor and of message boxes, written from what the store asks of them.
#include <string>
#include <vector>

#include "platform/group_policy_host.h"
#include "platform/prompt.h"

namespace ostrel::testing {

struct PolicyChangedCall {
  bool machine;
  bool add;
  Guid extension;
  Guid snapin;
  friend bool operator==(const PolicyChangedCall&, const PolicyChangedCall&) = default;
};

// The editor over a key of a registry; GetRegistryKey and PolicyChanged can be told to fail.
class RecordingHost : public GroupPolicyHost {
 public:
  RecordingHost(Registry& reg, Registry::Key root) : inner_(reg, root), reg_(reg) {}
  HResult getRegistryKey(std::uint32_t section, Registry::Key& key) override {
    ++getKeyCalls;
    key = 0;
    if (failGetKey.size() >= static_cast<std::size_t>(getKeyCalls) && failGetKey[getKeyCalls - 1] != 0)
      return failGetKey[getKeyCalls - 1];
    return inner_.getRegistryKey(section, key);
  }
  HResult policyChanged(bool machine, bool add, const Guid& ext, const Guid& snapin) override {
    calls.push_back({machine, add, ext, snapin});
    return calls.size() == failPolicyChangedCall ? hresult::accessDenied : hresult::ok;
  }
  Registry& registry() override { return reg_; }

  std::vector<HResult> failGetKey;  // per GetRegistryKey call, 0 = succeed
  std::size_t failPolicyChangedCall = 0;  // fails with E_ACCESSDENIED
  int getKeyCalls = 0;
  std::vector<PolicyChangedCall> calls;

 private:
  RegistryKeyHost inner_;
  Registry& reg_;
};

struct Asked {
  WindowHandle owner;
  std::wstring text;
  std::wstring caption;
  std::uint32_t style;
};

// Message boxes answered from a script; every box is recorded.
class ScriptedPrompter : public Prompter {
 public:
  int messageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption,
                 std::uint32_t style) override {
    asked.push_back({owner, text, caption, style});
    if (answers.empty()) return answer::ok;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  std::vector<int> answers;
  std::vector<Asked> asked;
};

}  // namespace ostrel::testing

#include "tests/console/session_support.h"

#include <cstdio>

#include "platform/group_policy_host.h"
#include "platform/win/handles.h"
#include "rules/policy_store.h"

namespace ostrel::console {

namespace {

std::wstring programDirectory() {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

template <class Fn>
Fn exportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Store calls made while preparing a policy show no boxes; any that would is a test fault.
class NoPrompts : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring& text, const std::wstring& caption, std::uint32_t) override {
    std::fwprintf(stderr, L"unexpected message while writing the policy: %ls: %ls\n", caption.c_str(), text.c_str());
    return answer::ok;
  }
};

std::unique_ptr<Rule> pathRule(const wchar_t* id, const wchar_t* pattern, bool recursive, bool ownership,
                               std::vector<std::wstring> commandLines) {
  auto rule = std::make_unique<Rule>();
  (void)rule->idFromText(id);
  rule->setType(RuleType::Path);
  rule->setPathPattern(pattern);
  rule->setRecursive(recursive);
  rule->setOwnershipCheck(ownership);
  (void)rule->encodePath();
  for (auto& line : commandLines) rule->addCommandLine(std::move(line));
  rule->addUser(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  return rule;
}

}  // namespace

HRESULT registerModuleOnce() {
  static HRESULT result = [] {
    win::Module owner(LoadLibraryW((programDirectory() + L"osadmmc.dll").c_str()));
    if (!owner) return HRESULT_FROM_WIN32(GetLastError());
    HMODULE module = owner.get();
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    auto registerServer = exportOf<RegisterFn>(module, "DllRegisterServer");
    return registerServer != nullptr ? registerServer() : E_NOTIMPL;
  }();
  return result;
}

HRESULT moduleCanUnloadNow() {
  HMODULE module = GetModuleHandleW(L"osadmmc.dll");
  if (module == nullptr) return S_OK;  // not loaded at all
  using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = exportOf<CanUnloadFn>(module, "DllCanUnloadNow");
  return canUnload != nullptr ? canUnload() : E_NOTIMPL;
}

Watchdog::Watchdog(std::string test, DWORD milliseconds) : test_(std::move(test)), limit_(milliseconds) {
  done_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_.reset(CreateThread(nullptr, 0, run, this, 0, nullptr));
}

Watchdog::~Watchdog() {
  SetEvent(done_.get());
  WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI Watchdog::run(void* self) {
  auto* dog = static_cast<Watchdog*>(self);
  if (WaitForSingleObject(dog->done_.get(), dog->limit_) == WAIT_TIMEOUT) {
    std::fprintf(stderr, "\n%s did not finish within %lu ms: stopped (a dialog left waiting?)\n", dog->test_.c_str(),
                 static_cast<unsigned long>(dog->limit_));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return 0;
}

SamplePolicy::SamplePolicy() {
  const wchar_t* const mmcId = L"{1A1A1A1A-0000-4000-8000-000000000001}";
  const wchar_t* const toolId = L"{2B2B2B2B-0000-4000-8000-000000000002}";
  const wchar_t* const setupId = L"{3C3C3C3C-0000-4000-8000-000000000003}";
  rules.push_back(pathRule(mmcId, L"%SystemRoot%\\system32\\mmc.exe", true, true,
                           {L"%SystemRoot%\\system32\\mmc.exe gpedit.msc"}));
  rules.push_back(pathRule(toolId, L"C:\\Tools\\netdiag.exe", false, false, {}));

  auto hash = std::make_unique<Rule>();
  (void)hash->idFromText(setupId);
  hash->setType(RuleType::Hash);
  hash->setApplicationName(L"C:\\Program Files\\Kelvast\\setup.exe");
  hash->setHashFromText("0x0123456789abcdef0123456789abcdef01234567");
  hash->addCommandLine(L"\"C:\\Program Files\\Kelvast\\setup.exe\" /quiet");
  hash->addCommandLine(L"\"C:\\Program Files\\Kelvast\\setup.exe\" /repair");
  hash->addGroup(L"Administrators", L"BUILTIN", L"S-1-5-32-544", false);
  rules.push_back(std::move(hash));

  cells = {
      {L"%SystemRoot%\\system32\\mmc.exe", L"Path", L"%SystemRoot%\\system32\\mmc.exe", L"1 command lines"},
      {L"C:\\Tools\\netdiag.exe", L"Path", L"C:\\Tools\\netdiag.exe", L"0 command lines"},
      {L"C:\\Program Files\\Kelvast\\setup.exe", L"Hash", L"0x0123456789abcdef0123456789abcdef01234567",
       L"2 command lines"},
  };
  pathKeys = {mmcId, toolId};
  hashKeys = {setupId};
}

void writePolicy(win::Win32Registry& registry, Registry::Key machineRoot, const SamplePolicy& policy) {
  RegistryKeyHost host(registry, machineRoot);
  NoPrompts prompter;
  std::vector<Rule*> live;
  for (const auto& r : policy.rules) live.push_back(r.get());
  store::updateStore(&host, prompter, true, live);
}

std::vector<std::wstring> subkeys(win::Win32Registry& registry, Registry::Key root, const std::wstring& path) {
  std::vector<std::wstring> names;
  RegKey key;
  if (RegKey::open(registry, root, path, access::read, key) != status::success) return names;
  std::wstring name;
  for (std::uint32_t i = 0; registry.enumKey(key.get(), i, 256, name) == status::success; ++i) names.push_back(name);
  return names;
}

std::vector<std::wstring> refreshMarkers(win::Win32Registry& registry, Registry::Key root) {
  std::vector<std::wstring> markers;
  for (auto& name : subkeys(registry, root, store::productKey))
    if (name.rfind(store::refreshMarkerPrefix, 0) == 0) markers.push_back(name);
  return markers;
}

}  // namespace ostrel::console

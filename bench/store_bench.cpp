// LoadRules and RewriteStore of 10,000 rules (--rules N) on the in-memory hive, and the digest of a
// large file against an in-memory SHA-1 of the same bytes.
//   store_bench [--file-mib N]   (default 1024)
#include <cryptopp/sha.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "platform/memory_registry.h"
#include "rules/policy_store.h"

using namespace ostrel;

namespace {

class SilentPrompter : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring&, const std::wstring&, std::uint32_t) override {
    return answer::ok;
  }
};

std::vector<std::unique_ptr<Rule>> makeRules(int count) {
  std::vector<std::unique_ptr<Rule>> rules;
  for (int i = 0; i < count; ++i) {
    auto r = std::make_unique<Rule>();
    r->newId();
    if (i % 2 == 0) {
      r->setType(RuleType::Hash);
      r->setApplicationName(L"C:\\Program Files\\Vendor\\App" + std::to_wstring(i) + L"\\app.exe");
      r->setHashFromText("0x0123456789abcdef0123456789abcdef01234567");
    } else {
      r->setType(RuleType::Path);
      r->setPathPattern(L"%ProgramFiles%\\Vendor\\App" + std::to_wstring(i) + L"\\*.exe");
      r->setRecursive(true);
      r->encodePath();
    }
    for (int k = 0; k < 3; ++k) r->addCommandLine(L"%SystemRoot%\\system32\\tool.exe /option" + std::to_wstring(k));
    for (int k = 0; k < 2; ++k) {
      r->addGroup(L"Group" + std::to_wstring(k), L"CORP", L"S-1-5-21-100-200-300-" + std::to_wstring(1000 + k), true);
      r->addUser(L"User" + std::to_wstring(k), L"CORP", L"S-1-5-21-100-200-300-" + std::to_wstring(2000 + k), true);
      r->addSidToDelete(L"Deny" + std::to_wstring(k), L"BUILTIN", L"S-1-5-32-" + std::to_wstring(550 + k), false);
    }
    r->setOverridePrivileges(true);
    for (const wchar_t* p : {L"SeDebugPrivilege", L"SeBackupPrivilege", L"SeRestorePrivilege"}) r->addPrivilege(p);
    rules.push_back(std::move(r));
  }
  return rules;
}

void benchStore(int ruleCount) {
  auto rules = makeRules(ruleCount);
  std::vector<Rule*> live;
  for (auto& r : rules) live.push_back(r.get());

  MemoryRegistry hive;
  RegKey root(hive, hive.openRoot());
  RegistryKeyHost host(hive, root.get());
  SilentPrompter prompter;

  store::rewriteStore(&host, prompter, live);  // warm: the store holds the rules once
  bench::report("RewriteStore (store full)",
                bench::measure(7, nullptr, [&] { store::rewriteStore(&host, prompter, live); }));
  bench::report("  of which UpdateStore, clear",
                bench::measure(7, [&] { store::updateStore(&host, prompter, true, live); },
                               [&] { store::updateStore(&host, prompter, false, live); }));
  bench::report("  of which UpdateStore, write (store empty)",
                bench::measure(7, [&] { store::updateStore(&host, prompter, false, live); },
                               [&] { store::updateStore(&host, prompter, true, live); }));

  std::size_t loaded = 0;
  std::vector<std::unique_ptr<Rule>> sink;
  sink.reserve(ruleCount);
  bench::report("LoadRules",
                bench::measure(7, [&] { sink.clear(); }, [&] {
                  store::loadRules(&host, prompter, [&](std::unique_ptr<Rule> r) { sink.push_back(std::move(r)); });
                  loaded = sink.size();
                }));
  if (loaded != static_cast<std::size_t>(ruleCount)) std::printf("loaded %zu rules, expected %d\n", loaded, ruleCount);
}

void benchDigest(std::size_t mib) {
  const std::size_t size = mib << 20;
  std::vector<std::uint8_t> bytes(size);
  std::mt19937_64 gen(42);
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    std::uint64_t v = gen();
    std::memcpy(&bytes[i], &v, 8);
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp ? tmp : "/tmp") + "/ostrel_digest_bench.bin";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(size));

  std::uint8_t memDigest[20];
  auto mem = bench::measure(3, nullptr, [&] {
    CryptoPP::SHA1 sha;
    sha.Update(bytes.data(), bytes.size());
    sha.Final(memDigest);
  });
  Rule rule;
  std::wstring wpath(path.begin(), path.end());
  auto file = bench::measure(3, nullptr, [&] { (void)rule.computeHashFromFile(wpath); });
  std::remove(path.c_str());

  double memRate = static_cast<double>(mib) / (mem.minMs / 1000.0);
  double fileRate = static_cast<double>(mib) / (file.minMs / 1000.0);
  std::printf("SHA-1 in memory, %zu MiB                      %9.1f MiB/s\n", mib, memRate);
  std::printf("compute hash from file, %zu MiB (page cache)  %9.1f MiB/s  (%.1f%% of in-memory)\n", mib,
              fileRate, 100.0 * fileRate / memRate);
  bool same = rule.hashValid() && std::memcmp(rule.digest().data(), memDigest, 20) == 0;
  std::printf("digests agree: %s\n", same ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t mib = 1024;
  int rules = 10000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--file-mib") == 0) mib = std::strtoul(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--rules") == 0) rules = std::atoi(argv[i + 1]);
  }
  benchStore(rules);
  if (mib > 0) benchDigest(mib);
}

// The store operations on the in-memory hive with many rules, and the digest of a large file
// against an in-memory SHA-1 of the same bytes.
//   store_bench [--rules N] [--file-mib N] [--runs N] [Google Benchmark options]
// (defaults 10000 rules, 1024 MiB, 5 runs of each)
#include <cryptopp/sha.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
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

std::vector<std::unique_ptr<Rule>> makeRules(long count) {
  std::vector<std::unique_ptr<Rule>> rules;
  for (long i = 0; i < count; ++i) {
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

// A hive with its host and the rules, shared by the store benchmarks.
struct Store {
  explicit Store(long count) : rules(makeRules(count)), root(hive, hive.openRoot()), host(hive, root.get()) {
    for (auto& r : rules) live.push_back(r.get());
  }
  bool rewrite() { return store::rewriteStore(&host, prompter, live); }
  bool update(bool write) { return store::updateStore(&host, prompter, write, live); }

  std::vector<std::unique_ptr<Rule>> rules;
  std::vector<Rule*> live;
  MemoryRegistry hive;
  RegKey root;
  RegistryKeyHost host;
  SilentPrompter prompter;
};

void registerStore(Store& s, int runs) {
  bench::repeated(benchmark::RegisterBenchmark("RewriteStore (store full)", [&s](benchmark::State& state) {
    s.rewrite();  // the store holds the rules once
    for (auto _ : state)
      if (!s.rewrite()) state.SkipWithError("the rewrite failed");
  }), runs);
  // The two halves of a rewrite, each after the other half.
  bench::repeated(benchmark::RegisterBenchmark("UpdateStore, clear", [&s](benchmark::State& state) {
    for (auto _ : state) {
      state.PauseTiming();
      s.update(true);
      state.ResumeTiming();
      if (!s.update(false)) state.SkipWithError("the clear failed");
    }
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("UpdateStore, write (store empty)", [&s](benchmark::State& state) {
    for (auto _ : state) {
      state.PauseTiming();
      s.update(false);
      state.ResumeTiming();
      if (!s.update(true)) state.SkipWithError("the write failed");
    }
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("LoadRules", [&s](benchmark::State& state) {
    s.rewrite();
    std::vector<std::unique_ptr<Rule>> sink;
    for (auto _ : state) {
      state.PauseTiming();
      sink.clear();
      sink.reserve(s.rules.size());
      state.ResumeTiming();
      store::loadRules(&s.host, s.prompter, [&](std::unique_ptr<Rule> r) { sink.push_back(std::move(r)); });
    }
    if (sink.size() != s.rules.size()) state.SkipWithError("LoadRules did not load every rule");
  }), runs);
}

// The same random bytes in memory and in a file (in the page cache once written).
struct DigestInput {
  explicit DigestInput(long mib) : bytes(static_cast<std::size_t>(mib) << 20) {
    std::mt19937_64 gen(42);
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
      const std::uint64_t v = gen();
      std::memcpy(&bytes[i], &v, 8);
    }
    path = std::filesystem::temp_directory_path() / "ostrel_digest_bench.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    CryptoPP::SHA1 sha;
    sha.CalculateDigest(digest, bytes.data(), bytes.size());
  }
  ~DigestInput() { std::filesystem::remove(path); }

  std::vector<std::uint8_t> bytes;
  std::filesystem::path path;
  std::uint8_t digest[20];
};

void registerDigest(DigestInput& in, int runs) {
  const auto size = static_cast<std::int64_t>(in.bytes.size());
  bench::repeated(benchmark::RegisterBenchmark("SHA-1 in memory", [&in, size](benchmark::State& state) {
    std::uint8_t out[20];
    for (auto _ : state) {
      CryptoPP::SHA1 sha;
      sha.CalculateDigest(out, in.bytes.data(), in.bytes.size());
      benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * size);
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("computeHashFromFile (page cache)", [&in, size](benchmark::State& state) {
    Rule rule;
    const std::wstring file = in.path.wstring();
    for (auto _ : state)
      if (!rule.computeHashFromFile(file)) state.SkipWithError("the file could not be read");
    if (!rule.hashValid() || std::memcmp(rule.digest().data(), in.digest, 20) != 0)
      state.SkipWithError("the file's digest differs from the in-memory one");
    state.SetBytesProcessed(state.iterations() * size);
  }), runs);
}

}  // namespace

int main(int argc, char** argv) {
  const long rules = bench::takeOption(argc, argv, "--rules", 10000);
  const long mib = bench::takeOption(argc, argv, "--file-mib", 1024);
  const int runs = static_cast<int>(bench::takeOption(argc, argv, "--runs", 5));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  Store store(rules);
  registerStore(store, runs);
  std::unique_ptr<DigestInput> digest;
  if (mib > 0) {
    digest = std::make_unique<DigestInput>(mib);
    registerDigest(*digest, runs);
  }
  std::printf("%ld rules; digest of %ld MiB\n", rules, mib);
  bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (const double mem = reporter.ms("SHA-1 in memory"), file = reporter.ms("computeHashFromFile (page cache)");
      mem > 0 && file > 0)
    std::printf("the file's digest runs at %.1f%% of the in-memory rate\n", 100.0 * mem / file);
  benchmark::Shutdown();
  return 0;
}

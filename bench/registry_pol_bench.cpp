// Load and save of a GPO folder whose Registry.pol holds many rules (default 10,000, each
// with 3 command lines, 2 accounts in each list and 3 privileges), as ostrel-policy does them:
//   decode / encode       the Registry.pol codec alone, in memory
//   folder load           read the file and decode it into the hive
//   load rules            folder load + LoadRules (the Rule reader over every rule key)
//   folder save           encode + write a temporary file + flush + rename, gpt.ini likewise
//   add one rule          what "ostrel-policy add-path" costs: load rules, UpdateStore, save
// and the ratios that matter on a shared machine, where absolute times vary threefold: save
// against load, a whole add against load rules + save, and (--samba, with python3-samba) the
// folder load against Samba's PReg parser on the same file.
// Usage: registry_pol_bench [--rules N] [--runs N] [--keep] [--samba] [Google Benchmark options]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "platform/heap_tuning.h"
#include "platform/gpo_folder.h"
#include "platform/preg/preg_codec.h"
#include "rules/policy_store.h"

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

class Quiet : public Prompter {
 public:
  int messageBox(WindowHandle, const std::wstring&, const std::wstring&, std::uint32_t) override { return 1; }
};

// The same save without waiting for the disk: files written but not flushed, renames not
// made durable. Shows how much of a save is the device's own time.
class UnflushedFiles : public platform::FileSystem {
 public:
  bool writeFlushed(const fs::path& path, std::span<const std::uint8_t> bytes, const fs::path&,
                    std::string& error) override {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f != nullptr) std::fclose(f);
    if (!ok) error = "cannot write " + path.string();
    return ok;
  }
  bool replace(const fs::path& from, const fs::path& to, std::string& error) override {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) error = ec.message();
    return !ec;
  }
};

std::unique_ptr<Rule> makeRule(int i) {
  auto r = std::make_unique<Rule>();
  r->newId();
  if (i % 2 == 0) {
    r->setType(RuleType::Path);
    r->setPathPattern(L"%ProgramFiles%\\Vendor" + std::to_wstring(i) + L"\\app.exe");
    r->setRecursive(i % 4 == 0);
    (void)r->encodePath();
  } else {
    r->setType(RuleType::Hash);
    r->setApplicationName(L"C:\\Tools\\tool" + std::to_wstring(i) + L".exe");
    r->setHashFromText("0x0123456789abcdef0123456789abcdef01234567");
  }
  for (int c = 1; c <= 3; ++c) r->addCommandLine(L"app.exe /option" + std::to_wstring(c) + L" %SystemRoot%\\x");
  for (int a = 1; a <= 2; ++a) {
    std::wstring n = std::to_wstring(a);
    r->addGroup(L"Group" + n, L"CORP", L"S-1-5-21-1004336348-1177238915-682003330-" + n, true);
    r->addUser(L"User" + n, L"CORP", L"S-1-5-21-1004336348-1177238915-682003330-1" + n, true);
    r->addSidToDelete(L"Guests" + n, L"BUILTIN", L"S-1-5-32-54" + n, false);
  }
  r->setOverridePrivileges(true);
  for (const wchar_t* p : {L"SeBackupPrivilege", L"SeRestorePrivilege", L"SeDebugPrivilege"}) r->addPrivilege(p);
  return r;
}

// Writes the folder of the benchmark with that many rules.
bool writeFolder(const fs::path& dir, long rules, std::string& error) {
  Quiet quiet;
  gpo::GpoFolder folder(dir);
  if (!folder.load(error)) return false;
  gpo::GpoFolderHost host(folder);
  std::vector<std::unique_ptr<Rule>> owned;
  std::vector<Rule*> live;
  for (long i = 0; i < rules; ++i) {
    owned.push_back(makeRule(static_cast<int>(i)));
    live.push_back(owned.back().get());
  }
  return store::updateStore(&host, quiet, true, live) && folder.save(error);
}

// The folder's rules as ostrel-policy loads them; aborts on a failure, which no run expects.
std::vector<std::unique_ptr<Rule>> loadRules(gpo::GpoFolder& folder, Prompter& prompter) {
  std::string error;
  if (!folder.load(error)) std::abort();
  gpo::GpoFolderHost host(folder);
  std::vector<std::unique_ptr<Rule>> list;
  if (!store::loadRules(&host, prompter, [&](std::unique_ptr<Rule> r) { list.push_back(std::move(r)); }))
    std::abort();
  return list;
}

void registerBenchmarks(const fs::path& dir, long rules, const platform::ByteBuffer& bytes, int runs) {
  bench::repeated(benchmark::RegisterBenchmark("decode (bytes -> hive)", [&bytes](benchmark::State& state) {
    MemoryRegistry hive;
    preg::ReadError readError;
    for (auto _ : state)
      if (!preg::read(bytes, hive, readError)) state.SkipWithError("the file does not decode");
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("encode (hive -> bytes)", [&bytes](benchmark::State& state) {
    MemoryRegistry hive;
    preg::ReadError readError;
    if (!preg::read(bytes, hive, readError)) state.SkipWithError("the file does not decode");
    for (auto _ : state)
      if (preg::write(hive).size() != bytes.size()) state.SkipWithError("the encoding differs in size");
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("folder load", [dir](benchmark::State& state) {
    std::string error;
    for (auto _ : state) {
      gpo::GpoFolder folder(dir);
      if (!folder.load(error)) state.SkipWithError(error.c_str());
    }
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("load rules", [dir, rules](benchmark::State& state) {
    Quiet quiet;
    for (auto _ : state) {
      gpo::GpoFolder folder(dir);
      if (loadRules(folder, quiet).size() != static_cast<std::size_t>(rules))
        state.SkipWithError("not every rule was loaded");
    }
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("folder save", [dir](benchmark::State& state) {
    std::string error;
    gpo::GpoFolder folder(dir);
    if (!folder.load(error)) state.SkipWithError(error.c_str());
    for (auto _ : state)
      if (!folder.save(error)) state.SkipWithError(error.c_str());
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("folder save without waiting for the disk", [dir](benchmark::State& state) {
    std::string error;
    UnflushedFiles unflushed;
    gpo::GpoFolder folder(dir, unflushed);
    if (!folder.load(error)) state.SkipWithError(error.c_str());
    for (auto _ : state)
      if (!folder.save(error)) state.SkipWithError(error.c_str());
  }), runs);
  bench::repeated(benchmark::RegisterBenchmark("add one rule", [dir, rules](benchmark::State& state) {
    Quiet quiet;
    std::string error;
    for (auto _ : state) {
      gpo::GpoFolder folder(dir);
      auto list = loadRules(folder, quiet);
      list.push_back(makeRule(static_cast<int>(rules) + 1));
      std::vector<Rule*> live;
      for (auto& r : list) live.push_back(r.get());
      gpo::GpoFolderHost host(folder);
      if (!store::updateStore(&host, quiet, true, live) || !folder.save(error)) state.SkipWithError("the add failed");
    }
  }), runs);
}

}  // namespace

int main(int argc, char** argv) {
  platform::tuneHeapForLargePolicies();  // as ostrel-policy does
  const long rules = bench::takeOption(argc, argv, "--rules", 10000);
  const int runs = static_cast<int>(bench::takeOption(argc, argv, "--runs", 5));
  const bool keep = bench::takeFlag(argc, argv, "--keep");  // leaves the folder for profiling
  const bool samba = bench::takeFlag(argc, argv, "--samba");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const fs::path dir = fs::temp_directory_path() / "ostrel-registry-pol-bench";
  fs::remove_all(dir);
  std::string error;
  platform::ByteBuffer bytes;
  const fs::path pol = dir / "Machine" / "Registry.pol";
  if (!writeFolder(dir, rules, error) || !platform::realFileSystem().readAll(pol, bytes, error))
    return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  std::printf("%ld rules, Registry.pol %.1f MiB\n", rules, static_cast<double>(bytes.size()) / 1048576.0);

  registerBenchmarks(dir, rules, bytes, runs);
  bench::RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double load = reporter.ms("folder load"), save = reporter.ms("folder save");
  if (load > 0 && save > 0)
    std::printf("save / load %.2f (without the disk's wait %.2f); add / (load rules + save) %.2f\n", save / load,
                reporter.ms("folder save without waiting for the disk") / load,
                reporter.ms("add one rule") / (reporter.ms("load rules") + save));
  if (samba && load > 0) {
    // The system interpreter: Debian installs python3-samba for it, not for any other python3.
    const std::string command = "/usr/bin/python3 " OSTREL_SOURCE_DIR "/bench/samba_preg_load.py '" + pol.string() +
                                "' " + std::to_string(runs) + " " + std::to_string(load);
    std::fflush(stdout);
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "the Samba comparison did not run\n");
  }
  benchmark::Shutdown();
  if (!keep) fs::remove_all(dir);
  return 0;
}

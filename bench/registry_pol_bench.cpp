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
// Usage: registry_pol_bench [--rules N] [--runs N] [--keep] [--samba]
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

}  // namespace

int main(int argc, char** argv) {
  platform::tuneHeapForLargePolicies();  // as ostrel-policy does
  int rules = 10000, runs = 5;
  bool keep = false;  // --keep leaves the folder in the temporary directory for profiling
  bool samba = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keep") == 0) keep = true;
    if (std::strcmp(argv[i], "--samba") == 0) samba = true;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rules") == 0) rules = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  }
  Quiet quiet;
  const fs::path dir = fs::temp_directory_path() / "ostrel-registry-pol-bench";
  fs::remove_all(dir);
  std::string error;

  {
    gpo::GpoFolder folder(dir);
    if (!folder.load(error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    gpo::GpoFolderHost host(folder);
    std::vector<std::unique_ptr<Rule>> owned;
    std::vector<Rule*> live;
    for (int i = 0; i < rules; ++i) {
      owned.push_back(makeRule(i));
      live.push_back(owned.back().get());
    }
    store::updateStore(&host, quiet, true, live);
    if (!folder.save(error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  }
  const fs::path pol = dir / "Machine" / "Registry.pol";
  platform::ByteBuffer bytes;
  if (!platform::realFileSystem().readAll(pol, bytes, error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  std::printf("%d rules, Registry.pol %.1f MiB, %d runs each\n", rules, bytes.size() / 1048576.0, runs);

  MemoryRegistry hive;
  preg::ReadError readError;
  bench::report("decode (bytes -> hive)", bench::measure(runs, nullptr, [&] {
                  if (!preg::read(bytes, hive, readError)) std::abort();
                }));
  bench::report("encode (hive -> bytes)", bench::measure(runs, nullptr, [&] {
                  if (preg::write(hive).size() != bytes.size()) std::abort();
                }));

  const bench::Timing load = bench::measure(runs, nullptr, [&] {
    gpo::GpoFolder folder(dir);
    if (!folder.load(error)) std::abort();
  });
  bench::report("folder load (read file + decode)", load);

  std::size_t loaded = 0;
  const bench::Timing loadRules = bench::measure(runs, nullptr, [&] {
                  gpo::GpoFolder folder(dir);
                  if (!folder.load(error)) std::abort();
                  gpo::GpoFolderHost host(folder);
                  std::vector<std::unique_ptr<Rule>> list;
                  store::loadRules(&host, quiet, [&](std::unique_ptr<Rule> r) { list.push_back(std::move(r)); });
                  loaded = list.size();
                });
  bench::report("load rules (folder load + LoadRules)", loadRules);
  if (loaded != static_cast<std::size_t>(rules)) return std::fprintf(stderr, "loaded %zu rules\n", loaded), 1;

  gpo::GpoFolder saving(dir);
  if (!saving.load(error)) return 1;
  const bench::Timing save = bench::measure(runs, nullptr, [&] {
    if (!saving.save(error)) std::abort();
  });
  bench::report("folder save (encode + atomic replace)", save);
  UnflushedFiles unflushed;
  gpo::GpoFolder savingUnflushed(dir, unflushed);
  if (!savingUnflushed.load(error)) return 1;
  const bench::Timing saveUnflushed = bench::measure(runs, nullptr, [&] {
    if (!savingUnflushed.save(error)) std::abort();
  });
  bench::report("folder save without waiting for the disk", saveUnflushed);

  const bench::Timing add = bench::measure(runs, nullptr, [&] {
                  gpo::GpoFolder folder(dir);
                  if (!folder.load(error)) std::abort();
                  gpo::GpoFolderHost host(folder);
                  std::vector<std::unique_ptr<Rule>> list;
                  store::loadRules(&host, quiet, [&](std::unique_ptr<Rule> r) { list.push_back(std::move(r)); });
                  list.push_back(makeRule(rules + 1));
                  std::vector<Rule*> live;
                  for (auto& r : list) live.push_back(r.get());
                  store::updateStore(&host, quiet, true, live);
                  if (!folder.save(error)) std::abort();
                });
  bench::report("add one rule (load rules, UpdateStore, save)", add);
  std::printf("save / load %.2f (without the disk's wait %.2f); add / (load rules + save) %.2f\n",
              save.minMs / load.minMs, saveUnflushed.minMs / load.minMs, add.minMs / (loadRules.minMs + save.minMs));
  if (samba) {
    // The system interpreter: Debian installs python3-samba for it, not for any other python3.
    const std::string command = "/usr/bin/python3 " OSTREL_SOURCE_DIR "/bench/samba_preg_load.py '" + pol.string() + "' " +
                                std::to_string(runs) + " " + std::to_string(load.minMs);
    std::fflush(stdout);
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "the Samba comparison did not run\n");
  }
  if (!keep) fs::remove_all(dir);
  return 0;
}

#pragma once
// A Group Policy Object folder on disk as the editor keeps a local policy:
//   DIR/gpt.ini                 [General] Version= and gPCMachineExtensionNames=
//   DIR/Machine/Registry.pol    the machine section's registry settings
// The machine section is loaded into an in-memory hive that the store operations work on,
// and saved back by replacing the files atomically.
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/group_policy_host.h"
#include "platform/memory_registry.h"

namespace ostrel::gpo {

// gpt.ini: every line kept as read except the two entries of [General] this code owns.
class GptIni {
 public:
  // The file's bytes: UTF-8 (a byte-order mark is dropped) or UTF-16LE with its mark.
  void parse(std::string_view text);
  [[nodiscard]] std::string text() const;
  // The file to write: text() in the encoding the parsed file had.
  [[nodiscard]] std::vector<std::uint8_t> bytes() const;

  [[nodiscard]] std::uint32_t version() const { return version_; }
  void setVersion(std::uint32_t v) { version_ = v; }
  // The machine (low) word goes up by one; the user (high) word is kept. The machine word
  // skips 0 when it wraps, because 0 tells clients the section has never been edited.
  void bumpMachineVersion();

  // "[{ext}{tool}...][...]" as groups: each group's first GUID is an extension, the rest
  // its tools. Kept sorted by GUID text without regard to case, without duplicates.
  using Groups = std::vector<std::vector<std::string>>;
  [[nodiscard]] const Groups& machineExtensions() const { return extensions_; }
  [[nodiscard]] std::string machineExtensionText() const;
  void addMachineExtension(const std::string& extension, const std::string& tool);
  void removeMachineExtension(const std::string& extension, const std::string& tool);

  static Groups parseExtensionText(std::string_view text);

 private:
  std::vector<std::string> lines_;
  std::uint32_t version_ = 0;
  Groups extensions_;
  bool hadExtensionLine_ = false;
  bool utf16_ = false;
};

class GpoFolder {
 public:
  static constexpr char lockFileName[] = ".ostrel-policy.lock";

  explicit GpoFolder(std::filesystem::path dir, platform::FileSystem& files = platform::realFileSystem());

  [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
  [[nodiscard]] std::filesystem::path registryPolPath() const { return dir_ / "Machine" / "Registry.pol"; }
  [[nodiscard]] std::filesystem::path gptIniPath() const { return dir_ / "gpt.ini"; }

  // Takes the folder's lock (creating the folder), held until the GpoFolder is destroyed. A
  // writer takes it before load and keeps it through save, so that no other writer's change
  // is lost between the two.
  [[nodiscard]] bool lock(std::chrono::milliseconds timeout, std::string& error);
  // Reads Registry.pol and gpt.ini; a missing folder or file reads as empty. On failure
  // (a path that is not a folder, an unreadable folder or file, a malformed file) nothing is
  // changed and error says why.
  [[nodiscard]] bool load(std::string& error);
  // Writes Registry.pol, then gpt.ini with the machine version raised by one, each replaced
  // atomically; creates the folder and files that are missing. Registry.pol goes first so
  // that a client never sees the new version number with the old settings; if gpt.ini then
  // cannot be replaced, the old Registry.pol is put back. A symbolic link is written through
  // to its target; only regular files are replaced.
  [[nodiscard]] bool save(std::string& error);

  MemoryRegistry& hive() { return hive_; }
  GptIni& gptIni() { return ini_; }

 private:
  std::filesystem::path dir_;
  platform::FileSystem& files_;
  MemoryRegistry hive_;
  GptIni ini_;
  std::optional<platform::ByteBuffer> loadedPol_;  // Registry.pol as load found it
  std::unique_ptr<platform::FileLock> lock_;
};

// The editor's side for a GPO folder. PolicyChanged records the extension pair in gpt.ini's
// gPCMachineExtensionNames (add merges it, remove drops it) but writes nothing: one store
// operation makes two to four calls, and the folder is saved once when the operation is done
// (GpoFolder::save), so that the version goes up once per change and no intermediate state,
// such as the pairs removed between a clear and a rewrite, ever reaches the disk.
class GpoFolderHost final : public GroupPolicyHost {
 public:
  explicit GpoFolderHost(GpoFolder& folder) : folder_(folder) {}
  HResult getRegistryKey(std::uint32_t section, Registry::Key& key) override;
  HResult policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) override;
  Registry& registry() override { return folder_.hive(); }

 private:
  GpoFolder& folder_;
};

}  // namespace ostrel::gpo

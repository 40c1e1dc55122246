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

// gPCMachineExtensionNames, in gpt.ini or on a domain GPO's container: "[{ext}{tool}...][...]"
// as groups, each group's first GUID an extension and the rest its tools, kept sorted by GUID
// text without regard to case and without duplicates, as the Group Policy editor keeps them.
using ExtensionGroups = std::vector<std::vector<std::string>>;
ExtensionGroups parseExtensionGroups(std::string_view text);
std::string extensionGroupsText(const ExtensionGroups& groups);
void addExtensionPair(ExtensionGroups& groups, const std::string& extension, const std::string& tool);
void removeExtensionPair(ExtensionGroups& groups, const std::string& extension, const std::string& tool);

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

  using Groups = ExtensionGroups;
  [[nodiscard]] const Groups& machineExtensions() const { return extensions_; }
  [[nodiscard]] std::string machineExtensionText() const;
  void addMachineExtension(const std::string& extension, const std::string& tool);
  void removeMachineExtension(const std::string& extension, const std::string& tool);

  static Groups parseExtensionText(std::string_view text) { return parseExtensionGroups(text); }

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
  // The files' names as load found them: names are matched without regard to case, since a
  // GPO made on a domain controller has GPT.INI and MACHINE, one made locally gpt.ini.
  [[nodiscard]] std::filesystem::path registryPolPath() const { return dir_ / machineName_ / polName_; }
  [[nodiscard]] std::filesystem::path gptIniPath() const { return dir_ / iniName_; }

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
  // Puts back both files as they were before the last save (a file that was not there is
  // removed), when the change must not stand; error says what could not be put back.
  [[nodiscard]] bool restore(std::string& error);

  MemoryRegistry& hive() { return hive_; }
  GptIni& gptIni() { return ini_; }

 private:
  std::filesystem::path dir_;
  platform::FileSystem& files_;
  MemoryRegistry hive_;
  GptIni ini_;
  std::optional<platform::ByteBuffer> loadedPol_;  // Registry.pol as load found it
  std::optional<std::vector<std::uint8_t>> loadedIni_;  // gpt.ini as load found it
  // Both files as they were before the last save, for restore.
  std::optional<platform::ByteBuffer> undoPol_;
  std::optional<std::vector<std::uint8_t>> undoIni_;
  std::string iniName_ = "gpt.ini", machineName_ = "Machine", polName_ = "Registry.pol";
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

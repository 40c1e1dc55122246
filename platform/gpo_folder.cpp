#include "platform/gpo_folder.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/preg/preg_codec.h"
#include "platform/text.h"

namespace ostrel::gpo {
namespace {

std::string upperAscii(std::string_view s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}
bool equalNoCase(std::string_view a, std::string_view b) { return upperAscii(a) == upperAscii(b); }
bool lessNoCase(const std::string& a, const std::string& b) { return upperAscii(a) < upperAscii(b); }

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Whether line is a section header "[Name]"; if so, name becomes Name.
bool sectionName(std::string_view line, std::string& name) {
  std::string_view t = trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  name = std::string(trim(t.substr(1, t.size() - 2)));
  return true;
}

// The key of a "key=value" line, or empty.
std::string entryKey(std::string_view line) {
  auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(trim(line.substr(0, eq)));
}

constexpr std::string_view versionKey = "Version";
constexpr std::string_view extensionKey = "gPCMachineExtensionNames";

void normalise(ExtensionGroups& groups) {
  ExtensionGroups merged;
  for (auto& g : groups) {
    if (g.empty()) continue;
    auto same = std::find_if(merged.begin(), merged.end(),
                             [&](const auto& m) { return equalNoCase(m.front(), g.front()); });
    if (same == merged.end()) {
      merged.push_back(g);
    } else {
      same->insert(same->end(), g.begin() + 1, g.end());
    }
  }
  for (auto& g : merged) {
    std::sort(g.begin() + 1, g.end(), lessNoCase);
    g.erase(std::unique(g.begin() + 1, g.end(), [](const auto& a, const auto& b) { return equalNoCase(a, b); }),
            g.end());
  }
  std::sort(merged.begin(), merged.end(), [](const auto& a, const auto& b) { return lessNoCase(a.front(), b.front()); });
  groups = std::move(merged);
}

std::string narrowGuid(const Guid& g) { return toNarrow(guidText(g)); }

}  // namespace

ExtensionGroups parseExtensionGroups(std::string_view text) {
  ExtensionGroups groups;
  std::vector<std::string>* current = nullptr;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '[') {
      groups.emplace_back();
      current = &groups.back();
    } else if (c == ']') {
      current = nullptr;
    } else if (c == '{' && current != nullptr) {
      auto close = text.find('}', i);
      if (close == std::string_view::npos) break;
      current->emplace_back(text.substr(i, close - i + 1));
      i = close;
    }
  }
  normalise(groups);
  return groups;
}

void GptIni::parse(std::string_view text) {
  lines_.clear();
  version_ = 0;
  extensions_.clear();
  hadExtensionLine_ = false;
  // Windows' own profile functions write UTF-16 with a byte-order mark; such a file is read
  // as text and written back in the same encoding.
  utf16_ = text.starts_with("\xFF\xFE");
  std::string decoded;
  if (utf16_) {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < text.size(); i += 2)
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i]) |
                                            static_cast<unsigned char>(text[i + 1]) << 8));
    decoded = toUtf8(fromUtf16(units));
    text = decoded;
  }
  // A UTF-8 byte-order mark from a text editor would hide the first section header.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  bool inGeneral = false;
  for (const auto& line : lines_) {
    std::string name;
    if (sectionName(line, name)) {
      inGeneral = equalNoCase(name, "General");
      continue;
    }
    if (!inGeneral) continue;
    std::string key = entryKey(line);
    std::string_view value = trim(std::string_view(line).substr(line.find('=') + 1));
    if (equalNoCase(key, versionKey)) {
      std::uint64_t v = 0;
      for (char c : value) {
        if (c < '0' || c > '9') break;
        v = std::min<std::uint64_t>(v * 10 + static_cast<unsigned>(c - '0'), 0xFFFFFFFFu);
      }
      version_ = static_cast<std::uint32_t>(v);
    } else if (equalNoCase(key, extensionKey)) {
      extensions_ = parseExtensionText(value);
      hadExtensionLine_ = true;
    }
  }
}

std::string extensionGroupsText(const ExtensionGroups& groups) {
  std::string out;
  for (const auto& g : groups) {
    out += '[';
    for (const auto& id : g) out += id;
    out += ']';
  }
  return out;
}

void addExtensionPair(ExtensionGroups& groups, const std::string& extension, const std::string& tool) {
  groups.push_back({extension, tool});
  normalise(groups);
}

void removeExtensionPair(ExtensionGroups& groups, const std::string& extension, const std::string& tool) {
  for (auto it = groups.begin(); it != groups.end(); ++it) {
    if (!equalNoCase(it->front(), extension)) continue;
    it->erase(std::remove_if(it->begin() + 1, it->end(), [&](const auto& t) { return equalNoCase(t, tool); }),
              it->end());
    if (it->size() == 1) groups.erase(it);
    return;
  }
}

std::string GptIni::machineExtensionText() const { return extensionGroupsText(extensions_); }

std::string GptIni::text() const {
  const std::string versionLine = std::string(versionKey) + "=" + std::to_string(version_);
  const bool writeExtensions = hadExtensionLine_ || !extensions_.empty();
  const std::string extensionLine = std::string(extensionKey) + "=" + machineExtensionText();

  std::vector<std::string> out;
  bool sawGeneral = false, inGeneral = false, wroteVersion = false, wroteExtensions = false;
  auto closeGeneral = [&] {
    if (!inGeneral) return;
    // Missing entries go at the end of [General], before any blank lines that end it.
    auto at = out.end();
    while (at != out.begin() && trim(*(at - 1)).empty()) --at;
    if (writeExtensions && !wroteExtensions) at = out.insert(at, extensionLine) + 1;
    if (!wroteVersion) out.insert(at, versionLine);
    wroteVersion = wroteExtensions = true;
    inGeneral = false;
  };
  for (const auto& line : lines_) {
    std::string name;
    if (sectionName(line, name)) {
      closeGeneral();
      inGeneral = equalNoCase(name, "General");
      sawGeneral = sawGeneral || inGeneral;
      out.push_back(line);
      continue;
    }
    if (inGeneral) {
      std::string key = entryKey(line);
      if (equalNoCase(key, versionKey)) {
        if (!wroteVersion) out.push_back(versionLine);
        wroteVersion = true;
        continue;
      }
      if (equalNoCase(key, extensionKey)) {
        if (writeExtensions && !wroteExtensions) out.push_back(extensionLine);
        wroteExtensions = true;
        continue;
      }
    }
    out.push_back(line);
  }
  closeGeneral();
  if (!sawGeneral) {
    std::vector<std::string> head{"[General]"};
    if (writeExtensions) head.push_back(extensionLine);
    head.push_back(versionLine);
    out.insert(out.begin(), head.begin(), head.end());
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  std::string text;
  for (const auto& line : out) text += line + "\r\n";
  return text;
}

std::vector<std::uint8_t> GptIni::bytes() const {
  const std::string utf8 = text();
  if (!utf16_) return {utf8.begin(), utf8.end()};
  std::vector<std::uint8_t> out{0xFF, 0xFE};
  for (char16_t c : toUtf16(fromUtf8(utf8))) {
    out.push_back(static_cast<std::uint8_t>(c & 0xFF));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

void GptIni::bumpMachineVersion() {
  std::uint32_t machine = (version_ + 1) & 0xFFFFu;
  if (machine == 0) machine = 1;
  version_ = (version_ & 0xFFFF0000u) | machine;
}

void GptIni::addMachineExtension(const std::string& extension, const std::string& tool) {
  addExtensionPair(extensions_, extension, tool);
}

void GptIni::removeMachineExtension(const std::string& extension, const std::string& tool) {
  removeExtensionPair(extensions_, extension, tool);
}

GpoFolder::GpoFolder(std::filesystem::path dir, platform::FileSystem& files) : dir_(std::move(dir)), files_(files) {}

namespace {
// A folder of the GPO: true when it exists and can be read, false when it is missing; an
// error for anything else, which must not pass for an empty policy.
bool folderPresent(platform::FileSystem& files, const std::filesystem::path& dir, std::vector<std::string>& names,
                   std::string& error) {
  error.clear();
  names.clear();
  if (!files.exists(dir, error)) return false;
  if (!files.isFolder(dir, error)) {
    if (error.empty()) error = dir.string() + " is not a folder";
    return false;
  }
  return files.list(dir, names, error);
}

// The entry of names that equals name without regard to case, or name itself.
std::string actualName(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find_if(names.begin(), names.end(), [&](const auto& n) { return equalNoCase(n, name); });
  return it == names.end() ? name : *it;
}

// Reads the file when it is there; a missing file leaves bytes empty and present false.
bool readIfPresent(platform::FileSystem& files, const std::filesystem::path& path, platform::ByteBuffer& bytes,
                   bool& present, std::string& error) {
  bytes.clear();
  present = files.exists(path, error);
  if (!present) return error.empty();
  return files.readAll(path, bytes, error);
}
}  // namespace

bool GpoFolder::lock(std::chrono::milliseconds timeout, std::string& error) {
  if (!files_.createDirectories(dir_, error)) return false;
  lock_ = files_.lock(dir_ / lockFileName, timeout, error);
  return lock_ != nullptr;
}

bool GpoFolder::load(std::string& error) {
  GptIni ini;
  platform::ByteBuffer bytes, pol;
  bool present = false, polPresent = false;
  std::vector<std::string> names;
  if (folderPresent(files_, dir_, names, error)) {
    iniName_ = actualName(names, iniName_);
    machineName_ = actualName(names, machineName_);
    if (!readIfPresent(files_, gptIniPath(), bytes, present, error)) return false;
    if (present) ini.parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (folderPresent(files_, registryPolPath().parent_path(), names, error)) {
      polName_ = actualName(names, polName_);
      if (!readIfPresent(files_, registryPolPath(), pol, polPresent, error)) return false;
    } else if (!error.empty()) {
      return false;
    }
  } else if (!error.empty()) {
    return false;
  }
  if (polPresent) {
    preg::ReadError readError;
    if (!preg::read(pol, hive_, readError)) {
      error = registryPolPath().string() + ": " + readError.message();
      return false;
    }
  } else {
    hive_.replaceContent(std::make_shared<MemoryRegistry::Node>());
  }
  ini_ = std::move(ini);
  loadedPol_ = polPresent ? std::optional(std::move(pol)) : std::nullopt;
  loadedIni_ = present ? std::optional(std::vector<std::uint8_t>(bytes.begin(), bytes.end())) : std::nullopt;
  return true;
}

bool GpoFolder::save(std::string& error) {
  if (!files_.createDirectories(registryPolPath().parent_path(), error)) return false;
  // Both targets are checked and both new files written before the first rename, so that
  // the only step that can leave the pair half done is the second rename.
  std::filesystem::path polTarget, iniTarget;
  if (!files_.replacementTarget(registryPolPath(), polTarget, error) ||
      !files_.replacementTarget(gptIniPath(), iniTarget, error))
    return false;
  if (lock_) {
    platform::removeStaleTemporaries(files_, polTarget);
    platform::removeStaleTemporaries(files_, iniTarget);
  }
  GptIni ini = ini_;
  ini.bumpMachineVersion();
  const std::vector<std::uint8_t> iniBytes = ini.bytes();
  platform::ByteBuffer polBytes = preg::write(hive_);
  platform::PendingReplacement polFile(files_, polTarget), iniFile(files_, iniTarget);
  if (!polFile.write(polBytes, error) || !iniFile.write(iniBytes, error) || !polFile.commit(error)) return false;
  if (!iniFile.commit(error)) {
    // Put the old Registry.pol back, so that a retry starts from where this one did.
    std::string undo;
    bool restored = false;
    if (loadedPol_) {
      restored = platform::replaceFileAtomically(files_, polTarget, *loadedPol_, undo);
    } else {
      files_.remove(polTarget);
      std::string missing;
      restored = !files_.exists(polTarget, missing) && missing.empty();
    }
    error = restored ? error + "; " + registryPolPath().string() + " was put back as it was: nothing changed"
                     : error + "; " + registryPolPath().string() + " holds the change but " + gptIniPath().string() +
                           " still has Version=" + std::to_string(ini_.version()) +
                           " (putting the old Registry.pol back failed too: " + undo +
                           "); computers will not apply the change until the version goes up";
    return false;
  }
  ini_ = std::move(ini);
  undoPol_ = std::exchange(loadedPol_, std::move(polBytes));
  undoIni_ = std::exchange(loadedIni_, iniBytes);
  return true;
}

bool GpoFolder::restore(std::string& error) {
  std::string failed;
  const auto putBack = [&](const std::filesystem::path& path, const auto& bytes) {
    std::filesystem::path target;
    std::string e;
    bool ok = false;
    if (bytes) {
      ok = files_.replacementTarget(path, target, e) &&
           platform::replaceFileAtomically(files_, target, std::span<const std::uint8_t>(bytes->data(), bytes->size()), e);
    } else {
      files_.remove(path);
      ok = !files_.exists(path, e) && e.empty();
    }
    if (!ok) failed += (failed.empty() ? "" : "; ") + path.string() + (e.empty() ? "" : ": " + e);
  };
  putBack(registryPolPath(), undoPol_);
  putBack(gptIniPath(), undoIni_);
  error = failed;
  return failed.empty();
}

HResult GpoFolderHost::getRegistryKey(std::uint32_t section, Registry::Key& key) {
  key = 0;
  if (section != gpoSectionMachine) return hresult::fail;
  // A new handle each time: loading replaces the hive's tree, and handles stay on the old one.
  key = folder_.hive().openRoot();
  return hresult::ok;
}

HResult GpoFolderHost::policyChanged(bool machine, bool add, const Guid& extension, const Guid& snapin) {
  if (!machine) return hresult::fail;  // only the machine section lives in this folder
  if (add) {
    folder_.gptIni().addMachineExtension(narrowGuid(extension), narrowGuid(snapin));
  } else {
    folder_.gptIni().removeMachineExtension(narrowGuid(extension), narrowGuid(snapin));
  }
  return hresult::ok;
}

}  // namespace ostrel::gpo

// SYSVOL over SMB with libsmbclient: every file operation goes through the domain
// controller's file server, which gives new files the folder's inherited NT ACL.
#include <fcntl.h>
#include <libsmbclient.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/sysvol.h"

namespace ostrel::platform {
namespace {

namespace fs = std::filesystem;

std::string failure(const char* what, const fs::path& path, int code) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(code);
}

// A lock file older than this was left by a writer that was killed: SMB has no lock that
// the server drops with its holder's connection and that libsmbclient offers, so the lock is
// a file made with O_EXCL, and a save takes seconds.
constexpr std::time_t staleLockSeconds = 120;

class SmbFileSystem;

class SmbLock final : public FileLock {
 public:
  SmbLock(SmbFileSystem& files, fs::path path) : files_(files), path_(std::move(path)) {}
  ~SmbLock() override;

 private:
  SmbFileSystem& files_;
  fs::path path_;
};

class SmbFileSystem final : public FileSystem {
 public:
  explicit SmbFileSystem(SysvolLogin login) : login_(std::move(login)) {}
  ~SmbFileSystem() override {
    if (context_) smbc_free_context(context_, 1);
  }

  bool start(std::string& error) {
    context_ = smbc_new_context();
    if (!context_) {
      error = "cannot start the SMB client";
      return false;
    }
    smbc_setOptionUserData(context_, this);
    smbc_setFunctionAuthDataWithContext(context_, &SmbFileSystem::credentials);
    // Without a user, the logged-on user's Kerberos ticket; with one, its password (NTLM,
    // or Kerberos where the library can get a ticket for it).
    smbc_setOptionUseKerberos(context_, login_.user.empty());
    smbc_setOptionFallbackAfterKerberos(context_, !login_.user.empty());
    smbc_setOptionUseCCache(context_, login_.user.empty());
    smbc_setOptionNoAutoAnonymousLogin(context_, true);
    if (!smbc_init_context(context_)) {
      error = std::string("cannot start the SMB client: ") + std::strerror(errno);
      smbc_free_context(context_, 1);
      context_ = nullptr;
      return false;
    }
    return true;
  }

  bool exists(const fs::path& path, std::string& error) override {
    error.clear();
    struct stat st {};
    if (stat(path, st) == 0) return true;
    if (errno != ENOENT && errno != ENOTDIR) error = failure("cannot reach", path, errno);
    return false;
  }

  bool isFolder(const fs::path& path, std::string& error) override {
    error.clear();
    struct stat st {};
    if (stat(path, st) != 0) {
      error = failure("cannot reach", path, errno);
      return false;
    }
    return S_ISDIR(st.st_mode);
  }

  bool list(const fs::path& dir, std::vector<std::string>& names, std::string& error) override {
    names.clear();
    SMBCFILE* d = smbc_getFunctionOpendir(context_)(context_, dir.c_str());
    if (!d) {
      error = failure("cannot read the folder", dir, errno);
      return false;
    }
    while (struct smbc_dirent* e = smbc_getFunctionReaddir(context_)(context_, d)) {
      std::string name(e->name);
      if (name != "." && name != "..") names.push_back(std::move(name));
    }
    smbc_getFunctionClosedir(context_)(context_, d);
    return true;
  }

  bool readAll(const fs::path& path, ByteBuffer& out, std::string& error) override {
    struct stat st {};
    if (stat(path, st) != 0) {
      error = failure("cannot read", path, errno);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      error = path.string() + " is not a regular file";
      return false;
    }
    SMBCFILE* f = smbc_getFunctionOpen(context_)(context_, path.c_str(), O_RDONLY, 0);
    if (!f) {
      error = failure("cannot open", path, errno);
      return false;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    bool ok = true;
    while (done < out.size()) {
      ssize_t n = smbc_getFunctionRead(context_)(context_, f, out.data() + done, out.size() - done);
      if (n <= 0) {
        ok = false;
        error = n < 0 ? failure("cannot read", path, errno) : path.string() + " became shorter while being read";
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    smbc_getFunctionClose(context_)(context_, f);
    return ok;
  }

  bool createDirectories(const fs::path& path, std::string& error) override {
    // smb://host/share/a/b: each folder below the share that is missing is made in turn.
    const std::string text = path.string();
    std::size_t at = text.find('/', text.find('/', 6) + 1);  // the end of smb://host/share
    while (at != std::string::npos) {
      at = text.find('/', at + 1);
      const std::string part = text.substr(0, at);
      std::string e;
      if (exists(part, e)) continue;
      if (!e.empty() ||
          (smbc_getFunctionMkdir(context_)(context_, part.c_str(), 0755) != 0 && errno != EEXIST)) {
        error = e.empty() ? failure("cannot create", part, errno) : e;
        return false;
      }
    }
    return true;
  }

  bool writeFlushed(const fs::path& path, std::span<const std::uint8_t> bytes, const fs::path&,
                    std::string& error) override {
    // The server gives the file its folder's inherited ACL; mode and owner are its business.
    // Closing the file ends the write on the server, which flushes as its share says.
    SMBCFILE* f = smbc_getFunctionOpen(context_)(context_, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!f) {
      error = failure("cannot create", path, errno);
      return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
      ssize_t n = smbc_getFunctionWrite(context_)(context_, f, bytes.data() + done, bytes.size() - done);
      if (n <= 0) {
        ok = false;
        error = failure("cannot write", path, errno);
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    if (smbc_getFunctionClose(context_)(context_, f) != 0 && ok) {
      ok = false;
      error = failure("cannot close", path, errno);
    }
    return ok;
  }

  bool replace(const fs::path& from, const fs::path& to, std::string& error) override {
    if (smbc_getFunctionRename(context_)(context_, from.c_str(), context_, to.c_str()) != 0) {
      error = failure("cannot replace", to, errno);
      return false;
    }
    return true;
  }

  void remove(const fs::path& path) noexcept override { smbc_getFunctionUnlink(context_)(context_, path.c_str()); }

  bool replacementTarget(const fs::path& path, fs::path& target, std::string& error) override {
    target = path;
    struct stat st {};
    if (stat(path, st) != 0) {
      if (errno == ENOENT) return true;
      error = failure("cannot reach", path, errno);
      return false;
    }
    if (S_ISREG(st.st_mode)) return true;
    error = path.string() + " is not a regular file; it is left as it is";
    return false;
  }

  std::unique_ptr<FileLock> lock(const fs::path& lockFile, std::chrono::milliseconds timeout,
                                 std::string& error) override {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::milliseconds(20);
    for (;;) {
      SMBCFILE* f =
          smbc_getFunctionOpen(context_)(context_, lockFile.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (f) {
        char host[256] = "";
        (void)gethostname(host, sizeof host - 1);
        const std::string owner = std::string(host) + " " + std::to_string(getpid()) + "\n";
        (void)smbc_getFunctionWrite(context_)(context_, f, owner.data(), owner.size());
        smbc_getFunctionClose(context_)(context_, f);
        return std::make_unique<SmbLock>(*this, lockFile);
      }
      if (errno != EEXIST) {
        error = failure("cannot make the lock file", lockFile, errno);
        return nullptr;
      }
      struct stat st {};
      if (stat(lockFile, st) == 0 && std::time(nullptr) - st.st_mtime > staleLockSeconds) {
        remove(lockFile);  // a killed writer's
        continue;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        error = "another writer holds the lock " + lockFile.string() + "; gave up after " +
                std::to_string(timeout.count()) + " ms (a lock older than " + std::to_string(staleLockSeconds) +
                " s is taken over)";
        return nullptr;
      }
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds(500));
    }
  }

 private:
  int stat(const fs::path& path, struct stat& st) {
    return smbc_getFunctionStat(context_)(context_, path.c_str(), &st);
  }

  static void credentials(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroupSize,
                          char* user, int userSize, char* password, int passwordSize) {
    auto* self = static_cast<SmbFileSystem*>(smbc_getOptionUserData(context));
    if (self->login_.user.empty()) return;  // Kerberos: the ticket cache names the user
    std::string name = self->login_.user, domain;
    // DOMAIN\user; user@REALM is passed whole, as the server accepts it.
    if (auto slash = name.find('\\'); slash != std::string::npos) {
      domain = name.substr(0, slash);
      name = name.substr(slash + 1);
    }
    const auto copy = [](char* to, int size, const std::string& from) {
      if (size <= 0) return;
      std::strncpy(to, from.c_str(), static_cast<std::size_t>(size - 1));
      to[size - 1] = '\0';
    };
    if (!domain.empty()) copy(workgroup, workgroupSize, domain);
    copy(user, userSize, name);
    copy(password, passwordSize, self->login_.password);
  }

  SysvolLogin login_;
  SMBCCTX* context_ = nullptr;
};

SmbLock::~SmbLock() { files_.remove(path_); }

}  // namespace

std::unique_ptr<FileSystem> sysvolFileSystem(const SysvolLogin& login, std::string& error) {
  auto files = std::make_unique<SmbFileSystem>(login);
  if (!files->start(error)) return nullptr;
  return files;
}

}  // namespace ostrel::platform

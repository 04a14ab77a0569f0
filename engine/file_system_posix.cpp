// The POSIX half of the file-system layer: the operations, their errors and
// the run lock. Every path goes through the Windows-style name look-up
// (name_lookup_posix.h), which finds names in any letter case and in the
// projects' ANSI code page, and names new files in UTF-8 as Wine does.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/file_system_detail.h"
#include "engine/name_lookup_posix.h"
#include "engine/paths.h"

namespace xpconv {

namespace {

using fs_detail::BufferedInputFile;
using fs_detail::BufferedOutputFile;
using fs_detail::kBufferSize;

// --------------------------------------------------------------- errors ---

int32_t MapErrno(int error) {
  switch (error) {
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return err::kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::kDiskFull;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return err::kBadFileNameOrNumber;
    case EISDIR:
    case EEXIST:
    case ENOTEMPTY:
    case EBUSY:
    case EXDEV:
    case ELOOP:
    case EMLINK:
    case EIO:
      return err::kPathFileAccess;
    default:
      return 0;
  }
}

VbError ErrnoError(int error) {
  int32_t number = MapErrno(error);
  if (number != 0) return MakeError(number);
  return VbError(error, std::strerror(error));
}

bool IsFolder(const std::string& native) {
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& native) {
  size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

// The error for a failed operation on native. A missing file whose folder is
// missing too is "Pfad nicht gefunden", as on Windows.
VbError PathError(int error, const std::string& native) {
  if (error == ENOENT && !IsFolder(ParentOf(native))) return MakeError(err::kPathNotFound);
  return ErrnoError(error);
}

// Regular files without a write bit for the owner are what Windows calls
// read-only. The mode bits are asked, not access(2): as root that always
// grants write access.
bool IsReadOnlyFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

// ---------------------------------------------------------------- files ---

class PosixInputFile final : public BufferedInputFile {
 public:
  PosixInputFile(int fd, int64_t length) : BufferedInputFile(length), fd_(fd) {}
  ~PosixInputFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

 protected:
  size_t ReadRaw(char* data, size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_, data, size);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) throw ErrnoError(errno);
    }
  }

  void CloseRaw() override {
    int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) throw ErrnoError(errno);
  }

 private:
  int fd_;
};

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(errno);
    }
    data += put;
    size -= static_cast<size_t>(put);
  }
}

class PosixOutputFile final : public BufferedOutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) {}
  ~PosixOutputFile() override {
    if (fd_ < 0) return;
    FlushQuietly();
    ::close(fd_);
  }

 protected:
  void WriteRaw(const char* data, size_t size) override { WriteAll(fd_, data, size); }

  void CloseRaw() override {
    int fd = std::exchange(fd_, -1);
    // Network and quota-limited file systems report a full disk only here.
    if (::close(fd) != 0 && errno != EINTR) throw ErrnoError(errno);
  }

 private:
  int fd_;
};

// Closes a descriptor at the end of a scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

class Dir {
 public:
  explicit Dir(const std::string& native) : dir_(::opendir(native.c_str())) {}
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  ~Dir() {
    if (dir_) ::closedir(dir_);
  }
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

// ---------------------------------------------------------- run locks ---

// The descriptors that carry one run's lock: the project file's, and after
// the run replaced the project file, the new file's too. flock() locks
// belong to the open file, so they end when these are closed, or with the
// process.
struct HeldLock {
  HeldLock() = default;
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  ~HeldLock() {
    for (int fd : fds) ::close(fd);
  }

  std::vector<int> fds;
  // The file that now has the project file's name.
  dev_t device = 0;
  ino_t inode = 0;
};

class PosixRunLock final : public RunLock {
 public:
  explicit PosixRunLock(std::shared_ptr<HeldLock> held) : held_(std::move(held)) {}

 private:
  std::shared_ptr<HeldLock> held_;
};

// The byte the Windows program locks with LockFileEx, far beyond the end of
// any project file. Under Wine that lock is also a POSIX record lock on the
// same byte, which our record lock on it meets: a run of the wizard under
// Wine and a run of the console program exclude each other too.
constexpr off_t kLockOffset = off_t{1} << 62;

// Opens a file for a run lock: for writing where allowed, since only then
// can the record lock be a write lock, which excludes every other lock.
int OpenForLock(const std::string& native) {
  int fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)) {
    fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  }
  return fd;
}

// Takes the lock on fd; false when another open file holds it. flock()
// excludes our own runs on every file system and with any open mode; the
// record lock (an open-file lock, so it too belongs to fd and not to the
// process) excludes the Windows program under Wine.
bool TryLock(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EWOULDBLOCK) return false;
    if (errno != EINTR) throw ErrnoError(errno);
  }
#ifdef F_OFD_SETLK
  const int mode = ::fcntl(fd, F_GETFL);
  struct flock record = {};
  record.l_type = (mode >= 0 && (mode & O_ACCMODE) != O_RDONLY) ? F_WRLCK : F_RDLCK;
  record.l_whence = SEEK_SET;
  record.l_start = kLockOffset;
  record.l_len = 1;
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &record) == 0) return true;
    if (errno == EAGAIN || errno == EACCES) {
      ::flock(fd, LOCK_UN);
      return false;
    }
    // A file system without record locks still has the flock() lock.
    if (errno != EINTR) return true;
  }
#else
  return true;
#endif
}

// -------------------------------------------------------- file system ---

class PosixFileSystem final : public FileSystem {
  using OwnChange = PosixNameLookup::OwnChange;
  using Purpose = PosixNameLookup::Purpose;

 public:
  explicit PosixFileSystem(const std::string& codepage) : names_(codepage) {}

  std::unique_ptr<InputFile> OpenInput(const std::string& path) override {
    std::string native = Resolve(path);
    Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw PathError(errno, native);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) throw ErrnoError(errno);
    if (S_ISDIR(st.st_mode)) throw MakeError(err::kPathFileAccess);
    return std::make_unique<PosixInputFile>(fd.release(), static_cast<int64_t>(st.st_size));
  }

  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override {
    std::string native = Resolve(path, Purpose::kCreate);
    RefuseReadOnly(native);
    OwnChange change(names_, native);
    Fd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) throw PathError(errno, native);
    change.Added();
    return std::make_unique<PosixOutputFile>(fd.release());
  }

  int64_t FileLength(const std::string& path) override {
    std::string native = Resolve(path);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) throw PathError(errno, native);
    // A folder has no length; asking for one is like asking for a file that
    // is not there (which is how a probe for a file must see it).
    if (S_ISDIR(st.st_mode)) throw MakeError(err::kFileNotFound);
    return static_cast<int64_t>(st.st_size);
  }

  void Remove(const std::string& path) override {
    std::string native = Resolve(path);
    // Windows refuses to delete a read-only file; so do we, so that the
    // engine behaves alike on both.
    RefuseReadOnly(native);
    OwnChange change(names_, native);
    if (::unlink(native.c_str()) != 0) throw PathError(errno, native);
    change.Removed();
  }

  void CopyOver(const std::string& source, const std::string& target) override {
    std::string from = Resolve(source);
    std::string to = Resolve(target, Purpose::kCreate);
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throw PathError(errno, from);
    struct stat source_stat;
    if (::fstat(in.get(), &source_stat) != 0) throw ErrnoError(errno);
    if (S_ISDIR(source_stat.st_mode)) throw MakeError(err::kPathFileAccess);
    struct stat target_stat;
    if (::stat(to.c_str(), &target_stat) == 0) {
      // Truncating the target would destroy the source when both are one file.
      if (target_stat.st_dev == source_stat.st_dev && target_stat.st_ino == source_stat.st_ino) {
        throw MakeError(err::kPermissionDenied);
      }
      if (IsReadOnlyFile(target_stat)) throw MakeError(err::kPermissionDenied);
    }
    OwnChange change(names_, to);
    Fd out(
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, source_stat.st_mode & 0777));
    if (out.get() < 0) throw PathError(errno, to);
    change.Added();
    std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    for (;;) {
      ssize_t got = ::read(in.get(), buffer.get(), kBufferSize);
      if (got < 0) {
        if (errno == EINTR) continue;
        throw ErrnoError(errno);
      }
      if (got == 0) break;
      WriteAll(out.get(), buffer.get(), static_cast<size_t>(got));
    }
    int fd = out.release();
    if (::close(fd) != 0 && errno != EINTR) throw ErrnoError(errno);
  }

  void Replace(const std::string& source, const std::string& target) override {
    std::string from = Resolve(source);
    std::string to = Resolve(target, Purpose::kCreate);
    Fd fd(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw PathError(errno, from);
    struct stat source_stat;
    if (::fstat(fd.get(), &source_stat) != 0) throw ErrnoError(errno);
    if (!S_ISREG(source_stat.st_mode)) throw MakeError(err::kPathFileAccess);
    struct stat target_stat;
    bool target_exists = ::stat(to.c_str(), &target_stat) == 0;
    if (target_exists) {
      if (S_ISDIR(target_stat.st_mode)) throw MakeError(err::kPathFileAccess);
      if (IsReadOnlyFile(target_stat)) throw MakeError(err::kPermissionDenied);
      if (target_stat.st_dev == source_stat.st_dev && target_stat.st_ino == source_stat.st_ino) {
        return;  // already in place
      }
    } else if (errno != ENOENT) {
      throw PathError(errno, to);
    } else if (!IsFolder(ParentOf(to))) {
      throw MakeError(err::kPathNotFound);
    }
    if (target_exists) {
      if (::fchmod(fd.get(), target_stat.st_mode & 07777) != 0) throw ErrnoError(errno);
      // Keeping the owner needs privileges we may not have; the content
      // matters more than the owner, so a refusal is not an error.
      if (target_stat.st_uid != source_stat.st_uid || target_stat.st_gid != source_stat.st_gid) {
        if (::fchown(fd.get(), target_stat.st_uid, target_stat.st_gid) != 0) {
          // best effort
        }
      }
    }
    // The new content must be on disk before its name is: otherwise a crash
    // right after the rename could leave an empty file in the form's place.
    // This one data flush is all the guarantee needs. The folder itself is
    // not flushed: after a crash it names either the old file or the new
    // one, and both are complete, so the rename may reach the disk with the
    // file system's next commit.
    if (::fdatasync(fd.get()) != 0) throw ErrnoError(errno);
    // A run's lock on the target goes with its name: the new content is
    // locked before it takes the name, so no second run finds the project
    // file unlocked at any moment.
    std::shared_ptr<HeldLock> held;
    if (target_exists) held = HeldLockOn(target_stat);
    if (held) {
      Fd lock_fd(OpenForLock(from));
      if (lock_fd.get() < 0) throw PathError(errno, from);
      if (!TryLock(lock_fd.get())) throw MakeError(err::kPermissionDenied);
      held->fds.push_back(lock_fd.release());
    }
    OwnChange source_gone(names_, from);
    OwnChange target_there(names_, to);
    if (::rename(from.c_str(), to.c_str()) != 0) throw PathError(errno, to);
    if (held) {
      held->device = source_stat.st_dev;
      held->inode = source_stat.st_ino;
    }
    source_gone.Removed();
    target_there.Added();
  }

  void CreateFolder(const std::string& path) override {
    std::string native = Resolve(path, Purpose::kCreate);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    OwnChange change(names_, native);
    if (::mkdir(native.c_str(), 0777) != 0) throw PathError(errno, native);
    change.Added();
  }

  std::optional<std::string> FirstPlainFile(const std::string& folder) override {
    std::string native = Resolve(folder);
    if (native.empty() || native.back() != '/') native.push_back('/');
    // "/" alone would be the root: an empty folder means the current one.
    if (native.size() == 1 && folder.empty()) native.insert(native.begin(), '.');
    Dir dir(native);
    if (!dir.get()) {
      if (errno == ENOENT) throw MakeError(err::kPathNotFound);
      throw ErrnoError(errno);
    }
    // Windows lists in name order on its usual file systems; taking the
    // smallest name gives the same answer on every run here too.
    std::optional<std::string> first;
    for (;;) {
      errno = 0;
      struct dirent* entry = ::readdir(dir.get());
      if (!entry) {
        if (errno != 0) throw ErrnoError(errno);
        break;
      }
      std::string_view name = entry->d_name;
      if (name.empty() || name.front() == '.') continue;  // hidden, "." and ".."
      if (first && name >= *first) continue;
      bool plain = entry->d_type == DT_REG;
      if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
        struct stat st;
        plain = ::stat((native + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
      }
      if (plain) first = std::string(name);
    }
    return first;
  }

  std::string ToDisplayText(std::string_view ansi) override { return names_.DisplayText(ansi); }

  std::string FinalPath(const std::string& path) override {
    const std::string native = Resolve(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(native.c_str(), nullptr),
                                                     &std::free);
    // A link that points nowhere: opening it reports the missing file.
    if (!real) return path;
    std::string engine_path = real.get();
    std::replace(engine_path.begin(), engine_path.end(), '/', '\\');
    return engine_path;
  }

  std::string SpelledPath(const std::string& path) override {
    std::string spelled = NativeSpelling(path);
    std::replace(spelled.begin(), spelled.end(), '/', '\\');
    return spelled;
  }

  std::string AbsolutePath(const std::string& path) override {
    std::string native = NativeSpelling(path);
    if (native.empty() || native.front() != '/') {
      std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
      if (!current) return WithoutDots(SpelledPath(path));
      native = std::string(current.get()) + "/" + native;
    }
    std::string absolute = RealFolders(native);
    std::replace(absolute.begin(), absolute.end(), '/', '\\');
    return absolute;
  }

  std::unique_ptr<RunLock> LockRun(const std::string& path) override {
    const std::string native = Resolve(path);
    // Another run may replace the project file between our open and our
    // lock; the lock then sits on a file that no longer has the name, and
    // the name is tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
      Fd fd(OpenForLock(native));
      if (fd.get() < 0) throw PathError(errno, native);
      struct stat locked;
      if (::fstat(fd.get(), &locked) != 0) throw ErrnoError(errno);
      if (S_ISDIR(locked.st_mode)) throw MakeError(err::kPathFileAccess);
      if (!TryLock(fd.get())) return nullptr;
      struct stat named;
      if (::stat(native.c_str(), &named) != 0) {
        if (errno == ENOENT) continue;
        throw ErrnoError(errno);
      }
      if (named.st_dev != locked.st_dev || named.st_ino != locked.st_ino) continue;
      auto held = std::make_shared<HeldLock>();
      held->device = locked.st_dev;
      held->inode = locked.st_ino;
      held->fds.push_back(fd.release());
      held_locks_.erase(
          std::remove_if(held_locks_.begin(), held_locks_.end(),
                         [](const std::weak_ptr<HeldLock>& h) { return h.expired(); }),
          held_locks_.end());
      held_locks_.push_back(held);
      return std::make_unique<PosixRunLock>(std::move(held));
    }
    throw MakeError(err::kPathFileAccess);
  }

  bool IsReadOnly(const std::string& path) override {
    try {
      struct stat st;
      return ::stat(Resolve(path).c_str(), &st) == 0 && IsReadOnlyFile(st);
    } catch (...) {
      return false;
    }
  }

 private:
  static void RefuseReadOnly(const std::string& native) {
    struct stat st;
    if (::stat(native.c_str(), &st) == 0 && IsReadOnlyFile(st)) {
      throw MakeError(err::kPermissionDenied);
    }
  }

  // The native path Resolve finds, for showing: the bytes as they are
  // when a name cannot be looked up at all.
  std::string NativeSpelling(const std::string& path) {
    try {
      return Resolve(path);
    } catch (...) {
      std::string native = path;
      std::replace(native.begin(), native.end(), '\\', '/');
      return native;
    }
  }

  // The absolute native path with every folder in it resolved through its
  // links and "." and ".." taken out; the last name stays as it is unless it
  // is "." or "..". What does not exist is resolved as far as it does.
  static std::string RealFolders(const std::string& native) {
    auto real_path = [](const std::string& of) -> std::optional<std::string> {
      std::unique_ptr<char, decltype(&std::free)> real(::realpath(of.c_str(), nullptr), &std::free);
      if (!real) return std::nullopt;
      return std::string(real.get());
    };
    auto joined = [](const std::string& folder, const std::string& name) {
      return folder == "/" ? "/" + name : folder + "/" + name;
    };
    const size_t slash = native.find_last_of('/');
    if (slash == std::string::npos || native == "/") return native;
    const std::string parent = slash == 0 ? "/" : native.substr(0, slash);
    const std::string name = native.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
      if (std::optional<std::string> real = real_path(native)) return *real;
      const std::string folder = RealFolders(parent);
      return name == ".." ? ParentOf(folder) : folder;
    }
    if (std::optional<std::string> real = real_path(parent)) return joined(*real, name);
    return joined(RealFolders(parent), name);
  }

  std::string Resolve(const std::string& path, Purpose purpose = Purpose::kFind) {
    return names_.Resolve(path, purpose);
  }

  // The run lock, if one of ours is held, on the file st describes.
  std::shared_ptr<HeldLock> HeldLockOn(const struct stat& st) {
    for (const std::weak_ptr<HeldLock>& weak : held_locks_) {
      std::shared_ptr<HeldLock> held = weak.lock();
      if (held && held->device == st.st_dev && held->inode == st.st_ino) return held;
    }
    return nullptr;
  }

  PosixNameLookup names_;
  // The run locks taken through this object that may still be held.
  std::vector<std::weak_ptr<HeldLock>> held_locks_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem(const std::string& codepage) {
  return std::make_unique<PosixFileSystem>(codepage);
}

}  // namespace xpconv

// The POSIX half of the file-system layer. Engine paths become native ones by
// turning "\" into "/"; where those bytes name nothing, names are looked up
// again the way Windows would find them: ignoring letter case, and with the
// name converted from the projects' ANSI code page to the UTF-8 of the disk.
// A name that names nothing yet is created in UTF-8 the same way, as Wine
// creates it for a Windows program.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/file_system_detail.h"

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

bool Exists(const std::string& native) {
  struct stat st;
  return ::lstat(native.c_str(), &st) == 0;
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

// ---------------------------------------------------------- code pages ---

// What a conversion does with a byte the code page does not define.
enum class Undefined {
  // The conversion fails.
  kFail,
  // The byte becomes U+FFFD: for text shown to a person.
  kMark,
  // As Windows and Wine convert a file name: in a single-byte code page the
  // unassigned bytes 0x80 to 0x9F become the C1 control characters of the
  // same value (Windows-1252's 0x81 becomes U+0081), so the name converts
  // back to the bytes it came from. Any other such byte fails.
  kAsWindows,
};

class Converter {
 public:
  explicit Converter(const std::string& codepage) : cd_(::iconv_open("UTF-8", codepage.c_str())) {
    if (ok()) single_byte_ = IsSingleByte();
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The bytes converted to UTF-8; nullopt when a byte the code page does
  // not define fails the conversion (see Undefined).
  std::optional<std::string> ToUtf8(std::string_view bytes, Undefined undefined) {
    std::string out;
    out.reserve(bytes.size() * 2 + 8);
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char chunk[512];
    while (in_left > 0) {
      char* put = chunk;
      size_t put_left = sizeof(chunk);
      size_t done = ::iconv(cd_, &in, &in_left, &put, &put_left);
      out.append(chunk, static_cast<size_t>(put - chunk));
      if (done != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ, or EINVAL for a lead byte cut off at the end.
      const auto byte = static_cast<unsigned char>(*in);
      if (undefined == Undefined::kMark) {
        out += "\xEF\xBF\xBD";
      } else if (undefined == Undefined::kAsWindows && single_byte_ && byte >= 0x80 &&
                 byte <= 0x9F) {
        out += static_cast<char>(0xC2);
        out += static_cast<char>(byte);
      } else {
        return std::nullopt;
      }
      ++in;
      --in_left;
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  // True when no byte starts a longer sequence: every byte converts alone
  // or is undefined, and none is reported as a sequence cut off.
  bool IsSingleByte() {
    for (int value = 0x80; value <= 0xFF; ++value) {
      char byte = static_cast<char>(value);
      char* in = &byte;
      size_t in_left = 1;
      char out[8];
      char* put = out;
      size_t put_left = sizeof(out);
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (::iconv(cd_, &in, &in_left, &put, &put_left) == static_cast<size_t>(-1) &&
          errno == EINVAL) {
        return false;
      }
    }
    return true;
  }

  iconv_t cd_;
  bool single_byte_ = false;
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
 public:
  explicit PosixFileSystem(const std::string& codepage) : converter_(codepage) {
    if (!converter_.ok()) {
      throw VbError(5, "Unzulässiger Prozeduraufruf oder unzulässiges Argument (Codepage \"" +
                           codepage + "\")");
    }
  }

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
    OwnChange change(*this, native);
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
    OwnChange change(*this, native);
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
    OwnChange change(*this, to);
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
    OwnChange source_gone(*this, from);
    OwnChange target_there(*this, to);
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
    OwnChange change(*this, native);
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

  std::string ToDisplayText(std::string_view ansi) override {
    if (fs_detail::IsValidUtf8(ansi)) return std::string(ansi);
    return *converter_.ToUtf8(ansi, Undefined::kMark);
  }

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
      if (!current) return fs_detail::WithoutDots(SpelledPath(path), '\\');
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

  // What an operation does with the path it resolves.
  enum class Purpose {
    // Opens, removes or lists what is there.
    kFind,
    // May create the file or folder the path names.
    kCreate,
  };

  // The native path for an engine path. When its exact bytes name nothing,
  // each component that does not exist exactly is matched against the
  // entries of its folder. A component nothing matches names something new:
  // it is converted to UTF-8 as Wine converts an ANSI name (NewName), so a
  // new file lands in the folder found under the name its original has.
  std::string Resolve(const std::string& path, Purpose purpose = Purpose::kFind) {
    std::string native = path;
    for (char& c : native) {
      if (c == '\\') c = '/';
    }
    if (native.empty() || Exists(native)) return native;

    // Nearly always the folder exists exactly and only the last name needs
    // looking up (a new temporary file, a form named in another case).
    const size_t last_slash = native.find_last_of('/');
    const std::string_view last = last_slash == std::string::npos
                                      ? std::string_view(native)
                                      : std::string_view(native).substr(last_slash + 1);
    if (!last.empty() && last != "." && last != "..") {
      const std::string folder = FolderKey(native, last_slash);
      struct stat folder_stat;
      if (::stat(folder.c_str(), &folder_stat) == 0 && S_ISDIR(folder_stat.st_mode)) {
        std::optional<std::string> found = FindInFolder(folder, folder_stat, std::string(last));
        if (!found) found = NewName(last, purpose);
        native.replace(native.size() - last.size(), last.size(), *found);
        return native;
      }
    }

    std::string result;
    size_t start = 0;
    while (start < native.size() && native[start] == '/') ++start;
    result.assign(native, 0, start);
    bool found_so_far = true;
    while (start < native.size()) {
      size_t slash = native.find('/', start);
      if (slash == std::string::npos) slash = native.size();
      std::string component = native.substr(start, slash - start);
      if (!component.empty() && component != "." && component != "..") {
        std::optional<std::string> found;
        // Once a component names nothing, nothing further down can exist;
        // the operation creates the next level or reports what is missing.
        if (found_so_far && !Exists(result + component)) {
          found = FindInFolder(result.empty() ? "." : result, component);
          found_so_far = found.has_value();
        }
        if (found) {
          component = std::move(*found);
        } else if (!found_so_far) {
          component = NewName(component, purpose);
        }
      }
      result += component;
      if (slash < native.size()) result += '/';
      start = slash + 1;
    }
    return result;
  }

  // The name on disk for a component that names nothing yet: as it is when
  // it is ASCII or valid UTF-8 already (the rule of ToDisplayText), else
  // converted from the code page, which is how Wine names every file a
  // Windows program creates. A name that does not convert cannot be
  // created: 52 "Dateiname oder -nummer falsch" rather than a name that is
  // not UTF-8. For a look-up it stays as it is, and names nothing.
  std::string NewName(std::string_view component, Purpose purpose) {
    if (fs_detail::IsValidUtf8(component)) return std::string(component);
    std::optional<std::string> utf8 = converter_.ToUtf8(component, Undefined::kAsWindows);
    if (utf8) return std::move(*utf8);
    if (purpose == Purpose::kCreate) throw MakeError(err::kBadFileNameOrNumber);
    return std::string(component);
  }

  // ------------------------------------------------- folder listings ---
  //
  // A look-up that lists a folder for every new file is quadratic over a run
  // (each form's temporary file and backup copy go into folders that hold
  // thousands of files). So each folder's entries are kept, indexed by their
  // folded names, and reused while the folder is unchanged: the same device,
  // inode and modification time to the nanosecond. Our own changes are
  // applied to the listing as they are made, together with the folder's new
  // time, so they do not throw it away; a change by anyone else does.
  //
  // Every change to a folder sets its time, but that only tells changes
  // apart when the next one cannot get the same time. Since 6.13 Linux gives
  // a change on ext4, XFS, Btrfs and tmpfs a later time than any time read
  // before it (and each validation reads it). Elsewhere times come from the
  // clock tick, or are whole seconds: there a listing whose time is still
  // the current tick, or a whole second of the last two, is used once and
  // then read again.

  struct FolderListing {
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified {};
    // False when the listing could not be read to its end, or when a later
    // change could leave the folder's time as it is: used once, then read
    // again.
    bool reusable = false;
    // The folder's file system gives every change after a read of its time
    // a later time (see FineChangeTimes).
    bool fine_times = false;
    // Folded name (UTF-8, small letters) -> the names on disk that fold to it.
    std::unordered_map<std::string, std::vector<std::string>> names;
  };

  // How many folders' listings are kept at most, whatever the project's
  // shape; each takes memory in proportion to its folder's entries (a
  // hundred bytes or so per name), never to the size of the files.
  static constexpr size_t kMaxListings = 64;

  // The key under which a folder is listed: its native path without the
  // separators behind it ("." for the current folder). path_end is the
  // position of the separator in front of a name, or npos.
  static std::string FolderKey(const std::string& native, size_t path_end) {
    if (path_end == std::string::npos) return ".";
    size_t end = path_end;
    while (end > 0 && native[end - 1] == '/') --end;
    if (end == 0) return "/";
    return native.substr(0, end);
  }

  // Whether the kernel gives changes times finer than the clock tick once a
  // time has been read: Linux 6.13 and later.
  static bool KernelHasFineChangeTimes() {
    struct utsname names;
    if (::uname(&names) != 0 || std::strcmp(names.sysname, "Linux") != 0) return false;
    int major = 0;
    int minor = 0;
    if (std::sscanf(names.release, "%d.%d", &major, &minor) != 2) return false;
    return major > 6 || (major == 6 && minor >= 13);
  }

  // Whether a change to folder gets a later time than any read before it:
  // the kernel does so for the file systems that opted in.
  bool FineChangeTimes(const std::string& folder) const {
#ifdef __linux__
    if (!kernel_fine_times_) return false;
    struct statfs info;
    if (::statfs(folder.c_str(), &info) != 0) return false;
    switch (static_cast<unsigned long>(info.f_type)) {
      case 0xEF53:      // ext2/3/4
      case 0x58465342:  // XFS
      case 0x9123683E:  // Btrfs
      case 0x01021994:  // tmpfs
        return true;
      default:
        return false;
    }
#else
    (void)folder;
    return false;
#endif
  }

  // False when a later change could give the folder this same time again:
  // on a file system without fine change times, while modified is still the
  // current clock tick; anywhere, for a whole second (a file system that
  // keeps no finer times) of the last two.
  static bool LaterChangesShow(const FolderListing& listing) {
    const struct timespec& modified = listing.modified;
    struct timespec now;
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return false;
    if (modified.tv_nsec == 0) return now.tv_sec > modified.tv_sec + 2;
    if (listing.fine_times) return true;
    return modified.tv_sec != now.tv_sec || modified.tv_nsec != now.tv_nsec;
  }

  static bool Shows(const FolderListing& listing, const struct stat& st) {
    return listing.reusable && listing.device == st.st_dev && listing.inode == st.st_ino &&
           listing.modified.tv_sec == st.st_mtim.tv_sec &&
           listing.modified.tv_nsec == st.st_mtim.tv_nsec;
  }

  // The folded form of a name on disk; nullopt when it is neither UTF-8 nor
  // text of the projects' code page, so that nothing can match it.
  std::optional<std::string> FoldedEntry(std::string_view entry_name) {
    if (fs_detail::IsValidUtf8(entry_name)) return fs_detail::FoldCaseUtf8(entry_name);
    // A name written by a tool that kept the ANSI bytes.
    std::optional<std::string> entry_utf8 = converter_.ToUtf8(entry_name, Undefined::kAsWindows);
    if (!entry_utf8) return std::nullopt;
    return fs_detail::FoldCaseUtf8(*entry_utf8);
  }

  void AddName(FolderListing& listing, std::string_view entry_name) {
    std::optional<std::string> folded = FoldedEntry(entry_name);
    if (!folded) return;
    std::vector<std::string>& same = listing.names[*folded];
    for (const std::string& known : same) {
      if (known == entry_name) return;
    }
    same.emplace_back(entry_name);
  }

  void RemoveName(FolderListing& listing, std::string_view entry_name) {
    std::optional<std::string> folded = FoldedEntry(entry_name);
    if (!folded) return;
    auto it = listing.names.find(*folded);
    if (it == listing.names.end()) return;
    std::vector<std::string>& same = it->second;
    for (size_t i = 0; i < same.size(); ++i) {
      if (same[i] == entry_name) {
        same.erase(same.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    if (same.empty()) listing.names.erase(it);
  }

  // The listing of folder as folder_stat (taken just now) shows it, read
  // again when the one kept is out of date; nullptr when it cannot be read.
  FolderListing* ListingOf(const std::string& folder, const struct stat& folder_stat) {
    auto it = listings_.find(folder);
    if (it != listings_.end() && Shows(it->second, folder_stat)) return &it->second;
    if (it == listings_.end()) {
      if (listings_.size() >= kMaxListings) listings_.clear();
      it = listings_.emplace(folder, FolderListing()).first;
    }
    FolderListing& listing = it->second;
    listing.names.clear();
    // The time is the one taken before the reading: a change while it reads
    // leaves a newer time on the folder, so the listing is read again later.
    listing.device = folder_stat.st_dev;
    listing.inode = folder_stat.st_ino;
    listing.modified = folder_stat.st_mtim;
    listing.reusable = false;
    listing.fine_times = FineChangeTimes(folder);
    Dir dir(folder);
    if (!dir.get()) {
      listings_.erase(it);
      return nullptr;
    }
    for (;;) {
      errno = 0;
      struct dirent* entry = ::readdir(dir.get());
      if (!entry) {
        listing.reusable = errno == 0 && LaterChangesShow(listing);
        break;
      }
      std::string_view entry_name = entry->d_name;
      if (entry_name == "." || entry_name == "..") continue;
      AddName(listing, entry_name);
    }
    return &listing;
  }

  // The entry of folder that Windows would open for name: one whose name,
  // converted to UTF-8, equals name's ANSI bytes converted to UTF-8 (or
  // name as it is, when that is UTF-8 already) ignoring letter case. An
  // entry that equals exactly comes first; among the others, the smallest.
  std::optional<std::string> FindInFolder(const std::string& folder, const struct stat& folder_stat,
                                          const std::string& name) {
    FolderListing* listing = ListingOf(folder, folder_stat);
    if (!listing) return std::nullopt;
    std::optional<std::string> converted = converter_.ToUtf8(name, Undefined::kAsWindows);
    std::optional<std::string> best;
    auto consider = [&](const std::string& folded) {
      auto it = listing->names.find(folded);
      if (it == listing->names.end()) return false;
      for (const std::string& entry_name : it->second) {
        if (converted && entry_name == *converted) {
          best = entry_name;
          return true;
        }
        if (!best || entry_name < *best) best = entry_name;
      }
      return false;
    };
    if (converted && consider(fs_detail::FoldCaseUtf8(*converted))) return best;
    if (fs_detail::IsValidUtf8(name)) consider(fs_detail::FoldCaseUtf8(name));
    return best;
  }

  std::optional<std::string> FindInFolder(const std::string& folder, const std::string& name) {
    std::string key = FolderKey(folder + "/", folder.size());
    struct stat folder_stat;
    if (::stat(key.c_str(), &folder_stat) != 0 || !S_ISDIR(folder_stat.st_mode)) {
      return std::nullopt;
    }
    return FindInFolder(key, folder_stat, name);
  }

  // One of our own changes to a folder's entries (a file created, removed
  // or renamed): made before the change, it notes whether the folder's
  // listing is up to date; afterwards, Added or Removed applies the change
  // to it and records the folder's new time. A listing that was already out
  // of date is dropped, so someone else's earlier change is never taken for
  // ours. (One made in the microseconds between the two looks at the
  // folder's time would be; nothing short of listing the folder again after
  // every change of ours tells those apart.)
  class OwnChange {
   public:
    OwnChange(PosixFileSystem& fs, const std::string& native) : fs_(fs) {
      const size_t slash = native.find_last_of('/');
      folder_ = FolderKey(native, slash);
      name_ = slash == std::string::npos ? native : native.substr(slash + 1);
      auto it = fs_.listings_.find(folder_);
      if (it == fs_.listings_.end()) return;
      struct stat st;
      if (::stat(folder_.c_str(), &st) == 0 && Shows(it->second, st)) {
        up_to_date_ = true;
      } else {
        fs_.listings_.erase(it);
      }
    }
    OwnChange(const OwnChange&) = delete;
    OwnChange& operator=(const OwnChange&) = delete;

    void Added() { Apply(true); }
    void Removed() { Apply(false); }

   private:
    void Apply(bool added) {
      if (!up_to_date_) return;
      up_to_date_ = false;
      auto it = fs_.listings_.find(folder_);
      if (it == fs_.listings_.end()) return;
      struct stat st;
      if (::stat(folder_.c_str(), &st) != 0 || st.st_dev != it->second.device ||
          st.st_ino != it->second.inode) {
        fs_.listings_.erase(it);
        return;
      }
      if (added) {
        fs_.AddName(it->second, name_);
      } else {
        fs_.RemoveName(it->second, name_);
      }
      it->second.modified = st.st_mtim;
      it->second.reusable = LaterChangesShow(it->second);
    }

    PosixFileSystem& fs_;
    std::string folder_;
    std::string name_;
    bool up_to_date_ = false;
  };

  // The run lock, if one of ours is held, on the file st describes.
  std::shared_ptr<HeldLock> HeldLockOn(const struct stat& st) {
    for (const std::weak_ptr<HeldLock>& weak : held_locks_) {
      std::shared_ptr<HeldLock> held = weak.lock();
      if (held && held->device == st.st_dev && held->inode == st.st_ino) return held;
    }
    return nullptr;
  }

  Converter converter_;
  // The run locks taken through this object that may still be held.
  std::vector<std::weak_ptr<HeldLock>> held_locks_;
  const bool kernel_fine_times_ = KernelHasFineChangeTimes();
  // Keyed by FolderKey.
  std::unordered_map<std::string, FolderListing> listings_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem(const std::string& codepage) {
  return std::make_unique<PosixFileSystem>(codepage);
}

}  // namespace xpconv

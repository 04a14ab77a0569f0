// The Windows half of the file-system layer. Engine paths are ANSI bytes, so
// they go to the ...A functions as they are: the system itself ignores letter
// case and knows the code page. This is the one engine file that includes
// <windows.h>.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/file_system_detail.h"

namespace xpconv {

namespace {

using fs_detail::BufferedInputFile;
using fs_detail::BufferedOutputFile;

// --------------------------------------------------------------- errors ---

int32_t MapWin32Error(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return err::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
      return err::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return err::kPermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return err::kDiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_HANDLE:
      return err::kBadFileNameOrNumber;
    case ERROR_HANDLE_EOF:
      return err::kInputPastEnd;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_NOT_SAME_DEVICE:
    case ERROR_CANNOT_MAKE:
    case ERROR_BUSY:
      return err::kPathFileAccess;
    default:
      return 0;
  }
}

std::string WideToUtf8(const wchar_t* wide, int length) {
  if (length <= 0) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(std::max(size, 0)), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// The system's own text for an error the runtime table has no number for.
std::string SystemText(DWORD code) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length > 0 && text) utf8 = WideToUtf8(text, static_cast<int>(length));
  if (text) LocalFree(text);
  while (!utf8.empty() && (utf8.back() == '\r' || utf8.back() == '\n' || utf8.back() == ' ')) {
    utf8.pop_back();
  }
  if (utf8.empty()) utf8 = "Systemfehler " + std::to_string(code);
  return utf8;
}

VbError Win32Error(DWORD code) {
  int32_t number = MapWin32Error(code);
  if (number != 0) return MakeError(number);
  return VbError(static_cast<int32_t>(code), SystemText(code));
}

[[noreturn]] void ThrowLastError() {
  throw Win32Error(GetLastError());
}

// ---------------------------------------------------------------- files ---

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

class Win32InputFile final : public BufferedInputFile {
 public:
  Win32InputFile(HANDLE handle, int64_t length) : BufferedInputFile(length), handle_(handle) {}
  ~Win32InputFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }

 protected:
  size_t ReadRaw(char* data, size_t size) override {
    DWORD got = 0;
    if (!ReadFile(handle_, data, static_cast<DWORD>(size), &got, nullptr)) {
      DWORD code = GetLastError();
      if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) return 0;
      throw Win32Error(code);
    }
    return got;
  }

  void CloseRaw() override {
    if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) ThrowLastError();
  }

 private:
  HANDLE handle_;
};

void WriteAll(HANDLE handle, const char* data, size_t size) {
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(handle, data, chunk, &put, nullptr)) ThrowLastError();
    if (put == 0) throw MakeError(err::kDiskFull);
    data += put;
    size -= put;
  }
}

class Win32OutputFile final : public BufferedOutputFile {
 public:
  explicit Win32OutputFile(HANDLE handle) : handle_(handle) {}
  ~Win32OutputFile() override {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    FlushQuietly();
    CloseHandle(handle_);
  }

 protected:
  void WriteRaw(const char* data, size_t size) override { WriteAll(handle_, data, size); }

  void CloseRaw() override {
    if (!CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) ThrowLastError();
  }

 private:
  HANDLE handle_;
};

bool IsFolderAttribute(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------- run locks ---

// The lock is one byte far beyond the end of any project file: LockFileEx
// locks are mandatory, so a locked byte inside the file would stop other
// programs (and our own copy) from reading it.
constexpr DWORD kLockOffsetHigh = 0x40000000;

// The handles that carry one run's lock: the project file's, and after the
// run replaced the project file, the new file's.
struct HeldLock {
  HeldLock() = default;
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;
  ~HeldLock() {
    for (HANDLE handle : handles) CloseHandle(handle);
  }

  std::vector<HANDLE> handles;
  // The file that now has the project file's name.
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
};

class Win32RunLock final : public RunLock {
 public:
  explicit Win32RunLock(std::shared_ptr<HeldLock> held) : held_(std::move(held)) {}

 private:
  std::shared_ptr<HeldLock> held_;
};

// Opens a file for a lock: read access only, every kind of sharing, so that
// our own reads, copies and renames of it go on as before.
HANDLE OpenForLock(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Takes the lock on handle; false when another handle holds it.
bool TryLock(HANDLE handle) {
  OVERLAPPED at = {};
  at.OffsetHigh = kLockOffsetHigh;
  if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    return true;
  }
  DWORD code = GetLastError();
  if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING) return false;
  throw Win32Error(code);
}

bool IdentityOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileInformationByHandle(handle, &info) != 0;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// -------------------------------------------------------- file system ---

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenInput(const std::string& path) override {
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) ThrowOpenError(path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) ThrowLastError();
    return std::make_unique<Win32InputFile>(file.release(), size.QuadPart);
  }

  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override {
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowOpenError(path);
    return std::make_unique<Win32OutputFile>(file.release());
  }

  int64_t FileLength(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) ThrowLastError();
    // A folder has no length; asking for one is like asking for a file that
    // is not there (which is how a probe for a file must see it).
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw MakeError(err::kFileNotFound);
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  void Remove(const std::string& path) override {
    if (!DeleteFileA(path.c_str())) ThrowOpenError(path);
  }

  void CopyOver(const std::string& source, const std::string& target) override {
    if (IsFolderAttribute(GetFileAttributesA(source.c_str()))) {
      throw MakeError(err::kPathFileAccess);
    }
    // Windows refuses to copy over a read-only file; not every implementation
    // of CopyFileA does, so ask first and behave the same everywhere.
    DWORD target_attributes = GetFileAttributesA(target.c_str());
    if (target_attributes != INVALID_FILE_ATTRIBUTES &&
        (target_attributes & FILE_ATTRIBUTE_READONLY)) {
      throw MakeError(err::kPermissionDenied);
    }
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) ThrowLastError();
  }

  void Replace(const std::string& source, const std::string& target) override {
    // A run's lock on the target goes with its name: the new content is
    // locked before it takes the name (see ReplaceLocked).
    if (std::shared_ptr<HeldLock> held = HeldLockOn(target)) {
      ReplaceLocked(source, target, *held);
      return;
    }
    ReplaceUnlocked(source, target);
  }

  void ReplaceUnlocked(const std::string& source, const std::string& target) {
    DWORD target_attributes = GetFileAttributesA(target.c_str());
    if (target_attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD code = GetLastError();
      if (code != ERROR_FILE_NOT_FOUND) throw Win32Error(code);
    } else {
      if (target_attributes & FILE_ATTRIBUTE_DIRECTORY) throw MakeError(err::kPathFileAccess);
      if (target_attributes & FILE_ATTRIBUTE_READONLY) throw MakeError(err::kPermissionDenied);
    }
    {
      // The new content must be on disk before its name is: otherwise a
      // crash right after the rename could leave an empty file in the
      // form's place.
      Handle file(CreateFileA(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.valid()) ThrowOpenError(source);
      if (!FlushFileBuffers(file.get())) ThrowLastError();
    }
    if (target_attributes != INVALID_FILE_ATTRIBUTES) {
      // The rename carries the attributes of the file renamed; give it the
      // target's first, so that the form keeps its own.
      constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
      DWORD kept = target_attributes & kKept;
      if (!SetFileAttributesA(source.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL)) {
        ThrowLastError();
      }
    }
    if (!MoveFileExA(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      ThrowLastError();
    }
  }

  void CreateFolder(const std::string& path) override {
    if (!CreateDirectoryA(path.c_str(), nullptr)) ThrowLastError();
  }

  std::optional<std::string> FirstPlainFile(const std::string& folder) override {
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' &&
        pattern.back() != ':') {
      pattern += '\\';
    }
    pattern += "*.*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
      DWORD code = GetLastError();
      // An existing folder with nothing in it (a drive's root has no "."
      // entry to match).
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) return std::nullopt;
      throw Win32Error(code);
    }
    constexpr DWORD kNotListed =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::optional<std::string> first;
    do {
      if (!(found.dwFileAttributes & kNotListed)) {
        first = found.cFileName;
        break;
      }
    } while (FindNextFileA(search, &found));
    DWORD code = first ? ERROR_SUCCESS : GetLastError();
    FindClose(search);
    if (code != ERROR_SUCCESS && code != ERROR_NO_MORE_FILES) throw Win32Error(code);
    return first;
  }

  std::string FinalPath(const std::string& path) override {
    // Not only for files marked as reparse points: under Wine a link made
    // on the Linux side is no reparse point, yet the system knows the file
    // it opens. A path that names the file already (in any letter case)
    // comes back as it is.
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return path;
    }
    Handle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // A link that points nowhere: opening it reports the missing file.
    if (!file.valid()) return path;
    std::wstring wide(MAX_PATH, L'\0');
    for (;;) {
      DWORD length = GetFinalPathNameByHandleW(
          file.get(), wide.data(), static_cast<DWORD>(wide.size()), FILE_NAME_NORMALIZED);
      if (length == 0) return path;
      if (length < wide.size()) {
        wide.resize(length);
        break;
      }
      wide.resize(length + 1);
    }
    // "\\?\C:\..." and "\\?\UNC\server\..." in the form the ...A functions take.
    if (wide.rfind(L"\\\\?\\UNC\\", 0) == 0) {
      wide = L"\\\\" + wide.substr(8);
    } else if (wide.rfind(L"\\\\?\\", 0) == 0) {
      wide = wide.substr(4);
    }
    // A name the ANSI code page cannot hold would name another file: the
    // link is then converted as it was before links were followed.
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                                   static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) return path;
    std::string ansi(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        ansi.data(), size, nullptr, &lossy);
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, ansi.data(), size, path.data(),
                       static_cast<int>(path.size())) == CSTR_EQUAL) {
      return path;
    }
    return ansi;
  }

  std::string SpelledPath(const std::string& path) override {
    // The longest leading part that exists, as the system spells it; the
    // rest as given.
    for (size_t end = path.size(); end > 0;) {
      const std::string head = path.substr(0, end);
      const DWORD size = GetLongPathNameA(head.c_str(), nullptr, 0);
      if (size > 0) {
        std::string spelled(size, '\0');
        const DWORD length = GetLongPathNameA(head.c_str(), spelled.data(), size);
        if (length > 0 && length < size) {
          spelled.resize(length);
          return spelled + path.substr(end);
        }
      }
      const size_t slash = path.find_last_of("\\/", end - 1);
      if (slash == std::string::npos) break;
      end = slash;
    }
    return path;
  }

  std::string AbsolutePath(const std::string& path) override {
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return SpelledPath(path);
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return SpelledPath(path);
    full.resize(length);
    return SpelledPath(full);
  }

  std::unique_ptr<RunLock> LockRun(const std::string& path) override {
    // Another run may replace the project file between our open and our
    // lock; the lock then sits on a file that no longer has the name, and
    // the name is tried again.
    for (int attempt = 0; attempt < 100; ++attempt) {
      Handle file(OpenForLock(path));
      if (!file.valid()) ThrowOpenError(path);
      BY_HANDLE_FILE_INFORMATION locked;
      if (!IdentityOf(file.get(), locked)) ThrowLastError();
      if (locked.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw MakeError(err::kPathFileAccess);
      if (!TryLock(file.get())) return nullptr;
      Handle again(OpenForLock(path));
      BY_HANDLE_FILE_INFORMATION named;
      if (!again.valid() || !IdentityOf(again.get(), named) || !SameFile(locked, named)) continue;
      auto held = std::make_shared<HeldLock>();
      held->volume = locked.dwVolumeSerialNumber;
      held->index_high = locked.nFileIndexHigh;
      held->index_low = locked.nFileIndexLow;
      held->handles.push_back(file.release());
      std::erase_if(held_locks_, [](const std::weak_ptr<HeldLock>& h) { return h.expired(); });
      held_locks_.push_back(held);
      return std::make_unique<Win32RunLock>(std::move(held));
    }
    throw MakeError(err::kPathFileAccess);
  }

  std::string ToDisplayText(std::string_view ansi) override {
    if (ansi.empty()) return {};
    int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0) {
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                          length);
    }
    return WideToUtf8(wide.data(), static_cast<int>(wide.size()));
  }

  bool IsReadOnly(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
  }

 private:
  // The run lock, if one of ours is held, on the file at path.
  std::shared_ptr<HeldLock> HeldLockOn(const std::string& path) {
    std::erase_if(held_locks_, [](const std::weak_ptr<HeldLock>& h) { return h.expired(); });
    if (held_locks_.empty()) return nullptr;
    Handle file(OpenForLock(path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.valid() || !IdentityOf(file.get(), info)) return nullptr;
    for (const std::weak_ptr<HeldLock>& weak : held_locks_) {
      std::shared_ptr<HeldLock> held = weak.lock();
      if (held && held->volume == info.dwVolumeSerialNumber &&
          held->index_high == info.nFileIndexHigh && held->index_low == info.nFileIndexLow) {
        return held;
      }
    }
    return nullptr;
  }

  // Replace of the file a run holds locked. The source is locked first; the
  // handle on the old file is closed only then, since Windows refuses to
  // rename over a file that is open. In the moment between that close and
  // the rename a second run could lock the old file: the rename then fails
  // with the system's error and both files stay whole.
  void ReplaceLocked(const std::string& source, const std::string& target, HeldLock& held) {
    Handle locked(OpenForLock(source));
    if (!locked.valid()) ThrowOpenError(source);
    BY_HANDLE_FILE_INFORMATION info;
    if (!IdentityOf(locked.get(), info)) ThrowLastError();
    if (!TryLock(locked.get())) throw MakeError(err::kPermissionDenied);
    // Refused before the old file's handle is let go, so that a refusal
    // keeps the project file locked.
    DWORD target_attributes = GetFileAttributesA(target.c_str());
    if (target_attributes != INVALID_FILE_ATTRIBUTES &&
        (target_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      throw MakeError((target_attributes & FILE_ATTRIBUTE_DIRECTORY) ? err::kPathFileAccess
                                                                     : err::kPermissionDenied);
    }
    std::vector<HANDLE> old_handles = std::move(held.handles);
    held.handles.clear();
    held.handles.push_back(locked.release());
    for (HANDLE handle : old_handles) CloseHandle(handle);
    ReplaceUnlocked(source, target);
    held.volume = info.dwVolumeSerialNumber;
    held.index_high = info.nFileIndexHigh;
    held.index_low = info.nFileIndexLow;
  }

  // Opening a folder as a file is refused by the system as "access denied";
  // the runtime reports it as a path/file access error.
  [[noreturn]] static void ThrowOpenError(const std::string& path) {
    DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED && IsFolderAttribute(GetFileAttributesA(path.c_str()))) {
      throw MakeError(err::kPathFileAccess);
    }
    throw Win32Error(code);
  }

  // The run locks taken through this object that may still be held.
  std::vector<std::weak_ptr<HeldLock>> held_locks_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem(const std::string& /*codepage*/) {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace xpconv

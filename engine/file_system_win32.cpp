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

 private:
  // Opening a folder as a file is refused by the system as "access denied";
  // the runtime reports it as a path/file access error.
  [[noreturn]] static void ThrowOpenError(const std::string& path) {
    DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED && IsFolderAttribute(GetFileAttributesA(path.c_str()))) {
      throw MakeError(err::kPathFileAccess);
    }
    throw Win32Error(code);
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeNativeFileSystem(const std::string& /*codepage*/) {
  return std::make_unique<Win32FileSystem>();
}

}  // namespace xpconv

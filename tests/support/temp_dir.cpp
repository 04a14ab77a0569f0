#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cstdlib>
#endif

namespace xpconv::testing {

namespace stdfs = std::filesystem;

namespace {

#ifdef _WIN32
// The engine's paths are ANSI bytes, as the ...A functions take them; the
// standard library wants the wide name of the same file.
std::wstring AnsiToWide(const std::string& ansi) {
  if (ansi.empty()) return {};
  int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), size);
  return wide;
}

std::string WideToAnsi(const std::wstring& wide) {
  if (wide.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size,
                      nullptr, nullptr);
  return ansi;
}
#endif

// An engine-style relative path made into the file the engine opens.
stdfs::path NativePath(const std::string& native_root, const std::string& relative) {
#ifdef _WIN32
  std::string full = native_root;
  if (!relative.empty()) full += "\\" + relative;
  return stdfs::path(AnsiToWide(full));
#else
  std::string full = native_root;
  if (!relative.empty()) full += "/" + relative;
  std::replace(full.begin() + static_cast<std::ptrdiff_t>(native_root.size()), full.end(), '\\',
               '/');
  return stdfs::path(full);
#endif
}

}  // namespace

TempDir::TempDir() {
#ifdef _WIN32
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) throw std::runtime_error("GetTempPathW failed");
  std::wstring base(temp, length);
  if (base.back() != L'\\') base += L'\\';
  static unsigned counter = 0;
  for (int attempt = 0;; ++attempt) {
    std::wstring candidate = base + L"xpc-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      native_ = WideToAnsi(candidate);
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100) {
      throw std::runtime_error("cannot create a temporary folder");
    }
  }
  path_ = native_ + "\\";
#else
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/xpc-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  // The engine's paths for this folder resolve back to exactly these bytes,
  // so a symbolic link in TMPDIR is kept rather than resolved.
  native_ = pattern;
  path_ = native_;
  std::replace(path_.begin(), path_.end(), '/', '\\');
  path_ += '\\';
#endif
}

TempDir::~TempDir() {
  std::error_code error;
  stdfs::path root = NativePath(native_, "");
  // Windows refuses to delete read-only files.
  for (auto it = stdfs::recursive_directory_iterator(root, error);
       !error && it != stdfs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    stdfs::permissions(it->path(), stdfs::perms::owner_write, stdfs::perm_options::add, ignored);
  }
  stdfs::remove_all(root, error);
}

void TempDir::WriteFile(const std::string& relative, std::string_view bytes) const {
  stdfs::path file = NativePath(native_, relative);
  if (file.has_parent_path()) stdfs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write test file " + relative);
}

std::string TempDir::ReadFile(const std::string& relative) const {
  std::ifstream in(NativePath(native_, relative), std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << relative;
    return {};
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TempDir::Exists(const std::string& relative) const {
  std::error_code error;
  return stdfs::exists(stdfs::symlink_status(NativePath(native_, relative), error));
}

void TempDir::MakeDir(const std::string& relative) const {
  stdfs::create_directories(NativePath(native_, relative));
}

std::vector<std::string> TempDir::List(const std::string& relative) const {
  std::vector<std::string> names;
  for (const stdfs::directory_entry& entry :
       stdfs::directory_iterator(NativePath(native_, relative))) {
#ifdef _WIN32
    names.push_back(WideToAnsi(entry.path().filename().wstring()));
#else
    names.push_back(entry.path().filename().string());
#endif
  }
  std::sort(names.begin(), names.end());
  return names;
}

void TempDir::SetReadOnly(const std::string& relative, bool read_only) const {
  stdfs::perms write = stdfs::perms::owner_write;
#ifndef _WIN32
  if (read_only) write |= stdfs::perms::group_write | stdfs::perms::others_write;
#endif
  stdfs::permissions(NativePath(native_, relative), write,
                     read_only ? stdfs::perm_options::remove : stdfs::perm_options::add);
}

bool TempDir::IsReadOnly(const std::string& relative) const {
  stdfs::perms perms = stdfs::status(NativePath(native_, relative)).permissions();
  return (perms & stdfs::perms::owner_write) == stdfs::perms::none;
}

}  // namespace xpconv::testing

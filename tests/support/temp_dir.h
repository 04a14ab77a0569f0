// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the object dies. Paths relative to it are
// written like engine paths ("Forms\frmA.frm"): bytes in the ANSI code page
// with "\" separators, the same on every platform.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xpconv::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder as an engine path ending in "\" ("\tmp\xpc-1a2b3c\" on
  // POSIX, "C:\users\x\Temp\xpc-1a2b3c\" on Windows): prepend it to a
  // relative path to get what the engine is handed.
  const std::string& path() const { return path_; }
  // The folder as the system names it, without a trailing separator.
  const std::string& native() const { return native_; }
  // path() followed by relative.
  std::string Path(std::string_view relative) const { return path_ + std::string(relative); }

  // Writes bytes as the whole file, creating missing parent folders.
  void WriteFile(const std::string& relative, std::string_view bytes) const;
  // The whole file; fails the test (and returns "") when it cannot be read.
  std::string ReadFile(const std::string& relative) const;
  // True for a file or folder of that exact name.
  bool Exists(const std::string& relative) const;
  // Creates the folder and any missing parents.
  void MakeDir(const std::string& relative) const;
  // The names in a folder (files and folders, hidden ones too), sorted.
  std::vector<std::string> List(const std::string& relative = "") const;
  // Makes a file read-only (Windows' read-only attribute; on POSIX the
  // write bits go) or writable again.
  void SetReadOnly(const std::string& relative, bool read_only) const;
  // True when the file is read-only in the sense of SetReadOnly.
  bool IsReadOnly(const std::string& relative) const;

 private:
  std::string path_;
  std::string native_;
};

}  // namespace xpconv::testing

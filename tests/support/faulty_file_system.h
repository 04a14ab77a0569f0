// A file system that wraps a real one and fails one chosen operation, to
// prove that a failure at any point loses no data:
//
//   for (int n = 1; n <= total; ++n) {
//     FaultyFileSystem fs;
//     fs.FailAt(n);
//     ... run, then check that every file is whole ...
//   }
//
// Every operation counts, those of the file system and those of the files it
// opened (ReadLine, AtEnd, Position, Length, ReadAll, Close, WriteLine,
// Write), in the order they are called; ReadLineInto and each ReadLinePiece
// count as ReadLine.
// ToDisplayText does not count: it converts text and touches no file, so it
// has no failure to simulate.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"

namespace xpconv::testing {

class FaultyFileSystem : public FileSystem {
 public:
  // Wraps the native file system of this platform.
  FaultyFileSystem();
  // Wraps inner, which must outlive this object.
  explicit FaultyFileSystem(FileSystem& inner);
  ~FaultyFileSystem() override;

  // The n-th operation (1-based, counted since construction or the last
  // Reset, like operations()) raises VbError(error_number, its standard
  // description or "Injected failure") instead of running. Only that one
  // fails; n <= 0 switches the failure off.
  void FailAt(int n, int32_t error_number = 75);
  // Operations counted so far.
  int operations() const { return count_; }
  // Whether the failure chosen by FailAt has happened.
  bool failed() const { return failed_; }
  // Clears the count, the log and the failure point.
  void Reset();
  // The names of the operations in order ("OpenInput", "ReadLine", ...).
  std::vector<std::string> log() const;

  std::unique_ptr<InputFile> OpenInput(const std::string& path) override;
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override;
  int64_t FileLength(const std::string& path) override;
  void Remove(const std::string& path) override;
  void CopyOver(const std::string& source, const std::string& target) override;
  void Replace(const std::string& source, const std::string& target) override;
  void CreateFolder(const std::string& path) override;
  std::optional<std::string> FirstPlainFile(const std::string& folder) override;
  std::string ToDisplayText(std::string_view ansi) override;
  std::string FinalPath(const std::string& path) override;
  std::unique_ptr<RunLock> LockRun(const std::string& path) override;
  // Asks the wrapped system without counting: a probe, like ToDisplayText.
  bool IsReadOnly(const std::string& path) override { return inner_.IsReadOnly(path); }

  // Counts one operation; raises when it is the one chosen to fail. The
  // files opened through this object call it too.
  void Count(const char* operation);

 private:
  std::unique_ptr<FileSystem> owned_;
  FileSystem& inner_;
  int count_ = 0;
  int fail_at_ = 0;
  int32_t error_number_ = 75;
  bool failed_ = false;
  // String literals only, so that counting stays cheap on long runs.
  std::vector<const char*> log_;
};

}  // namespace xpconv::testing

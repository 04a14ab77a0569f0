// The wizard's file system: the real one, with the two operations that can
// take long on a large file (copying it, and replacing a form by its
// converted text, which flushes that text to disk first: a third of a second
// for 50 MB) run on a worker thread while the window thread goes on handling
// its messages. The progress window keeps repainting and "Abbrechen" gets its
// question during such a step, as it does between lines.
//
// The engine sees no difference: every operation still returns only when it
// is done, with the same result or error, in the same order, and no other
// operation starts meanwhile. Only the window thread's messages are handled
// while it waits (by the callback, which must not call the file system).
// Small files, nearly all of a real project, are handled on the calling
// thread: handing an operation to another thread costs about 0.1 ms under
// Wine, as much as a small form's whole replacement.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace xpconv::ui {

// From this size of the file copied or put in place on, the operation runs on
// the worker thread. Writing and flushing 1 MB takes a few milliseconds on a
// fast disk and tens of milliseconds on a slow one.
inline constexpr int64_t kLongOperationBytes = int64_t{1} << 20;

class ResponsiveFileSystem final : public FileSystem {
 public:
  // inner outlives this object; keep_responsive handles the window thread's
  // waiting messages and returns false once it met the program's quit
  // request (the wait then goes on without looking at messages).
  ResponsiveFileSystem(FileSystem& inner, std::function<bool()> keep_responsive,
                       int64_t long_operation_bytes = kLongOperationBytes);

  void CopyOver(const std::string& source, const std::string& target) override;
  void Replace(const std::string& source, const std::string& target) override;

  std::unique_ptr<InputFile> OpenInput(const std::string& path) override {
    return inner_.OpenInput(path);
  }
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override {
    return inner_.OpenOutput(path);
  }
  int64_t FileLength(const std::string& path) override { return inner_.FileLength(path); }
  void Remove(const std::string& path) override { inner_.Remove(path); }
  void CreateFolder(const std::string& path) override { inner_.CreateFolder(path); }
  std::optional<std::string> FirstPlainFile(const std::string& folder) override {
    return inner_.FirstPlainFile(folder);
  }
  std::string ToDisplayText(std::string_view ansi) override { return inner_.ToDisplayText(ansi); }
  std::string FinalPath(const std::string& path) override { return inner_.FinalPath(path); }
  std::unique_ptr<RunLock> LockRun(const std::string& path) override {
    return inner_.LockRun(path);
  }
  bool IsReadOnly(const std::string& path) override { return inner_.IsReadOnly(path); }

 private:
  // Runs operation on the worker thread when source is large, else here.
  void Run(const std::string& source, const std::function<void()>& operation);

  FileSystem& inner_;
  std::function<bool()> keep_responsive_;
  int64_t long_operation_bytes_;
};

}  // namespace xpconv::ui

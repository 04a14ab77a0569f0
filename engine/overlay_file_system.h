// A file system for previews: it reads through to another one, but keeps
// every change (written files, copies, replacements, deletions, new folders)
// to itself. A copy or a rename of a real file only notes which file it is;
// the bytes the run writes stay in memory, or, given a scratch folder
// outside the project, in files of their own there, so that a preview of a
// form of any size needs no more memory than a run. A batch run over it
// makes exactly the calls a real run makes and meets the same errors where
// they can be known beforehand (a missing form, a read-only form, a folder
// that is not there), while nothing on disk changes. Afterwards the overlay
// tells what the run would have written.
//
// Paths are compared by their PathKey (paths.h): "." and ".." resolved and
// ASCII letters folded to lower case, as Windows compares them, so two
// projects that name one form differently ("..\Shared\frmA.frm",
// "Shared\FRMA.frm") see one file.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace xpconv {

class OverlayFileSystem : public FileSystem {
 public:
  // inner must outlive this object; it is only read, but for the files the
  // overlay makes in scratch_folder (an engine path, empty for none), which
  // it removes again.
  explicit OverlayFileSystem(FileSystem& inner, std::string scratch_folder = {});
  ~OverlayFileSystem() override;

  std::unique_ptr<InputFile> OpenInput(const std::string& path) override;
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override;
  int64_t FileLength(const std::string& path) override;
  void Remove(const std::string& path) override;
  void CopyOver(const std::string& source, const std::string& target) override;
  void Replace(const std::string& source, const std::string& target) override;
  void CreateFolder(const std::string& path) override;
  std::optional<std::string> FirstPlainFile(const std::string& folder) override;
  std::string ToDisplayText(std::string_view ansi) override;
  // Asked of the real files: where a link leads, and the run's lock on the
  // project file (which changes nothing on disk), so a preview follows links
  // as a run does and meets a run that holds the project.
  std::string FinalPath(const std::string& path) override;
  std::unique_ptr<RunLock> LockRun(const std::string& path) override;
  bool IsReadOnly(const std::string& path) override;
  // The real files' names: a file or folder the run would create is spelled
  // as the run would create it.
  std::string SpelledPath(const std::string& path) override { return inner_.SpelledPath(path); }
  std::string AbsolutePath(const std::string& path) override { return inner_.AbsolutePath(path); }

  // What the overlay holds for path: nothing (changed false, the real file
  // stands), the bytes the run left there, or a deletion (changed true,
  // bytes nullopt).
  struct Content {
    bool changed = false;              // the overlay holds this path
    std::optional<std::string> bytes;  // nullopt when deleted (or never there)
  };
  // Reads the whole content: meant for small files.
  Content ContentOf(const std::string& path);
  // True when the overlay holds path (the run wrote or deleted it).
  bool Holds(const std::string& path) const { return Find(path) != nullptr; }

 private:
  struct Stored;
  class StoredOutputFile;
  struct Node {
    std::string path;                // as first named
    std::shared_ptr<Stored> stored;  // null: deleted
  };

  const Node* Find(const std::string& path) const;
  void Put(const std::string& path, std::shared_ptr<Stored> stored);
  // What path holds as the run sees it, to be copied or moved; raises like
  // OpenInput.
  std::shared_ptr<Stored> StoredOf(const std::string& path);
  bool ExistsNow(const std::string& path);
  bool FolderExists(const std::string& folder);
  // Raises as the real write would for a target that cannot take new
  // content: its folder is missing, or it is a read-only file.
  void CheckWritable(const std::string& target);

  FileSystem& inner_;
  std::string scratch_folder_;
  int64_t scratch_files_ = 0;
  std::map<std::string, Node> nodes_;
  std::set<std::string> created_folders_;      // keys of the folders the run made
  std::map<std::string, bool> known_folders_;  // probes of inner
};

}  // namespace xpconv

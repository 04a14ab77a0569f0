// What one project's run did, entry by entry: gathered from the engine's run
// observer while the run goes, and read by the preview and the reports.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/code_check.h"
#include "engine/file_system.h"
#include "engine/run_observer.h"

namespace xpconv {

// Outcomes as the reports spell them.
namespace outcomes {
inline constexpr const char* kConverted = "converted";
inline constexpr const char* kUnchanged = "unchanged";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kSkipped = "skipped";
inline constexpr const char* kRestored = "restored";
inline constexpr const char* kNoBackup = "no-backup";
}  // namespace outcomes

struct EntryRecord {
  int32_t number = 0;  // 1-based, as `list` shows it; 0 for a module a restore names
  std::string kind;    // "Form", "UserControl", ..., "Module", "Class"
  std::string entry;   // the entry text, UTF-8
  std::string path;    // the resolved path (engine form, ANSI bytes); empty if not reached
  std::string outcome = outcomes::kSkipped;
  std::array<int32_t, 4> replaced{};
  int32_t error_number = 0;
  std::string error_text;
};

struct ProjectRecord {
  std::string project;  // engine form, ANSI bytes
  // Unknown until the project file has been handled.
  std::optional<bool> library_line_added;
  std::vector<std::string> backup_folders;  // engine form, in the order first used
  // What became of the project file: for a run "converted" when the library
  // line was added, "unchanged" when it was there; for a restore as for the
  // entries; empty when it was not reached.
  std::string project_file;
  bool aborted = false;
  int exit_status = 0;
  // An error outside the form jobs (the project file, a backup copy).
  int32_t error_number = 0;
  std::string error_text;
  std::vector<EntryRecord> entries;  // the selected entries, in list order
  // What the check of the project's code found; none when it was not made
  // (a run that ended before its summary).
  std::optional<ProjectCodeCheck> code;

  EntryRecord* EntryAt(int16_t index);  // by 0-based entry index
  std::vector<int16_t> indexes;         // entry index of each record
  int32_t Count(const char* outcome) const;
};

class FormEditsBook;

// Fills a ProjectRecord from the run's observer calls; with a book, it keeps
// there the edits of each form the run converts.
class RunRecorder : public RunObserver {
 public:
  explicit RunRecorder(ProjectRecord& record, FormEditsBook* book = nullptr)
      : record_(record), book_(book) {}

  void ProjectFileDone(bool added, const std::string& backup_folder) override;
  void EntryStarted(int16_t index, const std::string& form_path) override;
  void EntryDone(int16_t index, const FormJobDetails& details,
                 const std::string& backup_folder) override;
  void RunFailed(const VbError& error) override;
  RewriteLog* RewriteLogFor(const std::string& form_path) override;
  RewriteLog* MendLogFor(const std::string& module_path) override;
  void MendDone(bool replaced) override;

 private:
  void AddBackupFolder(const std::string& folder);

  ProjectRecord& record_;
  FormEditsBook* book_;
  int16_t current_ = -1;
};

// A path for people and reports: UTF-8, and on POSIX with "/" separators as
// the user typed it.
std::string DisplayPath(FileSystem& fs, const std::string& engine_path);
// The same for a file or folder found on disk (or to be made there): each
// name as the disk spells it, which may differ from the project file's.
std::string OnDiskPath(FileSystem& fs, const std::string& engine_path);
// Folders so, each once however many spellings reached it.
std::vector<std::string> OnDiskFolders(FileSystem& fs, const std::vector<std::string>& folders);

}  // namespace xpconv

// Undoing a run from its backups: each form and the project file is put back
// from the copy in the "_Backup" folder beside it. A file takes its backup's
// bytes in one atomic step (a copy under a temporary name, then Replace), so
// at every moment it is either as it was or exactly restored, and it keeps
// its permission bits. The backup stays where it is.
//
// A whole project is restored through ProjectRestore, which holds the
// project's run lock from the plan to the end.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "engine/file_system.h"

namespace xpconv {

enum class RestoreState {
  kRestore,    // a backup exists and differs from the file (or the file is gone)
  kUnchanged,  // the backup equals the file
  kNoBackup,   // there is no backup
};

// What a restore does with a file, as both programs list it: "wird
// wiederhergestellt", "unverändert", "keine Sicherung".
const char* RestoreStateText(RestoreState state);

struct RestoreItem {
  std::string target;  // the form or project file (where a link leads)
  std::string backup;  // its copy in the "_Backup" folder beside it
  RestoreState state = RestoreState::kNoBackup;
};

// The temporary name under which a backup is copied beside its file.
inline constexpr const char* kTempRestoreName = "~restore.tmp";

// Compares the file at target (followed through links) with its backup
// beside target. Raises when either exists but cannot be read.
RestoreItem PlanRestore(FileSystem& fs, const std::string& target);

// Puts the backup's bytes in the target's place: copied to the temporary
// file in the target's folder, then renamed over the target. A read-only
// target is refused (70) and stays as it was. On any failure the temporary
// copy is removed where possible and the error raised.
void RestoreFile(FileSystem& fs, const RestoreItem& item);

// The restore of one project, from its plan to its end, under the run lock a
// run takes (FileSystem::LockRun): while it lives no run, no preview and no
// other restore works on the project, in this program or in any other of
// ours, and what the plan lists is what the restore finds. The lock moves
// with the project file when its backup is put in its place.
class ProjectRestore {
 public:
  // Takes the run lock on the project file. nullptr when another command
  // holds the project: the caller then shows msg::kProjectBusy (or records
  // ProjectBusyError()) and changes nothing. Raises as LockRun does, 53 for
  // a project file that is not there.
  static std::unique_ptr<ProjectRestore> Begin(FileSystem& fs, const std::string& project);

  ProjectRestore(const ProjectRestore&) = delete;
  ProjectRestore& operator=(const ProjectRestore&) = delete;

  // PlanRestore and RestoreFile on this restore's file system.
  RestoreItem Plan(const std::string& target) { return PlanRestore(fs_, target); }
  void Restore(const RestoreItem& item) { RestoreFile(fs_, item); }

 private:
  ProjectRestore(FileSystem& fs, std::unique_ptr<RunLock> lock) : fs_(fs), lock_(std::move(lock)) {}

  FileSystem& fs_;
  std::unique_ptr<RunLock> lock_;
};

}  // namespace xpconv

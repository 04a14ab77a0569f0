// Undoing a run from its backups: each form and the project file is put back
// from the copy in the "_Backup" folder beside it. A file takes its backup's
// bytes in one atomic step (a copy under a temporary name, then Replace), so
// at every moment it is either as it was or exactly restored, and it keeps
// its permission bits. The backup stays where it is.
#pragma once

#include <string>

#include "engine/file_system.h"

namespace xpconv {

enum class RestoreState {
  kRestore,    // a backup exists and differs from the file (or the file is gone)
  kUnchanged,  // the backup equals the file
  kNoBackup,   // there is no backup
};

struct RestoreItem {
  std::string target;  // the form or project file (where a link leads)
  std::string backup;  // its copy in the "_Backup" folder beside it
  RestoreState state = RestoreState::kNoBackup;
};

// The temporary name under which a backup is copied beside its file.
inline constexpr const char* kTempRestoreName = "~restore.tmp";

// The backup a run makes of the file at path: "_Backup\" in its folder,
// under its own name.
std::string BackupPathOf(const std::string& path);

// Compares the file at target (followed through links) with its backup
// beside target. Raises when either exists but cannot be read.
RestoreItem PlanRestore(FileSystem& fs, const std::string& target);

// Puts the backup's bytes in the target's place: copied to the temporary
// file in the target's folder, then renamed over the target. A read-only
// target is refused (70) and stays as it was. On any failure the temporary
// copy is removed where possible and the error raised.
void RestoreFile(FileSystem& fs, const RestoreItem& item);

}  // namespace xpconv

// Backup folders: their name, where a file's backup lies, and the two probes
// around them. Neither probe lets a failure escape.
#pragma once

#include <string>
#include <string_view>

#include "engine/file_system.h"

namespace xpconv {

// A run copies a file, before it changes it, into the folder of this name
// beside it (the project file and each changed form alike).
inline constexpr std::string_view kBackupFolderName = "_Backup\\";

// The backup folder of the files in folder (which ends in "\" or is empty).
std::string BackupFolderIn(std::string_view folder);

// The backup a run makes of the file at path: "_Backup\" in its folder,
// under its own name.
std::string BackupPathOf(std::string_view path);

// A file's backup copy is made under this name in its "_Backup" folder and
// takes the file's name there only when the file was changed (or may have
// been). A backup that an earlier run made of the original file therefore
// survives a run that finds nothing left to change in it.
inline constexpr const char* kTempBackupName = "~backup.tmp";

// Creates the last level of folder_path (with or without trailing "\") if it
// can; a bare drive ("C:", "C:\") is left alone; every failure is ignored.
void MakeFolder(FileSystem& fs, const std::string& folder_path);

// True when the folder exists and holds at least one plain file.
bool FolderHasFiles(FileSystem& fs, const std::string& folder_path);

}  // namespace xpconv

// The project file (.vbp): its Form= entries, its folder, and the library's
// Object= line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"

namespace xpconv {

// The library reference line written into a project file (without line end).
inline constexpr const char* kLibraryReferenceLine =
    "Object={5B2E7A14-3C8D-4F61-A9E2-7D04C1B6F358}#2.24#0; qorXPCtl.ocx";
// A project naming this anywhere (any letter case) already references the library.
inline constexpr const char* kLibrarySearchKey = "qorxpctl.ocx";

// The entries of the lines starting with "Form=" exactly, in file order, each
// with leading and trailing spaces removed.
std::vector<std::string> ReadFormEntries(FileSystem& fs, const std::string& project_path);

// The path cut after its last backslash ("C:\Proj\App.vbp" gives "C:\Proj\");
// empty when there is no backslash.
std::string ProjectFolderOf(std::string_view project_path);

// Copies the project file into backup_folder when make_backup is true, then
// inserts the library reference line unless the library is already named.
// The new text replaces the project file in one atomic step.
void AddLibraryReference(FileSystem& fs, const std::string& project_path,
                         const std::string& backup_folder, bool make_backup);

}  // namespace xpconv

// The project file (.vbp): its Form= entries, its folder, and the library's
// Object= line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/paths.h"

namespace xpconv {

// The library reference line written into a project file (without line end).
inline constexpr const char* kLibraryReferenceLine =
    "Object={5B2E7A14-3C8D-4F61-A9E2-7D04C1B6F358}#2.24#0; qorXPCtl.ocx";
// A project naming this anywhere (any letter case) already references the library.
inline constexpr const char* kLibrarySearchKey = "qorxpctl.ocx";

// The entries of the lines starting with "Form=" exactly, in file order, each
// with leading and trailing spaces removed.
std::vector<std::string> ReadFormEntries(FileSystem& fs, const std::string& project_path);

// An entry of a project file whose file holds control blocks: a form, or
// with designers also a user control, property page or user document.
struct ProjectEntry {
  std::string kind;  // the key: "Form", "UserControl", "PropertyPage", "UserDocument"
  std::string text;  // the value, with leading and trailing spaces removed
};

// The Form= entries, and with designers also the UserControl=,
// PropertyPage= and UserDocument= entries, all in file order.
std::vector<ProjectEntry> ReadProjectEntries(FileSystem& fs, const std::string& project_path,
                                             bool designers);

// The entries of a project file that hold code, in file order: Form=,
// Module= and Class=, and with designers also UserControl=, PropertyPage=
// and UserDocument=. The text is the file the entry names: "basStart.bas"
// of "Module=basStart; basStart.bas" (the part behind the first ";"), the
// whole value of the others, leading and trailing spaces removed.
std::vector<ProjectEntry> ReadCodeEntries(FileSystem& fs, const std::string& project_path,
                                          bool designers);

// The projects of a project group (.vbg): its StartupProject= and Project=
// entries in file order, each named once, resolved against the group's
// folder unless absolute (ResolveEntryIn).
std::vector<std::string> ReadGroupProjects(FileSystem& fs, const std::string& group_path);

// The folder of a project file: FolderOf(project_path) (see paths.h), the
// folder its relative entries are resolved against.
inline std::string ProjectFolderOf(std::string_view project_path) {
  return FolderOf(project_path);
}

// Copies the project file into backup_folder when make_backup is true, then
// inserts the library reference line unless the library is already named.
// The new text replaces the project file in one atomic step. True when the
// line was added, false when the library was already named.
bool AddLibraryReference(FileSystem& fs, const std::string& project_path,
                         const std::string& backup_folder, bool make_backup);

}  // namespace xpconv

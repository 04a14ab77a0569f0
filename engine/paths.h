// Engine paths as text: the folder and the name of a path, an entry of a
// project resolved against the project's folder, the key under which two
// spellings of one path compare equal, and ASCII lower case. Engine paths are
// bytes in the projects' ANSI code page with "\" between the names (see
// file_system.h); nothing here touches a file.
#pragma once

#include <string>
#include <string_view>

namespace xpconv {

// The path cut after its last backslash ("C:\Proj\App.vbp" gives
// "C:\Proj\"); empty when there is no backslash.
std::string FolderOf(std::string_view path);

// What follows the last backslash ("C:\Proj\App.vbp" gives "App.vbp"); the
// whole path when there is none. FolderOf(path) + NameOf(path) == path.
std::string NameOf(std::string_view path);

// ASCII letters become small letters; every other byte stays, 0x80 and above
// included, since the text may be in any ANSI code page or in UTF-8.
std::string AsciiLower(std::string_view text);

// True when a and b are equal but for the case of ASCII letters.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// True when the bare name names the file called file on Windows, which
// ignores the case of letters and drops trailing dots and blanks
// ("~FORM.TMP. " names "~form.tmp"). file is in small letters.
bool NamesFile(std::string_view name, std::string_view file);

// True when text ends in ending, ASCII letters compared without case
// (ending in small letters: ".vbg", ".json").
bool HasEnding(std::string_view text, std::string_view ending);

// True for an entry that names its file absolutely: one holding "\\" (a
// network path) or ":" (a drive).
bool IsAbsoluteEntry(std::string_view entry);

// Where a run finds the file an entry names (a form or designer entry of a
// project, a project of a group), split into its folder and its bare name.
struct EntryLocation {
  std::string folder;      // ends in "\" or is empty
  std::string name;        // the bare file name
  bool in_folder = false;  // a bare name: the file lies in folder itself
};

// An absolute entry (IsAbsoluteEntry) splits at its last backslash; a
// relative one with a backslash lies below folder, and a bare name in folder
// itself. folder ends in "\" or is empty; it is not used for an absolute
// entry, so a caller for whom asking costs something asks only for a
// relative one.
EntryLocation ResolveEntryIn(const std::string& folder, const std::string& entry);

// path with "." and empty names dropped and each ".." taking the name before
// it along, where there is one to take: a leading ".." stays, and so does
// one above a drive ("C:\..") or the root (which drops it). The first and
// the last name stay even when empty ("\a\" stays "\a\").
std::string WithoutDots(std::string_view path);

// The key under which spellings of one path compare equal, as Windows
// compares them: WithoutDots, and ASCII letters folded to small letters
// ("\p\App\..\FORMS\x.frm" gives "\p\forms\x.frm", ".\Forms\frmA.frm"
// gives "forms\frma.frm").
std::string PathKey(std::string_view path);

}  // namespace xpconv

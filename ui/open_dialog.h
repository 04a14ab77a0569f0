// The open-project dialog: the platform's 8-bit open-file dialog in its
// plain form, asked for one file.
#pragma once

#include <string>

namespace xpconv::ui {

// The title of the dialog (UTF-8).
inline constexpr const char* kOpenDialogTitle = "Öffnen";
// OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
// OFN_EXTENSIONDIFFERENT. Neither the file nor its folder must exist: a typed
// name comes back like a chosen one.
inline constexpr unsigned long kOpenDialogFlags = 1038;
inline constexpr unsigned kOpenDialogFileBuffer = 700;
inline constexpr unsigned kOpenDialogTitleBuffer = 260;

// Turns "Description|*.ext|..." into the platform's list: every piece
// followed by one NUL (the caller's string end adds the closing second NUL).
// A "|" at position 32767 or beyond (1-based) raises 6 "Überlauf".
std::string MakeDialogFilter(const std::string& filter);

// Shows the dialog owned by the active window and returns the chosen path,
// or an empty string on cancel or failure (nothing is shown then).
// filter is UTF-8 text in MakeDialogFilter's notation; initial_folder is a
// path in the ANSI code page without trailing backslash, empty to let the
// platform choose; the result is a path in the ANSI code page.
std::string ShowOpenDialog(const std::string& filter, const std::string& initial_folder);

}  // namespace xpconv::ui

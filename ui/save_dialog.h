// The save dialog of the system, for the files the preview window saves.
#pragma once

#include <functional>
#include <string>

namespace xpconv::ui {

struct SaveRequest {
  std::string title;              // UTF-8
  std::string filter;             // UTF-8, "Description|*.ext|..." as the open dialog's
  std::string initial_folder;     // ANSI, without trailing backslash; empty: the system's choice
  std::string file_name;          // ANSI, the name offered
  std::string default_extension;  // without the dot, appended to a name typed without one
};

// Shows the dialog owned by the active window and returns the chosen path in
// the ANSI code page, or an empty string on cancel. It asks before an
// existing file is replaced. A path the ANSI code page cannot express gets a
// message and counts as cancelled.
std::string ShowSaveDialog(const SaveRequest& request);

// The save dialog as the preview window calls it; tests replace it.
using SaveDialogFunction = std::function<std::string(const SaveRequest& request)>;

}  // namespace xpconv::ui

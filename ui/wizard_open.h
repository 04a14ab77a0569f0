// The wizard's ways to a project besides the open dialog (wizard_open.cpp):
// the helpers that the start-up and the window use.
#pragma once

#include <windows.h>

#include <string>

namespace xpconv::ui {

// Lets window take files dropped from Explorer (WM_DROPFILES), also when the
// program runs with higher rights than Explorer.
void AcceptDroppedFiles(HWND window);

// The first argument after the program's name in command_line (as
// GetCommandLineW gives it), or empty.
std::wstring FirstCommandLineArgument(const wchar_t* command_line);

}  // namespace xpconv::ui

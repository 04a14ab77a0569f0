// A window shown modal over its owner, as our boxes and the preview window
// are: the loop that runs it and the place it opens at.
#pragma once

#include <windows.h>

namespace xpconv::ui {

// Disables owner, handles the thread's messages (with the dialog keys of
// dialog; Enter presses the focused push button) until *done or dialog is
// gone, enables and activates owner again. A WM_QUIT seen on the way ends
// the loop and is posted again for the outer loop.
void RunModalLoop(HWND dialog, HWND owner, const bool* done);

// Where a window of the given outer size opens: centred over owner, or over
// the work area of the monitor it is on, and kept on that monitor.
POINT CentredPosition(HWND owner, int width, int height);

}  // namespace xpconv::ui

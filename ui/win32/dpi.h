// All DPI arithmetic of the program: designed lengths (twips, or pixels at
// 96 dpi) in pixels at the DPI a window is shown at.
#pragma once

#include <windows.h>

namespace xpconv::ui {

// The DPI of the window (or of the system for nullptr). The environment
// variable XPC_FORCE_DPI, when set to a number, overrides it, so tests under
// Wine can see more than one DPI.
UINT WindowDpi(HWND hwnd);
// A length in twips (1/1440 inch) in pixels at dpi.
int TwipsToPixels(int twips, UINT dpi);
// A length given for 96 dpi in pixels at dpi.
int DpiScale(int pixels96, UINT dpi);
// A rectangle given in twips (left, top, width, height) in pixels.
RECT TwipsRect(int left, int top, int width, int height, UINT dpi);

}  // namespace xpconv::ui

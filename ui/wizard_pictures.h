// The pictures the wizard draws itself: the header picture (which also gives
// the window its icons where the program carries none) and the folder of the
// browse button.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/win32/handles.h"

namespace xpconv::ui {

// Draws the header picture (designed 61 x 55 pixels) into rect.
void DrawHeaderPicture(HDC dc, const RECT& rect);
// Draws the browse button's folder (designed 16 x 16 pixels) into rect.
void DrawFolder(HDC dc, const RECT& rect);

// A small 32-bit icon of size x size pixels drawn by draw on a key colour;
// key pixels become transparent.
UniqueIcon MakeDrawnIcon(int size, const std::function<void(HDC, const RECT&)>& draw);

}  // namespace xpconv::ui

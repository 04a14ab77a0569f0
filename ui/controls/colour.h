// Colour numbers as forms store them and our controls take them: 0x00BBGGRR,
// or a system colour 0x80000000 | COLOR_xxx (-2147483643 is the window
// background).
#pragma once

#include <windows.h>

#include <cstdint>

namespace xpconv::ui {

// The colour a colour number stands for now.
COLORREF ResolveColour(int32_t colour);
// Fills rect with a colour number.
void FillColour(HDC dc, const RECT& rect, int32_t colour);
// A blend of two colours: 0 gives a, 255 gives b.
COLORREF Blend(COLORREF a, COLORREF b, int amount);

}  // namespace xpconv::ui

// The round icons the library's boxes draw themselves (stop, question,
// information), the same on every system.
#pragma once

#include <windows.h>

#include "ui/controls/message_box_object.h"

namespace xpconv::ui::detail {

// Draws icon, size x size pixels, at (x, y) over background.
void DrawMessageIcon(HDC dc, int x, int y, int size, MessageIcon icon, COLORREF background);

}  // namespace xpconv::ui::detail

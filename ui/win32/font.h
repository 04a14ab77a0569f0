// The font of our windows and controls.
#pragma once

#include <windows.h>

#include "ui/win32/handles.h"

namespace xpconv::ui {

// Verdana at the given size and weight where the system has it, otherwise the
// system's UI font at that size.
UniqueFont CreateUiFont(UINT dpi, double points = 8.25, int weight = FW_NORMAL);

}  // namespace xpconv::ui

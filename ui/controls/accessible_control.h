// What screen readers learn about our controls, inside the library.
#pragma once

#include <windows.h>

namespace xpconv::ui::detail {

// Answers WM_GETOBJECT for one of our controls with an accessible object that
// reports what kAccessibleFactsMessage tells, and the standard one otherwise.
LRESULT AnswerGetObject(HWND control, WPARAM wp, LPARAM lp);

}  // namespace xpconv::ui::detail

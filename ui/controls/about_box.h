// qorAboutBox: the about box of our library, which the form skin shows
// (FormSkin::AboutBox).
#pragma once

#include <windows.h>

namespace xpconv::ui {

inline constexpr wchar_t kAboutBoxClass[] = L"qorAboutBox";

namespace detail {

// Shows the about box, modal over owner (may be null).
void ShowAboutBox(HWND owner);

}  // namespace detail
}  // namespace xpconv::ui

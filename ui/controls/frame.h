// qorFrame: a captioned, rounded border around a group of controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace xpconv::ui {

inline constexpr wchar_t kFrameClass[] = L"qorFrame";

struct FrameCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  std::string caption;  // UTF-8
  RECT bounds{};
  int32_t back_color = static_cast<int32_t>(0x80000000 | COLOR_BTNFACE);
  int32_t border_color = 12164479;
  int32_t fore_color = 12582912;
  int32_t check_mark_color = 2203937;
  HFONT font = nullptr;  // not owned
};
// A frame is a container: controls created with the frame as parent sit in it,
// and it forwards their WM_COMMAND and WM_NOTIFY messages to its own parent.
HWND CreateFrame(const FrameCreateArgs& args);

}  // namespace xpconv::ui

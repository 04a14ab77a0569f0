// qorCheck: a check box drawn in the designed colours that behaves like the
// platform's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace xpconv::ui {

inline constexpr wchar_t kCheckClass[] = L"qorCheck";

struct CheckCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  std::string caption;  // UTF-8; "&" marks the access key
  RECT bounds{};        // pixels, in the parent's client area
  int32_t value = 0;    // 0 unticked, 1 ticked
  int32_t back_color = static_cast<int32_t>(0x80000000 | COLOR_BTNFACE);
  int32_t border_color = 8409372;
  int32_t check_mark_color = 2203937;
  HFONT font = nullptr;  // not owned
};
HWND CreateCheck(const CheckCreateArgs& args);
// Value, the default property: 0 unticked, 1 ticked, read afresh.
int32_t CheckValue(HWND check);
// The SetValue method: later reads of Value give the value.
void CheckSetValue(HWND check, int32_t value);
// The check box tells its parent about a change by WM_COMMAND with BN_CLICKED
// and its id, like a platform button.

}  // namespace xpconv::ui

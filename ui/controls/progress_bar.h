// qorProgressBar: a bar filled in proportion to Value over 0..Max.
#pragma once

#include <windows.h>

#include <cstdint>

namespace xpconv::ui {

inline constexpr wchar_t kProgressBarClass[] = L"qorProgressBar";

struct ProgressBarCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  RECT bounds{};
  int32_t back_color = -2147483643;  // the system's window background
  int32_t border_color = 8409372;
  int32_t fill_color = 3724597;
  int32_t fill_color_light = 11333035;
};
// The range is 0 to 100 until Max is set; the value starts at 0.
HWND CreateProgressBar(const ProgressBarCreateArgs& args);
// Value, the default property. Setting the value it already has repaints nothing.
void ProgressSetValue(HWND bar, int32_t value);
void ProgressSetMax(HWND bar, int32_t max);
int32_t ProgressValue(HWND bar);
int32_t ProgressMax(HWND bar);
// How often the bar has painted itself, for tests of needless repaints.
int32_t ProgressPaintCount(HWND bar);

}  // namespace xpconv::ui

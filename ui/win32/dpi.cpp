#include "ui/win32/dpi.h"

#include <cstdlib>

namespace xpconv::ui {

UINT WindowDpi(HWND hwnd) {
  if (const char* forced = std::getenv("XPC_FORCE_DPI")) {
    const long value = std::strtol(forced, nullptr, 10);
    if (value >= 48 && value <= 960) return static_cast<UINT>(value);
  }
  UINT dpi = hwnd != nullptr ? ::GetDpiForWindow(hwnd) : 0;
  if (dpi == 0) dpi = ::GetDpiForSystem();
  return dpi == 0 ? 96 : dpi;
}

int TwipsToPixels(int twips, UINT dpi) {
  return ::MulDiv(twips, static_cast<int>(dpi), 1440);
}

int DpiScale(int pixels96, UINT dpi) {
  return ::MulDiv(pixels96, static_cast<int>(dpi), 96);
}

RECT TwipsRect(int left, int top, int width, int height, UINT dpi) {
  // Scale the edges, not the sizes, so neighbouring controls designed to
  // touch still touch after rounding.
  RECT r;
  r.left = TwipsToPixels(left, dpi);
  r.top = TwipsToPixels(top, dpi);
  r.right = TwipsToPixels(left + width, dpi);
  r.bottom = TwipsToPixels(top + height, dpi);
  return r;
}

}  // namespace xpconv::ui

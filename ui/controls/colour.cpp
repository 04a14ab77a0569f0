#include "ui/controls/colour.h"

#include "ui/win32/handles.h"

namespace xpconv::ui {

COLORREF ResolveColour(int32_t colour) {
  const auto bits = static_cast<uint32_t>(colour);
  if ((bits & 0x80000000u) != 0) return ::GetSysColor(static_cast<int>(bits & 0xFFu));
  return static_cast<COLORREF>(bits & 0x00FFFFFFu);
}

void FillColour(HDC dc, const RECT& rect, int32_t colour) {
  UniqueBrush brush(::CreateSolidBrush(ResolveColour(colour)));
  ::FillRect(dc, &rect, brush.get());
}

COLORREF Blend(COLORREF a, COLORREF b, int amount) {
  auto mix = [amount](int x, int y) { return x + (y - x) * amount / 255; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

}  // namespace xpconv::ui

#include "ui/controls/message_icon.h"

#include <algorithm>

#include "ui/win32/handles.h"

namespace xpconv::ui::detail {

// Drawn four times as large and reduced with averaging, so its edges are
// smooth although GDI draws without anti-aliasing.
void DrawMessageIcon(HDC dc, int x, int y, int size, MessageIcon icon, COLORREF background) {
  if (icon == MessageIcon::kNone || size <= 0) return;
  const int big = size * 4;
  UniqueMemoryDc memory(::CreateCompatibleDC(dc));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, big, big));
  if (!memory || !bitmap) return;
  SelectGuard select_bitmap(memory.get(), bitmap.get());
  HDC m = memory.get();
  const RECT all{0, 0, big, big};
  {
    UniqueBrush back(::CreateSolidBrush(background));
    ::FillRect(m, &all, back.get());
  }
  const COLORREF face = icon == MessageIcon::kStop ? RGB(0xD4, 0x2E, 0x1F) : RGB(0x1F, 0x6C, 0xD2);
  const COLORREF rim = icon == MessageIcon::kStop ? RGB(0x9E, 0x1B, 0x10) : RGB(0x14, 0x4A, 0x94);
  {
    UniqueBrush brush(::CreateSolidBrush(face));
    UniquePen pen(::CreatePen(PS_SOLID, std::max(1, big / 32), rim));
    SelectGuard select_brush(m, brush.get());
    SelectGuard select_pen(m, pen.get());
    ::Ellipse(m, big / 32, big / 32, big - big / 32, big - big / 32);
  }
  const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
  UniqueBrush white_brush(::CreateSolidBrush(white));
  switch (icon) {
    case MessageIcon::kStop: {
      LOGBRUSH stroke{BS_SOLID, white, 0};
      UniquePen pen(::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND,
                                   static_cast<DWORD>(big / 9), &stroke, 0, nullptr));
      SelectGuard select(m, pen.get());
      const int a = big * 3 / 10;
      const int b = big - a;
      ::MoveToEx(m, a, a, nullptr);
      ::LineTo(m, b, b);
      ::MoveToEx(m, b, a, nullptr);
      ::LineTo(m, a, b);
      break;
    }
    case MessageIcon::kInformation: {
      SelectGuard select_brush(m, white_brush.get());
      SelectGuard select_pen(m, ::GetStockObject(NULL_PEN));
      const int dot = big / 8;
      ::Ellipse(m, big / 2 - dot / 2 - dot / 8, big / 5, big / 2 + dot / 2 + dot / 8,
                big / 5 + dot + dot / 4);
      const int bar = big / 9;
      ::RoundRect(m, big / 2 - bar / 2, big * 4 / 10, big / 2 + bar / 2 + 1, big * 8 / 10, bar,
                  bar);
      break;
    }
    case MessageIcon::kQuestion: {
      LOGFONTW font{};
      font.lfHeight = -big * 7 / 10;
      font.lfWeight = FW_BOLD;
      font.lfCharSet = DEFAULT_CHARSET;
      font.lfQuality = ANTIALIASED_QUALITY;
      wcsncpy_s(font.lfFaceName, LF_FACESIZE, L"Tahoma", _TRUNCATE);
      UniqueFont question(::CreateFontIndirectW(&font));
      SelectGuard select(m, question.get());
      ::SetBkMode(m, TRANSPARENT);
      ::SetTextColor(m, white);
      RECT text = all;
      ::DrawTextW(m, L"?", 1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      break;
    }
    case MessageIcon::kNone:
      break;
  }
  const int old_mode = ::SetStretchBltMode(dc, HALFTONE);
  POINT origin{};
  ::SetBrushOrgEx(dc, 0, 0, &origin);
  ::StretchBlt(dc, x, y, size, size, m, 0, 0, big, big, SRCCOPY);
  ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  ::SetStretchBltMode(dc, old_mode);
}

}  // namespace xpconv::ui::detail

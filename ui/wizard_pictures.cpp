#include "ui/wizard_pictures.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/controls/colour.h"

namespace xpconv::ui {

namespace {

// The header picture's designed size in pixels.
constexpr int kPictureWidth = 61;
constexpr int kPictureHeight = 55;

// Scales a point of the 61 x 55 design into rect.
struct PictureScale {
  RECT rect;
  int X(int x) const { return rect.left + MulDiv(x, rect.right - rect.left, kPictureWidth); }
  int Y(int y) const { return rect.top + MulDiv(y, rect.bottom - rect.top, kPictureHeight); }
  RECT R(int l, int t, int r, int b) const { return RECT{X(l), Y(t), X(r), Y(b)}; }
};

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &r, brush.get());
}

void FrameRectColour(HDC dc, const RECT& r, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FrameRect(dc, &r, brush.get());
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width) {
  UniquePen pen(::CreatePen(PS_SOLID, width, colour));
  SelectGuard select(dc, pen.get());
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

}  // namespace

void DrawHeaderPicture(HDC dc, const RECT& rect) {
  const PictureScale s{rect};
  const int pen = std::max(1, MulDiv(1, rect.right - rect.left, kPictureWidth));
  // A small form with a ticked check box, a frame and a progress bar, in the
  // library's colours, and a wand that turns the old controls into the new.
  FillRectColour(dc, s.R(2, 5, 45, 46), RGB(236, 233, 216));
  FrameRectColour(dc, s.R(2, 5, 45, 46), RGB(0, 60, 180));
  // The title bar runs from dark to light blue.
  const RECT bar = s.R(3, 6, 44, 13);
  const int span = std::max(1, static_cast<int>(bar.right - bar.left));
  for (int x = 0; x < span; ++x) {
    const COLORREF c = RGB(80 * x / span, 48 + 96 * x / span, 176 + 72 * x / span);
    FillRectColour(dc, RECT{bar.left + x, bar.top, bar.left + x + 1, bar.bottom}, c);
  }
  FillRectColour(dc, s.R(37, 7, 42, 12), RGB(220, 80, 40));

  // The check box with its mark (border 8409372, mark 2203937).
  const RECT box = s.R(7, 17, 15, 25);
  FillRectColour(dc, box, RGB(255, 255, 255));
  FrameRectColour(dc, box, ResolveColour(8409372));
  Line(dc, s.X(9), s.Y(21), s.X(11), s.Y(23), ResolveColour(2203937), pen * 2);
  Line(dc, s.X(11), s.Y(23), s.X(14), s.Y(18), ResolveColour(2203937), pen * 2);
  Line(dc, s.X(18), s.Y(20), s.X(38), s.Y(20), RGB(120, 120, 120), pen);
  Line(dc, s.X(18), s.Y(23), s.X(32), s.Y(23), RGB(160, 160, 160), pen);

  // The frame (border 12164479) with a progress bar (fill 3724597).
  const RECT frame = s.R(6, 29, 41, 42);
  UniquePen frame_pen(::CreatePen(PS_SOLID, pen, ResolveColour(12164479)));
  {
    SelectGuard select_pen(dc, frame_pen.get());
    SelectGuard select_brush(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, frame.left, frame.top, frame.right, frame.bottom, s.X(4) - s.X(0),
                s.Y(4) - s.Y(0));
  }
  const RECT track = s.R(10, 34, 37, 38);
  FillRectColour(dc, track, RGB(255, 255, 255));
  FillRectColour(dc, s.R(10, 34, 28, 38), ResolveColour(3724597));
  FrameRectColour(dc, track, ResolveColour(8409372));

  // The wand: a dark stick with a white tip, and a star where it points.
  Line(dc, s.X(57), s.Y(53), s.X(38), s.Y(32), RGB(40, 40, 40), pen * 3);
  Line(dc, s.X(41), s.Y(35), s.X(37), s.Y(31), RGB(250, 250, 250), pen * 3);
  const COLORREF star = RGB(255, 200, 0);
  Line(dc, s.X(34), s.Y(21), s.X(34), s.Y(33), star, pen * 2);
  Line(dc, s.X(28), s.Y(27), s.X(40), s.Y(27), star, pen * 2);
  Line(dc, s.X(30), s.Y(23), s.X(38), s.Y(31), star, pen);
  Line(dc, s.X(38), s.Y(23), s.X(30), s.Y(31), star, pen);
  Line(dc, s.X(50), s.Y(14), s.X(50), s.Y(20), star, pen);
  Line(dc, s.X(47), s.Y(17), s.X(53), s.Y(17), star, pen);
}

void DrawFolder(HDC dc, const RECT& rect) {
  const int s = rect.right - rect.left;
  auto at = [&](int v) { return MulDiv(v, s, 16); };
  const COLORREF outline = RGB(150, 110, 20);
  // The back with its tab, then the open front flap.
  FillRectColour(dc, RECT{at(1), at(3), at(7), at(5)}, RGB(230, 180, 60));
  FillRectColour(dc, RECT{at(1), at(4), at(15), at(14)}, RGB(230, 180, 60));
  FrameRectColour(dc, RECT{at(1), at(4), at(15), at(14)}, outline);
  FrameRectColour(dc, RECT{at(1), at(3), at(7), at(5)}, outline);
  POINT flap[] = {{at(3), at(7)}, {at(16) - 1, at(7)}, {at(14), at(14) - 1}, {at(1), at(14) - 1}};
  UniqueBrush flap_brush(::CreateSolidBrush(RGB(255, 220, 110)));
  UniquePen flap_pen(::CreatePen(PS_SOLID, 1, outline));
  SelectGuard select_brush(dc, flap_brush.get());
  SelectGuard select_pen(dc, flap_pen.get());
  ::Polygon(dc, flap, 4);
}

UniqueIcon MakeDrawnIcon(int size, const std::function<void(HDC, const RECT&)>& draw) {
  constexpr COLORREF kKey = RGB(255, 0, 255);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap colour(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!colour || !mask || !dc || bits == nullptr) return UniqueIcon();
  {
    SelectGuard select(dc.get(), colour.get());
    const RECT all{0, 0, size, size};
    FillRectColour(dc.get(), all, kKey);
    draw(dc.get(), all);
    ::GdiFlush();
  }
  // Pixels are 0x00RRGGBB in a top-down DIB; GDI leaves alpha at 0.
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t key = 0x00FF00FFu;
  std::vector<uint8_t> mask_bits(static_cast<size_t>((size + 15) / 16 * 2 * size), 0);
  const int stride = (size + 15) / 16 * 2;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      uint32_t& px = pixels[y * size + x];
      if ((px & 0x00FFFFFFu) == key) {
        px = 0;
        mask_bits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        px |= 0xFF000000u;
      }
    }
  }
  ::SetBitmapBits(mask.get(), static_cast<LONG>(mask_bits.size()), mask_bits.data());
  ICONINFO icon_info{};
  icon_info.fIcon = TRUE;
  icon_info.hbmColor = colour.get();
  icon_info.hbmMask = mask.get();
  return UniqueIcon(::CreateIconIndirect(&icon_info));
}

}  // namespace xpconv::ui

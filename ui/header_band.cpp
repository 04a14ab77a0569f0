#include "ui/header_band.h"

#include <stdexcept>
#include <string>

#include "ui/win32/handles.h"
#include "ui/wizard_ids.h"
#include "ui/wizard_pictures.h"

namespace xpconv::ui {

namespace {

constexpr COLORREF kHeaderColour = RGB(255, 255, 255);  // 16777215

HBRUSH HeaderBrush() {
  return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}

}  // namespace

void HeaderBand::Register() {
  try {
    RegisterShape(kHeaderBandClass, 0, HeaderBrush());
  } catch (const std::runtime_error&) {
    // Start-up reports the failure; in the band's own words.
    throw std::runtime_error("the header band class cannot be registered");
  }
}

HWND HeaderBand::Create(HWND parent, int id) {
  // The band takes no input, so it is no tab stop.
  return CreateShaped(0, kHeaderBandClass, std::wstring(), WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT HeaderBand::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintGuard paint(hwnd());
      ::FillRect(paint.dc(), &paint.paint().rcPaint, HeaderBrush());
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      ::FillRect(reinterpret_cast<HDC>(wp), &client, HeaderBrush());
      return 0;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetBkColor(dc, kHeaderColour);
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(HeaderBrush());
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (item->CtlID != static_cast<UINT>(kIdHeaderPicture)) break;
      ::FillRect(item->hDC, &item->rcItem, HeaderBrush());
      DrawHeaderPicture(item->hDC, item->rcItem);
      return TRUE;
    }
    default:
      break;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace xpconv::ui

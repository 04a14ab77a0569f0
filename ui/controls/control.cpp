#include "ui/controls/control.h"

#include "ui/controls/accessible_control.h"
#include "ui/win32/handles.h"
#include "ui/win32/text_conversion.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui::detail {

HWND Control::CreateChild(const wchar_t* class_name, DWORD ex_style, DWORD style,
                          const std::string& caption, HWND parent, int id, const RECT& bounds,
                          HFONT font) {
  HWND hwnd = CreateShaped(ex_style, class_name, Utf8ToWide(caption), style, bounds.left,
                           bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  if (hwnd != nullptr && font != nullptr) {
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return hwnd;
}

LRESULT Control::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // Paint covers every pixel; erasing first would flicker.
    case WM_PAINT: {
      PaintGuard guard(hwnd());
      PaintBuffered(guard.dc());
      ++paint_count_;
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintBuffered(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp) != 0) Repaint();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SETTEXT: {
      const LRESULT result = DefaultProc(msg, wp, lp);
      Repaint();
      NotifyAccessibility(EVENT_OBJECT_NAMECHANGE);
      return result;
    }
    case WM_ENABLE:
      Repaint();
      NotifyAccessibility(EVENT_OBJECT_STATECHANGE);
      return 0;
    case WM_UPDATEUISTATE: {
      const LRESULT result = DefaultProc(msg, wp, lp);
      Repaint();
      return result;
    }
    case kSetPropertyMessage: {
      const bool known = SetProperty(static_cast<Property>(wp), static_cast<int32_t>(lp));
      return known ? TRUE : FALSE;
    }
    case kGetPropertyMessage: {
      const std::optional<int32_t> value = GetProperty(static_cast<Property>(wp));
      if (!value) return FALSE;
      *reinterpret_cast<int32_t*>(lp) = *value;
      return TRUE;
    }
    case kAccessibleFactsMessage:
      DescribeForAccessibility(*reinterpret_cast<AccessibleFacts*>(lp));
      return TRUE;
    case WM_GETOBJECT:
      return AnswerGetObject(hwnd(), wp, lp);
    default:
      return DefaultProc(msg, wp, lp);
  }
}

bool Control::SetProperty(Property property, int32_t value) {
  if (property != Property::kBackColor) return false;
  back_color_ = value;
  // Children (a frame's check boxes) keep their own colours, but the area
  // around them changes, so they repaint over it.
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  return true;
}

std::optional<int32_t> Control::GetProperty(Property property) const {
  if (property == Property::kBackColor) return back_color_;
  if (property == Property::kPaintCount) return paint_count_;
  return std::nullopt;
}

HFONT Control::font() const {
  return font_ != nullptr ? font_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

bool Control::ShowsFocusCue() const {
  const auto state = static_cast<UINT>(::SendMessageW(hwnd(), WM_QUERYUISTATE, 0, 0));
  return (state & UISF_HIDEFOCUS) == 0;
}

bool Control::ShowsAccessKeys() const {
  const auto state = static_cast<UINT>(::SendMessageW(hwnd(), WM_QUERYUISTATE, 0, 0));
  return (state & UISF_HIDEACCEL) == 0;
}

void Control::NotifyAccessibility(DWORD event) const {
  ::NotifyWinEvent(event, hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

void Control::PaintBuffered(HDC target) {
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  UniqueMemoryDc memory(::CreateCompatibleDC(target));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
  if (!memory || !bitmap) {
    Paint(target, client);  // short of GDI memory: draw directly rather than not at all
    return;
  }
  {
    SelectGuard select_bitmap(memory.get(), bitmap.get());
    SelectGuard select_font(memory.get(), font());
    Paint(memory.get(), client);
    ::BitBlt(target, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
  }
}

}  // namespace xpconv::ui::detail

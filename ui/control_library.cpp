#include "ui/control_library.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cwctype>
#include <mutex>

#include "ui/control_library_internal.h"

namespace xpconv::ui {

namespace detail {

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
  switch (property) {
    case Property::kBackColor:
      return back_color_;
    case Property::kPaintCount:
      return paint_count_;
    default:
      return std::nullopt;
  }
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

void FillColour(HDC dc, const RECT& rect, int32_t colour) {
  UniqueBrush brush(::CreateSolidBrush(ResolveColour(colour)));
  ::FillRect(dc, &rect, brush.get());
}

COLORREF Blend(COLORREF a, COLORREF b, int amount) {
  auto mix = [amount](int x, int y) { return x + (y - x) * amount / 255; };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

void RunModalLoop(HWND dialog, HWND owner, const bool* done) {
  const bool owner_was_enabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (owner_was_enabled) ::EnableWindow(owner, FALSE);
  MSG msg{};
  bool quit = false;
  int quit_code = 0;
  while (!*done && ::IsWindow(dialog)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quit_code = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    // Enter presses the button that has the focus, whichever the dialog
    // manager currently counts as default.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
      HWND focus = ::GetFocus();
      if (focus != nullptr && ::IsChild(dialog, focus) &&
          (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
           (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
        ::SendMessageW(focus, BM_CLICK, 0, 0);
        continue;
      }
    }
    if (!::IsDialogMessageW(dialog, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The owner must be enabled again before the dialog goes, or Windows hands
  // activation to some other program's window.
  if (owner_was_enabled) ::EnableWindow(owner, TRUE);
  if (owner != nullptr && ::IsWindow(owner)) ::SetActiveWindow(owner);
  if (quit) ::PostQuitMessage(quit_code);
}

}  // namespace detail

void RegisterControlLibrary(HINSTANCE) {
  // Classes register under the program's module (the one window shape does
  // that), so the instance argument only documents who asks.
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&init);
    detail::RegisterCheckClass();
    detail::RegisterFrameClass();
    detail::RegisterProgressBarClass();
    detail::RegisterDialogClasses();
  });
}

std::wstring ControlClassOf(HWND control) {
  wchar_t name[256] = {};
  const int length = ::GetClassNameW(control, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

namespace {

bool IsOurControl(HWND control) {
  const std::wstring name = ControlClassOf(control);
  return name == kCheckClass || name == kFrameClass || name == kProgressBarClass;
}

std::optional<detail::Property> PropertyNamed(const std::string& name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  using detail::Property;
  if (lower == "backcolor") return Property::kBackColor;
  if (lower == "bordercolor") return Property::kBorderColor;
  if (lower == "forecolor") return Property::kForeColor;
  if (lower == "checkmarkcolor") return Property::kCheckMarkColor;
  if (lower == "fillcolor") return Property::kFillColor;
  if (lower == "fillcolorlight") return Property::kFillColorLight;
  if (lower == "value") return Property::kValue;
  if (lower == "max") return Property::kMax;
  return std::nullopt;
}

}  // namespace

bool SetControlProperty(HWND control, const std::string& name, int32_t value) {
  // Private messages mean something else to other classes, so only ours get them.
  if (!IsOurControl(control)) return false;
  const std::optional<detail::Property> property = PropertyNamed(name);
  if (!property) return false;
  return ::SendMessageW(control, detail::kSetPropertyMessage, static_cast<WPARAM>(*property),
                        static_cast<LPARAM>(value)) != FALSE;
}

std::optional<int32_t> GetControlProperty(HWND control, const std::string& name) {
  if (!IsOurControl(control)) return std::nullopt;
  const std::optional<detail::Property> property = PropertyNamed(name);
  if (!property) return std::nullopt;
  int32_t value = 0;
  if (::SendMessageW(control, detail::kGetPropertyMessage, static_cast<WPARAM>(*property),
                     reinterpret_cast<LPARAM>(&value)) == FALSE) {
    return std::nullopt;
  }
  return value;
}

}  // namespace xpconv::ui

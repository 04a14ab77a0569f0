// qorCheck: a check box drawn in the designed colours that behaves like the
// platform's: click or Space toggles it and tells the parent with BN_CLICKED,
// it answers BM_GETCHECK/BM_SETCHECK/BM_CLICK, and its caption's access key
// works through IsDialogMessage because it reports itself as a button.
#include "ui/controls/check_box.h"

#include <algorithm>
#include <span>

#include "ui/controls/colour.h"
#include "ui/controls/control_library.h"
#include "ui/controls/property_table.h"
#include "ui/win32/dpi.h"
#include "ui/win32/handles.h"
#include "ui/win32/window.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui {

namespace detail {
namespace {

class CheckBox final : public ControlWithProperties<CheckBox> {
 public:
  explicit CheckBox(const CheckCreateArgs& args)
      : value_(args.value != 0 ? 1 : 0),
        border_color_(args.border_color),
        check_mark_color_(args.check_mark_color) {
    back_color_ = args.back_color;
  }

  HWND Create(const CheckCreateArgs& args) {
    return CreateChild(kCheckClass, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, args.caption,
                       args.parent, args.id, args.bounds, args.font);
  }

  static void Register() { RegisterShape(kCheckClass, CS_DBLCLKS, nullptr); }

  static std::span<const PropertyRow<CheckBox>> Properties() {
    static constexpr PropertyRow<CheckBox> kRows[] = {
        Drawn(Property::kBorderColor, &CheckBox::border_color_),
        Drawn(Property::kCheckMarkColor, &CheckBox::check_mark_color_),
        Drawn(Property::kForeColor, &CheckBox::fore_color_),
        SetThrough(Property::kValue, &CheckBox::value_, &CheckBox::SetValue),
    };
    return kRows;
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_GETDLGCODE:
        // A button to the dialog manager: it then sends BM_CLICK for the access key.
        return DLGC_BUTTON;
      case BM_GETCHECK:
        return value_ != 0 ? BST_CHECKED : BST_UNCHECKED;
      case BM_SETCHECK:
        SetValue(wp == BST_UNCHECKED ? 0 : 1);
        return 0;
      case BM_CLICK:
        if (::IsWindowEnabled(hwnd())) {
          ::SetFocus(hwnd());
          Toggle();
        }
        return 0;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        pressed_ = false;
        Repaint();
        if (msg == WM_SETFOCUS) NotifyAccessibility(EVENT_OBJECT_FOCUS);
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        ::SetFocus(hwnd());
        ::SetCapture(hwnd());
        pressed_ = true;
        Repaint();
        return 0;
      case WM_LBUTTONUP: {
        const bool was_pressed = pressed_;
        pressed_ = false;
        if (::GetCapture() == hwnd()) ::ReleaseCapture();
        POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        if (was_pressed && ::PtInRect(&client, at)) Toggle();
        Repaint();
        return 0;
      }
      case WM_CAPTURECHANGED:
        if (pressed_) {
          pressed_ = false;
          Repaint();
        }
        return 0;
      case WM_KEYDOWN:
        if (wp == VK_SPACE) {
          // Like a platform button: the press shows now, the toggle comes on release.
          if ((lp & 0x40000000) == 0) {
            pressed_ = true;
            Repaint();
          }
          return 0;
        }
        break;
      case WM_KEYUP:
        if (wp == VK_SPACE) {
          if (pressed_) {
            pressed_ = false;
            Toggle();
          }
          return 0;
        }
        break;
      case WM_CHAR:
        if (wp == L' ') return 0;  // handled on key up; no beep
        break;
      default:
        break;
    }
    return ControlWithProperties::HandleMessage(msg, wp, lp);
  }

  void DescribeForAccessibility(AccessibleFacts& facts) const override {
    facts.role = ROLE_SYSTEM_CHECKBUTTON;
    facts.state = value_ != 0 ? STATE_SYSTEM_CHECKED : 0;
    if (pressed_) facts.state |= STATE_SYSTEM_PRESSED;
    facts.default_action = value_ != 0 ? L"Deaktivieren" : L"Aktivieren";
  }

  void Paint(HDC dc, const RECT& client) override {
    FillColour(dc, client, back_color_);
    const UINT dpi = WindowDpi(hwnd());
    const bool enabled = ::IsWindowEnabled(hwnd()) != FALSE;
    const int box_size = DpiScale(13, dpi);
    const int box_top = std::max(0L, (client.bottom - box_size) / 2);
    const RECT box{0, box_top, box_size, box_top + box_size};

    // The box: a gradient face (lighter when pressed) inside the designed border.
    const COLORREF face_top = pressed_ ? RGB(0xD8, 0xD6, 0xCF) : RGB(0xDC, 0xDC, 0xD7);
    for (int y = box.top + 1; y < box.bottom - 1; ++y) {
      const int amount = (y - box.top) * 255 / std::max(1, box_size - 1);
      const COLORREF line =
          enabled ? Blend(face_top, RGB(0xFF, 0xFF, 0xFF), amount) : ::GetSysColor(COLOR_BTNFACE);
      UniquePen pen(::CreatePen(PS_SOLID, 1, line));
      SelectGuard select(dc, pen.get());
      ::MoveToEx(dc, box.left + 1, y, nullptr);
      ::LineTo(dc, box.right - 1, y);
    }
    {
      const COLORREF border =
          enabled ? ResolveColour(border_color_) : ::GetSysColor(COLOR_GRAYTEXT);
      UniquePen pen(::CreatePen(PS_SOLID, 1, border));
      SelectGuard select_pen(dc, pen.get());
      SelectGuard select_brush(dc, ::GetStockObject(NULL_BRUSH));
      ::Rectangle(dc, box.left, box.top, box.right, box.bottom);
    }
    if (value_ != 0) {
      const COLORREF mark =
          enabled ? ResolveColour(check_mark_color_) : ::GetSysColor(COLOR_GRAYTEXT);
      // A tick drawn as a thick polyline, proportioned to the box.
      const int thickness = std::max(2, DpiScale(2, dpi));
      UniquePen pen(::CreatePen(PS_SOLID, thickness, mark));
      SelectGuard select(dc, pen.get());
      const POINT tick[3] = {
          {box.left + box_size * 3 / 13, box.top + box_size * 6 / 13},
          {box.left + box_size * 5 / 13, box.top + box_size * 9 / 13},
          {box.left + box_size * 10 / 13, box.top + box_size * 3 / 13},
      };
      ::Polyline(dc, tick, 3);
    }

    // The caption, with its access key underlined unless the keyboard cues are hidden.
    const std::wstring caption = WindowText(hwnd());
    RECT text{box.right + DpiScale(5, dpi), 0, client.right, client.bottom};
    UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    if (!ShowsAccessKeys()) format |= DT_HIDEPREFIX;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, enabled ? ResolveColour(fore_color_) : ::GetSysColor(COLOR_GRAYTEXT));
    RECT measured = text;
    ::DrawTextW(dc, caption.c_str(), -1, &measured, format | DT_CALCRECT);
    ::DrawTextW(dc, caption.c_str(), -1, &text, format);
    if (::GetFocus() == hwnd() && ShowsFocusCue() && !caption.empty()) {
      const int height = measured.bottom - measured.top;
      RECT cue{text.left - 1, (client.bottom - height) / 2 - 1,
               std::min(measured.right, client.right) + 1,
               (client.bottom - height) / 2 + height + 1};
      ::SetTextColor(dc, RGB(0, 0, 0));
      ::SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
      ::DrawFocusRect(dc, &cue);
    }
  }

 private:
  void SetValue(int32_t value) {
    const int32_t normalised = value != 0 ? 1 : 0;
    if (normalised == value_) return;
    value_ = normalised;
    Repaint();
    NotifyAccessibility(EVENT_OBJECT_STATECHANGE);
  }

  void Toggle() {
    SetValue(value_ != 0 ? 0 : 1);
    const int id = ::GetDlgCtrlID(hwnd());
    ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd()));
  }

  int32_t value_;
  int32_t border_color_;
  int32_t check_mark_color_;
  int32_t fore_color_ = static_cast<int32_t>(0x80000000 | COLOR_BTNTEXT);
  bool pressed_ = false;
};

}  // namespace

void RegisterCheckClass() {
  CheckBox::Register();
}

}  // namespace detail

HWND CreateCheck(const CheckCreateArgs& args) {
  return detail::CreateControl<detail::CheckBox>(args);
}

int32_t CheckValue(HWND check) {
  return ::SendMessageW(check, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void CheckSetValue(HWND check, int32_t value) {
  ::SendMessageW(check, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace xpconv::ui

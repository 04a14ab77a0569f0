// qorFrame: a captioned, rounded border around a group of controls. It is a
// real parent of those controls, so it passes their notifications on to its
// own parent, where the window that designed the group handles them.
#include "ui/controls/frame.h"

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

class Frame final : public ControlWithProperties<Frame> {
 public:
  explicit Frame(const FrameCreateArgs& args)
      : border_color_(args.border_color),
        fore_color_(args.fore_color),
        check_mark_color_(args.check_mark_color) {
    back_color_ = args.back_color;
  }

  HWND Create(const FrameCreateArgs& args) {
    // WS_EX_CONTROLPARENT lets Tab and access keys reach the controls inside.
    return CreateChild(kFrameClass, WS_EX_CONTROLPARENT, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                       args.caption, args.parent, args.id, args.bounds, args.font);
  }

  static void Register() { RegisterShape(kFrameClass, 0, nullptr); }

  static std::span<const PropertyRow<Frame>> Properties() {
    static constexpr PropertyRow<Frame> kRows[] = {
        Drawn(Property::kBorderColor, &Frame::border_color_),
        Drawn(Property::kForeColor, &Frame::fore_color_),
        // Kept for the controls the frame is designed with; the frame draws no mark.
        Kept(Property::kCheckMarkColor, &Frame::check_mark_color_),
    };
    return kRows;
  }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_COMMAND:
      case WM_NOTIFY:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_DRAWITEM:
      case WM_MEASUREITEM:
        return ::SendMessageW(::GetParent(hwnd()), msg, wp, lp);
      case WM_GETDLGCODE:
        return DLGC_STATIC;
      case WM_NCHITTEST:
        // Clicks on the frame's own surface fall through to the window, as on
        // a platform group box; the controls inside are hit-tested themselves.
        return HTTRANSPARENT;
      default:
        return ControlWithProperties::HandleMessage(msg, wp, lp);
    }
  }

  void DescribeForAccessibility(AccessibleFacts& facts) const override {
    facts.role = ROLE_SYSTEM_GROUPING;
  }

  void Paint(HDC dc, const RECT& client) override {
    FillColour(dc, client, back_color_);
    const UINT dpi = WindowDpi(hwnd());
    const std::wstring caption = WindowText(hwnd());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int text_height = metrics.tmHeight;
    // The border runs through the middle of the caption line.
    const int line_top = text_height / 2;
    const int radius = DpiScale(6, dpi);
    {
      UniquePen pen(::CreatePen(PS_SOLID, 1, ResolveColour(border_color_)));
      SelectGuard select_pen(dc, pen.get());
      SelectGuard select_brush(dc, ::GetStockObject(NULL_BRUSH));
      ::RoundRect(dc, client.left, client.top + line_top, client.right, client.bottom, radius,
                  radius);
    }
    if (caption.empty()) return;
    const int inset = DpiScale(8, dpi);
    RECT text{client.left + inset, client.top, client.right - inset, client.top + text_height};
    UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS;
    if (!ShowsAccessKeys()) format |= DT_HIDEPREFIX;
    RECT measured = text;
    ::DrawTextW(dc, caption.c_str(), -1, &measured, format | DT_CALCRECT);
    // Clear the border behind the caption, with a little air either side.
    RECT behind{measured.left - DpiScale(2, dpi), measured.top,
                std::min(measured.right, text.right) + DpiScale(2, dpi), measured.bottom};
    FillColour(dc, behind, back_color_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(
        dc, ::IsWindowEnabled(hwnd()) ? ResolveColour(fore_color_) : ::GetSysColor(COLOR_GRAYTEXT));
    ::DrawTextW(dc, caption.c_str(), -1, &text, format);
  }

 private:
  int32_t border_color_;
  int32_t fore_color_;
  int32_t check_mark_color_;
};

}  // namespace

void RegisterFrameClass() {
  Frame::Register();
}

}  // namespace detail

HWND CreateFrame(const FrameCreateArgs& args) {
  return detail::CreateControl<detail::Frame>(args);
}

}  // namespace xpconv::ui

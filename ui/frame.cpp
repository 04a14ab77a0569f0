// qorFrame: a captioned, rounded border around a group of controls. It is a
// real parent of those controls, so it passes their notifications on to its
// own parent, where the window that designed the group handles them.
#include <algorithm>

#include "ui/control_library.h"
#include "ui/control_library_internal.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui {

namespace detail {
namespace {

class Frame final : public Control {
 public:
  explicit Frame(const FrameCreateArgs& args)
      : border_color_(args.border_color),
        fore_color_(args.fore_color),
        check_mark_color_(args.check_mark_color) {
    back_color_ = args.back_color;
  }

  HWND Create(const FrameCreateArgs& args) {
    const RECT& b = args.bounds;
    // WS_EX_CONTROLPARENT lets Tab and access keys reach the controls inside.
    HWND hwnd = CreateShaped(WS_EX_CONTROLPARENT, kFrameClass, Utf8ToWide(args.caption),
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, b.left, b.top,
                             b.right - b.left, b.bottom - b.top, args.parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)));
    if (hwnd != nullptr && args.font != nullptr) {
      ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(args.font), FALSE);
    }
    return hwnd;
  }

  static void Register() { RegisterShape(kFrameClass, 0, nullptr); }

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
        return Control::HandleMessage(msg, wp, lp);
    }
  }

  bool SetProperty(Property property, int32_t value) override {
    switch (property) {
      case Property::kBorderColor:
        border_color_ = value;
        break;
      case Property::kForeColor:
        fore_color_ = value;
        break;
      case Property::kCheckMarkColor:
        // Kept for the controls the frame is designed with; the frame draws no mark.
        check_mark_color_ = value;
        return true;
      default:
        return Control::SetProperty(property, value);
    }
    Repaint();
    return true;
  }

  std::optional<int32_t> GetProperty(Property property) const override {
    switch (property) {
      case Property::kBorderColor:
        return border_color_;
      case Property::kForeColor:
        return fore_color_;
      case Property::kCheckMarkColor:
        return check_mark_color_;
      default:
        return Control::GetProperty(property);
    }
  }

  void DescribeForAccessibility(AccessibleFacts& facts) const override {
    facts.role = ROLE_SYSTEM_GROUPING;
  }

  void Paint(HDC dc, const RECT& client) override {
    FillColour(dc, client, back_color_);
    const UINT dpi = WindowDpi(hwnd());
    std::wstring caption(static_cast<size_t>(::GetWindowTextLengthW(hwnd())) + 1, L'\0');
    caption.resize(static_cast<size_t>(
        ::GetWindowTextW(hwnd(), caption.data(), static_cast<int>(caption.size()))));
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
  RegisterControlLibrary(::GetModuleHandleW(nullptr));
  auto* frame = new detail::Frame(args);
  HWND hwnd = frame->Create(args);
  if (hwnd == nullptr) delete frame;
  return hwnd;
}

}  // namespace xpconv::ui

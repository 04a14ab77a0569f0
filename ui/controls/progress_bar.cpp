// qorProgressBar: a bar filled in proportion to Value over 0..Max with a
// gradient of the designed fill colours. A run sets the per-file bar after
// every line of a form, mostly to the value it already has, so a value that
// does not change must not cost a repaint.
#include "ui/controls/progress_bar.h"

#include <algorithm>
#include <span>
#include <string>

#include "ui/controls/colour.h"
#include "ui/controls/control_library.h"
#include "ui/controls/property_table.h"
#include "ui/win32/handles.h"

// After the window headers, which these platform headers need.
#include <oleacc.h>

namespace xpconv::ui {

namespace detail {
namespace {

class ProgressBar final : public ControlWithProperties<ProgressBar> {
 public:
  explicit ProgressBar(const ProgressBarCreateArgs& args)
      : border_color_(args.border_color),
        fill_color_(args.fill_color),
        fill_color_light_(args.fill_color_light) {
    back_color_ = args.back_color;
  }

  HWND Create(const ProgressBarCreateArgs& args) {
    return CreateChild(kProgressBarClass, 0, WS_CHILD | WS_VISIBLE, std::string(), args.parent,
                       args.id, args.bounds, nullptr);
  }

  static void Register() { RegisterShape(kProgressBarClass, 0, nullptr); }

  static std::span<const PropertyRow<ProgressBar>> Properties() {
    static constexpr PropertyRow<ProgressBar> kRows[] = {
        SetThrough(Property::kValue, &ProgressBar::value_, &ProgressBar::SetValue),
        SetThrough(Property::kMax, &ProgressBar::max_, &ProgressBar::SetMax),
        Drawn(Property::kBorderColor, &ProgressBar::border_color_),
        Drawn(Property::kFillColor, &ProgressBar::fill_color_),
        Drawn(Property::kFillColorLight, &ProgressBar::fill_color_light_),
    };
    return kRows;
  }

 protected:
  void DescribeForAccessibility(AccessibleFacts& facts) const override {
    facts.role = ROLE_SYSTEM_PROGRESSBAR;
    facts.state = STATE_SYSTEM_READONLY;
    facts.value = std::to_wstring(Percent()) + L" %";
  }

  void Paint(HDC dc, const RECT& client) override {
    FillColour(dc, client, back_color_);
    {
      UniquePen pen(::CreatePen(PS_SOLID, 1, ResolveColour(border_color_)));
      SelectGuard select_pen(dc, pen.get());
      SelectGuard select_brush(dc, ::GetStockObject(NULL_BRUSH));
      ::Rectangle(dc, client.left, client.top, client.right, client.bottom);
    }
    const int inner_width = client.right - client.left - 4;
    const int inner_height = client.bottom - client.top - 4;
    if (inner_width <= 0 || inner_height <= 0 || max_ <= 0 || value_ <= 0) return;
    const int filled = static_cast<int>(static_cast<int64_t>(inner_width) * value_ / max_);
    if (filled <= 0) return;
    // Light at the edges, full colour in the middle: a rounded, raised look.
    const COLORREF dark = ResolveColour(fill_color_);
    const COLORREF light = ResolveColour(fill_color_light_);
    const int middle = std::max(1, inner_height / 2);
    for (int row = 0; row < inner_height; ++row) {
      const int distance = row < middle ? middle - row : row - middle;
      const int amount = std::min(255, distance * 255 / middle);
      UniquePen pen(::CreatePen(PS_SOLID, 1, Blend(dark, light, amount)));
      SelectGuard select(dc, pen.get());
      ::MoveToEx(dc, client.left + 2, client.top + 2 + row, nullptr);
      ::LineTo(dc, client.left + 2 + filled, client.top + 2 + row);
    }
  }

 private:
  // A value outside 0..Max is shown as the nearest end rather than refused:
  // a progress display must not stop a run.
  void SetValue(int32_t value) {
    const int32_t clamped = std::clamp(value, 0, std::max(0, max_));
    if (clamped == value_) return;
    value_ = clamped;
    Repaint();
    NotifyAccessibility(EVENT_OBJECT_VALUECHANGE);
  }

  void SetMax(int32_t max) {
    if (max == max_) return;
    max_ = max;
    value_ = std::clamp(value_, 0, std::max(0, max_));
    Repaint();
    NotifyAccessibility(EVENT_OBJECT_VALUECHANGE);
  }

  int Percent() const {
    if (max_ <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(value_) * 100 / max_);
  }

  int32_t value_ = 0;
  int32_t max_ = 100;
  int32_t border_color_;
  int32_t fill_color_;
  int32_t fill_color_light_;
};

}  // namespace

void RegisterProgressBarClass() {
  ProgressBar::Register();
}

}  // namespace detail

HWND CreateProgressBar(const ProgressBarCreateArgs& args) {
  return detail::CreateControl<detail::ProgressBar>(args);
}

void ProgressSetValue(HWND bar, int32_t value) {
  SetControlProperty(bar, "Value", value);
}
void ProgressSetMax(HWND bar, int32_t max) {
  SetControlProperty(bar, "Max", max);
}
int32_t ProgressValue(HWND bar) {
  return GetControlProperty(bar, "Value").value_or(0);
}
int32_t ProgressMax(HWND bar) {
  return GetControlProperty(bar, "Max").value_or(0);
}

int32_t ProgressPaintCount(HWND bar) {
  int32_t count = 0;
  if (ControlClassOf(bar) != kProgressBarClass) return 0;
  ::SendMessageW(bar, detail::kGetPropertyMessage,
                 static_cast<WPARAM>(detail::Property::kPaintCount),
                 reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace xpconv::ui

// The progress bar driven through a real window: its range, what it paints,
// and that a value it already has costs no repaint.
#include "ui/controls/progress_bar.h"

#include <gtest/gtest.h>

#include "tests/ui/controls/host_window.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/colour.h"

namespace xpconv::testing {
namespace {

TEST(ProgressBarTest, RangeIsZeroToHundredUntilMaxIsSet) {
  HostWindow w;
  EXPECT_EQ(ui::ProgressMax(w.bar()), 100);
  EXPECT_EQ(ui::ProgressValue(w.bar()), 0);
  ui::ProgressSetValue(w.bar(), 37);
  EXPECT_EQ(ui::ProgressValue(w.bar()), 37);
  ui::ProgressSetMax(w.bar(), 12);
  ui::ProgressSetValue(w.bar(), 5);
  EXPECT_EQ(ui::ProgressMax(w.bar()), 12);
  EXPECT_EQ(ui::ProgressValue(w.bar()), 5);
}

TEST(ProgressBarTest, ValuesOutsideTheRangeShowAsItsEnds) {
  HostWindow w;
  ui::ProgressSetValue(w.bar(), 250);
  EXPECT_EQ(ui::ProgressValue(w.bar()), 100);
  ui::ProgressSetValue(w.bar(), -3);
  EXPECT_EQ(ui::ProgressValue(w.bar()), 0);
  ui::ProgressSetValue(w.bar(), 80);
  ui::ProgressSetMax(w.bar(), 3);  // a smaller range takes the value along
  EXPECT_EQ(ui::ProgressValue(w.bar()), 3);
}

TEST(ProgressBarTest, FillCoversTheShareOfValueOverMax) {
  HostWindow w;
  const COLORREF fill = ui::ResolveColour(3724597);
  const COLORREF back = ui::ResolveColour(-2147483643);
  const int middle_row = 7;  // the bar is 15 pixels high; its middle row has the full colour
  // Inner width 296 from x = 2.
  ui::ProgressSetMax(w.bar(), 4);
  ui::ProgressSetValue(w.bar(), 1);
  EXPECT_EQ(PixelOf(w.bar(), POINT{2 + 70, middle_row}), fill);
  EXPECT_EQ(PixelOf(w.bar(), POINT{2 + 80, middle_row}), back);
  ui::ProgressSetValue(w.bar(), 4);
  EXPECT_EQ(PixelOf(w.bar(), POINT{2 + 290, middle_row}), fill);
  ui::ProgressSetValue(w.bar(), 0);
  EXPECT_EQ(PixelOf(w.bar(), POINT{3, middle_row}), back);
}

TEST(ProgressBarTest, SettingTheValueItAlreadyHasRepaintsNothing) {
  HostWindow w;
  auto settle = [&] {
    ::UpdateWindow(w.bar());
    PumpPending();
    return ui::ProgressPaintCount(w.bar());
  };
  const int32_t start = settle();
  ASSERT_GT(start, 0) << "a visible bar paints at least once";
  ui::ProgressSetValue(w.bar(), 40);
  const int32_t after_change = settle();
  EXPECT_EQ(after_change, start + 1);
  for (int i = 0; i < 5; ++i) ui::ProgressSetValue(w.bar(), 40);
  ui::ProgressSetMax(w.bar(), 100);
  EXPECT_EQ(settle(), after_change);
  ui::ProgressSetValue(w.bar(), 41);
  EXPECT_EQ(settle(), after_change + 1);
}

}  // namespace
}  // namespace xpconv::testing

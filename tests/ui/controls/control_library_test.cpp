// The library as the program uses it: properties by name, and controls told
// apart by class.
#include "ui/controls/control_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/ui/controls/host_window.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/controls/frame.h"
#include "ui/controls/progress_bar.h"

namespace xpconv::testing {
namespace {

TEST(ControlPropertyTest, BackColorByNameRecoloursFrameAndCheck) {
  HostWindow w;
  EXPECT_TRUE(ui::SetControlProperty(w.frame(), "BackColor", kGreen));
  EXPECT_TRUE(ui::SetControlProperty(w.check(), "backcolor", kGreen));  // any letter case
  EXPECT_EQ(ui::GetControlProperty(w.frame(), "BackColor"), kGreen);
  EXPECT_EQ(ui::GetControlProperty(w.check(), "BACKCOLOR"), kGreen);
  // Inside the frame away from border and caption, and right of the check box's caption.
  EXPECT_EQ(PixelOf(w.frame(), POINT{200, 60}), RGB(0, 0xFF, 0));
  EXPECT_EQ(PixelOf(w.check(), POINT{130, 8}), RGB(0, 0xFF, 0));
  // A system colour number shows as the system's colour.
  ASSERT_TRUE(ui::SetControlProperty(w.frame(), "BackColor",
                                     static_cast<int32_t>(0x80000000 | COLOR_WINDOW)));
  EXPECT_EQ(PixelOf(w.frame(), POINT{200, 60}), ::GetSysColor(COLOR_WINDOW));
}

TEST(ControlPropertyTest, EachControlHasItsOwnPropertiesAndReadsThemBack) {
  HostWindow w;
  struct Case {
    const char* control;
    HWND hwnd;
    const char* property;
    int32_t set;
    std::optional<int32_t> read;  // nothing: the control has no such property
  };
  // In order: a bar's Value is held inside the Max set before it.
  const Case cases[] = {
      {"check", w.check(), "BorderColor", 0x123456, 0x123456},
      {"check", w.check(), "CheckMarkColor", 0x0000FF, 0x0000FF},
      {"check", w.check(), "ForeColor", 0x00FF00, 0x00FF00},
      {"check", w.check(), "Value", 5, 1},  // ticked or not
      {"check", w.check(), "Max", 5, std::nullopt},
      {"check", w.check(), "FillColorLight", 5, std::nullopt},
      {"frame", w.frame(), "BorderColor", 0x654321, 0x654321},
      {"frame", w.frame(), "ForeColor", 0x00FFFF, 0x00FFFF},
      {"frame", w.frame(), "CheckMarkColor", 0xFF0000, 0xFF0000},
      {"frame", w.frame(), "Value", 1, std::nullopt},
      {"bar", w.bar(), "Max", 50, 50},
      {"bar", w.bar(), "Value", 80, 50},
      {"bar", w.bar(), "BorderColor", 0x112233, 0x112233},
      {"bar", w.bar(), "FillColor", 0x445566, 0x445566},
      {"bar", w.bar(), "FillColorLight", 0x778899, 0x778899},
      {"bar", w.bar(), "CheckMarkColor", 1, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::SetControlProperty(c.hwnd, c.property, c.set), c.read.has_value())
        << c.control << " " << c.property;
    EXPECT_EQ(ui::GetControlProperty(c.hwnd, c.property), c.read) << c.control << " " << c.property;
  }
}

TEST(ControlPropertyTest, UnknownPropertiesAndForeignControlsAreRefused) {
  HostWindow w;
  EXPECT_FALSE(ui::SetControlProperty(w.check(), "Caption", 1));
  EXPECT_FALSE(ui::SetControlProperty(w.frame(), "Max", 10));
  EXPECT_FALSE(ui::SetControlProperty(w.check(), "FillColor", 10));
  EXPECT_FALSE(ui::SetControlProperty(w.button(), "BackColor", kGreen));
  EXPECT_FALSE(ui::GetControlProperty(w.button(), "BackColor").has_value());
  EXPECT_TRUE(ui::SetControlProperty(w.bar(), "Max", 10));
  EXPECT_EQ(ui::ProgressMax(w.bar()), 10);
}

TEST(ControlPropertyTest, RecolouringByClassReachesFramesAndChecksOnly) {
  // What the wizard does when the system colours change: walk every control
  // of the window, nested ones included, and recolour frames and checks.
  HostWindow w;
  std::vector<std::wstring> classes;
  ::EnumChildWindows(
      w.hwnd(),
      [](HWND child, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<std::vector<std::wstring>*>(data);
        const std::wstring name = ui::ControlClassOf(child);
        found->push_back(name);
        if (name == ui::kFrameClass || name == ui::kCheckClass) {
          ui::SetControlProperty(child, "BackColor", kGreen);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&classes));
  std::sort(classes.begin(), classes.end());
  EXPECT_EQ(classes, (std::vector<std::wstring>{L"Button", L"qorCheck", L"qorCheck", L"qorFrame",
                                                L"qorProgressBar"}));
  EXPECT_EQ(ui::GetControlProperty(w.second_check(), "BackColor"), kGreen);
  EXPECT_NE(ui::GetControlProperty(w.bar(), "BackColor"), kGreen);
  EXPECT_EQ(DescendantsOfClass(w.hwnd(), ui::kCheckClass).size(), 2u);
}

}  // namespace
}  // namespace xpconv::testing

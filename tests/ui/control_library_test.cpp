// Our control library driven through real windows: keyboard and mouse on the
// check box, what the controls paint, the progress bar's range and repaints,
// properties by name, enumeration by class, accessibility, and the form
// skin's window style and events.
#include "ui/controls/control_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/controls/about_box.h"
#include "ui/controls/check_box.h"
#include "ui/controls/colour.h"
#include "ui/controls/form_skin.h"
#include "ui/controls/frame.h"
#include "ui/controls/progress_bar.h"
#include "ui/win32/font.h"
#include "ui_test_support.h"
#include "xpc_version.h"

// After the window headers.
#include <oleacc.h>

namespace xpconv::testing {
namespace {

constexpr int kFrameId = 10;
constexpr int kCheckId = 11;
constexpr int kSecondCheckId = 12;
constexpr int kBarId = 13;
constexpr int kButtonId = 14;
constexpr int32_t kGreen = 0x0000FF00;  // colour numbers are 0x00BBGGRR

// A top-level window that stands for one of the program's windows: it holds
// a frame with two check boxes, a progress bar and a platform button, and
// records the notifications it gets.
class HostWindow {
 public:
  HostWindow() {
    EnsureUiRegistered();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &HostWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"xpcTestHost";
    ::RegisterClassExW(&wc);  // fails harmlessly when already registered
    hwnd_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, L"xpcTestHost", L"Test",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500, 300, nullptr, nullptr,
                              ::GetModuleHandleW(nullptr), this);
    font_ = ui::CreateUiFont(96);

    ui::FrameCreateArgs frame;
    frame.parent = hwnd_;
    frame.id = kFrameId;
    frame.caption = "Autom. Ersetzen";
    frame.bounds = RECT{10, 10, 330, 110};
    frame.font = font_.get();
    frame_ = ui::CreateFrame(frame);

    ui::CheckCreateArgs check;
    check.parent = frame_;
    check.id = kCheckId;
    check.caption = "&Frame";
    check.bounds = RECT{14, 24, 150, 40};
    check.font = font_.get();
    check_ = ui::CreateCheck(check);
    check.id = kSecondCheckId;
    check.caption = "&CheckBox";
    check.value = 1;
    check.bounds = RECT{14, 50, 150, 66};
    second_check_ = ui::CreateCheck(check);

    ui::ProgressBarCreateArgs bar;
    bar.parent = hwnd_;
    bar.id = kBarId;
    bar.bounds = RECT{10, 130, 310, 145};  // 300 x 15: inner width 296
    bar_ = ui::CreateProgressBar(bar);

    button_ =
        ::CreateWindowExW(0, L"BUTTON", L"&Starten", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 160,
                          90, 24, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                          ::GetModuleHandleW(nullptr), nullptr);
    ::UpdateWindow(hwnd_);
    PumpFor(std::chrono::milliseconds(50));
  }
  ~HostWindow() {
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
  }

  HWND hwnd() const { return hwnd_; }
  HWND frame() const { return frame_; }
  HWND check() const { return check_; }
  HWND second_check() const { return second_check_; }
  HWND bar() const { return bar_; }
  HWND button() const { return button_; }
  // Ids of the BN_CLICKED notifications that reached the window, in order.
  const std::vector<int>& clicks() const { return clicks_; }

  // Hands msg to the dialog manager as the program's message loops do.
  bool DialogKey(HWND target, UINT message, WPARAM key) {
    MSG msg{target, message, key, 1, 0, {}};
    const BOOL handled = ::IsDialogMessageW(hwnd_, &msg);
    PumpPending();
    return handled != FALSE;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      ::SetWindowLongPtrW(
          hwnd, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
      self->clicks_.push_back(LOWORD(wp));
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_ = nullptr;
  ui::UniqueFont font_;
  HWND frame_ = nullptr;
  HWND check_ = nullptr;
  HWND second_check_ = nullptr;
  HWND bar_ = nullptr;
  HWND button_ = nullptr;
  std::vector<int> clicks_;
};

void PressSpace(HWND target) {
  ::SendMessageW(target, WM_KEYDOWN, VK_SPACE, 1);
  ::SendMessageW(target, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
}

// ------------------------------------------------------------------ qorCheck

TEST(CheckBoxTest, ValueStartsAsCreatedAndSetValueIsReadBack) {
  HostWindow w;
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
  EXPECT_EQ(ui::CheckValue(w.second_check()), 1);
  ui::CheckSetValue(w.check(), 1);
  EXPECT_EQ(ui::CheckValue(w.check()), 1);
  EXPECT_EQ(::SendMessageW(w.check(), BM_GETCHECK, 0, 0), BST_CHECKED);
  ui::CheckSetValue(w.check(), 0);
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
  // Setting the value from the program is no click of the user.
  EXPECT_TRUE(w.clicks().empty());
}

TEST(CheckBoxTest, SpaceTogglesOnReleaseAndTellsTheWindow) {
  HostWindow w;
  ::SetFocus(w.check());
  ::SendMessageW(w.check(), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(ui::CheckValue(w.check()), 0) << "a press alone must not toggle";
  ::SendMessageW(w.check(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(ui::CheckValue(w.check()), 1);
  PressSpace(w.check());
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
  // The frame passes its boxes' notifications on to the window.
  EXPECT_EQ(w.clicks(), (std::vector<int>{kCheckId, kCheckId}));
  // Other keys leave it alone.
  ::SendMessageW(w.check(), WM_KEYDOWN, 'A', 1);
  ::SendMessageW(w.check(), WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
}

TEST(CheckBoxTest, PostedSpaceTogglesThroughTheMessageLoop) {
  HostWindow w;
  ::SetFocus(w.check());
  ::PostMessageW(w.check(), WM_KEYDOWN, VK_SPACE, 1);
  ::PostMessageW(w.check(), WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_TRUE(PumpUntil([&] { return ui::CheckValue(w.check()) == 1; }));
}

TEST(CheckBoxTest, MouseTogglesOnlyWhenReleasedOverTheBox) {
  HostWindow w;
  ::SendMessageW(w.check(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(w.check(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(ui::CheckValue(w.check()), 1);
  EXPECT_EQ(::GetFocus(), w.check());
  // Dragged off before release: no change, as with a platform button.
  ::SendMessageW(w.check(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageW(w.check(), WM_LBUTTONUP, 0, MAKELPARAM(400, 5));
  EXPECT_EQ(ui::CheckValue(w.check()), 1);
  EXPECT_EQ(w.clicks().size(), 1u);
}

TEST(CheckBoxTest, DisabledBoxIgnoresClicksAndAccessKeys) {
  HostWindow w;
  ::EnableWindow(w.check(), FALSE);
  ::SendMessageW(w.check(), BM_CLICK, 0, 0);
  w.DialogKey(w.hwnd(), WM_SYSCHAR, 'f');
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
  EXPECT_TRUE(w.clicks().empty());
}

TEST(CheckBoxTest, AccessKeyAndTabWorkThroughTheDialogManagerInsideTheFrame) {
  HostWindow w;
  ::SetFocus(w.button());
  // Alt+C: the box captioned "&CheckBox" inside the frame.
  EXPECT_TRUE(w.DialogKey(w.button(), WM_SYSCHAR, 'c'));
  EXPECT_EQ(ui::CheckValue(w.second_check()), 0);
  EXPECT_EQ(::GetFocus(), w.second_check());
  EXPECT_EQ(ui::CheckValue(w.check()), 0);
  // Tab walks from the boxes in the frame on to the button.
  ::SetFocus(w.check());
  w.DialogKey(w.check(), WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(::GetFocus(), w.second_check());
  w.DialogKey(w.second_check(), WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(::GetFocus(), w.button());
}

// Whether any pixel of the control's client area has exactly colour.
bool Shows(HWND control, COLORREF colour, RECT area) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (PixelOf(control, POINT{x, y}) == colour) return true;
    }
  }
  return false;
}

TEST(CheckBoxTest, TickIsDrawnInTheCheckMarkColourOnlyWhenTicked) {
  HostWindow w;
  const COLORREF mark = ui::ResolveColour(2203937);
  const RECT box{0, 0, 16, 16};
  EXPECT_FALSE(Shows(w.check(), mark, box));
  ui::CheckSetValue(w.check(), 1);
  EXPECT_TRUE(Shows(w.check(), mark, box));
  ASSERT_TRUE(ui::SetControlProperty(w.check(), "CheckMarkColor", 0x000000FF));
  EXPECT_TRUE(Shows(w.check(), RGB(0xFF, 0, 0), box));
  EXPECT_FALSE(Shows(w.check(), mark, box));
}

TEST(CheckBoxTest, TellsAccessibilityToolsRoleNameStateAndShortcut) {
  ::CoInitialize(nullptr);
  {
    HostWindow w;
    IAccessible* acc = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(w.check(), static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&acc)),
              S_OK);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    ::VariantInit(&role);
    ASSERT_EQ(acc->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_CHECKBUTTON);
    BSTR name = nullptr;
    ASSERT_EQ(acc->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name), L"Frame");
    ::SysFreeString(name);
    BSTR shortcut = nullptr;
    ASSERT_EQ(acc->get_accKeyboardShortcut(self, &shortcut), S_OK);
    EXPECT_EQ(std::wstring(shortcut), L"Alt+F");
    ::SysFreeString(shortcut);

    VARIANT state;
    ::VariantInit(&state);
    ASSERT_EQ(acc->get_accState(self, &state), S_OK);
    EXPECT_EQ(state.lVal & STATE_SYSTEM_CHECKED, 0);
    ui::CheckSetValue(w.check(), 1);
    ASSERT_EQ(acc->get_accState(self, &state), S_OK);
    EXPECT_NE(state.lVal & STATE_SYSTEM_CHECKED, 0);
    ::EnableWindow(w.check(), FALSE);
    ASSERT_EQ(acc->get_accState(self, &state), S_OK);
    EXPECT_NE(state.lVal & STATE_SYSTEM_UNAVAILABLE, 0);
    ::EnableWindow(w.check(), TRUE);

    // The default action toggles the box like a click.
    ASSERT_EQ(acc->accDoDefaultAction(self), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return ui::CheckValue(w.check()) == 0; }));

    // The frame is a group with its caption, the bar a progress bar with its percentage.
    IAccessible* frame = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(w.frame(), static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&frame)),
              S_OK);
    ASSERT_EQ(frame->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_GROUPING);
    ASSERT_EQ(frame->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name), L"Autom. Ersetzen");
    ::SysFreeString(name);
    frame->Release();

    IAccessible* bar = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(w.bar(), static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible), reinterpret_cast<void**>(&bar)),
              S_OK);
    ui::ProgressSetMax(w.bar(), 4);
    ui::ProgressSetValue(w.bar(), 1);
    ASSERT_EQ(bar->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_PROGRESSBAR);
    BSTR value = nullptr;
    ASSERT_EQ(bar->get_accValue(self, &value), S_OK);
    EXPECT_EQ(std::wstring(value), L"25 %");
    ::SysFreeString(value);
    bar->Release();

    // A tool may hold the object longer than the control lives.
    ::DestroyWindow(w.hwnd());
    // It answers without crashing and no longer claims to be a check box.
    role.lVal = 0;
    const HRESULT gone = acc->get_accRole(self, &role);
    EXPECT_TRUE(FAILED(gone) || role.lVal != ROLE_SYSTEM_CHECKBUTTON);
    acc->Release();
  }
  ::CoUninitialize();
}

// ---------------------------------------------------------- qorProgressBar

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

// ------------------------------------------------- properties and classes

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

// ------------------------------------------------------------- qorXPForm

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override { window_ = std::make_unique<HostWindow>(); }
  HWND hwnd() const { return window_->hwnd(); }
  DWORD Style() const { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_STYLE)); }
  DWORD ExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)); }
  SIZE ClientSize() const {
    RECT r{};
    ::GetClientRect(hwnd(), &r);
    return SIZE{r.right, r.bottom};
  }
  std::unique_ptr<HostWindow> window_;
};

TEST_F(SkinTest, ProgressWindowStyleGivesAFixedToolWindowWithoutButtons) {
  ui::FormStyle style;
  style.border_style = 4;
  style.control_box = false;
  style.min_button = false;
  style.max_button = false;
  style.show_in_taskbar = false;
  const SIZE before = ClientSize();
  ui::FormSkin skin;
  skin.Attach(hwnd(), style);
  EXPECT_NE(ExStyle() & WS_EX_TOOLWINDOW, 0u);
  EXPECT_NE(Style() & WS_CAPTION, 0u);
  EXPECT_EQ(Style() & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_EQ(ExStyle() & WS_EX_APPWINDOW, 0u);
  // The designed client area survives the new frame.
  EXPECT_EQ(ClientSize().cx, before.cx);
  EXPECT_EQ(ClientSize().cy, before.cy);
}

TEST_F(SkinTest, WizardStyleGivesAFixedWindowWithHelpButtonAndIcon) {
  ui::UniqueIcon icon(::CreateIcon(::GetModuleHandleW(nullptr), 16, 16, 1, 1,
                                   std::vector<BYTE>(32, 0xFF).data(),
                                   std::vector<BYTE>(32, 0x00).data()));
  ASSERT_TRUE(icon);
  ui::FormStyle style;
  style.allow_size = false;
  style.help_button = true;
  style.max_button = false;
  style.icon = icon.get();
  ui::FormSkin skin;
  skin.Attach(hwnd(), style);
  EXPECT_NE(Style() & WS_SYSMENU, 0u);
  EXPECT_EQ(Style() & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_NE(ExStyle() & WS_EX_CONTEXTHELP, 0u);
  EXPECT_NE(ExStyle() & WS_EX_APPWINDOW, 0u);
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(hwnd(), WM_GETICON, ICON_SMALL, 0)), icon.get());
  skin.Detach();
}

TEST_F(SkinTest, ReapplyRestoresAStyleSomethingElseChanged) {
  ui::FormStyle style;
  style.border_style = 4;
  style.control_box = false;
  ui::FormSkin skin;
  skin.Attach(hwnd(), style);
  ::SetWindowLongPtrW(hwnd(), GWL_STYLE,
                      static_cast<LONG_PTR>(Style() | WS_SYSMENU | WS_THICKFRAME));
  skin.Reapply();
  EXPECT_EQ(Style() & (WS_SYSMENU | WS_THICKFRAME), 0u);
}

TEST_F(SkinTest, EventsComeFromTheirWindowMessages) {
  ui::FormSkin skin;
  skin.Attach(hwnd(), ui::FormStyle{});
  std::vector<int32_t> colours;
  int helps = 0;
  int settings = 0;
  skin.on_colours_changed = [&](int32_t colour) { colours.push_back(colour); };
  skin.on_help_requested = [&](int16_t& handled) {
    ++helps;
    handled = -1;
  };
  skin.on_settings_changed = [&] {
    ++settings;
    skin.Reapply();  // what the wizard does; must not raise the event again
  };

  ::SendMessageW(hwnd(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(colours, (std::vector<int32_t>{static_cast<int32_t>(::GetSysColor(COLOR_BTNFACE))}));
  EXPECT_EQ(helps + settings, 0);

  HELPINFO help{};
  help.cbSize = sizeof(help);
  help.iContextType = HELPINFO_WINDOW;
  help.hItemHandle = hwnd();
  EXPECT_EQ(::SendMessageW(hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), TRUE);
  ::SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
  EXPECT_EQ(helps, 2);

  ::SendMessageW(hwnd(), WM_THEMECHANGED, 0, 0);
  ::SendMessageW(hwnd(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(settings, 2);
  EXPECT_EQ(colours.size(), 1u);

  // F1 on a control inside the frame bubbles up to the window as help.
  ::SendMessageW(window_->check(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(helps, 3);

  skin.Detach();
  ::SendMessageW(hwnd(), WM_SYSCOLORCHANGE, 0, 0);
  ::SendMessageW(hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(colours.size(), 1u);
  EXPECT_EQ(helps, 3);
}

TEST_F(SkinTest, WindowDestroyedBeforeTheSkinLeavesNothingBehind) {
  auto skin = std::make_unique<ui::FormSkin>();
  int events = 0;
  skin->on_settings_changed = [&] { ++events; };
  skin->Attach(hwnd(), ui::FormStyle{});
  window_.reset();
  skin->Reapply();  // on a window that is gone: nothing happens
  skin.reset();
  EXPECT_EQ(events, 0);
}

TEST_F(SkinTest, AboutBoxShowsOurLibraryModalOverTheWindow) {
  ui::FormSkin skin;
  skin.Attach(hwnd(), ui::FormStyle{});
  bool window_enabled_meanwhile = true;
  std::string text;
  MessageBoxAnswerer answerer({BoxReply::Enter().Inspecting([&](HWND box) {
                                window_enabled_meanwhile = ::IsWindowEnabled(hwnd()) != FALSE;
                                for (HWND s : DescendantsOfClass(box, L"Static")) {
                                  text += WindowTextOf(s) + "\n";
                                }
                              })},
                              ui::kAboutBoxClass);
  skin.AboutBox();
  const std::vector<SeenBox> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "Info über qorXPControls");
  EXPECT_EQ(seen[0].owner, hwnd());
  EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"OK"}));
  EXPECT_NE(text.find("qorXPControls " XPC_VERSION_STRING "\n"), std::string::npos) << text;
  EXPECT_FALSE(window_enabled_meanwhile);
  EXPECT_TRUE(::IsWindowEnabled(hwnd()));
  EXPECT_EQ(FindProcessWindow(ui::kAboutBoxClass), nullptr);
}

// Not a check: the picture of our library's about box for the documentation,
// taken when scripts/pictures.sh asks for it.
TEST_F(SkinTest, Pictures) {
  if (!PicturesWanted()) GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  ui::FormSkin skin;
  skin.Attach(hwnd(), ui::FormStyle{});
  MessageBoxAnswerer answerer({BoxReply::Enter().WithPicture("about")}, ui::kAboutBoxClass);
  skin.AboutBox();
  EXPECT_EQ(answerer.Seen().size(), 1u);
}

}  // namespace
}  // namespace xpconv::testing

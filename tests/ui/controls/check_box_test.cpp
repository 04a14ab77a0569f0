// The check box driven through a real window: keyboard and mouse, the
// dialog manager's access keys and tab order inside the frame, what it paints
// and what accessibility tools learn about it (and about the frame and the
// progress bar beside it).
#include "ui/controls/check_box.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/controls/host_window.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/colour.h"
#include "ui/controls/control_library.h"
#include "ui/controls/progress_bar.h"

// After the window headers.
#include <oleacc.h>

namespace xpconv::testing {
namespace {

void PressSpace(HWND target) {
  ::SendMessageW(target, WM_KEYDOWN, VK_SPACE, 1);
  ::SendMessageW(target, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
}

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

}  // namespace
}  // namespace xpconv::testing

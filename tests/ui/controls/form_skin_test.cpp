// The form skin on a real window: the window style it gives, its events from
// the window's messages, and the library's about box it shows.
#include "ui/controls/form_skin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/controls/host_window.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/about_box.h"
#include "xpc_version.h"

namespace xpconv::testing {
namespace {

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

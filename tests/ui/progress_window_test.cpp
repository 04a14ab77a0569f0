// The progress window as the run sees it: its designed face at 96 dpi, the
// setters, reloading, the abort question on every way of asking for it, and
// relayout when the DPI changes.
#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls/progress_bar.h"
#include "ui/win32/font.h"

namespace xpconv::ui {
namespace {

using ::xpconv::testing::BoxReply;
using ::xpconv::testing::MessageBoxAnswerer;
using ::xpconv::testing::OwnerWindow;
using ::xpconv::testing::SeenBox;
using ::xpconv::testing::WindowTextOf;

// The control's rectangle in its parent's client area.
RECT ClientRectOf(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

::testing::AssertionResult RectIs(HWND control, LONG left, LONG top, LONG right, LONG bottom) {
  const RECT r = ClientRectOf(control);
  if (r.left == left && r.top == top && r.right == right && r.bottom == bottom) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "is {" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}, want {"
         << left << ", " << top << ", " << right << ", " << bottom << "}";
}

// Where the window that stands for the wizard window is.
constexpr RECT kOwnerBounds{100, 80, 700, 530};

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { xpconv::testing::EnsureUiRegistered(); }

  HWND Control(int id) const { return window_.control(id); }

  AbortFlag abort_;
  ProgressWindow window_{::GetModuleHandleW(nullptr), abort_};
};

TEST_F(ProgressWindowTest, LoadsHiddenWithTheDesignedFrameAndClientArea) {
  window_.Load();
  HWND w = window_.hwnd();
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(::IsWindowVisible(w));
  EXPECT_EQ(WindowTextOf(w), "Fortschritt...");

  ASSERT_EQ(window_.dpi(), 96u) << "these numbers are for 96 dpi";
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, 304);   // 4560 twips
  EXPECT_EQ(client.bottom, 121);  // 1815 twips

  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(w, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrW(w, GWL_EXSTYLE));
  EXPECT_TRUE((style & WS_CAPTION) == WS_CAPTION);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_NE(ex_style & WS_EX_TOOLWINDOW, 0u);
  EXPECT_EQ(ex_style & WS_EX_APPWINDOW, 0u);
}

TEST_F(ProgressWindowTest, ControlsSitAtTheirDesignedPlacesInTabOrder) {
  window_.Load();
  EXPECT_TRUE(RectIs(Control(kProgressFileLabelId), 140, 14, 288, 29));
  EXPECT_TRUE(RectIs(Control(kProgressAbortButtonId), 105, 84, 204, 106));
  EXPECT_TRUE(RectIs(Control(kProgressCountLabelId), 14, 14, 127, 29));
  EXPECT_TRUE(RectIs(Control(kProgressFileBarId), 14, 35, 295, 50));
  EXPECT_TRUE(RectIs(Control(kProgressTotalBarId), 14, 56, 295, 71));

  std::vector<int> order;
  for (HWND c = ::GetWindow(window_.hwnd(), GW_CHILD); c != nullptr;
       c = ::GetWindow(c, GW_HWNDNEXT)) {
    order.push_back(::GetDlgCtrlID(c));
  }
  EXPECT_EQ(order,
            (std::vector<int>{kProgressFileLabelId, kProgressAbortButtonId, kProgressCountLabelId,
                              kProgressFileBarId, kProgressTotalBarId}));
  // The button is the only stop of the tab cycle.
  HWND button = Control(kProgressAbortButtonId);
  EXPECT_EQ(::GetNextDlgTabItem(window_.hwnd(), button, FALSE), button);
  EXPECT_EQ(ControlClassOf(Control(kProgressFileBarId)), kProgressBarClass);
  EXPECT_EQ(ControlClassOf(Control(kProgressTotalBarId)), kProgressBarClass);
}

TEST_F(ProgressWindowTest, ShowsTheDesignedTextsFontsAndBars) {
  window_.Load();
  EXPECT_EQ(WindowTextOf(Control(kProgressFileLabelId)), "lblFile");
  EXPECT_EQ(WindowTextOf(Control(kProgressAbortButtonId)), "Abbrechen");
  EXPECT_EQ(WindowTextOf(Control(kProgressCountLabelId)), "Datei 1 von 100");

  UniqueFont expected = CreateUiFont(96);
  LOGFONTW want{};
  ::GetObjectW(expected.get(), sizeof(want), &want);
  for (int id : {kProgressFileLabelId, kProgressAbortButtonId, kProgressCountLabelId}) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(Control(id), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr) << "control " << id;
    LOGFONTW got{};
    ::GetObjectW(font, sizeof(got), &got);
    EXPECT_EQ(std::wstring(got.lfFaceName), std::wstring(want.lfFaceName)) << "control " << id;
    EXPECT_EQ(got.lfHeight, -11) << "8.25 pt at 96 dpi, control " << id;
    EXPECT_EQ(got.lfWeight, FW_NORMAL);
  }

  for (int id : {kProgressFileBarId, kProgressTotalBarId}) {
    HWND bar = Control(id);
    EXPECT_EQ(ProgressValue(bar), 0);
    EXPECT_EQ(GetControlProperty(bar, "BackColor"), -2147483643);
    EXPECT_EQ(GetControlProperty(bar, "BorderColor"), 8409372);
    EXPECT_EQ(GetControlProperty(bar, "FillColor"), 3724597);
    EXPECT_EQ(GetControlProperty(bar, "FillColorLight"), 11333035);
  }
  EXPECT_EQ(ProgressMax(Control(kProgressFileBarId)), 100);
}

TEST_F(ProgressWindowTest, SettersReachTheControls) {
  window_.Load();
  window_.SetCountCaption("Datei 2 von 3");
  window_.SetFileCaption("Übersicht & Druck.frm");
  window_.SetTotalBarMax(3);
  window_.SetTotalBar(2);
  window_.SetFileBar(40);

  EXPECT_EQ(WindowTextOf(Control(kProgressCountLabelId)), "Datei 2 von 3");
  EXPECT_EQ(WindowTextOf(Control(kProgressFileLabelId)), "Übersicht & Druck.frm");
  EXPECT_EQ(ProgressMax(Control(kProgressTotalBarId)), 3);
  EXPECT_EQ(ProgressValue(Control(kProgressTotalBarId)), 2);
  EXPECT_EQ(ProgressValue(Control(kProgressFileBarId)), 40);
  EXPECT_EQ(ProgressMax(Control(kProgressFileBarId)), 100);

  // A file name is shown as it is: "&" marks no access key, and a name too
  // long for the box is cut with an ellipsis rather than running over.
  const auto label_style =
      static_cast<DWORD>(::GetWindowLongPtrW(Control(kProgressFileLabelId), GWL_STYLE));
  EXPECT_NE(label_style & SS_NOPREFIX, 0u);
  EXPECT_EQ(label_style & SS_ELLIPSISMASK, static_cast<DWORD>(SS_ENDELLIPSIS));
}

TEST_F(ProgressWindowTest, ShowsOwnedCentredOverItsOwnerWithFocusOnTheButton) {
  OwnerWindow owner(kOwnerBounds);
  window_.Load();
  window_.Show(owner.hwnd());
  xpconv::testing::PumpPending();

  HWND w = window_.hwnd();
  EXPECT_TRUE(::IsWindowVisible(w));
  EXPECT_EQ(::GetWindow(w, GW_OWNER), owner.hwnd());
  EXPECT_EQ(::GetFocus(), Control(kProgressAbortButtonId));

  RECT outer{};
  RECT mine{};
  ::GetWindowRect(owner.hwnd(), &outer);
  ::GetWindowRect(w, &mine);
  EXPECT_NEAR((mine.left + mine.right) / 2, (outer.left + outer.right) / 2, 1);
  EXPECT_NEAR((mine.top + mine.bottom) / 2, (outer.top + outer.bottom) / 2, 1);

  // Owned windows are above their owner in the z-order.
  bool owner_below = false;
  for (HWND h = ::GetWindow(w, GW_HWNDNEXT); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (h == owner.hwnd()) owner_below = true;
  }
  EXPECT_TRUE(owner_below);
}

TEST_F(ProgressWindowTest, WithoutAVisibleOwnerOpensAtTheDesignedOrigin) {
  window_.Load();
  window_.Show(nullptr);
  POINT origin{0, 0};
  ::ClientToScreen(window_.hwnd(), &origin);
  EXPECT_EQ(origin.x, 288);  // 4320 twips
  EXPECT_EQ(origin.y, 338);  // 5070 twips
}

TEST_F(ProgressWindowTest, ConfirmAbortAsksAndRaisesTheFlagOnlyOnJa) {
  window_.Load();
  window_.SetCountCaption("Datei 1 von 2");
  window_.SetFileBar(30);

  {
    MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonNo)});
    window_.ConfirmAbort();
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?");
    EXPECT_EQ(seen[0].title, "Konverierung");
    EXPECT_EQ(seen[0].button_ids, (std::vector<int>{kMessageBoxButtonYes, kMessageBoxButtonNo}));
    EXPECT_EQ(seen[0].icon, MessageIcon::kQuestion);
  }
  EXPECT_EQ(abort_.value(), 0);

  // Asking again after Nein is as good as the first time; Ja twice keeps -1.
  for (int round = 0; round < 2; ++round) {
    MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonYes)});
    window_.ConfirmAbort();
    EXPECT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(abort_.value(), -1);
  }

  // The window itself is untouched by the answer.
  EXPECT_TRUE(::IsWindow(window_.hwnd()));
  EXPECT_TRUE(::IsWindowEnabled(Control(kProgressAbortButtonId)));
  EXPECT_EQ(WindowTextOf(Control(kProgressCountLabelId)), "Datei 1 von 2");
  EXPECT_EQ(ProgressValue(Control(kProgressFileBarId)), 30);
}

TEST_F(ProgressWindowTest, ButtonEscapeAndCloseRequestAllAskTheSameQuestion) {
  OwnerWindow owner(kOwnerBounds);
  window_.Load();
  window_.Show(owner.hwnd());
  HWND w = window_.hwnd();
  HWND button = Control(kProgressAbortButtonId);

  struct Way {
    const char* name;
    std::function<void()> ask;
  };
  const std::vector<Way> ways = {
      {"button click", [&] { ::SendMessageW(button, BM_CLICK, 0, 0); }},
      {"close request", [&] { ::SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"WM_CLOSE", [&] { ::SendMessageW(w, WM_CLOSE, 0, 0); }},
      {"Escape", [&] { ::SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); }},
  };
  for (const Way& way : ways) {
    abort_.Clear();
    MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonYes)});
    way.ask();
    const std::vector<SeenBox> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u) << way.name;
    EXPECT_EQ(seen[0].prompt, "Wirklich abbrechen?") << way.name;
    EXPECT_EQ(abort_.value(), -1) << way.name;
    EXPECT_TRUE(::IsWindowVisible(w)) << way.name << ": only the run unloads the window";
  }
}

TEST_F(ProgressWindowTest, DpiChangeLaysTheWindowOutAgain) {
  window_.Load();
  RECT frame{};
  ::GetWindowRect(window_.hwnd(), &frame);
  RECT suggested{frame.left, frame.top, frame.left + 700, frame.top + 300};
  ::SendMessageW(window_.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(window_.dpi(), 192u);
  RECT client{};
  ::GetClientRect(window_.hwnd(), &client);
  EXPECT_EQ(client.right, 608);
  EXPECT_EQ(client.bottom, 242);
  EXPECT_TRUE(RectIs(Control(kProgressFileLabelId), 280, 28, 576, 58));
  EXPECT_TRUE(RectIs(Control(kProgressAbortButtonId), 210, 168, 408, 212));
  EXPECT_TRUE(RectIs(Control(kProgressTotalBarId), 28, 112, 590, 142));

  auto font =
      reinterpret_cast<HFONT>(::SendMessageW(Control(kProgressCountLabelId), WM_GETFONT, 0, 0));
  LOGFONTW got{};
  ASSERT_NE(::GetObjectW(font, sizeof(got), &got), 0) << "the label's font must still be alive";
  EXPECT_EQ(got.lfHeight, -22);
}

// Sets XPC_FORCE_DPI for one scope, so the window sees another DPI under Wine.
class ForcedDpi {
 public:
  explicit ForcedDpi(const char* dpi) { _putenv_s("XPC_FORCE_DPI", dpi); }
  ~ForcedDpi() { _putenv_s("XPC_FORCE_DPI", ""); }
};

TEST_F(ProgressWindowTest, LoadsForTheDpiOfItsWindow) {
  ForcedDpi forced("120");
  window_.Load();
  EXPECT_EQ(window_.dpi(), 120u);
  RECT client{};
  ::GetClientRect(window_.hwnd(), &client);
  EXPECT_EQ(client.right, 380);
  EXPECT_EQ(client.bottom, 151);
  EXPECT_TRUE(RectIs(Control(kProgressFileLabelId), 175, 18, 360, 36));
  EXPECT_TRUE(RectIs(Control(kProgressAbortButtonId), 131, 105, 255, 133));
  EXPECT_TRUE(RectIs(Control(kProgressCountLabelId), 18, 18, 159, 36));
  auto font =
      reinterpret_cast<HFONT>(::SendMessageW(Control(kProgressFileLabelId), WM_GETFONT, 0, 0));
  LOGFONTW got{};
  ::GetObjectW(font, sizeof(got), &got);
  EXPECT_EQ(got.lfHeight, -14);  // 8.25 pt at 120 dpi
}

// Not a check: the picture of the window mid-run for the documentation,
// taken when the picture script asks for it (XPC_PICTURES_DIR).
TEST_F(ProgressWindowTest, PictureMidRun) {
  if (!xpconv::testing::PicturesWanted())
    GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  // Without a window manager on the picture display, Wine leaves the frame
  // of an ordinary top-level window undrawn; it draws a tool window's frame
  // itself, so the owner in the picture is one (without title-bar buttons,
  // whose glyph font the test prefix lacks).
  OwnerWindow owner(kOwnerBounds, WS_EX_TOOLWINDOW, L"Konvertierungs-Assistent",
                    WS_OVERLAPPED | WS_CAPTION);
  window_.Load(owner.hwnd());
  window_.SetCountCaption("Datei 2 von 3");
  window_.SetFileCaption("frmKunden.frm");
  window_.SetFileBar(40);
  window_.SetTotalBarMax(3);
  window_.SetTotalBar(2);
  window_.Show(owner.hwnd());
  xpconv::testing::PumpFor(std::chrono::milliseconds(500));

  // The owner's rectangle holds the centred window in front of it.
  xpconv::testing::TakePicturePumping(owner.hwnd(), "progress");
}

}  // namespace
}  // namespace xpconv::ui

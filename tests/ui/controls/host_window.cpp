#include "tests/ui/controls/host_window.h"

#include "tests/ui/ui_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/controls/frame.h"
#include "ui/controls/progress_bar.h"
#include "ui/win32/font.h"

namespace xpconv::testing {

HostWindow::HostWindow() {
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
      ::CreateWindowExW(0, L"BUTTON", L"&Starten", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 160, 90,
                        24, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                        ::GetModuleHandleW(nullptr), nullptr);
  ::UpdateWindow(hwnd_);
  PumpFor(std::chrono::milliseconds(50));
}

HostWindow::~HostWindow() {
  if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

bool HostWindow::DialogKey(HWND target, UINT message, WPARAM key) {
  MSG msg{target, message, key, 1, 0, {}};
  const BOOL handled = ::IsDialogMessageW(hwnd_, &msg);
  PumpPending();
  return handled != FALSE;
}

LRESULT CALLBACK HostWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
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

}  // namespace xpconv::testing

// The window the control library's tests drive: a top-level window that
// stands for one of the program's windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/win32/handles.h"

namespace xpconv::testing {

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
  HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow();
  HWND hwnd() const { return hwnd_; }
  HWND frame() const { return frame_; }
  HWND check() const { return check_; }
  HWND second_check() const { return second_check_; }
  HWND bar() const { return bar_; }
  HWND button() const { return button_; }
  // Ids of the BN_CLICKED notifications that reached the window, in order.
  const std::vector<int>& clicks() const { return clicks_; }

  // Hands msg to the dialog manager as the program's message loops do.
  bool DialogKey(HWND target, UINT message, WPARAM key);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
  ui::UniqueFont font_;
  HWND frame_ = nullptr;
  HWND check_ = nullptr;
  HWND second_check_ = nullptr;
  HWND bar_ = nullptr;
  HWND button_ = nullptr;
  std::vector<int> clicks_;
};

}  // namespace xpconv::testing

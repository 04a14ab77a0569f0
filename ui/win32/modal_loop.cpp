#include "ui/win32/modal_loop.h"

#include <algorithm>

namespace xpconv::ui {

void RunModalLoop(HWND dialog, HWND owner, const bool* done) {
  const bool owner_was_enabled = owner != nullptr && ::IsWindowEnabled(owner);
  if (owner_was_enabled) ::EnableWindow(owner, FALSE);
  MSG msg{};
  bool quit = false;
  int quit_code = 0;
  while (!*done && ::IsWindow(dialog)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quit = true;
      quit_code = static_cast<int>(msg.wParam);
      break;
    }
    if (got < 0) break;
    // Enter presses the button that has the focus, whichever the dialog
    // manager currently counts as default.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
      HWND focus = ::GetFocus();
      if (focus != nullptr && ::IsChild(dialog, focus) &&
          (::SendMessageW(focus, WM_GETDLGCODE, 0, 0) &
           (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
        ::SendMessageW(focus, BM_CLICK, 0, 0);
        continue;
      }
    }
    if (!::IsDialogMessageW(dialog, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  // The owner must be enabled again before the dialog goes, or Windows hands
  // activation to some other program's window.
  if (owner_was_enabled) ::EnableWindow(owner, TRUE);
  if (owner != nullptr && ::IsWindow(owner)) ::SetActiveWindow(owner);
  if (quit) ::PostQuitMessage(quit_code);
}

POINT CentredPosition(HWND owner, int width, int height) {
  RECT over{};
  HMONITOR monitor = nullptr;
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &over);
    monitor = ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
  } else {
    monitor = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(monitor, &info);
  if (over.right <= over.left) over = info.rcWork;
  POINT at{over.left + (over.right - over.left - width) / 2,
           over.top + (over.bottom - over.top - height) / 2};
  const RECT& work = info.rcWork;
  at.x = std::max(work.left, std::min(at.x, work.right - width));
  at.y = std::max(work.top, std::min(at.y, work.bottom - height));
  return at;
}

}  // namespace xpconv::ui

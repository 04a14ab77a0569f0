#include "ui/progress_window.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "engine/error.h"
#include "engine/messages.h"
#include "ui/controls/progress_bar.h"
#include "ui/message_box.h"
#include "ui/win32/dpi.h"
#include "ui/win32/font.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {
namespace {

constexpr char kCaption[] = "Fortschritt...";
constexpr char kAbortCaption[] = "Abbrechen";
constexpr char kFileDesigned[] = "lblFile";
constexpr char kCountDesigned[] = "Datei 1 von 100";

// The skin's designed values: a fixed tool window without control box,
// minimise or maximise button, and without a task-bar entry.
FormStyle DesignedStyle() {
  FormStyle style;
  style.border_style = 4;
  style.control_box = false;
  style.min_button = false;
  style.max_button = false;
  style.help_button = false;
  style.allow_size = false;
  style.show_in_taskbar = false;
  style.icon = nullptr;
  return style;
}

// Creating a window fails for want of memory or of window handles; the user
// reads it like any other error of a run ("Fehler: " number and text), with
// the system's own number and text where it gives one.
VbError WindowError() {
  const DWORD code = ::GetLastError();
  if (code == 0 || code == ERROR_NOT_ENOUGH_MEMORY || code == ERROR_OUTOFMEMORY) {
    return VbError(7, "Nicht genügend Speicher");
  }
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string description = length > 0 ? WideToUtf8(std::wstring_view(text, length)) : "";
  if (text != nullptr) ::LocalFree(text);
  while (!description.empty() &&
         (description.back() == '\r' || description.back() == '\n' || description.back() == ' ')) {
    description.pop_back();
  }
  if (description.empty()) description = "Systemfehler " + std::to_string(code);
  return VbError(static_cast<int32_t>(code), description);
}

RECT BoxAt(const TwipsBox& box, UINT dpi) {
  return TwipsRect(box.left, box.top, box.width, box.height, dpi);
}

void MoveTo(HWND control, const RECT& r) {
  ::MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

// Keeps a window rectangle on the work area of the monitor it mostly lies on.
RECT KeepOnScreen(RECT r) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  HMONITOR monitor = ::MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  if (!::GetMonitorInfoW(monitor, &info)) return r;
  const RECT& work = info.rcWork;
  const LONG width = r.right - r.left;
  const LONG height = r.bottom - r.top;
  LONG left = std::min(r.left, work.right - width);
  LONG top = std::min(r.top, work.bottom - height);
  left = std::max(left, work.left);
  top = std::max(top, work.top);
  return RECT{left, top, left + width, top + height};
}

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance, AbortFlag& abort)
    : instance_(instance), abort_(abort) {}

ProgressWindow::~ProgressWindow() {
  skin_.Detach();
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

void ProgressWindow::Load(HWND owner) {
  if (hwnd() != nullptr) throw std::logic_error("the progress window is already loaded");
  RegisterShape(kProgressWindowClass, 0, ::GetSysColorBrush(COLOR_BTNFACE));

  // Created with the tool-window frame the skin will give it anyway, so the
  // first measurement of the frame is already close to the final one.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  dpi_ = WindowDpi(owner);
  HWND window =
      CreateShaped(ex_style, kProgressWindowClass, Utf8ToWide(kCaption), style, CW_USEDEFAULT,
                   CW_USEDEFAULT, TwipsToPixels(kProgressClientWidthTwips, dpi_),
                   TwipsToPixels(kProgressClientHeightTwips, dpi_), owner, nullptr);
  if (window == nullptr) throw WindowError();
  dpi_ = WindowDpi(window);
  font_ = CreateUiFont(dpi_);

  CreateControls();
  skin_.Attach(window, DesignedStyle());
  FitClientArea();

  // Until it is shown the window sits with its client area at the designed
  // origin, which is also where it opens without a visible owner.
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  RECT frame{};
  ::GetWindowRect(window, &frame);
  ::SetWindowPos(window, nullptr,
                 TwipsToPixels(kProgressOriginLeftTwips, dpi_) - (origin.x - frame.left),
                 TwipsToPixels(kProgressOriginTopTwips, dpi_) - (origin.y - frame.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressWindow::CreateControls() {
  HWND window = hwnd();
  // Creation order is the tab order: lblFile, cmdAbort, lblCount, then the
  // bars, which take no focus. The labels show file names, so "&" is shown as
  // it is, and a long name ends in an ellipsis instead of running over.
  const DWORD label_style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;
  auto make = [&](const wchar_t* cls, const char* text, DWORD style, int id) {
    HWND control =
        ::CreateWindowExW(0, cls, Utf8ToWide(text).c_str(), style, 0, 0, 0, 0, window,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (control == nullptr) throw WindowError();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
  };
  make(L"STATIC", kFileDesigned, label_style, kProgressFileLabelId);
  make(L"BUTTON", kAbortCaption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
       kProgressAbortButtonId);
  make(L"STATIC", kCountDesigned, label_style, kProgressCountLabelId);
  file_text_ = kFileDesigned;
  count_text_ = kCountDesigned;

  // Both bars carry the designed colours, which are the library's defaults.
  ProgressBarCreateArgs bar;
  bar.parent = window;
  bar.id = kProgressFileBarId;
  bar.bounds = BoxAt(kProgressFileBarBox, dpi_);
  HWND file_bar = CreateProgressBar(bar);
  bar.id = kProgressTotalBarId;
  bar.bounds = BoxAt(kProgressTotalBarBox, dpi_);
  HWND total_bar = CreateProgressBar(bar);
  if (file_bar == nullptr || total_bar == nullptr) throw WindowError();
  // The per-file bar gets percentages and is never given a maximum by the run.
  ProgressSetMax(file_bar, 100);
  LayOut();
}

void ProgressWindow::LayOut() {
  MoveTo(control(kProgressFileLabelId), BoxAt(kProgressFileLabelBox, dpi_));
  MoveTo(control(kProgressAbortButtonId), BoxAt(kProgressAbortButtonBox, dpi_));
  MoveTo(control(kProgressCountLabelId), BoxAt(kProgressCountLabelBox, dpi_));
  MoveTo(control(kProgressFileBarId), BoxAt(kProgressFileBarBox, dpi_));
  MoveTo(control(kProgressTotalBarId), BoxAt(kProgressTotalBarBox, dpi_));
}

void ProgressWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  // The old font is deleted only once no control uses it any more.
  UniqueFont font = CreateUiFont(dpi_);
  for (int id = kProgressFileLabelId; id <= kProgressCountLabelId; ++id) {
    ::SendMessageW(control(id), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  font_ = std::move(font);
  LayOut();
  FitClientArea();
}

void ProgressWindow::FitClientArea() {
  HWND window = hwnd();
  // The frame is measured rather than computed: the skin decides it, and the
  // measurement holds for whatever style and DPI it ends up with.
  ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const int want_width = TwipsToPixels(kProgressClientWidthTwips, dpi_);
  const int want_height = TwipsToPixels(kProgressClientHeightTwips, dpi_);
  for (int attempt = 0; attempt < 2; ++attempt) {
    RECT frame{};
    RECT client{};
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    const int extra_width = (frame.right - frame.left) - client.right;
    const int extra_height = (frame.bottom - frame.top) - client.bottom;
    if (client.right == want_width && client.bottom == want_height) return;
    ::SetWindowPos(window, nullptr, 0, 0, want_width + extra_width, want_height + extra_height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A caption is touched (and repainted) only when its text changes.
void ProgressWindow::SetCountCaption(const std::string& text) {
  if (text == count_text_) return;
  ::SetWindowTextW(control(kProgressCountLabelId), Utf8ToWide(text).c_str());
  count_text_ = text;
}

void ProgressWindow::SetFileCaption(const std::string& text) {
  if (text == file_text_) return;
  ::SetWindowTextW(control(kProgressFileLabelId), Utf8ToWide(text).c_str());
  file_text_ = text;
}

void ProgressWindow::SetFileBar(int32_t value) {
  ProgressSetValue(control(kProgressFileBarId), value);
}

void ProgressWindow::SetTotalBar(int32_t value) {
  ProgressSetValue(control(kProgressTotalBarId), value);
}

void ProgressWindow::SetTotalBarMax(int32_t value) {
  ProgressSetMax(control(kProgressTotalBarId), value);
}

void ProgressWindow::PlaceOver(HWND owner) {
  HWND window = hwnd();
  RECT frame{};
  ::GetWindowRect(window, &frame);
  const LONG width = frame.right - frame.left;
  const LONG height = frame.bottom - frame.top;
  RECT target = frame;
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    RECT around{};
    ::GetWindowRect(owner, &around);
    target.left = around.left + ((around.right - around.left) - width) / 2;
    target.top = around.top + ((around.bottom - around.top) - height) / 2;
    target.right = target.left + width;
    target.bottom = target.top + height;
  }
  target = KeepOnScreen(target);
  ::SetWindowPos(window, nullptr, target.left, target.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ProgressWindow::Show(HWND owner) {
  HWND window = hwnd();
  if (window == nullptr) return;
  // An owned window stays in front of its owner and has no task-bar entry.
  if (reinterpret_cast<HWND>(::GetWindowLongPtrW(window, GWLP_HWNDPARENT)) != owner) {
    ::SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }
  PlaceOver(owner);
  // Placed over an owner on another monitor, the hidden window may not have
  // been told of the new DPI: lay it out for where it now is.
  const UINT here = WindowDpi(window);
  if (here != dpi_) {
    ApplyDpi(here);
    PlaceOver(owner);
  }
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(control(kProgressAbortButtonId));
  // The run pumps only between files and lines: paint the first view now.
  ::UpdateWindow(window);
}

void ProgressWindow::ConfirmAbort() {
  // The question is modal; a second request that reaches us while it is open
  // (a close request, say) must not stack a second question on the first.
  if (confirming_) return;
  confirming_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{confirming_};
  const int32_t answer = ShowMessage(msg::kAbortPrompt, mb::kYesNoQuestion, msg::kAbortTitle);
  if (answer == mb::kAnswerYes) abort_.Raise();
}

void ProgressWindow::OnAbortRequested() {
  // Runs inside a window procedure: nothing may propagate into the system's
  // dispatch. If the question itself cannot be shown the run simply goes on,
  // which leaves every file as the run would have left it anyway.
  try {
    ConfirmAbort();
  } catch (...) {
  }
}

LRESULT ProgressWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      // The dialog keyboard handling turns Escape into IDCANCEL and Enter into
      // IDOK; the only button is the default one, so both mean "Abbrechen".
      if ((id == kProgressAbortButtonId && HIWORD(wp) == BN_CLICKED) || id == IDCANCEL ||
          id == IDOK) {
        OnAbortRequested();
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      // A close request (Alt+F4) asks the abort question; the window itself
      // stays until the run unloads it.
      OnAbortRequested();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) ::SetFocus(control(kProgressAbortButtonId));
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lp);
      if (suggested != nullptr) {
        ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ApplyDpi(LOWORD(wp));
      return 0;
    }
    default:
      break;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace xpconv::ui

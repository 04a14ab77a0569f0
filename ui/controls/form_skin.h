// qorXPForm: the form-skin control. It is not visible: it shapes the window
// it is attached to and raises events from that window's messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace xpconv::ui {

// The designed style of a window, applied to it by the skin.
struct FormStyle {
  int border_style = 1;  // 1 fixed single, 2 sizable, 3 fixed dialog, 4 fixed tool window
  bool control_box = true;
  bool min_button = true;
  bool max_button = true;
  bool help_button = false;
  bool allow_size = true;
  bool show_in_taskbar = true;
  HICON icon = nullptr;  // not owned; none leaves the window without icon
};

// The skin's events:
//  - event 10 (one argument, the new system colour of the window background)
//    when the system colours change (WM_SYSCOLORCHANGE);
//  - event 15 (a 16-bit flag by reference) when the title bar's help button
//    or F1 is pressed (WM_HELP / SC_CONTEXTHELP);
//  - event 16 (no arguments) when the theme or the system settings change
//    (WM_THEMECHANGED, WM_SETTINGCHANGE).
class FormSkin {
 public:
  FormSkin() = default;
  FormSkin(const FormSkin&) = delete;
  FormSkin& operator=(const FormSkin&) = delete;
  ~FormSkin();

  // Applies style to window (frame, buttons, task-bar entry, icon) and starts
  // watching its messages.
  void Attach(HWND window, const FormStyle& style);
  void Detach();
  // The argument-less method: applies the window style again.
  void Reapply();
  // Shows the about box of our library, modal over the window.
  void AboutBox();

  std::function<void(int32_t)> on_colours_changed;  // event 10
  std::function<void(int16_t&)> on_help_requested;  // event 15
  std::function<void()> on_settings_changed;        // event 16

 private:
  static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  HWND window_ = nullptr;
  FormStyle style_{};
};

}  // namespace xpconv::ui

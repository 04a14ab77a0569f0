// Our control library: the check box qorCheck, the frame qorFrame, the
// progress bar qorProgressBar, the form skin qorXPForm and the message box
// qorMessageBox. Each visual control is a registered window class of its
// own name, so a window's controls can be enumerated (EnumChildWindows) and
// told apart by class (ControlClassOf). Properties are set by name through
// SetControlProperty, as the wizard's recolouring does with "BackColor".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/win32_util.h"

namespace xpconv::ui {

inline constexpr wchar_t kCheckClass[] = L"qorCheck";
inline constexpr wchar_t kFrameClass[] = L"qorFrame";
inline constexpr wchar_t kProgressBarClass[] = L"qorProgressBar";
inline constexpr wchar_t kMessageBoxClass[] = L"qorMessageBox";
inline constexpr wchar_t kAboutBoxClass[] = L"qorAboutBox";

// Registers the window classes once per process; safe to call again.
void RegisterControlLibrary(HINSTANCE instance);

// The window class name of a control ("qorCheck", "Button", ...).
std::wstring ControlClassOf(HWND control);

// Sets a property of one of our controls by its name (letter case ignored):
// "BackColor", "BorderColor", "ForeColor", "CheckMarkColor", "FillColor",
// "FillColorLight", "Value", "Max". Colour values are colour numbers as in
// ResolveColour. Returns false when the control has no such property.
bool SetControlProperty(HWND control, const std::string& name, int32_t value);
// Reads such a property back; nothing when the control has no such property.
std::optional<int32_t> GetControlProperty(HWND control, const std::string& name);

// ---------------------------------------------------------------- qorCheck
struct CheckCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  std::string caption;  // UTF-8; "&" marks the access key
  RECT bounds{};        // pixels, in the parent's client area
  int32_t value = 0;    // 0 unticked, 1 ticked
  int32_t back_color = static_cast<int32_t>(0x80000000 | COLOR_BTNFACE);
  int32_t border_color = 8409372;
  int32_t check_mark_color = 2203937;
  HFONT font = nullptr;  // not owned
};
HWND CreateCheck(const CheckCreateArgs& args);
// Value, the default property: 0 unticked, 1 ticked, read afresh.
int32_t CheckValue(HWND check);
// The SetValue method: later reads of Value give the value.
void CheckSetValue(HWND check, int32_t value);
// The check box tells its parent about a change by WM_COMMAND with BN_CLICKED
// and its id, like a platform button.

// ---------------------------------------------------------------- qorFrame
struct FrameCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  std::string caption;  // UTF-8
  RECT bounds{};
  int32_t back_color = static_cast<int32_t>(0x80000000 | COLOR_BTNFACE);
  int32_t border_color = 12164479;
  int32_t fore_color = 12582912;
  int32_t check_mark_color = 2203937;
  HFONT font = nullptr;  // not owned
};
// A frame is a container: controls created with the frame as parent sit in it,
// and it forwards their WM_COMMAND and WM_NOTIFY messages to its own parent.
HWND CreateFrame(const FrameCreateArgs& args);

// ---------------------------------------------------------- qorProgressBar
struct ProgressBarCreateArgs {
  HWND parent = nullptr;
  int id = 0;
  RECT bounds{};
  int32_t back_color = -2147483643;  // the system's window background
  int32_t border_color = 8409372;
  int32_t fill_color = 3724597;
  int32_t fill_color_light = 11333035;
};
// The range is 0 to 100 until Max is set; the value starts at 0.
HWND CreateProgressBar(const ProgressBarCreateArgs& args);
// Value, the default property. Setting the value it already has repaints nothing.
void ProgressSetValue(HWND bar, int32_t value);
void ProgressSetMax(HWND bar, int32_t max);
int32_t ProgressValue(HWND bar);
int32_t ProgressMax(HWND bar);
// How often the bar has painted itself, for tests of needless repaints.
int32_t ProgressPaintCount(HWND bar);

// --------------------------------------------------------------- qorXPForm
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

// The form-skin control. It is not visible: it shapes the window it is
// attached to and raises events from that window's messages.
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

// ------------------------------------------------------------ qorMessageBox
// The library's non-visual message box. A modal window over the active window
// with the prompt (CR LF breaks lines), the buttons and icon of the buttons
// value (0 OK; 19 Ja/Nein/Abbrechen with the stop icon; 36 Ja/Nein with the
// question icon; 64 OK with the information icon), German captions, Enter for
// the first button, Escape for Abbrechen where the box has it.
class MessageBoxObject {
 public:
  // The two properties set before showing (their effect is the library's).
  void SetFlag(bool flag) { flag_ = flag; }
  void SetNumber(int32_t number) { number_ = number; }
  // Shows the box and returns the answer code of the button pressed
  // (1 OK, 2 Abbrechen, 6 Ja, 7 Nein). The seven further values are taken as
  // the show method takes them; picture may be null.
  int32_t Show(const std::string& prompt, int32_t buttons, const std::string& title,
               const std::string& text1, int32_t number1, int32_t number2, const std::string& text2,
               int32_t number3, int32_t number4, HBITMAP picture);

 private:
  bool flag_ = false;
  int32_t number_ = 0;
};

// Control ids inside the message box, for keyboard handling and for tests.
inline constexpr int kMessageBoxButtonOk = 1;      // IDOK
inline constexpr int kMessageBoxButtonCancel = 2;  // IDCANCEL
inline constexpr int kMessageBoxButtonYes = 6;     // IDYES
inline constexpr int kMessageBoxButtonNo = 7;      // IDNO
// The static control that shows the prompt.
inline constexpr int kMessageBoxPromptId = 100;

// The icon a message box shows, for tests and accessibility.
enum class MessageIcon { kNone, kStop, kQuestion, kInformation };
// The icon of a box window of class qorMessageBox (kNone for other windows).
MessageIcon MessageBoxIconOf(HWND box);
// The caption a message box shows when its title is empty.
inline constexpr char kMessageBoxDefaultTitle[] = "qorXPControls ActiveX Replacement-Wizard";

}  // namespace xpconv::ui

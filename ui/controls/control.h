// The base of the library's visual controls (check box, frame, progress
// bar), inside the library: the private messages through which the public
// functions reach a control (so they work on any HWND and from test threads
// alike), and the class that does the double-buffered painting, the font,
// the properties every control has and the accessibility of each one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "ui/controls/control_library.h"
#include "ui/win32/window.h"

namespace xpconv::ui::detail {

enum class Property : WPARAM {
  kBackColor = 1,
  kBorderColor,
  kForeColor,
  kCheckMarkColor,
  kFillColor,
  kFillColorLight,
  kValue,
  kMax,
  kPaintCount,
};

// wParam a Property, lParam the value; returns TRUE when the control has it.
inline constexpr UINT kSetPropertyMessage = WM_USER + 0x201;
// wParam a Property, lParam an int32_t* that receives it; TRUE when present.
inline constexpr UINT kGetPropertyMessage = WM_USER + 0x202;
// lParam an AccessibleFacts* the control fills in; TRUE when it did.
inline constexpr UINT kAccessibleFactsMessage = WM_USER + 0x203;

struct AccessibleFacts {
  long role = 0;                // ROLE_SYSTEM_...
  long state = 0;               // STATE_SYSTEM_... besides focus and availability
  std::wstring value;           // empty when the control has no value
  std::wstring default_action;  // empty when it has none
};

// Base of the visual controls. Each object lives as long as its window and
// deletes itself after WM_NCDESTROY. It has the properties BackColor and the
// paint count; a control's own properties come from its table (see
// property_table.h).
class Control : public Window {
 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override { delete this; }

  // Creates the control's window: class_name as the child id of parent at
  // bounds (pixels), with the caption (UTF-8) and the font (not owned; none
  // keeps the system's GUI font).
  HWND CreateChild(const wchar_t* class_name, DWORD ex_style, DWORD style,
                   const std::string& caption, HWND parent, int id, const RECT& bounds, HFONT font);

  // Draws the whole control into dc (a memory DC of the client's size).
  virtual void Paint(HDC dc, const RECT& client) = 0;
  virtual bool SetProperty(Property property, int32_t value);
  virtual std::optional<int32_t> GetProperty(Property property) const;
  virtual void DescribeForAccessibility(AccessibleFacts& facts) const = 0;

  // The font set by WM_SETFONT, or the system's GUI font.
  HFONT font() const;
  // Whether the keyboard cues (focus rectangle, access-key underline) show.
  bool ShowsFocusCue() const;
  bool ShowsAccessKeys() const;
  void Repaint() { ::InvalidateRect(hwnd(), nullptr, FALSE); }
  // Tells accessibility tools that something about the control changed.
  void NotifyAccessibility(DWORD event) const;

  int32_t back_color_ = static_cast<int32_t>(0x80000000 | COLOR_BTNFACE);
  int32_t paint_count_ = 0;

 private:
  void PaintBuffered(HDC target);
  HFONT font_ = nullptr;
};

// Creates a control C with its window from args (C::Create makes the
// window). The object lives as long as its window and deletes itself after
// WM_NCDESTROY; without a window it is deleted here, and the result is null.
template <typename C, typename Args>
HWND CreateControl(const Args& args) {
  RegisterControlLibrary(::GetModuleHandleW(nullptr));
  auto* control = new C(args);
  HWND hwnd = control->Create(args);
  if (hwnd == nullptr) delete control;
  return hwnd;
}

// Each control's unit registers its window class; RegisterControlLibrary
// calls them.
void RegisterCheckClass();
void RegisterFrameClass();
void RegisterProgressBarClass();

}  // namespace xpconv::ui::detail

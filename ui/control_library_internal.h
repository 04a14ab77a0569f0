// What the controls of our library share inside the library: the private
// messages through which the public functions reach a control (so they work
// on any HWND and from test threads alike), and the base class that does the
// double-buffered painting, fonts, properties and accessibility of each one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/win32_util.h"

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
// deletes itself after WM_NCDESTROY.
class Control : public Window {
 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override { delete this; }

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

// Fills rect with a colour number.
void FillColour(HDC dc, const RECT& rect, int32_t colour);
// A blend of two colours: 0 gives a, 255 gives b.
COLORREF Blend(COLORREF a, COLORREF b, int amount);

// Answers WM_GETOBJECT for one of our controls with an accessible object that
// reports what kAccessibleFactsMessage tells, and the standard one otherwise.
LRESULT AnswerGetObject(HWND control, WPARAM wp, LPARAM lp);

// The modal loop the message box and the about box share: disables owner,
// pumps until *done, re-enables and re-activates owner. A WM_QUIT seen on
// the way is posted again for the outer loop, and ends the modal loop.
void RunModalLoop(HWND dialog, HWND owner, const bool* done);

// Shows the about box of our library, modal over owner (may be null).
void ShowAboutBox(HWND owner);

// Each unit registers its window classes; RegisterControlLibrary calls them.
void RegisterCheckClass();
void RegisterFrameClass();
void RegisterProgressBarClass();
void RegisterDialogClasses();

}  // namespace xpconv::ui::detail

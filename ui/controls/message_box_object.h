// qorMessageBox: the library's non-visual message box object. The program
// never uses the platform's message box, so the German captions, the icons
// and the keys are the same on every system.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace xpconv::ui {

inline constexpr wchar_t kMessageBoxClass[] = L"qorMessageBox";

// A modal window over the active window with the prompt (CR LF breaks
// lines), the buttons and icon of the buttons value (0 OK; 19
// Ja/Nein/Abbrechen with the stop icon; 36 Ja/Nein with the question icon; 64
// OK with the information icon), German captions, Enter for the first button,
// Escape for Abbrechen where the box has it.
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

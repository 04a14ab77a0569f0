// frmProgress: the small window a conversion run shows while it converts the
// selected forms. It shows the file count, the current file's name, a
// per-file bar and an overall bar, and offers one button, "Abbrechen", whose
// only effect is the shared abort flag. Every text and bar value is written
// by the run through the setters; the window holds no other logic.
//
// Placement: the window opens centred over its owner (the wizard window), kept
// inside the owner's monitor work area; without a visible owner it opens at
// its designed client origin (4320, 5070 twips from the screen's top left).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/host.h"
#include "ui/controls/form_skin.h"
#include "ui/win32/handles.h"
#include "ui/win32/window.h"

namespace xpconv::ui {

inline constexpr wchar_t kProgressWindowClass[] = L"xpconvProgressWindow";

// Control ids, for keyboard handling and for tests (GetDlgItem).
inline constexpr int kProgressFileLabelId = 1001;    // lblFile
inline constexpr int kProgressAbortButtonId = 1002;  // cmdAbort
inline constexpr int kProgressCountLabelId = 1003;   // lblCount
inline constexpr int kProgressFileBarId = 1004;      // qorProgressBar2, per file, 0 to 100
inline constexpr int kProgressTotalBarId = 1005;     // qorProgressBar1, overall

// The designed geometry in twips: left, top, width, height.
struct TwipsBox {
  int left, top, width, height;
};
inline constexpr int kProgressClientWidthTwips = 4560;
inline constexpr int kProgressClientHeightTwips = 1815;
inline constexpr TwipsBox kProgressFileLabelBox{2100, 210, 2220, 225};
inline constexpr TwipsBox kProgressAbortButtonBox{1575, 1260, 1485, 330};
inline constexpr TwipsBox kProgressCountLabelBox{210, 210, 1695, 225};
inline constexpr TwipsBox kProgressFileBarBox{210, 525, 4215, 225};
inline constexpr TwipsBox kProgressTotalBarBox{210, 840, 4215, 225};
inline constexpr int kProgressOriginLeftTwips = 4320;
inline constexpr int kProgressOriginTopTwips = 5070;

class ProgressWindow final : public Window {
 public:
  // The abort flag is owned by the caller and outlives the window.
  ProgressWindow(HINSTANCE instance, AbortFlag& abort);
  ~ProgressWindow() override;

  // Creates the window with its designed contents, hidden. owner, when given,
  // already owns it, so it never gets a task-bar entry of its own. Throws
  // VbError (the system's error) when the window cannot be created.
  void Load(HWND owner = nullptr);

  // Each setter changes its control at once; a caption or bar that already
  // shows the value is not touched again.
  void SetCountCaption(const std::string& text);  // UTF-8
  void SetFileCaption(const std::string& text);   // UTF-8
  void SetFileBar(int32_t value);
  void SetTotalBar(int32_t value);
  void SetTotalBarMax(int32_t value);

  // Shows the window modeless, owned by owner and in front of it; returns at
  // once.
  void Show(HWND owner);

  // What cmdAbort (and Escape, and a close request) does: asks "Wirklich
  // abbrechen?" and raises the abort flag on Ja. Nothing else changes.
  void ConfirmAbort();

  // The DPI the window is laid out for.
  UINT dpi() const noexcept { return dpi_; }
  HWND control(int id) const { return ::GetDlgItem(hwnd(), id); }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateControls();
  void LayOut();
  // Font, controls and client area for dpi.
  void ApplyDpi(UINT dpi);
  // Sizes the window so its client area is the designed size at dpi_,
  // whatever frame the skin gave it.
  void FitClientArea();
  void PlaceOver(HWND owner);
  void OnAbortRequested();

  HINSTANCE instance_;
  AbortFlag& abort_;
  UINT dpi_ = 96;
  UniqueFont font_;
  FormSkin skin_;
  bool confirming_ = false;
  // The captions' texts as last set (UTF-8).
  std::string count_text_;
  std::string file_text_;
};

}  // namespace xpconv::ui

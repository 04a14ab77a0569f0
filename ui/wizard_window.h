// Form1, the wizard window: the program's main window. It lets the user pick
// a project file, lists the project's form entries, holds the six conversion
// options and starts the conversion run. The engine reads the project, the
// list, the selection and the options live through WizardOperations.
//
// Decisions of ours:
//  - txtProject is read-only: it shows the path, which can be selected and
//    copied, so the project a run converts is always the one whose forms are
//    listed.
//  - Entries stay in the project file's order.
//  - A project file that cannot be read shows "Fehler: " number CR LF
//    description and leaves the window as at start ("No project"), with the
//    stored project folder cleared.
//  - The window is fixed in size and shows the title bar's help button. The
//    platform draws that button only on windows without minimise and
//    maximise buttons, so the wizard has neither, like a dialog; F1 asks for
//    help as well.
//  - It opens centred on the screen.
//  - A project named on the command line or dropped from Explorer loads
//    exactly as one chosen in the open dialog (see wizard_open.cpp).
#pragma once

// clang-format off
// <windows.h> (through win32_util.h) first: the shell header builds on it.
#include "ui/win32_util.h"
#include <shellapi.h>
// clang-format on

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"
#include "ui/control_library.h"
#include "ui/open_dialog.h"
#include "ui/win32_util.h"
#include "ui/windows_host.h"
#include "ui/wizard_ids.h"

namespace xpconv::ui {

// The open dialog as the browse button calls it: filter (UTF-8) and initial
// folder (ANSI) in, chosen path (ANSI) or empty out. Tests replace it.
using OpenDialogFunction =
    std::function<std::string(const std::string& filter, const std::string& initial_folder)>;

class Wizard final : public Window, public WizardOperations {
 public:
  // The abort flag is owned by the caller and outlives the window.
  Wizard(HINSTANCE instance, AbortFlag& abort, OpenDialogFunction open_dialog = &ShowOpenDialog);
  ~Wizard() override;

  // Creates the window with its designed contents, hidden. Throws
  // std::runtime_error when the window cannot be created.
  void Create();
  // Shows the window (SW_SHOW... as wWinMain gets it) and focuses the first
  // control in tab order that takes the focus.
  void Show(int show_command);
  // The message loop's keyboard handling (tab order, access keys); true when
  // the message was consumed.
  bool PreTranslate(MSG& msg);

  // Called once the window is gone; the program quits there.
  std::function<void()> on_closed;

  // --- the routines behind the user's actions ---
  void BrowseForProject();
  // A project given from outside the open dialog: the command line's
  // argument or a dropped file, as UTF-16 and possibly relative. Loads it the
  // way the dialog's choice is loaded, with the same list, state and errors.
  // A path the ANSI code page cannot express gets a message and is not
  // loaded; while a run is going on or a modal window holds the wizard,
  // nothing is taken. True when the path was taken.
  bool OpenProjectFrom(const std::wstring& path);
  void LoadProjectList();
  void SelectAllEntries();
  // cmdStart: the conversion run with a WindowsHost over this window.
  void StartConversion();
  // Skin event 10: frame and check boxes take the window's background colour.
  void RecolourOptionControls();
  // Skin event 15: sets flag to True (-1), then shows the library's about box.
  void ShowLibraryAbout(int16_t& flag);
  // Skin event 16.
  void ForwardToSkin();

  // The window's background colour as a colour number (0x8000000F, the
  // system's button face, by design). Setting it repaints the window only.
  int32_t back_colour() const noexcept { return back_colour_; }
  void SetBackColour(int32_t colour);

  HWND control(int id) const;
  // chkReplace(kind), 0..3.
  HWND replace_box(int kind) const;
  UINT dpi() const noexcept { return dpi_; }
  // True while a conversion run started from this window is going on.
  bool running() const noexcept { return running_; }

  // --- WizardOperations: read live from the controls ---
  HWND WizardWindow() override { return hwnd(); }
  std::string ProjectPath() override;
  std::string ProjectFolder() override;
  int32_t EntryCount() override;
  int32_t SelectedCount() override;
  bool IsEntrySelected(int16_t index) override;
  std::string EntryText(int16_t index) override;
  int32_t BackupOption() override;
  void SwitchBackupOn() override;
  void SetWizardEnabled(bool enabled) override;
  int32_t ReplaceOption(int16_t kind) override;
  int32_t XPStyleOption() override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnDestroyed() override;

 private:
  void CreateFonts();
  void CreateControls();
  void CreatePictures();
  void LayOut();
  void OnCommand(int id, int code);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void SetProjectText(const std::string& ansi_path);
  // The open dialog's result and every other chosen path go through here.
  void OpenChosenProject(const std::string& ansi_path);
  // WM_DROPFILES: the first .vbp among the dropped files.
  void OnDropFiles(HDROP drop);
  bool TakesProjects() const;
  // Puts the list and the two action buttons into their state for the
  // entries now in entries_ (placeholder when there are none).
  void FillList(const std::vector<std::string>& entries);
  void ResetToNoProject();
  LRESULT OnControlColour(HDC dc, HWND control);

  HINSTANCE instance_;
  AbortFlag& abort_;
  OpenDialogFunction open_dialog_;
  UINT dpi_ = 96;
  int32_t back_colour_;
  UniqueBrush back_brush_;
  UniqueFont font_;
  UniqueFont title_font_;
  UniqueIcon icon_large_;
  UniqueIcon icon_small_;
  UniqueIcon folder_icon_;
  HWND header_ = nullptr;
  HWND tooltip_ = nullptr;
  FormSkin skin_;
  std::string project_folder_;
  // The entries as the project file holds them (ANSI); the list shows them
  // converted for display.
  std::vector<std::string> entries_;
  // While a run holds the window disabled the selection cannot change: it
  // is read from the list once (one message instead of one per entry) and
  // answered from here until the window is given back.
  std::optional<std::vector<bool>> held_selection_;
  bool running_ = false;
  HWND last_focus_ = nullptr;
};

// The header band picTop: a white child window that holds the title, the
// description and the header picture, and paints that picture.
void RegisterHeaderBand(HINSTANCE instance);

// Draws the header picture (designed 61 x 55 pixels) into rect.
void DrawHeaderPicture(HDC dc, const RECT& rect);

// Lets window take files dropped from Explorer (WM_DROPFILES), also when the
// program runs with higher rights than Explorer.
void AcceptDroppedFiles(HWND window);

// The first argument after the program's name in command_line (as
// GetCommandLineW gives it), or empty.
std::wstring FirstCommandLineArgument(const wchar_t* command_line);

}  // namespace xpconv::ui

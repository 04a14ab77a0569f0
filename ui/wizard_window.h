// Form1, the wizard window: the program's main window. It lets the user pick
// a project file, lists the project's form entries, holds the six conversion
// options and starts the conversion run. The engine reads the project, the
// list, the selection and the options live through WizardOperations, which
// the window's controls answer (wizard_controls.h).
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
//
// The routines live in their own files: the window itself
// (wizard_window.cpp), the ways to a project (wizard_open.cpp), the list of
// its entries (wizard_list.cpp), the restore (wizard_restore.cpp) and the
// preview (wizard_preview.cpp, with its window in preview_window.h).
#pragma once

// clang-format off
// <windows.h> first: the shell header builds on it.
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/code_check.h"
#include "engine/file_system.h"
#include "engine/host.h"
#include "ui/controls/form_skin.h"
#include "ui/header_band.h"
#include "ui/open_dialog.h"
#include "ui/save_dialog.h"
#include "ui/win32/handles.h"
#include "ui/win32/window.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_ids.h"

namespace xpconv::ui {

// The open dialog as the browse button calls it: filter (UTF-8) and initial
// folder (ANSI) in, chosen path (ANSI) or empty out. Tests replace it.
using OpenDialogFunction =
    std::function<std::string(const std::string& filter, const std::string& initial_folder)>;

class Wizard final : public Window, public WizardControls {
 public:
  // The abort flag is owned by the caller and outlives the window. The save
  // dialog is the preview window's.
  Wizard(HINSTANCE instance, AbortFlag& abort, OpenDialogFunction open_dialog = &ShowOpenDialog,
         SaveDialogFunction save_dialog = &ShowSaveDialog);
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
  // LoadProjectList, then the entries selected before (by kind and text)
  // selected again: after a restore, and when the user-controls box changes.
  void ReloadProjectList();
  void SelectAllEntries();
  // "&Wiederherstellen...": lists what a restore of the selected entries
  // and the project file would do, asks once, and puts the files back from
  // their backups under the project's run lock (wizard_restore.cpp).
  void RestoreProject();
  // "&Vorschau...": the preview run for the project, the selection and the
  // options as they stand, then the preview window; its "&Starten" starts
  // the run as the wizard's own button does (wizard_preview.cpp).
  void ShowPreview();
  // The user-controls box: ticked, the list holds the project's
  // UserControl=, PropertyPage= and UserDocument= entries as well.
  bool DesignersOption() const;
  // cmdStart: the conversion run with a WindowsHost over this window. When
  // the project's code names a class the run replaced, a message after the
  // summary says so and offers the lines (OfferCodeLines).
  void StartConversion();
  // The code check the run and the preview make: the kinds the run
  // replaces, the user controls when the box is ticked; nothing mended.
  CodeCheckOptions CodeOptions();
  // After a run: the message about the code lines that name a replaced
  // class, and on "Ja" the preview window's code part alone. Nothing when
  // there are none (wizard_preview.cpp).
  void OfferCodeLines(const ProjectCodeCheck& check, FileSystem& fs);
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

  UINT dpi() const noexcept { return dpi_; }
  // True while a conversion run started from this window is going on.
  bool running() const noexcept { return running_; }

  // WizardOperations: the window the progress window belongs to.
  HWND WizardWindow() const override { return hwnd(); }

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
  void FillList(const std::vector<ProjectEntry>& entries);
  void ResetToNoProject();
  LRESULT OnControlColour(HDC dc, HWND control);
  // "Fehler: " number CR LF description, in our message box; with a file,
  // followed by an empty line and "Datei: " file (UTF-8), as a form's job
  // reports its errors.
  static void ShowError(int32_t number, const std::string& description,
                        const std::string& file = {});

  HINSTANCE instance_;
  AbortFlag& abort_;
  OpenDialogFunction open_dialog_;
  SaveDialogFunction save_dialog_;
  UINT dpi_ = 96;
  int32_t back_colour_;
  UniqueBrush back_brush_;
  UniqueFont font_;
  UniqueFont title_font_;
  UniqueIcon icon_large_;
  UniqueIcon icon_small_;
  UniqueIcon folder_icon_;
  HeaderBand header_;
  HWND tooltip_ = nullptr;
  FormSkin skin_;
  bool running_ = false;
  HWND last_focus_ = nullptr;
};

}  // namespace xpconv::ui

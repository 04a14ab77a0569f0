// The preview window: what "&Starten" would do, shown before it is done. It
// opens modal over the wizard, titled "Vorschau - " and the project file's
// name, with
//  - a list of one row per selected entry (number, file, outcome, the
//    replaced headers per kind), a row for the project file and one per
//    question a run would ask;
//  - below it the changes of the row in focus as the patch shows them, in a
//    fixed-width font with removed and added lines in two colours; of a long
//    file the first kMostDiffLines lines, and what follows in one line;
//  - "&Bericht speichern..." and "&Patch speichern..." (the save dialog of
//    the system), "&Starten" (closes the window; the wizard then starts the
//    run exactly as its own button does) and "Schließen" (also Escape and the
//    close box).
//  - where the project's code names a class the run replaces, below the
//    changes the lines that do (file, line, code, what it names).
// It is sizable; its parts share the room it gets. After a run the same
// window shows the code part alone, read-only, with "Schließen". The
// window knows nothing of the engine: PreviewContent gives everything it
// shows and saves.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "ui/controls/form_skin.h"
#include "ui/preview_content.h"
#include "ui/preview_ids.h"
#include "ui/save_dialog.h"
#include "ui/win32/handles.h"
#include "ui/win32/window.h"

namespace xpconv::ui {

class PreviewWindow final : public Window {
 public:
  enum class Outcome { kClosed, kStart };

  // content outlives the window.
  PreviewWindow(HINSTANCE instance, PreviewContent& content, SaveDialogFunction save_dialog);
  // The code part of facts alone, titled kCodeTitle and the project's name;
  // facts outlive the window.
  PreviewWindow(HINSTANCE instance, const PreviewFacts& facts);
  ~PreviewWindow() override;

  // Creates the window over owner (which it disables meanwhile), shows it
  // with the first row in focus and returns when it is closed: kStart for
  // "&Starten", kClosed otherwise. Throws std::runtime_error when the window
  // cannot be created.
  Outcome Run(HWND owner);

  HWND control(int id) const { return ::GetDlgItem(hwnd(), id); }
  UINT dpi() const noexcept { return dpi_; }
  // The row whose changes the lower part shows; -1 before the first.
  int shown_row() const noexcept { return shown_row_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void CreateFonts();
  void CreateControls();
  void FillRows();
  void FillCode();
  void LayOut();
  void OnCommand(int id);
  // Fills the lower part with the changes of rows[row].
  void ShowChangesOf(int row);
  void SaveReport();
  void SavePatch();
  // Asks for a path and hands it to save; errors as the run shows them.
  void Save(const SaveRequest& request, void (PreviewContent::*save)(const std::string&));
  void Finish(Outcome outcome);
  bool DrawDiffLine(const DRAWITEMSTRUCT& item);
  void OnDpiChanged(UINT dpi, const RECT& suggested);

  // The code part alone when there is no content.
  bool code_only() const noexcept { return content_ == nullptr; }

  HINSTANCE instance_;
  PreviewContent* content_;
  const PreviewFacts& facts_;
  SaveDialogFunction save_dialog_;
  UINT dpi_ = 96;
  UniqueFont font_;
  UniqueFont fixed_font_;
  int fixed_char_width_ = 8;
  FormSkin skin_;
  int shown_row_ = -1;
  bool done_ = false;
  Outcome outcome_ = Outcome::kClosed;
};

}  // namespace xpconv::ui

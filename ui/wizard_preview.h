// The wizard's preview: the engine's run over a file system that keeps every
// change to itself (OverlayFileSystem), for the wizard's project, selection
// and options as they stand, with the questions answered as a preview
// answers them (PreviewRunHost) and the run recorded entry by entry. What it
// found is the preview window's content; its report and its patch are those
// `xpconvert run --dry-run --report` and `--diff` write for the same project
// and options, made by the same code.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/code_check.h"
#include "engine/file_system.h"
#include "engine/host.h"
#include "engine/project_file.h"
#include "ui/preview_content.h"
#include "ui/wizard_operations.h"

namespace xpconv::ui {

// What the wizard asks a preview for, beyond what the run reads from it.
struct PreviewRequest {
  std::string project;                // ANSI, as the path box holds it
  std::vector<ProjectEntry> entries;  // as the list holds them
  std::vector<bool> selected;         // per entry
  bool designers = false;             // the user-controls box
  std::array<int32_t, 4> replace{1, 1, 1, 1};
  int32_t xp_style = 1;
  int32_t backup = 1;
  CodeCheckOptions code;  // the code check the run makes at its end
};

// The code lines of check that name a class the run replaces, one per line
// (a line that names several says so in its "about"), and a note for each
// module that could not be checked, as the preview window lists them; and
// their count. Type tests of the mended form, which hold for the new class
// too, are left out, as the console program leaves them out.
void AddCodeLines(const ProjectCodeCheck& check, FileSystem& fs, PreviewFacts& facts);

class WizardPreview final : public PreviewContent {
 public:
  ~WizardPreview() override;

  // Runs the preview with the wizard disabled, the busy pointer and, where
  // it takes longer than a moment, the progress window. Nothing when the
  // run did not get to the project (a message said why) or the user stopped
  // it. Raises what the run raises outside its own error handling.
  static std::unique_ptr<WizardPreview> Run(HINSTANCE instance, WizardOperations& wizard,
                                            AbortFlag& abort, const PreviewRequest& request);

  const PreviewFacts& Facts() const override { return facts_; }
  DiffText DiffOf(size_t row) override;
  void SaveReport(const std::string& path) override;
  void SavePatch(const std::string& path) override;

 private:
  struct State;
  explicit WizardPreview(std::unique_ptr<State> state);
  void MakeFacts();

  std::unique_ptr<State> state_;
  PreviewFacts facts_;
};

}  // namespace xpconv::ui

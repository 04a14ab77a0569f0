// The wizard window as its tests drive it: created and shown for each test,
// the open dialog replaced by a script, projects written into a temporary
// folder and loaded through the folder button, the list read and clicked as
// a user clicks it. Shared by the tests of the window, its restore and its
// preview.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/host.h"
#include "tests/support/temp_dir.h"
#include "ui/wizard_window.h"

namespace xpconv::testing {

// The preview window's rows, each as its cells joined by " | ", and the
// lines its changes show; readable from another thread.
std::vector<std::string> PreviewRows(HWND preview);
std::vector<std::string> PreviewDiffLines(HWND preview);
// Puts row of the preview's list in focus, as a click on it does.
void FocusPreviewRow(HWND preview, int row);

// A form with every replaceable kind and enough code behind it that a run
// pumps many times per file.
std::string LongForm(const std::string& name);

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;

  HWND Control(int id) const { return wizard_->control(id); }
  void Click(int id);
  // The open dialog's answer for the next browse.
  void Browse(const std::string& choice);
  // Writes a project with the given entries and loads it through the browse button.
  std::string LoadProject(const std::string& relative, const std::vector<std::string>& entries);
  std::vector<std::wstring> ListTexts();
  std::vector<int> Selected();
  // A click with the mouse on entry i of the list.
  void ClickEntry(int i);
  // Lets the window's dialog keys handle a key as the message loop would.
  bool Key(UINT msg, WPARAM key);
  bool Enabled(int id) { return ::IsWindowEnabled(Control(id)) != FALSE; }

  TempDir dir_;
  AbortFlag abort_;
  std::unique_ptr<ui::Wizard> wizard_;
  std::vector<std::pair<std::string, std::string>> dialog_calls_;
  std::string next_choice_;
  // The save dialog's answers, in turn; empty when it is cancelled.
  std::vector<std::string> save_paths_;
  bool closed_ = false;
};

}  // namespace xpconv::testing

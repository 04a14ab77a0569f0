// "&Vorschau..." on a copy of the sample project, driven as a user drives it:
// the preview window's rows and the changes of one row, the report and the
// patch it saves (the same bytes as xpconvert's for the same options), a
// start from the preview that leaves exactly what a plain start leaves, and
// the messages that end a preview before it begins.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/app.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "tests/support/fake_terminal.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/wizard_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/preview_window.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;
using testing::PreviewDiffLines;
using testing::PreviewRows;
using testing::WindowTextOf;

// Every file below root, by its path relative to root, with its bytes.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[std::filesystem::relative(item.path(), root).generic_string()] = bytes.str();
  }
  return files;
}

class WizardPreviewTest : public testing::WizardTest {
 protected:
  // A copy of the sample project in folder, loaded with its user controls
  // and every entry selected.
  std::string LoadSample(const std::string& folder) {
    std::string samples = XPC_SAMPLES_DIR;
    if (!samples.empty() && samples.front() == '/') samples = "Z:" + samples;  // under Wine
    std::filesystem::copy(samples + "/Kundenverwaltung", dir_.native() + "\\" + folder,
                          std::filesystem::copy_options::recursive);
    const std::string project = dir_.Path(folder + "\\Kundenverwaltung.vbp");
    Browse(project);
    if (CheckValue(Control(kIdDesigners)) == 0) Click(kIdDesigners);
    Click(kIdAll);
    return project;
  }

  // xpconvert on the same project, as the console program's users call it.
  std::string Xpconvert(std::vector<std::string> args) {
    testing::FakeTerminal terminal;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    cli::RunXpconvert(args, in, out, err, terminal);
    return out.str();
  }
};

TEST_F(WizardPreviewTest, ShowsWhatARunWouldDoAndChangesNothing) {
  const std::string project = LoadSample("Kunden");
  const auto before = Snapshot(dir_.native() + "\\Kunden");
  std::vector<std::string> rows;
  std::string title;
  std::string summary;
  std::vector<std::string> diff;
  bool wizard_enabled = true;
  MessageBoxAnswerer answerer({BoxReply::Escape().Inspecting([&](HWND window) {
                                title = WindowTextOf(window);
                                summary = WindowTextOf(::GetDlgItem(window, kPreviewSummaryId));
                                rows = PreviewRows(window);
                                wizard_enabled = ::IsWindowEnabled(wizard_->hwnd()) != FALSE;
                                // The user control's row, as the README shows its patch.
                                testing::FocusPreviewRow(window, 4);
                                diff = PreviewDiffLines(window);
                              })},
                              kPreviewWindowClass);
  // Alt+V reaches the button from the keyboard.
  ::SetFocus(Control(kIdList));
  Key(WM_SYSCHAR, 'v');
  ASSERT_EQ(answerer.Seen().size(), 1u);

  EXPECT_EQ(title, "Vorschau - Kundenverwaltung.vbp");
  EXPECT_EQ(summary, "Ein Lauf würde 4 Datei(en) aktualisieren. Die Vorschau hat nichts geändert.");
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "1 | frmHaupt.frm | wird konvertiert | 2 | 2 | 2 | 1",
                      "2 | Forms\\frmKunde.frm | wird konvertiert | 1 | 0 | 3 | 0",
                      "3 | Forms\\frmOptionen.frm | wird konvertiert | 2 | 4 | 0 | 0",
                      "4 | frmInfo.frm | unverändert | 0 | 0 | 0 | 0",
                      "5 | Controls\\ctlAdresse.ctl | wird konvertiert | 1 | 1 | 0 | 0",
                      " | Kundenverwaltung.vbp | Bibliothekszeile wird eingetragen |  |  |  | ",
                  }));
  EXPECT_FALSE(wizard_enabled) << "the preview is modal over the wizard";
  ASSERT_GE(diff.size(), 10u);
  const std::vector<std::string> head(diff.begin(), diff.begin() + 10);
  EXPECT_EQ(head, (std::vector<std::string>{
                      "diff --git a/Controls/ctlAdresse.ctl b/Controls/ctlAdresse.ctl",
                      "--- a/Controls/ctlAdresse.ctl",
                      "+++ b/Controls/ctlAdresse.ctl",
                      "@@ -6,23 +6,19 @@",
                      "    ClientWidth     =   4575",
                      "    ScaleHeight     =   2175",
                      "    ScaleWidth      =   4575",
                      "-   Begin VB.Frame fraAnschrift ",
                      "+   Begin qorXPControls.qorFrame fraAnschrift ",
                      "+      BorderColor     =   12632256",
                  }));
  EXPECT_EQ(Snapshot(dir_.native() + "\\Kunden"), before);
  EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  EXPECT_EQ(wizard_->ProjectPath(), project);
}

TEST_F(WizardPreviewTest, SavesTheReportsAndThePatchXpconvertWrites) {
  const std::string project = LoadSample("Kunden");
  save_paths_ = {dir_.Path("vorschau.json"), dir_.Path("vorschau.csv"), dir_.Path("run.patch")};
  MessageBoxAnswerer answerer({BoxReply::Escape().Inspecting([](HWND window) {
                                for (wchar_t key : {L'b', L'b', L'p'}) {
                                  ::PostMessageW(::GetDlgItem(window, kPreviewListId), WM_SYSCHAR,
                                                 key, (1 << 29) | 1);
                                  std::this_thread::sleep_for(std::chrono::milliseconds(400));
                                }
                              })},
                              kPreviewWindowClass);
  Click(kIdPreview);
  ASSERT_EQ(answerer.Seen().size(), 1u);

  for (const char* report : {"vorschau.json", "vorschau.csv"}) {
    SCOPED_TRACE(report);
    const std::string wizard_report = dir_.ReadFile(report);
    dir_.WriteFile(report, "");
    Xpconvert({"run", project, "--dry-run", "--designers", "--report", dir_.Path(report)});
    EXPECT_EQ(wizard_report, dir_.ReadFile(report));
    EXPECT_NE(wizard_report.find("frmOptionen.frm"), std::string::npos);
  }
  const std::string patch = Xpconvert({"run", project, "--dry-run", "--designers", "--diff"});
  EXPECT_FALSE(patch.empty());
  EXPECT_EQ(dir_.ReadFile("run.patch"), patch);
}

TEST_F(WizardPreviewTest, StartFromThePreviewLeavesWhatAPlainStartLeaves) {
  // Backups off: the preview lists the question a run asks and leaves the
  // box as the user set it; "&Starten" then asks it for real.
  std::map<std::string, std::string> converted[2];
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "plain start" : "start from the preview");
    const std::string folder = way == 0 ? "Schlicht" : "Vorschau";
    LoadSample(folder);
    Click(kIdBackup);
    std::vector<std::string> rows;
    if (way == 1) {
      MessageBoxAnswerer preview(
          {BoxReply::AltChars(L"s").Inspecting([&](HWND window) { rows = PreviewRows(window); })},
          kPreviewWindowClass);
      MessageBoxAnswerer run({BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter()});
      Click(kIdPreview);
      EXPECT_EQ(preview.Seen().size(), 1u);
      EXPECT_EQ(run.Seen().size(), 2u) << "the backup question and the summary";
      ASSERT_EQ(rows.size(), 7u);
      EXPECT_EQ(rows[6],
                " | Rückfrage | \"Soll die Einstellung jetzt autom. aktiviert werden?\" - Antwort "
                "Ja (angenommen) |  |  |  | ");
    } else {
      MessageBoxAnswerer run({BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter()});
      Click(kIdStart);
      EXPECT_EQ(run.Seen().size(), 2u);
    }
    converted[way] = Snapshot(dir_.native() + "\\" + folder);
    EXPECT_EQ(CheckValue(Control(kIdBackup)), 1) << "the run's Ja switched it on";
  }
  EXPECT_EQ(converted[0], converted[1]);
  EXPECT_NE(converted[0].find("Controls/_Backup/ctlAdresse.ctl"), converted[0].end());
}

TEST_F(WizardPreviewTest, ALongFormShowsItsFirstChangesAndHowManyFollow) {
  // 3,000 frames: many more changes than the pane shows lines.
  std::string form = "VERSION 5.00\r\nBegin VB.Form frmGross \r\n";
  for (int i = 0; i < 3000; ++i) {
    form +=
        "   Begin VB.Frame fra" + std::to_string(i) + " \r\n      Caption = \"x\"\r\n   End\r\n";
  }
  form += "End\r\n";
  dir_.WriteFile("Gross\\frmGross.frm", form);
  LoadProject("Gross\\Gross.vbp", {"frmGross.frm"});
  Click(kIdAll);
  std::vector<std::string> lines;
  MessageBoxAnswerer answerer(
      {BoxReply::Escape().Inspecting([&](HWND window) { lines = PreviewDiffLines(window); })},
      kPreviewWindowClass);
  Click(kIdPreview);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  ASSERT_EQ(lines.size(), kMostDiffLines + 1);
  int shown = 0;
  for (const std::string& line : lines) {
    if (line.rfind("+   Begin qorXPControls.qorFrame fra", 0) == 0) ++shown;
  }
  EXPECT_GT(shown, 100);
  EXPECT_EQ(lines.back(), "Gekürzt nach 2000 Zeilen: es folgen die Änderungen an " +
                              std::to_string(3000 - shown) + " weiteren Steuerelementen.");
}

TEST_F(WizardPreviewTest, AMessageThatEndsTheRunEndsThePreviewWithoutAWindow) {
  struct Case {
    const char* what;
    bool select;
    bool held;
    const char* message;
    const char* folder;
  };
  const Case cases[] = {
      {"nothing selected", false, false, msg::kNothingSelected, "Leer"},
      {"the project held by another command", true, true, msg::kProjectBusy, "Belegt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string project = LoadSample(c.folder);
    if (!c.select) ::SendMessageW(Control(kIdList), LB_SETSEL, FALSE, -1);
    std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
    std::unique_ptr<RunLock> lock = c.held ? other->LockRun(project) : nullptr;
    MessageBoxAnswerer answerer({BoxReply::Enter()});
    Click(kIdPreview);
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].prompt, c.message);
    EXPECT_EQ(testing::FindProcessWindow(kPreviewWindowClass), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  }
}

// Not a check: the pictures of the preview and the restore for the
// documentation, taken when the picture script asks for them
// (XPC_PICTURES_DIR).
TEST_F(WizardPreviewTest, Pictures) {
  if (!testing::PicturesWanted()) GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  LoadSample("Kundenverwaltung");
  testing::PumpFor(std::chrono::milliseconds(300));
  testing::TakePicturePumping(wizard_->hwnd(), "wizard-user-controls");

  MessageBoxAnswerer preview({BoxReply::Escape().Inspecting([](HWND window) {
                               std::this_thread::sleep_for(std::chrono::milliseconds(300));
                               testing::TakePicture(window, "preview");
                             })},
                             kPreviewWindowClass);
  Click(kIdPreview);
  preview.Seen();

  MessageBoxAnswerer run({BoxReply::Enter()});
  Click(kIdStart);
  run.Seen();
  MessageBoxAnswerer restore({BoxReply::Enter().WithPicture("message-restore"),
                              BoxReply::Enter().WithPicture("message-restored")});
  Click(kIdRestore);
  EXPECT_EQ(restore.Seen().size(), 2u);
}

}  // namespace
}  // namespace xpconv::ui

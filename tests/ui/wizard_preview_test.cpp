// "&Vorschau...", "&Wiederherstellen..." and the user-controls box, driven as
// a user drives them. The preview window first on content of the test's own:
// the colours of the changes, a row without changes and one whose changes
// fail, its layout at another DPI. Then on a copy of the sample project: the
// rows, the keyboard and the changes of one row, the report and the patch it
// saves (the same bytes as xpconvert's for the same options), a start from
// the preview that leaves exactly what a plain start leaves, and a restore
// that gives back the sample's bytes. Last the list with and without user
// controls, and the ways a restore or a preview ends before its work. Modal
// windows are read and answered from a watcher thread.
// clang-format off
// <windows.h> first: the common controls' header builds on it.
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/app.h"
#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "engine/project_file.h"
#include "tests/support/fake_terminal.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/wizard_test_support.h"
#include "ui/controls/check_box.h"
#include "ui/preview_window.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;
using testing::WindowTextOf;
using testing::WizardTest;

// The preview window's rows, each as its cells joined by " | ", the lines its
// changes show, and a row put in focus as a click does; from any thread.
// The code part's rows (kPreviewCodeId) have four cells.
std::vector<std::string> PreviewRows(HWND preview, int id = kPreviewListId, int cells = 7) {
  HWND list = ::GetDlgItem(preview, id);
  std::vector<std::string> rows;
  for (int r = 0; r < ListView_GetItemCount(list); ++r) {
    std::string row;
    for (int c = 0; c < cells; ++c) {
      wchar_t cell[512] = {};
      ListView_GetItemText(list, r, c, cell, 512);
      row += (c > 0 ? " | " : "") + WideToUtf8(cell);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> PreviewDiffLines(HWND preview) {
  std::vector<std::string> lines;
  for (const std::wstring& line : testing::ListBoxTexts(::GetDlgItem(preview, kPreviewDiffId))) {
    lines.push_back(WideToUtf8(line));
  }
  return lines;
}

void FocusPreviewRow(HWND preview, int row) {
  ListView_SetItemState(::GetDlgItem(preview, kPreviewListId), row, LVIS_FOCUSED | LVIS_SELECTED,
                        LVIS_FOCUSED | LVIS_SELECTED);
}

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

std::string SampleFolder() {
  const std::string samples = XPC_SAMPLES_DIR;
  // Under Wine the build's Unix path is on drive Z:.
  return (!samples.empty() && samples.front() == '/' ? "Z:" : "") + samples + "/Kundenverwaltung";
}

// The focused control of the window's thread, asked from another thread.
HWND FocusIn(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

// A key (WM_KEYDOWN, or WM_SYSCHAR with Alt) on the focused control of the
// window, from another thread, with time to handle it.
void Press(HWND window, UINT msg, WPARAM key) {
  ::PostMessageW(FocusIn(window), msg, key, msg == WM_SYSCHAR ? (1 << 29) | 1 : 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

class FakeContent final : public PreviewContent {
 public:
  FakeContent() {
    facts_.project_name = "Kunden.vbp";
    facts_.rows = {{PreviewRow::Kind::kEntry, "1", "frmHaupt.frm", "wird konvertiert", {}},
                   {PreviewRow::Kind::kEntry, "2", "frmInfo.frm", "unverändert", {}},
                   {PreviewRow::Kind::kProjectFile, "", "Kunden.vbp", "", {}}};
  }
  const PreviewFacts& Facts() const override { return facts_; }
  DiffText DiffOf(size_t row) override {
    if (row == 2) throw VbError(53, "Datei nicht gefunden");
    if (row == 1) return {};
    return {{{DiffText::Kind::kHunkHeader, "@@ -1,3 +1,3 @@"},
             {DiffText::Kind::kContext, "    Caption = \"Haupt\""},
             {DiffText::Kind::kRemoved, "-   Begin VB.Frame fraA "},
             {DiffText::Kind::kAdded, "+   Begin qorXPControls.qorFrame fraA "}},
            "Gekürzt: es folgen 7 weitere."};
  }
  // The saves are checked on the wizard's real preview below.
  void SaveReport(const std::string&) override {}
  void SavePatch(const std::string&) override {}

 private:
  PreviewFacts facts_;
};

// The colour a line of the changes is drawn on, right of its text.
COLORREF LineBackground(HWND preview, int index) {
  HWND box = ::GetDlgItem(preview, kPreviewDiffId);
  RECT item{};
  ::SendMessageW(box, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  return testing::PixelOf(box, POINT{item.right - 3, (item.top + item.bottom) / 2});
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureUiRegistered(); }

  PreviewWindow::Outcome Run(BoxReply reply) {
    MessageBoxAnswerer answerer({std::move(reply)}, kPreviewWindowClass);
    PreviewWindow window(::GetModuleHandleW(nullptr), content_,
                         [](const SaveRequest&) { return std::string(); });
    const PreviewWindow::Outcome outcome = window.Run(owner_.hwnd());
    EXPECT_EQ(answerer.Seen().size(), 1u);
    return outcome;
  }

  testing::OwnerWindow owner_{RECT{100, 80, 700, 530}};
  FakeContent content_;
};

TEST_F(PreviewWindowTest, ShowsTheChangesOfTheRowInFocusInTheirColours) {
  std::vector<std::string> first, second, third;
  std::string label;
  COLORREF context = 0, removed = 0, added = 0;
  const auto outcome = Run(BoxReply::Click(kPreviewCloseId).Inspecting([&](HWND window) {
    label = WindowTextOf(::GetDlgItem(window, kPreviewDiffLabelId));
    first = PreviewDiffLines(window);
    context = LineBackground(window, 1);
    removed = LineBackground(window, 2);
    added = LineBackground(window, 3);
    FocusPreviewRow(window, 1);
    second = PreviewDiffLines(window);
    FocusPreviewRow(window, 2);
    third = PreviewDiffLines(window);
  }));
  EXPECT_EQ(outcome, PreviewWindow::Outcome::kClosed) << "Schließen";
  EXPECT_EQ(label, "Ä&nderungen an frmHaupt.frm:");
  EXPECT_EQ(first, (std::vector<std::string>{
                       "@@ -1,3 +1,3 @@", "    Caption = \"Haupt\"", "-   Begin VB.Frame fraA ",
                       "+   Begin qorXPControls.qorFrame fraA ", "Gekürzt: es folgen 7 weitere."}));
  EXPECT_NE(removed, added);
  EXPECT_NE(removed, context);
  EXPECT_NE(added, context);
  EXPECT_EQ(second, std::vector<std::string>{kNoChangesNote});
  EXPECT_EQ(third, std::vector<std::string>{"Fehler: 53 Datei nicht gefunden"});
}

// At 144 dpi: the designed size scaled, each control inside, none over another.
TEST_F(PreviewWindowTest, LaysOutForTheDpiItOpensAt) {
  _putenv_s("XPC_FORCE_DPI", "144");
  std::vector<RECT> places;  // the controls in id order
  RECT client{};
  Run(BoxReply::Escape().Inspecting([&](HWND window) {
    ::GetClientRect(window, &client);
    for (int id = kPreviewSummaryId; id <= kPreviewCloseId; ++id) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(window, id), &r);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      places.push_back(r);
    }
  }));
  _putenv_s("XPC_FORCE_DPI", "");
  EXPECT_GE(client.right, 780 * 3 / 2 - 2) << "the designed size at 144 dpi";
  EXPECT_GE(client.bottom, 560 * 3 / 2 - 2);
  ASSERT_EQ(places.size(), 9u);
  for (size_t i = 0; i < places.size(); ++i) {
    RECT common{};
    EXPECT_TRUE(::IntersectRect(&common, &places[i], &client) && ::EqualRect(&common, &places[i]))
        << i;
    for (size_t j = i + 1; j < places.size(); ++j) {
      EXPECT_FALSE(::IntersectRect(&common, &places[i], &places[j])) << i << " " << j;
    }
  }
}

class WizardPreviewTest : public WizardTest {
 protected:
  // A copy of the sample project in folder, loaded with its user controls
  // and every entry selected.
  std::string LoadSample(const std::string& folder) {
    std::filesystem::copy(SampleFolder(), dir_.native() + "\\" + folder,
                          std::filesystem::copy_options::recursive);
    const std::string project = dir_.Path(folder + "\\Kundenverwaltung.vbp");
    Browse(project);
    if (CheckValue(Control(kIdDesigners)) == 0) Click(kIdDesigners);
    Click(kIdAll);
    return project;
  }
};

TEST_F(WizardPreviewTest, ShowsWhatARunWouldDoAnswersTheKeyboardAndSavesIt) {
  const std::string project = LoadSample("Kunden");
  const auto before = Snapshot(dir_.native() + "\\Kunden");
  dir_.WriteFile("gesperrt.patch", "alt");
  dir_.SetReadOnly("gesperrt.patch", true);
  save_paths_ = {dir_.Path("gesperrt.patch"), dir_.Path("vorschau.json"), dir_.Path("vorschau.csv"),
                 dir_.Path("run.patch")};
  std::vector<std::string> texts, rows, diff, code;
  std::vector<int> focus;
  std::vector<testing::SeenBox> errors;
  bool wizard_enabled = true;
  MessageBoxAnswerer answerer(
      {BoxReply::Escape().Inspecting([&](HWND window) {
        texts = {WindowTextOf(window), WindowTextOf(::GetDlgItem(window, kPreviewSummaryId))};
        rows = PreviewRows(window);
        code = PreviewRows(window, kPreviewCodeId, 4);
        code.push_back(WindowTextOf(::GetDlgItem(window, kPreviewCodeLabelId)));
        wizard_enabled = ::IsWindowEnabled(wizard_->hwnd()) != FALSE;
        // Tab from the list through the changes, the code lines and the
        // buttons back to it, then the access keys of the three lists.
        for (int i = 0; i < 8; ++i) {
          focus.push_back(::GetDlgCtrlID(FocusIn(window)));
          Press(window, WM_KEYDOWN, VK_TAB);
        }
        for (wchar_t key : {L'c', L'n', L'd'}) {
          Press(window, WM_SYSCHAR, key);
          focus.push_back(::GetDlgCtrlID(FocusIn(window)));
        }
        // The user control's row, as the README shows its patch.
        FocusPreviewRow(window, 4);
        diff = PreviewDiffLines(window);
        // The patch over a read-only file, then both reports and the patch.
        MessageBoxAnswerer error({BoxReply::Enter()});
        Press(window, WM_SYSCHAR, L'p');
        errors = error.Seen();
        for (wchar_t key : {L'b', L'b', L'p'}) Press(window, WM_SYSCHAR, key);
      })},
      kPreviewWindowClass);
  // Alt+V reaches the button from the keyboard.
  ::SetFocus(Control(kIdList));
  Key(WM_SYSCHAR, 'v');
  ASSERT_EQ(answerer.Seen().size(), 1u);

  EXPECT_EQ(texts,
            (std::vector<std::string>{
                "Vorschau - Kundenverwaltung.vbp",
                "Ein Lauf würde 4 Datei(en) aktualisieren. Die Vorschau hat nichts geändert."}));
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "1 | frmHaupt.frm | wird konvertiert | 2 | 2 | 2 | 1",
                      "2 | Forms\\frmKunde.frm | wird konvertiert | 1 | 0 | 3 | 0",
                      "3 | Forms\\frmOptionen.frm | wird konvertiert | 2 | 4 | 0 | 0",
                      "4 | frmInfo.frm | unverändert | 0 | 0 | 0 | 0",
                      "5 | Controls\\ctlAdresse.ctl | wird konvertiert | 1 | 1 | 0 | 0",
                      " | Kundenverwaltung.vbp | Bibliothekszeile wird eingetragen |  |  |  | ",
                  }));
  EXPECT_FALSE(wizard_enabled) << "the preview is modal over the wizard";
  // The sample's code lines as they stand after the conversion (its forms
  // grow and shrink); the user control's code names no replaced class.
  EXPECT_EQ(code,
            (std::vector<std::string>{
                "frmHaupt.frm | 179 | Dim chk As CheckBox | Deklaration, CheckBox",
                "Forms\\frmKunde.frm | 145 | ElseIf TypeOf ctl Is OptionButton Then | Typprüfung, "
                "OptionButton",
                "Forms\\frmOptionen.frm | 108 | If TypeOf .Controls(i) Is CheckBox Then "
                ".Controls(i).Value = vbUnchecked | Typprüfung, CheckBox",
                "basStart.bas | 14 | Case \"CheckBox\" | Typname, CheckBox",
                "basStart.bas | 16 | Case \"OptionButton\" | Typname, OptionButton",
                "&Code, der ersetzte Steuerelementtypen nennt (5 Zeile(n) in 4 Datei(en)):"}));
  EXPECT_EQ(focus,
            (std::vector<int>{kPreviewListId, kPreviewDiffId, kPreviewCodeId, kPreviewSaveReportId,
                              kPreviewSavePatchId, kPreviewStartId, kPreviewCloseId, kPreviewListId,
                              kPreviewCodeId, kPreviewDiffId, kPreviewListId}));
  diff.resize(std::min<size_t>(diff.size(), 10));
  EXPECT_EQ(diff,
            (std::vector<std::string>{
                "diff --git a/Controls/ctlAdresse.ctl b/Controls/ctlAdresse.ctl",
                "--- a/Controls/ctlAdresse.ctl", "+++ b/Controls/ctlAdresse.ctl",
                "@@ -6,23 +6,19 @@", "    ClientWidth     =   4575", "    ScaleHeight     =   2175",
                "    ScaleWidth      =   4575", "-   Begin VB.Frame fraAnschrift ",
                "+   Begin qorXPControls.qorFrame fraAnschrift ",
                "+      BorderColor     =   12632256"}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].prompt, "Fehler: 70\r\nZugriff verweigert\r\n\r\nDatei: gesperrt.patch");
  dir_.SetReadOnly("gesperrt.patch", false);
  EXPECT_EQ(dir_.ReadFile("gesperrt.patch"), "alt");
  ASSERT_EQ(save_requests_.size(), 4u);
  const ui::SaveRequest& patch = save_requests_[0];
  const ui::SaveRequest& report = save_requests_[1];
  EXPECT_EQ((std::vector<std::string>{patch.filter, patch.initial_folder, patch.file_name,
                                      patch.default_extension, report.filter, report.file_name}),
            (std::vector<std::string>{"Patch (*.patch)|*.patch|Alle Dateien (*.*)|*.*",
                                      dir_.native() + "\\Kunden", "Kundenverwaltung.patch", "patch",
                                      "JSON-Bericht (*.json)|*.json|CSV-Bericht (*.csv)|*.csv",
                                      "Kundenverwaltung-Vorschau.json"}));
  EXPECT_EQ(Snapshot(dir_.native() + "\\Kunden"), before);
  EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  EXPECT_EQ(wizard_->ProjectPath(), project);

  // The files are those `xpconvert run --dry-run` writes for the same options.
  testing::FakeTerminal terminal;
  const auto xpconvert = [&](std::vector<std::string> more) {
    std::vector<std::string> args = {"run", project, "--dry-run", "--designers"};
    args.insert(args.end(), more.begin(), more.end());
    std::istringstream in;
    std::ostringstream out, err;
    cli::RunXpconvert(args, in, out, err, terminal);
    return out.str();
  };
  for (const char* name : {"vorschau.json", "vorschau.csv"}) {
    const std::string saved = dir_.ReadFile(name);
    dir_.WriteFile(name, "");
    xpconvert({"--report", dir_.Path(name)});
    EXPECT_EQ(saved, dir_.ReadFile(name)) << name;
    EXPECT_NE(saved.find("frmOptionen.frm"), std::string::npos) << name;
  }
  EXPECT_EQ(dir_.ReadFile("run.patch"), xpconvert({"--diff"}));
  EXPECT_NE(dir_.ReadFile("run.patch").find("+++ b/frmHaupt.frm"), std::string::npos);
}

TEST_F(WizardPreviewTest, StartFromThePreviewLeavesWhatAPlainStartLeavesAndRestoreUndoesIt) {
  // Backups off: the preview lists the question a run asks and leaves the
  // box as the user set it; "&Starten" then asks it for real.
  std::map<std::string, std::string> converted[2];
  for (const bool from_preview : {false, true}) {
    const std::string folder = from_preview ? "Vorschau" : "Schlicht";
    SCOPED_TRACE(folder);
    LoadSample(folder);
    Click(kIdBackup);
    std::vector<std::string> rows, code;
    std::optional<MessageBoxAnswerer> code_window;
    // After the summary the message about the code lines: the plain start
    // looks at them (Enter: "Ja"), the other declines.
    MessageBoxAnswerer run(
        {BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter(),
         from_preview ? BoxReply::Click(kMessageBoxButtonNo) : BoxReply::Enter()});
    if (from_preview) {
      MessageBoxAnswerer preview(
          {BoxReply::AltChars(L"s").Inspecting([&](HWND window) { rows = PreviewRows(window); })},
          kPreviewWindowClass);
      Click(kIdPreview);
      EXPECT_EQ(preview.Seen().size(), 1u);
      ASSERT_EQ(rows.size(), 7u);
      EXPECT_EQ(rows[6],
                " | Rückfrage | \"Soll die Einstellung jetzt autom. aktiviert werden?\" - Antwort "
                "Ja (angenommen) |  |  |  | ");
    } else {
      // The code lines' window has the preview window's class.
      code_window.emplace(
          std::vector<BoxReply>{BoxReply::Escape().Inspecting([&](HWND window) {
            code = {WindowTextOf(window), WindowTextOf(::GetDlgItem(window, kPreviewSummaryId))};
            for (int id = kPreviewListId; id <= kPreviewStartId; ++id) {
              if (::GetDlgItem(window, id) != nullptr) code.push_back(std::to_string(id));
            }
            const std::vector<std::string> lines = PreviewRows(window, kPreviewCodeId, 4);
            code.insert(code.end(), lines.begin(), lines.end());
          })},
          kPreviewWindowClass);
      Click(kIdStart);
    }
    const auto seen = run.Seen();
    ASSERT_EQ(seen.size(), 3u) << "the backup question, the summary, the code lines";
    EXPECT_EQ(seen[2].title, "Code prüfen");
    EXPECT_EQ(seen[2].prompt,
              "Im Code des Projekts nennen noch 5 Zeile(n) in 4 Datei(en) Steuerelementtypen, die "
              "ersetzt wurden.\r\nDiese Stellen bitte von Hand prüfen.\r\n\r\nZeilen anzeigen?");
    if (!from_preview) {
      // The code part alone: no rows, no changes, no buttons but "Schließen".
      EXPECT_EQ(code_window->Seen().size(), 1u);
      ASSERT_EQ(code.size(), 7u);
      EXPECT_EQ(code[0], "Code prüfen - Kundenverwaltung.vbp");
      EXPECT_EQ(code[1], "Diese Codezeilen nennen Steuerelementtypen, die der Lauf ersetzt hat.");
      EXPECT_EQ(code[6], "basStart.bas | 16 | Case \"OptionButton\" | Typname, OptionButton");
    }
    converted[from_preview] = Snapshot(dir_.native() + "\\" + folder);
    EXPECT_EQ(CheckValue(Control(kIdBackup)), 1) << "the run's Ja switched it on";
  }
  EXPECT_EQ(converted[0], converted[1]);
  EXPECT_NE(converted[0].find("Controls/_Backup/ctlAdresse.ctl"), converted[0].end());

  // Alt+W on the last project: the listing, Enter, and the sample's bytes
  // back in every file; the backups stay, nothing else is left.
  MessageBoxAnswerer restore({BoxReply::Enter(), BoxReply::Enter()});
  ::SetFocus(Control(kIdList));
  Key(WM_SYSCHAR, 'w');
  const auto seen = restore.Seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].title, "Wiederherstellen");
  EXPECT_EQ(seen[0].prompt,
            "Wiederherstellen von Kundenverwaltung.vbp:\r\n"
            "  1 frmHaupt.frm: wird wiederhergestellt\r\n"
            "  2 Forms\\frmKunde.frm: wird wiederhergestellt\r\n"
            "  3 Forms\\frmOptionen.frm: wird wiederhergestellt\r\n"
            "  4 frmInfo.frm: keine Sicherung\r\n"
            "  5 Controls\\ctlAdresse.ctl: wird wiederhergestellt\r\n"
            "  Projektdatei Kundenverwaltung.vbp: wird wiederhergestellt\r\n\r\n"
            "Wiederherstellen?");
  EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"&Ja", "&Nein"}));
  EXPECT_EQ(seen[1].prompt, "5 Datei(en) wiederhergestellt.");
  EXPECT_EQ(seen[1].icon, MessageIcon::kInformation);
  std::map<std::string, std::string> restored, backups;
  for (const auto& [path, bytes] : Snapshot(dir_.native() + "\\Vorschau")) {
    (path.find("_Backup/") == std::string::npos ? restored : backups)[path] = bytes;
  }
  EXPECT_EQ(restored, Snapshot(SampleFolder()));
  EXPECT_EQ(backups.size(), 5u);
  EXPECT_EQ(Selected().size(), 5u) << "the list is read again and keeps its selection";
}

TEST_F(WizardPreviewTest, ALongFormShowsItsFirstChangesAndHowManyFollow) {
  // 3,000 frames: many more changes than the pane shows lines.
  std::string form = "VERSION 5.00\r\nBegin VB.Form frmGross \r\n";
  for (int i = 0; i < 3000; ++i) {
    form +=
        "   Begin VB.Frame fra" + std::to_string(i) + " \r\n      Caption = \"x\"\r\n   End\r\n";
  }
  dir_.WriteFile("Gross\\frmGross.frm", form + "End\r\n");
  LoadProject("Gross\\Gross.vbp", {"frmGross.frm"});
  Click(kIdAll);
  std::vector<std::string> lines;
  MessageBoxAnswerer answerer(
      {BoxReply::Escape().Inspecting([&](HWND window) { lines = PreviewDiffLines(window); })},
      kPreviewWindowClass);
  Click(kIdPreview);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  ASSERT_EQ(lines.size(), kMostDiffLines + 1);
  const auto shown = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("+   Begin qorXPControls.qorFrame fra", 0) == 0;
  });
  EXPECT_GT(shown, 100);
  EXPECT_EQ(lines.back(), "Gekürzt nach 2000 Zeilen: es folgen die Änderungen an " +
                              std::to_string(3000 - shown) + " weiteren Steuerelementen.");
}

TEST_F(WizardTest, UserControlsBoxAddsTheirEntriesInFileOrderAndKeepsTheSelection) {
  // Forms mixed with the three kinds of user controls, and a designer that
  // is never listed.
  dir_.WriteFile("Gemischt\\Gemischt.vbp",
                 testing::JoinLines({"Type=Exe", "Form=frmA.frm", "UserControl=Controls\\ctlA.ctl",
                                     "Form=frmB.frm", "PropertyPage=ppgA.pag", "Designer=dsrA.dsr",
                                     "UserDocument=docA.dob", "Name=\"Gemischt\""}));
  Browse(dir_.Path("Gemischt\\Gemischt.vbp"));
  ClickEntry(1);  // frmB.frm
  const std::vector<std::wstring> forms = {L"frmA.frm", L"frmB.frm"};
  const std::vector<std::wstring> all = {L"frmA.frm", L"Controls\\ctlA.ctl", L"frmB.frm",
                                         L"ppgA.pag", L"docA.dob"};
  for (bool ticked : {true, false, true}) {
    SCOPED_TRACE(ticked ? "ticked" : "unticked");
    Click(kIdDesigners);
    EXPECT_EQ(ListTexts(), ticked ? all : forms);
    EXPECT_EQ(Selected(), std::vector<int>{ticked ? 2 : 1});
  }
}

// frmA.frm and the project file differ from their backups unless a case
// says otherwise; frmB.frm has no backup. No case changes a file.
TEST_F(WizardTest, RestoreAndPreviewSayWhyTheyDoNothing) {
  enum class Setup { kDiffers, kEqual, kReadOnly, kHeld };
  struct Case {
    const char* what;
    char key;                 // Alt+W restores, Alt+V previews
    std::vector<int> select;  // entries clicked
    Setup setup;              // frmA.frm and the project file against their backups
    std::vector<BoxReply> replies;
    std::vector<std::string> prompts;  // the end of each box's prompt
  };
  const std::string kQuestion = "\r\n\r\nWiederherstellen?";
  const BoxReply enter = BoxReply::Enter();
  // clang-format off
  const Case cases[] = {
      {"Escape at the question", 'w', {0, 1}, Setup::kDiffers, {BoxReply::Escape()}, {kQuestion}},
      {"nothing selected", 'w', {}, Setup::kDiffers, {enter}, {msg::kNothingSelected}},
      {"nothing differs", 'w', {0, 1}, Setup::kEqual, {enter},
       {"Projektdatei P.vbp: unverändert\r\n\r\nNichts wiederherzustellen."}},
      {"a read-only form", 'w', {0}, Setup::kReadOnly, {enter, enter, enter},
       {kQuestion, "Fehler: 70\r\nZugriff verweigert\r\n\r\nDatei: frmA.frm",
        "0 Datei(en) wiederhergestellt."}},
      {"the project held by another command", 'w', {0}, Setup::kHeld, {enter}, {msg::kProjectBusy}},
      {"a preview of nothing selected", 'v', {}, Setup::kDiffers, {enter}, {msg::kNothingSelected}},
      {"a preview of a held project", 'v', {0}, Setup::kHeld, {enter}, {msg::kProjectBusy}},
  };
  // clang-format on
  const std::string original = testing::PlainForm("frmA");
  const std::string converted = testing::ConvertibleForm("frmA");
  const std::string original_project = testing::ProjectText({"frmA.frm", "frmB.frm"});
  const std::string converted_project = original_project + kLibraryReferenceLine + "\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool equal = c.setup == Setup::kEqual;
    dir_.WriteFile("P\\frmA.frm", equal ? original : converted);
    dir_.WriteFile("P\\_Backup\\frmA.frm", original);
    dir_.WriteFile("P\\frmB.frm", testing::PlainForm("frmB"));
    dir_.WriteFile("P\\_Backup\\P.vbp", original_project);
    const std::string project = LoadProject("P\\P.vbp", {"frmA.frm", "frmB.frm"});
    if (!equal) dir_.WriteFile("P\\P.vbp", converted_project);
    for (int entry : c.select) ClickEntry(entry);
    dir_.SetReadOnly("P\\frmA.frm", c.setup == Setup::kReadOnly);
    std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
    std::unique_ptr<RunLock> lock = c.setup == Setup::kHeld ? other->LockRun(project) : nullptr;

    MessageBoxAnswerer answerer(c.replies);
    // The access keys reach the buttons from the keyboard.
    ::SetFocus(Control(kIdList));
    Key(WM_SYSCHAR, static_cast<WPARAM>(c.key));
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), c.prompts.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      EXPECT_TRUE(seen[i].prompt.ends_with(c.prompts[i])) << seen[i].prompt;
    }
    lock.reset();
    dir_.SetReadOnly("P\\frmA.frm", false);
    EXPECT_EQ(dir_.ReadFile("P\\frmA.frm"), equal ? original : converted);
    EXPECT_EQ(dir_.ReadFile("P\\P.vbp"), equal ? original_project : converted_project);
    EXPECT_EQ(dir_.ReadFile("P\\frmB.frm"), testing::PlainForm("frmB"));
    EXPECT_FALSE(dir_.Exists("P\\~restore.tmp"));
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

  MessageBoxAnswerer run({BoxReply::Enter(), BoxReply::Enter().WithPicture("message-code")});
  MessageBoxAnswerer code({BoxReply::Escape().Inspecting([](HWND window) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(300));
                            testing::TakePicture(window, "code-lines");
                          })},
                          kPreviewWindowClass);
  Click(kIdStart);
  run.Seen();
  code.Seen();
  MessageBoxAnswerer restore({BoxReply::Enter().WithPicture("message-restore"),
                              BoxReply::Enter().WithPicture("message-restored")});
  Click(kIdRestore);
  EXPECT_EQ(restore.Seen().size(), 2u);
}

}  // namespace
}  // namespace xpconv::ui

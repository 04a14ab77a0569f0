// The wizard window, driven as a user drives it: buttons clicked, keys
// pressed, the open dialog replaced by a script, message boxes answered from
// a watcher thread; asserted on what the window shows and what is on disk.
#include "ui/wizard_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/project_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/wizard_test_support.h"
#include "ui/controls/about_box.h"
#include "ui/controls/check_box.h"
#include "ui/controls/frame.h"
#include "ui/progress_window.h"
#include "ui/win32/dpi.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;
using testing::TempDir;
using testing::WizardTest;

// A form with every replaceable kind and enough code behind it that a run
// pumps many times per file.
std::string LongForm(const std::string& name) {
  std::string text = testing::ConvertibleForm(name);
  for (int i = 0; i < 1500; ++i) text += "   ' Zeile " + std::to_string(i) + "\r\n";
  return text;
}

// --- the designed window ---

TEST_F(WizardTest, StartsWithTheDesignedContents) {
  HWND window = wizard_->hwnd();
  EXPECT_EQ(testing::WindowTextOf(window), "qorXPControls ActiveX Replacement-Wizard");
  const UINT dpi = wizard_->dpi();
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, TwipsToPixels(9045, dpi));
  // The designed 6105 twips and a row for the user-controls box and the restore.
  EXPECT_EQ(client.bottom, TwipsToPixels(6525, dpi));

  struct Designed {
    int id;
    const wchar_t* cls;
    const char* text;
    int container;
    int left, top, width, height;
  };
  const Designed designed[] = {
      {kIdLabelProject, L"Static", "&Projektdatei:", 0, 210, 1290, 1170, 225},
      {kIdProject, L"Edit", "", 0, 1890, 1260, 6525, 285},
      {kIdFolder, L"Button", "Projektdatei auswählen", 0, 8505, 1230, 330, 330},
      {kIdList, L"ListBox", "", 0, 1890, 1680, 6945, 1965},
      {kIdAll, L"Button", "Alle Dateien", 0, 210, 3255, 1590, 330},
      {kIdLabelSettings, L"Static", "&Einstellungen:", 0, 210, 3885, 1170, 225},
      {kIdBackup, kCheckClass, "Kopie der Originaldateien im Ordner \"_Backup\" erstellen", 0, 1995,
       3885, 6525, 225},
      {kIdXPStyle, kCheckClass, "Standard-Controls autom. auf XP-Style setzen", 0, 1995, 4200, 6525,
       225},
      {kIdFrame, kFrameClass, "Autom. Ersetzen nachfolgender Standard-Controls", 0, 1995, 4725,
       5055, 1065},
      {kIdReplaceFirst + 0, kCheckClass, "Frame", kIdFrame, 210, 315, 1590, 225},
      {kIdReplaceFirst + 1, kCheckClass, "CheckBox", kIdFrame, 210, 630, 1590, 225},
      {kIdReplaceFirst + 2, kCheckClass, "OptionButton", kIdFrame, 2205, 315, 1590, 225},
      {kIdReplaceFirst + 3, kCheckClass, "ProgressBar", kIdFrame, 2205, 630, 1590, 225},
      {kIdDesigners, kCheckClass, "Benutzersteuerelemente einbeziehen (.ctl, .pag, .dob)", 0, 1995,
       5935, 5055, 225},
      {kIdRestore, L"Button", "&Wiederherstellen...", 0, 210, 5880, 1680, 330},
      {kIdPreview, L"Button", "&Vorschau...", 0, 7245, 4620, 1590, 330},
      {kIdStart, L"Button", "&Starten", 0, 7245, 5040, 1590, 330},
      {kIdExit, L"Button", "&Beenden", 0, 7245, 5460, 1590, 330},
      {kIdHeader, kHeaderBandClass, "", 0, 0, 0, 9045, 1065},
      {kIdTitle, L"Static", "qorXPControls ActiveX Replacement-Wizard", kIdHeader, 1155, 105, 7785,
       330},
      {kIdDescription, L"Static",
       "Dieser Assistent ersetzt die Standard-Controls durch die modernen qorXP-Controls in allen "
       "Form-Modulen des ausgewählten VB-Projekts.",
       kIdHeader, 1365, 420, 7575, 540},
      {kIdHeaderPicture, L"Static", "", kIdHeader, 105, 105, 915, 825},
  };
  HWND previous = nullptr;
  for (const Designed& d : designed) {
    SCOPED_TRACE(d.id);
    HWND control = Control(d.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ControlClassOf(control), d.cls);
    EXPECT_EQ(testing::WindowTextOf(control), d.text);
    HWND container = d.container == 0 ? window : Control(d.container);
    EXPECT_EQ(::GetParent(control), container);
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&r), 2);
    const RECT want = TwipsRect(d.left, d.top, d.width, d.height, dpi);
    EXPECT_EQ(r.left, want.left);
    EXPECT_EQ(r.top, want.top);
    EXPECT_EQ(r.right, want.right);
    EXPECT_EQ(r.bottom, want.bottom);
    // Siblings follow each other in the designed tab order.
    if (previous != nullptr && ::GetParent(previous) == container) {
      EXPECT_EQ(::GetWindow(previous, GW_HWNDNEXT), control);
    }
    previous = control;
  }
  if (dpi == 96) {
    RECT picture{};
    ::GetClientRect(Control(kIdHeaderPicture), &picture);
    EXPECT_EQ(picture.right, 61);
    EXPECT_EQ(picture.bottom, 55);
  }

  // The designed values and states.
  for (int id : {kIdBackup, kIdXPStyle, kIdReplaceFirst, kIdReplaceFirst + 1, kIdReplaceFirst + 2,
                 kIdReplaceFirst + 3}) {
    EXPECT_EQ(CheckValue(Control(id)), 1) << id;
    EXPECT_TRUE(Enabled(id)) << id;
  }
  EXPECT_EQ(CheckValue(Control(kIdDesigners)), 0) << "user controls are left out at start";
  EXPECT_TRUE(Enabled(kIdDesigners));
  for (int id : kProjectActions) EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_FALSE(Enabled(kIdAll));
  EXPECT_FALSE(Enabled(kIdStart));
  EXPECT_TRUE(Enabled(kIdList));
  EXPECT_TRUE(Enabled(kIdFolder));
  EXPECT_TRUE(Enabled(kIdExit));
  EXPECT_EQ(wizard_->ProjectPath(), "");
  EXPECT_EQ(wizard_->ProjectFolder(), "");
  EXPECT_EQ(wizard_->EntryCount(), 0);
  // The path box shows, lets the user copy, and takes no typing.
  EXPECT_NE(::GetWindowLongPtrW(Control(kIdProject), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_NE(::GetWindowLongPtrW(Control(kIdList), GWL_STYLE) & LBS_MULTIPLESEL, 0);
  EXPECT_EQ(::GetWindowLongPtrW(Control(kIdList), GWL_STYLE) & LBS_SORT, 0);
}

TEST_F(WizardTest, LaysOutAndScalesFontsForTheDpiItOpensAt) {
  // XPC_FORCE_DPI makes the window see another DPI under Wine.
  _putenv_s("XPC_FORCE_DPI", "144");
  Wizard large(::GetModuleHandleW(nullptr), abort_,
               [](const std::string&, const std::string&) { return std::string(); });
  large.Create();
  _putenv_s("XPC_FORCE_DPI", "");
  ASSERT_EQ(large.dpi(), 144u);
  RECT client{};
  ::GetClientRect(large.hwnd(), &client);
  EXPECT_EQ(client.right, TwipsToPixels(9045, 144));
  EXPECT_EQ(client.bottom, TwipsToPixels(6525, 144));
  RECT start{};
  ::GetWindowRect(large.control(kIdStart), &start);
  ::MapWindowPoints(nullptr, large.hwnd(), reinterpret_cast<POINT*>(&start), 2);
  const RECT want = TwipsRect(7245, 5040, 1590, 330, 144);
  EXPECT_EQ(start.left, want.left);
  EXPECT_EQ(start.bottom, want.bottom);
  RECT picture{};
  ::GetClientRect(large.control(kIdHeaderPicture), &picture);
  const RECT image = TwipsRect(105, 105, 915, 825, 144);
  EXPECT_EQ(picture.right, image.right - image.left);
  EXPECT_EQ(picture.bottom, image.bottom - image.top);
  LOGFONTW title{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(large.control(kIdTitle), WM_GETFONT, 0, 0)),
               sizeof(title), &title);
  EXPECT_EQ(-title.lfHeight, std::lround(9.75 * 144 / 72.0));
}

TEST_F(WizardTest, HasTheDesignedFrameFontsPicturesAndColours) {
  HWND window = wizard_->hwnd();
  const auto style = ::GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_THICKFRAME, 0) << "fixed size";
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(style & WS_MINIMIZEBOX, 0) << "the help button shows only without both";
  EXPECT_NE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
  EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

  // The folder button shows its picture only; its caption is for screen readers.
  HWND folder = Control(kIdFolder);
  EXPECT_NE(::GetWindowLongPtrW(folder, GWL_STYLE) & BS_ICON, 0);
  EXPECT_NE(::SendMessageW(folder, BM_GETIMAGE, IMAGE_ICON, 0), 0);

  auto font_of = [](HWND control) {
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
                 &font);
    return font;
  };
  const UINT dpi = wizard_->dpi();
  const LOGFONTW title = font_of(Control(kIdTitle));
  EXPECT_EQ(title.lfWeight, FW_BOLD);
  EXPECT_EQ(-title.lfHeight, std::lround(9.75 * dpi / 72.0)) << "9.75 pt";
  const LOGFONTW body = font_of(Control(kIdDescription));
  EXPECT_EQ(body.lfWeight, FW_NORMAL);
  EXPECT_EQ(-body.lfHeight, std::lround(8.25 * dpi / 72.0)) << "8.25 pt";
  EXPECT_EQ(std::wstring(font_of(Control(kIdList)).lfFaceName), std::wstring(body.lfFaceName));

  // The band is white across the whole width, beside the labels too.
  HWND header = Control(kIdHeader);
  RECT band{};
  ::GetClientRect(header, &band);
  EXPECT_EQ(testing::PixelOf(header, POINT{band.right - 2, band.bottom - 2}), RGB(255, 255, 255));
  EXPECT_EQ(testing::PixelOf(header, POINT{2, band.bottom - 2}), RGB(255, 255, 255));
  // The picture is drawn: not all of it is white.
  HWND picture = Control(kIdHeaderPicture);
  RECT area{};
  ::GetClientRect(picture, &area);
  int coloured = 0;
  for (int y = 0; y < area.bottom; y += 4) {
    for (int x = 0; x < area.right; x += 4) {
      if (testing::PixelOf(picture, POINT{x, y}) != RGB(255, 255, 255)) ++coloured;
    }
  }
  EXPECT_GT(coloured, 20);
}

// --- browsing and the list ---

TEST_F(WizardTest, ChosenProjectFillsTheListInFileOrder) {
  const std::string path =
      LoadProject("Kunden\\Kunden.vbp", {"frmZiel.frm", "Forms\\frmAdresse.frm",
                                         "..\\Gemeinsam\\\xDC"
                                         "bersicht.frm"});
  ASSERT_EQ(dialog_calls_.size(), 1u);
  EXPECT_EQ(dialog_calls_[0].first, "Projektdatei (*.vbp)|*.vbp");
  EXPECT_EQ(dialog_calls_[0].second, "") << "an empty path box gives no starting folder";

  EXPECT_EQ(wizard_->ProjectPath(), path);
  EXPECT_EQ(wizard_->ProjectFolder(), ProjectFolderOf(path));
  EXPECT_EQ(ListTexts(), (std::vector<std::wstring>{L"frmZiel.frm", L"Forms\\frmAdresse.frm",
                                                    L"..\\Gemeinsam\\\u00dcbersicht.frm"}));
  // The engine gets the bytes of the project file, the list shows them decoded.
  EXPECT_EQ(wizard_->EntryText(2),
            "..\\Gemeinsam\\\xDC"
            "bersicht.frm");
  EXPECT_EQ(wizard_->EntryCount(), 3);
  EXPECT_EQ(wizard_->SelectedCount(), 0);
  EXPECT_TRUE(Enabled(kIdList));
  EXPECT_TRUE(Enabled(kIdAll));
  EXPECT_TRUE(Enabled(kIdStart));
  EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(WizardTest, CancelledDialogChangesNothingEvenAfterAProjectWasLoaded) {
  Browse("");
  EXPECT_EQ(wizard_->ProjectPath(), "");
  EXPECT_EQ(wizard_->EntryCount(), 0);
  EXPECT_FALSE(Enabled(kIdStart));

  const std::string path = LoadProject("App\\App.vbp", {"frmA.frm", "frmB.frm"});
  ClickEntry(1);
  Browse("");
  ASSERT_EQ(dialog_calls_.size(), 3u);
  std::string folder = dir_.Path("App");
  EXPECT_EQ(dialog_calls_[2].second, folder) << "the path's folder, without backslash";
  EXPECT_EQ(wizard_->ProjectPath(), path);
  EXPECT_EQ(wizard_->ProjectFolder(), folder + "\\");
  EXPECT_EQ(wizard_->EntryCount(), 2);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  EXPECT_TRUE(Enabled(kIdStart));
}

TEST_F(WizardTest, ProjectWithoutFormsShowsOnlyTheDisabledPlaceholder) {
  LoadProject("Leer.vbp", {});
  EXPECT_EQ(ListTexts(), std::vector<std::wstring>{L"(keine Dateien vorhanden)"});
  EXPECT_FALSE(Enabled(kIdList));
  EXPECT_FALSE(Enabled(kIdAll));
  EXPECT_FALSE(Enabled(kIdStart));
  EXPECT_EQ(wizard_->SelectedCount(), 0);
  // A disabled start button starts nothing: no "Keine Datei(en) ausgewählt!".
  MessageBoxAnswerer answerer({BoxReply::Enter()}, kMessageBoxClass, std::chrono::seconds(2));
  Click(kIdStart);
  Click(kIdAll);
  EXPECT_TRUE(answerer.Seen().empty());
  EXPECT_EQ(wizard_->SelectedCount(), 0);
}

TEST_F(WizardTest, SecondProjectReplacesTheListAndDropsTheSelection) {
  LoadProject("Erst\\Eins.vbp", {"frmA.frm", "frmB.frm", "frmC.frm"});
  Click(kIdAll);
  ASSERT_EQ(wizard_->SelectedCount(), 3);
  Click(kIdXPStyle);  // options are the user's and stay
  ASSERT_EQ(wizard_->XPStyleOption(), 0);

  const std::string second = LoadProject("Zweit\\Zwei.vbp", {"frmX.frm"});
  EXPECT_EQ(ListTexts(), std::vector<std::wstring>{L"frmX.frm"});
  EXPECT_EQ(wizard_->SelectedCount(), 0);
  EXPECT_EQ(wizard_->ProjectFolder(), dir_.Path("Zweit\\"));
  EXPECT_EQ(wizard_->XPStyleOption(), 0);
  EXPECT_EQ(wizard_->BackupOption(), 1);

  // From a project with forms to one without, and back.
  LoadProject("Leer\\Leer.vbp", {});
  EXPECT_FALSE(Enabled(kIdList));
  LoadProject("Erst\\Eins.vbp", {"frmA.frm"});
  EXPECT_TRUE(Enabled(kIdList));
  EXPECT_EQ(ListTexts(), std::vector<std::wstring>{L"frmA.frm"});
}

TEST_F(WizardTest, UnreadableProjectShowsTheErrorAndLeavesNoProject) {
  LoadProject("App\\App.vbp", {"frmA.frm"});
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  Browse(dir_.Path("App\\Fehlt.vbp"));
  const auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].prompt, "Fehler: 53\r\nDatei nicht gefunden");
  EXPECT_EQ(seen[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(seen[0].icon, MessageIcon::kNone);

  EXPECT_EQ(wizard_->ProjectPath(), "");
  EXPECT_EQ(wizard_->ProjectFolder(), "");
  EXPECT_EQ(wizard_->EntryCount(), 0);
  EXPECT_TRUE(Enabled(kIdList));
  EXPECT_FALSE(Enabled(kIdAll));
  EXPECT_FALSE(Enabled(kIdStart));
  EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_WAIT));
  // A later browse starts afresh.
  Browse("");
  EXPECT_EQ(dialog_calls_.back().second, "");
}

TEST_F(WizardTest, AllFilesSelectsEveryEntryAndAClickTogglesOneEntryAlone) {
  LoadProject("App.vbp", {"frmA.frm", "frmB.frm", "frmC.frm", "frmD.frm"});
  ClickEntry(1);
  ClickEntry(3);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));
  ClickEntry(1);
  EXPECT_EQ(Selected(), std::vector<int>{3});

  Click(kIdAll);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(::IsWindowVisible(Control(kIdList)));
  Click(kIdAll);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3}));
  ClickEntry(2);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 3}));
}

// --- what the engine reads ---

TEST_F(WizardTest, HostOperationsReadTheBoxesLive) {
  for (int16_t kind = 0; kind < 4; ++kind) EXPECT_EQ(wizard_->ReplaceOption(kind), 1);
  Click(kIdReplaceFirst + 2);
  EXPECT_EQ(wizard_->ReplaceOption(0), 1);
  EXPECT_EQ(wizard_->ReplaceOption(1), 1);
  EXPECT_EQ(wizard_->ReplaceOption(2), 0);
  EXPECT_EQ(wizard_->ReplaceOption(3), 1);
  Click(kIdReplaceFirst + 2);
  EXPECT_EQ(wizard_->ReplaceOption(2), 1);
  EXPECT_THROW(wizard_->ReplaceOption(4), VbError);

  Click(kIdXPStyle);
  EXPECT_EQ(wizard_->XPStyleOption(), 0);
  Click(kIdBackup);
  EXPECT_EQ(wizard_->BackupOption(), 0);
  wizard_->SwitchBackupOn();
  EXPECT_EQ(wizard_->BackupOption(), 1);
  EXPECT_EQ(CheckValue(Control(kIdBackup)), 1);

  wizard_->SetWizardEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(wizard_->hwnd()));
  wizard_->SetWizardEnabled(true);
  EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  EXPECT_EQ(wizard_->WizardWindow(), wizard_->hwnd());

  LoadProject("App.vbp", {"frmA.frm", "frmB.frm"});
  ClickEntry(0);
  EXPECT_TRUE(wizard_->IsEntrySelected(0));
  EXPECT_FALSE(wizard_->IsEntrySelected(1));
  EXPECT_EQ(wizard_->SelectedCount(), 1);
  EXPECT_EQ(wizard_->EntryText(1), "frmB.frm");
  EXPECT_THROW(wizard_->EntryText(2), VbError);

  // Held by a run, the window tells its whole selection in one read (which
  // the run keeps, see WizardSnapshot); given back, it reads the list again.
  wizard_->SetWizardEnabled(false);
  EXPECT_EQ(wizard_->Selection(), (std::optional<std::vector<bool>>{{true, false}}));
  EXPECT_TRUE(wizard_->IsEntrySelected(0));
  EXPECT_FALSE(wizard_->IsEntrySelected(1));
  wizard_->SetWizardEnabled(true);
  ::SendMessageW(Control(kIdList), LB_SETSEL, TRUE, 1);
  EXPECT_TRUE(wizard_->IsEntrySelected(1));
}

// --- a whole run ---

TEST_F(WizardTest, StartRunsTheConversionWithTheWindowDisabledAndKeepsListAndOptions) {
  dir_.WriteFile("Proj\\frmEins.frm", LongForm("frmEins"));
  dir_.WriteFile("Proj\\Forms\\frmZwei.frm", LongForm("frmZwei"));
  dir_.WriteFile("Proj\\frmDrei.frm", LongForm("frmDrei"));
  dir_.WriteFile("Proj\\frmSchlicht.frm", testing::PlainForm("frmSchlicht"));
  const std::string original = LongForm("frmEins");
  const std::string project_text =
      testing::ProjectText({"frmEins.frm", "Forms\\frmZwei.frm", "frmDrei.frm", "frmSchlicht.frm"});
  LoadProject("Proj\\Proj.vbp",
              {"frmEins.frm", "Forms\\frmZwei.frm", "frmDrei.frm", "frmSchlicht.frm"});
  ClickEntry(0);
  ClickEntry(1);
  ClickEntry(3);
  Click(kIdBackup);  // off: the run asks, and a Ja switches it on
  Click(kIdReplaceFirst + 3);
  ASSERT_EQ(wizard_->BackupOption(), 0);

  // Samples, taken inside the run's pumps, of the wizard while the
  // progress window shows.
  // A close request in the middle of the run is refused: the run pumps
  // messages on the window's own stack.
  static std::atomic<int> shown_samples;
  static std::atomic<int> enabled_while_shown;
  static std::atomic<bool> survived_close;
  static HWND sampled;
  shown_samples = 0;
  enabled_while_shown = 0;
  survived_close = false;
  sampled = wizard_->hwnd();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
    if (testing::FindProcessWindow(kProgressWindowClass) == nullptr) return;
    if (++shown_samples == 1) {
      ::SendMessageW(sampled, WM_CLOSE, 0, 0);
      survived_close = ::IsWindow(sampled) != FALSE;
    }
    if (::IsWindowEnabled(sampled)) ++enabled_while_shown;
  });

  MessageBoxAnswerer answerer({BoxReply::Click(kMessageBoxButtonYes), BoxReply::Enter()});
  Click(kIdStart);
  ::KillTimer(nullptr, timer);
  const auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].buttons.size(), 3u) << "the backup question";
  EXPECT_EQ(seen[1].title, "Konvertierung erfolgreich");
  EXPECT_EQ(seen[1].prompt.substr(0, 35), "2 Datei(en) wurde(n) aktualisiert.\r");

  EXPECT_GT(shown_samples.load(), 0) << "the run ended before the progress window was seen";
  EXPECT_EQ(enabled_while_shown.load(), 0) << "the wizard took input during the run";
  EXPECT_TRUE(survived_close.load());
  EXPECT_FALSE(closed_);
  EXPECT_FALSE(wizard_->running());
  EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  EXPECT_EQ(testing::FindProcessWindow(kProgressWindowClass), nullptr);

  // The window is as before, but for the backup option the Ja switched on.
  EXPECT_EQ(wizard_->EntryCount(), 4);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(wizard_->BackupOption(), 1);
  EXPECT_EQ(wizard_->ReplaceOption(3), 0);
  EXPECT_EQ(wizard_->ReplaceOption(0), 1);
  EXPECT_EQ(wizard_->XPStyleOption(), 1);

  // On disk: the selected forms with controls converted, with backups; the
  // plain one and the unselected one as they were.
  const std::string converted = dir_.ReadFile("Proj\\frmEins.frm");
  EXPECT_NE(converted.find("Begin qorXPControls.qorFrame "), std::string::npos);
  EXPECT_NE(converted.find("Begin qorXPControls.qorCheck "), std::string::npos);
  EXPECT_NE(converted.find("Begin MSComctlLib.ProgressBar "), std::string::npos)
      << "ProgressBar was unticked";
  EXPECT_EQ(converted.find("Begin VB.Frame "), std::string::npos);
  EXPECT_NE(dir_.ReadFile("Proj\\Forms\\frmZwei.frm").find("qorXPControls.qorOption"),
            std::string::npos);
  EXPECT_EQ(dir_.ReadFile("Proj\\frmDrei.frm"), LongForm("frmDrei"));
  EXPECT_EQ(dir_.ReadFile("Proj\\frmSchlicht.frm"), testing::PlainForm("frmSchlicht"));
  EXPECT_EQ(dir_.ReadFile("Proj\\_Backup\\frmEins.frm"), original);
  EXPECT_EQ(dir_.ReadFile("Proj\\Forms\\_Backup\\frmZwei.frm"), LongForm("frmZwei"));
  EXPECT_FALSE(dir_.Exists("Proj\\_Backup\\frmSchlicht.frm"));
  EXPECT_EQ(dir_.ReadFile("Proj\\_Backup\\Proj.vbp"), project_text);
  EXPECT_NE(dir_.ReadFile("Proj\\Proj.vbp").find(kLibraryReferenceLine), std::string::npos);
}

// --- keyboard, closing, the skin's events ---

TEST_F(WizardTest, KeyboardFollowsTheTabOrderAndTheAccessKeys) {
  LoadProject("App.vbp", {"frmA.frm"});
  ::SetFocus(Control(kIdProject));
  const int order[] = {kIdFolder,
                       kIdList,
                       kIdAll,
                       kIdBackup,
                       kIdXPStyle,
                       kIdReplaceFirst,
                       kIdReplaceFirst + 1,
                       kIdReplaceFirst + 2,
                       kIdReplaceFirst + 3,
                       kIdDesigners,
                       kIdRestore,
                       kIdPreview,
                       kIdStart,
                       kIdExit,
                       kIdProject};
  for (int id : order) {
    EXPECT_TRUE(Key(WM_KEYDOWN, VK_TAB));
    EXPECT_EQ(::GetFocus(), Control(id)) << "after Tab, expected " << id;
  }

  ::SetFocus(Control(kIdExit));
  Key(WM_SYSCHAR, 'p');
  EXPECT_EQ(::GetFocus(), Control(kIdProject)) << "Alt+P";
  Key(WM_SYSCHAR, 'e');
  EXPECT_EQ(::GetFocus(), Control(kIdBackup)) << "Alt+E";
  EXPECT_EQ(wizard_->BackupOption(), 1) << "the access key only moves the focus";
  // Space on the focused list toggles the entry under the caret.
  ::SetFocus(Control(kIdList));
  ::SendMessageW(Control(kIdList), WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_EQ(wizard_->SelectedCount(), 1);

  EXPECT_FALSE(closed_);
  Key(WM_SYSCHAR, 'b');
  EXPECT_TRUE(closed_) << "Alt+B presses \"&Beenden\"";
}

TEST_F(WizardTest, ExitButtonAndCloseBoxEndTheWindow) {
  Click(kIdExit);
  EXPECT_TRUE(closed_);
  EXPECT_EQ(wizard_->hwnd(), nullptr);

  Wizard second(::GetModuleHandleW(nullptr), abort_,
                [](const std::string&, const std::string&) { return std::string(); });
  bool second_closed = false;
  second.on_closed = [&] { second_closed = true; };
  second.Create();
  second.Show(SW_SHOWNORMAL);
  ::SendMessageW(second.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  testing::PumpPending();
  EXPECT_TRUE(second_closed);
  EXPECT_EQ(second.hwnd(), nullptr);
}

TEST_F(WizardTest, ColourChangeRecoloursOnlyFrameAndCheckBoxes) {
  const COLORREF red = RGB(200, 30, 30);
  wizard_->SetBackColour(static_cast<int32_t>(red));
  HWND backup = Control(kIdBackup);
  RECT box{};
  ::GetClientRect(backup, &box);
  const POINT beside_caption{box.right - 3, box.bottom / 2};
  EXPECT_NE(testing::PixelOf(backup, beside_caption), red);

  // The skin raises its colour event on a change of the system colours.
  ::SendMessageW(wizard_->hwnd(), WM_SYSCOLORCHANGE, 0, 0);
  testing::PumpPending();
  EXPECT_EQ(testing::PixelOf(backup, beside_caption), red);
  for (int kind = 0; kind < 4; ++kind) {
    RECT r{};
    ::GetClientRect(wizard_->replace_box(kind), &r);
    EXPECT_EQ(testing::PixelOf(wizard_->replace_box(kind), POINT{r.right - 3, r.bottom / 2}), red);
  }
  HWND frame = Control(kIdFrame);
  RECT frame_area{};
  ::GetClientRect(frame, &frame_area);
  EXPECT_EQ(testing::PixelOf(frame, POINT{frame_area.right * 9 / 10, frame_area.bottom / 2}), red);
  HWND header = Control(kIdHeader);
  RECT band{};
  ::GetClientRect(header, &band);
  EXPECT_EQ(testing::PixelOf(header, POINT{band.right - 2, band.bottom - 2}), RGB(255, 255, 255));
}

TEST_F(WizardTest, HelpSetsTheFlagBeforeTheAboutBoxShows) {
  static std::atomic<int> flag_seen;
  static int16_t* watched;
  int16_t flag = 0;
  watched = &flag;
  flag_seen = 0;
  MessageBoxAnswerer answerer({BoxReply::Enter().Inspecting([](HWND) { flag_seen = *watched; })},
                              kAboutBoxClass);
  wizard_->ShowLibraryAbout(flag);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(flag_seen.load(), -1);
  EXPECT_EQ(flag, -1);

  // F1 reaches the same routine through the skin.
  MessageBoxAnswerer again({BoxReply::Enter()}, kAboutBoxClass);
  HELPINFO help{};
  help.cbSize = sizeof(help);
  help.iContextType = HELPINFO_WINDOW;
  help.hItemHandle = wizard_->hwnd();
  ::SendMessageW(wizard_->hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(again.Seen().size(), 1u);
}

TEST_F(WizardTest, SettingsChangeMakesTheSkinReapplyTheWindowStyle) {
  HWND window = wizard_->hwnd();
  ::SetWindowLongPtrW(window, GWL_STYLE,
                      ::GetWindowLongPtrW(window, GWL_STYLE) | WS_THICKFRAME | WS_MAXIMIZEBOX);
  ::SendMessageW(window, WM_SETTINGCHANGE, 0, 0);
  testing::PumpPending();
  EXPECT_EQ(::GetWindowLongPtrW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
}

// Not a check: the pictures of the wizard for the documentation, taken when
// the picture script asks for them (XPC_PICTURES_DIR).
TEST_F(WizardTest, Pictures) {
  if (!testing::PicturesWanted()) GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  testing::PumpFor(std::chrono::milliseconds(300));
  testing::TakePicturePumping(wizard_->hwnd(), "wizard-empty");

  const std::vector<std::string> entries = {"frmHaupt.frm", "Forms\\frmKunde.frm",
                                            "Forms\\frmOptionen.frm", "frmInfo.frm"};
  // Long enough that the progress window names a form before the run ends.
  std::string form = LongForm("f");
  for (int i = 0; i < 60000; ++i) form += "   ' Zeile " + std::to_string(i) + "\r\n";
  for (const std::string& entry : entries) dir_.WriteFile("Kundenverwaltung\\" + entry, form);
  LoadProject("Kundenverwaltung\\Kundenverwaltung.vbp", entries);
  ClickEntry(0);
  ClickEntry(1);
  ClickEntry(2);
  testing::PumpFor(std::chrono::milliseconds(300));
  testing::TakePicturePumping(wizard_->hwnd(), "wizard-loaded");

  // Mid-run: from inside one of the run's pumps, once the progress window
  // names a file.
  static HWND wizard;
  static bool done;
  wizard = wizard_->hwnd();
  done = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
    HWND progress = testing::FindProcessWindow(kProgressWindowClass);
    if (done || progress == nullptr) return;
    if (testing::WindowTextOf(::GetDlgItem(progress, kProgressFileLabelId)).empty()) return;
    done = true;
    testing::TakePicturePumping(wizard, "wizard-running");
  });
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  Click(kIdStart);
  ::KillTimer(nullptr, timer);
  answerer.Seen();
  EXPECT_TRUE(done);
}

}  // namespace
}  // namespace xpconv::ui

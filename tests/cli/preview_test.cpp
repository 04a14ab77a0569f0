// The console program's preview (--dry-run, --diff), restore, reports,
// several projects and groups, and --designers, each run as whole commands
// against real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"
#include "tests/support/vb6_project.h"
#include "tests/support/xpconvert_test.h"

namespace xpconv::cli {
namespace {

using testing::Contains;
using testing::ConvertibleForm;
using testing::PlainForm;
using testing::ProjectText;

// Every file below folder with its bytes, by relative path with "/".
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[std::filesystem::relative(item.path(), folder).generic_string()] = bytes.str();
  }
  return files;
}

#ifndef _WIN32
// Only the tests that call git, patch or Python need these.
void Restore(const std::string& folder, const std::map<std::string, std::string>& files) {
  std::filesystem::remove_all(folder);
  for (const auto& [name, bytes] : files) {
    const std::filesystem::path path = std::filesystem::path(folder) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
}

// The form with its line ends mixed: every second LF becomes CR LF.
std::string MixedLineEnds(const std::string& lf_text) {
  std::string out;
  bool crlf = false;
  for (char c : lf_text) {
    if (c == '\n') {
      if (crlf) out += '\r';
      crlf = !crlf;
    }
    out += c;
  }
  return out;
}
#endif

class PreviewTest : public testing::XpconvertTest {};

TEST_F(PreviewTest, DryRunChangesNothingAndSaysWhatARunWould) {
  MakeProject();
  const auto before = Snapshot(dir.native());

  testing::TempDir elsewhere;
  const std::string report = elsewhere.native() + "/preview.json";
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run", "--report", report}), kExitOk) << err.str();

  EXPECT_EQ(Snapshot(dir.native()), before);
  const std::string json = elsewhere.ReadFile("preview.json");
  EXPECT_TRUE(Contains(json, "\"dry_run\": true")) << json;
  EXPECT_TRUE(Contains(json, "\"library_line_added\": true")) << json;
  EXPECT_TRUE(Contains(json, "\"entry\": \"frmC.frm\"")) << json;
  EXPECT_TRUE(Contains(json, "\"outcome\": \"converted\", \"replaced\": {\"Frame\": 1")) << json;
  const std::string text = out.str();
  EXPECT_TRUE(Contains(text,
                       "1 frmA.frm: würde konvertiert (Frame 1, CheckBox 1, OptionButton 2, "
                       "ProgressBar 1)"))
      << text;
  EXPECT_TRUE(Contains(text, "2 Forms\\frmB.frm: unverändert")) << text;
  EXPECT_TRUE(Contains(text, "3 frmC.frm: würde konvertiert")) << text;
  EXPECT_TRUE(Contains(text, "Projektdatei: Bibliothekszeile würde eingetragen")) << text;
  EXPECT_TRUE(Contains(text, "Rückfragen: keine")) << text;
  EXPECT_TRUE(Contains(text, "Ein Lauf würde 2 Datei(en) aktualisieren.")) << text;
}

TEST_F(PreviewTest, DryRunNamesTheQuestionsARunWouldAsk) {
  MakeProject();
  dir.WriteFile("_Backup\\old.frm", "x");
  const auto before = Snapshot(dir.native());

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run", "--no-backup", "--answer", "nein"}), kExitOk);

  EXPECT_EQ(Snapshot(dir.native()), before);
  EXPECT_TRUE(Contains(out.str(),
                       "Rückfrage würde gestellt: \"Soll die Einstellung jetzt autom. "
                       "aktiviert werden?\" - Antwort Nein\n"))
      << out.str();
  EXPECT_TRUE(Contains(out.str(),
                       "Rückfrage würde gestellt: \"Sollen evtl. vorhandene Dateien "
                       "überschrieben werden?\" - Antwort Ja (angenommen)"))
      << out.str();
  // Answered Nein: no backups, so no backup folder is named.
  EXPECT_FALSE(Contains(out.str(), "Sicherungskopien nach")) << out.str();
}

TEST_F(PreviewTest, DryRunMeetsTheErrorsARunWouldMeet) {
  struct Case {
    const char* name;
    void (*setup)(const testing::TempDir&);
    const char* expected;
  };
  const Case cases[] = {
      {"missing form", [](const testing::TempDir& d) { d.WriteFile("frmA.frm", ""); }, nullptr},
      {"read-only form", [](const testing::TempDir& d) { d.SetReadOnly("frmC.frm", true); },
       "3 frmC.frm: Fehler 70: Zugriff verweigert"},
      {"font block never ends",
       [](const testing::TempDir& d) {
         d.WriteFile("frmC.frm",
                     "VERSION 5.00\r\nBegin VB.Frame fra \r\n"
                     "   BeginProperty Font \r\n      Name = \"Arial\"\r\n");
       },
       "3 frmC.frm: Fehler 62: Einlesen hinter Dateiende"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir fresh;
    fresh.WriteFile("App.vbp", ProjectText({"frmA.frm", "Forms\\frmB.frm", "frmC.frm"}));
    fresh.WriteFile("frmA.frm", ConvertibleForm("frmA"));
    fresh.WriteFile("Forms\\frmB.frm", PlainForm("frmB"));
    fresh.WriteFile("frmC.frm", ConvertibleForm("frmC"));
    c.setup(fresh);
    const char* expected = c.expected;
    if (expected == nullptr) {
      std::filesystem::remove(fresh.native() + "/frmA.frm");
      expected = "1 frmA.frm: Fehler 53: Datei nicht gefunden";
    }
    const auto before = Snapshot(fresh.native());

    out.str("");
    err.str("");
    std::string project = fresh.native() + "/App.vbp";
    EXPECT_EQ(RunXpconvert({"run", project, "--dry-run"}, in, out, err, terminal), kExitFailed);

    EXPECT_EQ(Snapshot(fresh.native()), before);
    EXPECT_TRUE(Contains(out.str(), expected)) << out.str();
    EXPECT_TRUE(Contains(out.str(), "Ein Lauf würde mit einem Fehler enden.")) << out.str();
    // The run's error box is the preview's line, not a box on stderr too.
    EXPECT_FALSE(Contains(err.str(), "Fehler")) << err.str();
    fresh.SetReadOnly("frmC.frm", false);
  }
}

TEST_F(PreviewTest, DryRunOfAProjectAnotherCommandHoldsSaysSoAndStops) {
  MakeProject();
  const std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
  const std::unique_ptr<RunLock> held = other->LockRun(dir.Path("App.vbp"));
  ASSERT_NE(held, nullptr);

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run"}), kExitFailed);
  EXPECT_TRUE(Contains(err.str(), msg::kProjectBusy)) << err.str();
  EXPECT_TRUE(Contains(out.str(), "  Fehler 70: " + std::string(msg::kProjectBusy))) << out.str();
}

#ifndef _WIN32
// The patch of a dry run, applied by git and by patch to the untouched
// project, gives exactly the files a real run writes: with CR LF, LF-only
// and mixed line ends, and with a last line that has no line end.
TEST_F(PreviewTest, DiffAppliedWithGitOrPatchGivesWhatTheRunWrites) {
  if (std::system("git --version >/dev/null 2>&1") != 0 ||
      std::system("patch --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "git and patch are installed by scripts/install-deps.sh";
  }
  const std::string lf_form = ConvertibleForm("frmA", "\n");
  const std::map<std::string, std::string> variants = {
      {"CR LF", ConvertibleForm("frmA", "\r\n")},
      {"LF", lf_form},
      {"mixed", MixedLineEnds(lf_form)},
      {"no last line end", lf_form.substr(0, lf_form.size() - 1)},
  };
  for (const auto& [name, form] : variants) {
    for (const char* tool : {"git apply", "patch -p1 --quiet"}) {
      SCOPED_TRACE(name + " / " + tool);
      testing::TempDir project;
      testing::TempDir scratch;
      project.WriteFile("App.vbp", ProjectText({"frmA.frm", "Sub\\frmC.frm"}, "\n"));
      project.WriteFile("frmA.frm", form);
      project.WriteFile("Sub\\frmC.frm", MixedLineEnds(ConvertibleForm("frmC", "\n")));
      const std::string vbp = project.native() + "/App.vbp";
      const auto before = Snapshot(project.native());

      out.str("");
      err.str("");
      ASSERT_EQ(RunXpconvert({"run", vbp, "--dry-run", "--diff"}, in, out, err, terminal), kExitOk)
          << err.str();
      const std::string patch = out.str();
      EXPECT_TRUE(Contains(patch, "diff --git a/Sub/frmC.frm b/Sub/frmC.frm\n")) << patch;
      scratch.WriteFile("x.patch", patch);

      ASSERT_EQ(RunXpconvert({"run", vbp, "--yes"}, in, out, err, terminal), kExitOk);
      const auto converted = Snapshot(project.native());
      Restore(project.native(), before);

      const std::string command = "cd '" + project.native() + "' && " + tool + " < '" +
                                  scratch.native() + "/x.patch' >/dev/null 2>&1";
      ASSERT_EQ(std::system(command.c_str()), 0) << patch;
      for (const char* file : {"App.vbp", "frmA.frm", "Sub/frmC.frm"}) {
        EXPECT_EQ(Snapshot(project.native())[file], converted.at(file)) << file;
      }
    }
  }
}

// However the project is named (from any folder, through a group), the
// patch names its files relative to the first project's or group's folder,
// as the disk spells them, and applies there; so do the report's paths and
// the preview's backup folders. The project spells its forms' folder
// "FORMS" once and "Forms" once; the disk has "Forms".
TEST_F(PreviewTest, ThePatchAppliesHoweverTheProjectIsNamed) {
  if (std::system("git --version >/dev/null 2>&1") != 0 ||
      std::system("patch --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "git and patch are installed by scripts/install-deps.sh";
  }
  struct Case {
    const char* name;
    const char* cwd;     // relative to the test's folder
    std::string arg;     // as typed there
    const char* base;    // where the patch applies
    std::string prefix;  // of the report's paths
  };
  const std::string root = dir.native();
  const Case cases[] = {
      {"bare", "x", "App.vbp", "x", ""},
      {"dot", "x", "./App.vbp", "x", "./"},
      {"sub", "", "x/App.vbp", "x", "x/"},
      {"up", "y", "../x/App.vbp", "x", "../x/"},
      {"absolute", "y", root + "/x/App.vbp", "x", root + "/x/"},
      {"group", "", "Grp.vbg", "", "x/"},
  };
  dir.WriteFile("x\\App.vbp", ProjectText({"frmA.frm", "FORMS\\frmB.frm", "Forms\\frmC.frm"}));
  dir.WriteFile("x\\frmA.frm", ConvertibleForm("frmA"));
  dir.WriteFile("x\\Forms\\frmB.frm", ConvertibleForm("frmB"));
  dir.WriteFile("x\\Forms\\frmC.frm", ConvertibleForm("frmC", "\n"));
  dir.WriteFile("Grp.vbg", "VBGROUP 5.0\r\nStartupProject=X\\APP.vbp\r\n");
  dir.WriteFile("y\\.keep", "");
  const auto before = Snapshot(root);
  const std::filesystem::path started = std::filesystem::current_path();
  for (const Case& c : cases) {
    for (const char* tool : {"git apply", "patch -p1 --quiet"}) {
      SCOPED_TRACE(std::string(c.name) + " / " + tool);
      std::filesystem::current_path(root + "/" + c.cwd);
      ASSERT_EQ(Run({"run", c.arg, "--dry-run", "--diff", "--report", root + "/y/r.json"}), kExitOk)
          << err.str();
      const std::string patch = out.str();
      const std::string preview = err.str();
      const std::string json = dir.ReadFile("y\\r.json");
      ASSERT_EQ(Run({"run", c.arg, "--yes"}), kExitOk) << err.str();
      std::filesystem::current_path(started);
      const auto converted = Snapshot(root);
      Restore(root, before);

      EXPECT_FALSE(Contains(patch, "../")) << patch;
      EXPECT_FALSE(Contains(patch + json + preview, "FORMS/")) << patch << json << preview;
      // One backup folder, however the entries spell it.
      const std::string shown = c.prefix + "Forms/";
      auto count = [](const std::string& text, const std::string& what) {
        size_t found = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
          ++found;
        }
        return found;
      };
      EXPECT_TRUE(Contains(json, "\"path\": \"" + shown + "frmB.frm\"")) << json;
      EXPECT_EQ(count(json, "\"" + shown + "_Backup/\""), 1u) << json;
      EXPECT_EQ(count(preview, "Sicherungskopien nach " + shown + "_Backup/\n"), 1u) << preview;
      EXPECT_EQ(count(preview, "Forms/_Backup/"), 1u) << preview;
      EXPECT_TRUE(Contains(preview, "2 FORMS\\frmB.frm: würde konvertiert")) << preview;

      dir.WriteFile("y\\x.patch", patch);
      const std::string command = "cd '" + root + "/" + c.base + "' && " + tool + " < '" + root +
                                  "/y/x.patch' >/dev/null 2>&1";
      ASSERT_EQ(std::system(command.c_str()), 0) << patch;
      const auto applied = Snapshot(root);
      for (const char* file : {"x/App.vbp", "x/frmA.frm", "x/Forms/frmB.frm", "x/Forms/frmC.frm"}) {
        EXPECT_EQ(applied.at(file), converted.at(file)) << file;
      }
      Restore(root, before);
    }
  }
}
#endif

TEST_F(PreviewTest, DiffOnATerminalIsShownInUtf8WithColours) {
  MakeProject();
  terminal.output_is_terminal = true;

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run", "--diff"}), kExitOk);

  const std::string text = out.str();
  EXPECT_TRUE(Contains(text, "\x1b[31m-   Begin VB.Frame fraAuswahl \x1b[0m\n")) << text;
  EXPECT_TRUE(Contains(text, "\x1b[32m+   Begin qorXPControls.qorFrame fraAuswahl \x1b[0m\n"));
  // The form's Windows-1252 caption, shown in UTF-8.
  EXPECT_TRUE(Contains(text, "\"Übersicht\"")) << text;
  EXPECT_FALSE(Contains(text, "\r")) << text;
  // The preview itself went to stderr, out of the diff's way.
  EXPECT_TRUE(Contains(err.str(), "würde konvertiert")) << err.str();
}

TEST_F(PreviewTest, RestoreAfterARunGivesBackTheOriginalsAndKeepsTheBackups) {
  MakeProject();
  const auto originals = Snapshot(dir.native());
  ASSERT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitOk) << err.str();
  const auto converted = Snapshot(dir.native());

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--dry-run"}), kExitOk);
  EXPECT_EQ(Snapshot(dir.native()), converted);
  EXPECT_TRUE(Contains(out.str(), "1 frmA.frm: wird wiederhergestellt\n")) << out.str();
  EXPECT_TRUE(Contains(out.str(), "2 Forms\\frmB.frm: keine Sicherung\n")) << out.str();
  EXPECT_TRUE(Contains(out.str(), "App.vbp: wird wiederhergestellt\n")) << out.str();

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--answer", "nein"}), kExitFailed);
  EXPECT_EQ(Snapshot(dir.native()), converted);
  EXPECT_TRUE(Contains(err.str(), "Wiederherstellen?\n[j]a / [n]ein? Nein")) << err.str();

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--yes"}), kExitOk) << err.str();
  auto now = Snapshot(dir.native());
  for (const auto& [name, bytes] : originals) EXPECT_EQ(now[name], bytes) << name;
  EXPECT_EQ(now["_Backup/frmA.frm"], originals.at("frmA.frm"));
  EXPECT_TRUE(Contains(out.str(), "3 Datei(en) wiederhergestellt.")) << out.str();

  // A second restore finds nothing to do and asks nothing.
  EXPECT_EQ(Run({"restore", Arg("App.vbp")}), kExitOk);
  EXPECT_TRUE(Contains(out.str(), "1 frmA.frm: unverändert\n")) << out.str();
  EXPECT_TRUE(Contains(out.str(), "Nichts wiederherzustellen.")) << out.str();
}

TEST_F(PreviewTest, CtrlCDuringARestoreStopsBetweenTwoFiles) {
  MakeProject();
  ASSERT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitOk);
  const auto converted = Snapshot(dir.native());
  // The first check is before frmA, the second before frmC.
  terminal.checks = 0;
  terminal.interrupt_at = {2};
  terminal.input_is_terminal = true;
  in.str("j\n");

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--yes", "--report", Arg("r.json")}), kExitFailed);

  EXPECT_EQ(dir.ReadFile("frmA.frm"), dir.ReadFile("_Backup\\frmA.frm"));
  EXPECT_EQ(dir.ReadFile("frmC.frm"), converted.at("frmC.frm"));
  EXPECT_EQ(dir.ReadFile("App.vbp"), converted.at("App.vbp"));
  EXPECT_TRUE(Contains(err.str(), "Wiederherstellen abgebrochen.")) << err.str();
  const std::string json = dir.ReadFile("r.json");
  EXPECT_TRUE(Contains(json, "\"project_file\": \"skipped\"")) << json;
  EXPECT_TRUE(Contains(json, "\"aborted\": true")) << json;
}

TEST_F(PreviewTest, ARestoreThatFailsStopsThereAndSaysSo) {
  MakeProject();
  ASSERT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitOk);
  const std::string converted_c = dir.ReadFile("frmC.frm");
  dir.SetReadOnly("frmA.frm", true);

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--yes", "--report", Arg("r.json")}), kExitFailed);

  EXPECT_TRUE(Contains(err.str(), "Fehler: 70\nZugriff verweigert")) << err.str();
  EXPECT_EQ(dir.ReadFile("frmC.frm"), converted_c);
  const std::string report = dir.ReadFile("r.json");
  EXPECT_TRUE(Contains(report,
                       "\"outcome\": \"failed\", \"replaced\": {\"Frame\": 0, "
                       "\"CheckBox\": 0, \"OptionButton\": 0, \"ProgressBar\": 0}, "
                       "\"error\": {\"number\": 70, \"text\": \"Zugriff verweigert\"}"))
      << report;
  EXPECT_TRUE(Contains(report, "\"entry\": \"frmC.frm\", \"path\": ")) << report;
  EXPECT_TRUE(Contains(report, "\"outcome\": \"skipped\"")) << report;
  dir.SetReadOnly("frmA.frm", false);
}

TEST_F(PreviewTest, ReportsRecordEachEntryAndTheWholeRun) {
  MakeProject();
  dir.SetReadOnly("frmC.frm", true);

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes", "--keep", "frame", "--report", Arg("r.json")}),
            kExitFailed);
  // Without backups: the first run's backup of the read-only form is
  // read-only too and would stop this run before its job is recorded.
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--no-backup", "--answer", "nein", "--answer", "ja",
                 "--report", Arg("r.csv")}),
            kExitFailed);
  dir.SetReadOnly("frmC.frm", false);

  const std::string json = dir.ReadFile("r.json");
  for (const char* field :
       {"\"command\": \"run\"", "\"dry_run\": false", "\"keep\": [\"frame\"]",
        "\"library_line_added\": true", "\"project_file\": \"converted\"", "\"aborted\": false",
        "\"exit_status\": 1",
        "{\"number\": 1, \"kind\": \"Form\", \"entry\": \"frmA.frm\", \"path\": ",
        "\"outcome\": \"converted\", \"replaced\": {\"Frame\": 0, \"CheckBox\": 1, "
        "\"OptionButton\": 2, \"ProgressBar\": 1}, \"error\": null}",
        "\"entry\": \"Forms\\\\frmB.frm\"", "\"outcome\": \"unchanged\"",
        "\"error\": {\"number\": 70, \"text\": \"Zugriff verweigert\"}"}) {
    EXPECT_TRUE(Contains(json, field)) << field << "\n" << json;
  }
  EXPECT_FALSE(dir.Exists("r.json.tmp"));

  const std::string csv = dir.ReadFile("r.csv");
  EXPECT_EQ(csv.rfind("command,dry_run,options,project,", 0), 0u) << csv;
  // frmA was converted by the first run: the second finds it unchanged.
  EXPECT_TRUE(Contains(csv, ",1,Form,frmA.frm,")) << csv;
  EXPECT_TRUE(Contains(csv, ",converted,1,0,0,0,,,false,1\r\n")) << csv;
  EXPECT_TRUE(Contains(csv, ",unchanged,0,0,0,0,,,false,1\r\n")) << csv;
  EXPECT_TRUE(Contains(csv, ",failed,1,1,2,1,70,Zugriff verweigert,false,1\r\n")) << csv;

#ifndef _WIN32
  // Standard readers take both.
  if (std::system("python3 -c '' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "python3 is installed by scripts/install-deps.sh";
  }
  const std::string check =
      "python3 -c \"import csv, json, sys\n"
      "r = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "assert [e['outcome'] for e in r['projects'][0]['entries']] == "
      "['converted', 'unchanged', 'failed'], r\n"
      "rows = list(csv.DictReader(open(sys.argv[2], encoding='utf-8', newline='')))\n"
      "assert [x['outcome'] for x in rows] == ['converted', 'unchanged', 'failed'], rows\n"
      "assert rows[2]['error_text'] == 'Zugriff verweigert'\n"
      "assert len({len(x) for x in rows}) == 1\" '" +
      dir.native() + "/r.json' '" + dir.native() + "/r.csv'";
  EXPECT_EQ(std::system(check.c_str()), 0);
#endif
}

TEST_F(PreviewTest, AReportIsWrittenAlsoWhenTheRunIsAborted) {
  MakeProject();
  terminal.interrupt_at = {3};
  in.str("j\n");
  terminal.input_is_terminal = true;

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes", "--report", Arg("r.json")}), kExitFailed);

  const std::string json = dir.ReadFile("r.json");
  EXPECT_TRUE(Contains(json, "\"aborted\": true")) << json;
  EXPECT_TRUE(Contains(json, "\"outcome\": \"skipped\"")) << json;
}

TEST_F(PreviewTest, AGroupWithoutProjectsIsAnErrorThatStopsTheCallUnlessKeepGoing) {
  MakeProject();
  dir.WriteFile("Empty.vbg", "VBGROUP 5.0\r\n");
  const auto before = Snapshot(dir.native());

  EXPECT_EQ(Run({"run", Arg("Empty.vbg"), Arg("App.vbp"), "--yes"}), kExitFailed);
  EXPECT_TRUE(Contains(err.str(), "nennt kein Projekt")) << err.str();
  EXPECT_EQ(Snapshot(dir.native()), before);

  EXPECT_EQ(Run({"run", Arg("Empty.vbg"), Arg("App.vbp"), "--dry-run", "--keep-going"}),
            kExitFailed);
  EXPECT_TRUE(Contains(out.str(), "1 frmA.frm: würde konvertiert")) << out.str();
}

TEST_F(PreviewTest, SeveralProjectsAndAGroupRunOneAfterTheOther) {
  // B shares frmA with App through "..\"; the group names App once as its
  // start project and once more as a project.
  MakeProject();
  dir.WriteFile("B\\B.vbp", ProjectText({"..\\frmA.frm", "frmD.frm"}));
  dir.WriteFile("B\\frmD.frm", ConvertibleForm("frmD"));
  dir.WriteFile("All.vbg",
                "VBGROUP 5.0\r\nStartupProject=App.vbp\r\nProject=B\\B.vbp\r\n"
                "Project=App.vbp\r\n");
  const auto before = Snapshot(dir.native());

  EXPECT_EQ(Run({"list", Arg("All.vbg")}), kExitOk);
  EXPECT_TRUE(Contains(out.str(), "B.vbp:\n1\t..\\frmA.frm\n2\tfrmD.frm\n")) << out.str();

  EXPECT_EQ(Run({"run", Arg("All.vbg"), "--dry-run"}), kExitOk);
  EXPECT_EQ(Snapshot(dir.native()), before);
  EXPECT_TRUE(Contains(out.str(), "1 ..\\frmA.frm: unverändert")) << out.str();
  EXPECT_TRUE(Contains(out.str(), "3 Datei(en) würden aktualisiert.")) << out.str();

  // --answer values are used in order across the projects: App's backup
  // question takes the first, B's the second.
  EXPECT_EQ(Run({"run", Arg("App.vbp"), Arg("B/B.vbp"), "--no-backup", "--answer", "nein",
                 "--answer", "ja"}),
            kExitOk)
      << err.str();
  EXPECT_FALSE(dir.Exists("frmA.frm.bak"));
  EXPECT_EQ(dir.List("_Backup"), std::vector<std::string>{});
  EXPECT_TRUE(dir.Exists("B\\_Backup\\B.vbp"));
  EXPECT_TRUE(Contains(out.str(),
                       "Gesamt: 2 von 2 Projekt(en) bearbeitet, 0 davon ohne Erfolg; "
                       "3 Datei(en) aktualisiert.\n"))
      << out.str();
}

TEST_F(PreviewTest, SeveralProjectsStopAtTheFirstErrorUnlessKeepGoing) {
  MakeProject();
  dir.WriteFile("B\\B.vbp", ProjectText({"frmD.frm"}));
  dir.WriteFile("B\\frmD.frm", ConvertibleForm("frmD"));
  dir.SetReadOnly("frmC.frm", true);

  EXPECT_EQ(Run({"run", Arg("App.vbp"), Arg("B/B.vbp"), "--yes"}), kExitFailed);
  EXPECT_EQ(dir.ReadFile("B\\frmD.frm"), ConvertibleForm("frmD"));
  EXPECT_TRUE(Contains(out.str(), "Gesamt: 1 von 2 Projekt(en) bearbeitet, 1 davon ohne Erfolg"))
      << out.str();

  EXPECT_EQ(Run({"run", Arg("App.vbp"), Arg("B/B.vbp"), "--yes", "--keep-going"}), kExitFailed);
  EXPECT_NE(dir.ReadFile("B\\frmD.frm"), ConvertibleForm("frmD"));
  dir.SetReadOnly("frmC.frm", false);
}

TEST_F(PreviewTest, DesignersJoinListRunAndRestoreOnlyWhenAskedFor) {
  dir.WriteFile("App.vbp",
                "Type=Exe\r\nForm=frmA.frm\r\nUserControl=Controls\\ctlA.ctl\r\n"
                "PropertyPage=ppgA.pag\r\nForm=frmB.frm\r\nUserDocument=docA.dob\r\n");
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA"));
  dir.WriteFile("frmB.frm", PlainForm("frmB"));
  dir.WriteFile("Controls\\ctlA.ctl", ConvertibleForm("ctlA"));
  dir.WriteFile("ppgA.pag", ConvertibleForm("ppgA"));
  dir.WriteFile("docA.dob", ConvertibleForm("docA"));
  const auto originals = Snapshot(dir.native());

  EXPECT_EQ(Run({"list", Arg("App.vbp")}), kExitOk);
  EXPECT_EQ(out.str(), "1\tfrmA.frm\n2\tfrmB.frm\n");
  EXPECT_EQ(Run({"list", Arg("App.vbp"), "--designers"}), kExitOk);
  EXPECT_EQ(out.str(),
            "1\tForm\tfrmA.frm\n2\tUserControl\tControls\\ctlA.ctl\n3\tPropertyPage\tppgA.pag\n"
            "4\tForm\tfrmB.frm\n5\tUserDocument\tdocA.dob\n");

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run"}), kExitOk);
  EXPECT_FALSE(Contains(out.str(), "ctlA")) << out.str();
  EXPECT_TRUE(Contains(out.str(), "\n  2 frmB.frm: unverändert\n")) << out.str();

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes", "--designers", "--select", "2-5"}), kExitOk);
  EXPECT_TRUE(Contains(out.str(), "3 Datei(en) wurde(n) aktualisiert.")) << out.str();
  EXPECT_NE(dir.ReadFile("Controls\\ctlA.ctl"), originals.at("Controls/ctlA.ctl"));
  EXPECT_EQ(dir.ReadFile("Controls\\_Backup\\ctlA.ctl"), originals.at("Controls/ctlA.ctl"));

  EXPECT_EQ(Run({"restore", Arg("App.vbp"), "--yes", "--designers"}), kExitOk) << err.str();
  auto now = Snapshot(dir.native());
  for (const auto& [name, bytes] : originals) EXPECT_EQ(now[name], bytes) << name;
}

#ifndef _WIN32
// What the users will do first: the sample project and its group.
TEST_F(PreviewTest, TheSampleProjectPreviewsConvertsAndRestores) {
  if (std::system("git --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
  const std::string sample = dir.native() + "/Kundenverwaltung";
  std::filesystem::copy(XPC_SAMPLES_DIR "/Kundenverwaltung", sample,
                        std::filesystem::copy_options::recursive);
  const auto originals = Snapshot(sample);
  const std::string group = sample + "/Kundenverwaltung.vbg";

  ASSERT_EQ(Run({"run", group, "--designers", "--dry-run", "--diff"}), kExitOk) << err.str();
  EXPECT_EQ(Snapshot(sample), originals);
  dir.WriteFile("sample.patch", out.str());

  ASSERT_EQ(Run({"run", group, "--designers", "--yes", "--report", Arg("run.json")}), kExitOk)
      << err.str();
  const auto converted = Snapshot(sample);
  const std::string json = dir.ReadFile("run.json");
  EXPECT_TRUE(Contains(json,
                       "\"kind\": \"UserControl\", \"entry\": \"Controls\\\\ctlAdresse.ctl\""
                       ", \"path\": "))
      << json;
  EXPECT_TRUE(Contains(json, "\"entry\": \"..\\\\Forms\\\\frmOptionen.frm\", \"path\": ")) << json;

  ASSERT_EQ(Run({"restore", group, "--designers", "--yes", "--report", Arg("restore.csv")}),
            kExitOk)
      << err.str();
  auto restored = Snapshot(sample);
  for (const auto& [name, bytes] : originals) EXPECT_EQ(restored[name], bytes) << name;

  // The group's patch names its files relative to the group's folder and
  // applies there.
  Restore(sample, originals);
  const std::string apply =
      "cd '" + sample + "' && git apply '" + dir.native() + "/sample.patch' >/dev/null 2>&1";
  ASSERT_EQ(std::system(apply.c_str()), 0);
  for (const char* file : {"Kundenverwaltung.vbp", "frmHaupt.frm", "Forms/frmKunde.frm",
                           "Forms/frmOptionen.frm", "frmInfo.frm", "Controls/ctlAdresse.ctl"}) {
    EXPECT_EQ(Snapshot(sample)[file], converted.at(file)) << file;
  }
}
#endif

}  // namespace
}  // namespace xpconv::cli

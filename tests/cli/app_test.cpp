#include "cli/app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/text.h"
#include "tests/support/vb6_project.h"
#include "tests/support/xpconvert_test.h"
#include "xpc_version.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace xpconv::cli {
namespace {

using testing::Contains;
using testing::ConvertibleForm;
using testing::Lines;
using testing::PlainForm;
using testing::ProjectText;

// Each line is one JSON object of a host operation; nothing else.
void ExpectOnlyTraceLines(const std::string& out) {
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.back(), '\n');
  for (const std::string& line : Lines(out)) {
    EXPECT_EQ(line.rfind("{\"op\":\"", 0), 0u) << line;
    EXPECT_TRUE(Contains(line, "\",\"args\":[")) << line;
    EXPECT_EQ(line.back(), '}') << line;
  }
}

class AppTest : public testing::XpconvertTest {};

TEST_F(AppTest, FormConvertsEachFileAndReportsWhatHappened) {
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA", "\n"));
  const std::string plain = PlainForm("frmP", "\n");
  dir.WriteFile("frmP.frm", plain);

  EXPECT_EQ(Run({"form", Arg("frmA.frm"), Arg("frmP.frm")}), kExitOk) << err.str();
  EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{Arg("frmA.frm") + ": konvertiert",
                                                        Arg("frmP.frm") + ": unverändert"}));
  const std::string converted = dir.ReadFile("frmA.frm");
  EXPECT_TRUE(Contains(converted, "   Begin qorXPControls.qorFrame fraAuswahl \r\n"));
  EXPECT_TRUE(Contains(converted, "Begin qorXPControls.qorProgressBar prgLaden "));
  EXPECT_FALSE(Contains(converted, "XPStyle"));
  EXPECT_EQ(dir.ReadFile("frmP.frm"), plain) << "an unchanged form keeps its bytes";
  EXPECT_FALSE(dir.Exists("~form.tmp"));
  EXPECT_FALSE(dir.Exists("_Backup")) << "form makes no backups";
}

TEST_F(AppTest, FormHandsKeepAndPlainToTheRewriter) {
  dir.WriteFile("Sub\\frmA.frm", ConvertibleForm("frmA"));
  EXPECT_EQ(
      Run({"form", "--keep", "frame", "--keep", "progressbar", "--plain", Arg("Sub/frmA.frm")}),
      kExitOk)
      << err.str();
  const std::string converted = dir.ReadFile("Sub\\frmA.frm");
  EXPECT_TRUE(Contains(converted, "   Begin VB.Frame fraAuswahl \r\n"));
  EXPECT_TRUE(Contains(converted, "   Begin MSComctlLib.ProgressBar prgLaden \r\n"));
  EXPECT_TRUE(Contains(converted, "      Begin qorXPControls.qorCheck chkAktiv \r\n"));
  EXPECT_TRUE(Contains(converted, "XPStyle         =   0  'False"));
}

TEST_F(AppTest, AFailedFormIsReportedOnStderrAndTheOthersStillConvert) {
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA"));
  EXPECT_EQ(Run({"form", Arg("fehlt.frm"), Arg("frmA.frm")}), kExitFailed);
  EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{Arg("fehlt.frm") + ": fehlgeschlagen",
                                                        Arg("frmA.frm") + ": konvertiert"}));
  // The job's own message, with the bare name only.
  EXPECT_EQ(err.str().rfind("Fehler: ", 0), 0u) << err.str();
  EXPECT_TRUE(Contains(err.str(), "\n\nDatei: fehlt.frm\n")) << err.str();
  EXPECT_FALSE(Contains(err.str(), "\r"));
}

TEST_F(AppTest, CtrlCAnsweredJaLeavesTheFormUntouchedAndSkipsTheRest) {
  const std::string original = ConvertibleForm("frmA");
  dir.WriteFile("frmA.frm", original);
  dir.WriteFile("frmC.frm", ConvertibleForm("frmC"));
  terminal.input_is_terminal = true;
  terminal.interrupt_at = {20};  // well inside the form's lines
  in.str("j\n");

  EXPECT_EQ(Run({"form", Arg("frmA.frm"), Arg("frmC.frm")}), kExitFailed);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), original);
  EXPECT_EQ(dir.ReadFile("frmC.frm"), ConvertibleForm("frmC"));
  EXPECT_FALSE(dir.Exists("~form.tmp"));
  EXPECT_TRUE(Contains(err.str(), "Wirklich abbrechen?"));
  EXPECT_EQ(Lines(out.str()),
            (std::vector<std::string>{Arg("frmA.frm") + ": abgebrochen, Datei unverändert",
                                      Arg("frmC.frm") + ": übersprungen"}));
}

TEST_F(AppTest, CtrlCAnsweredOtherwiseGoesOn) {
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA"));
  terminal.input_is_terminal = true;
  terminal.interrupt_at = {5};
  in.str("n\n");
  EXPECT_EQ(Run({"form", Arg("frmA.frm")}), kExitOk) << err.str();
  EXPECT_TRUE(Contains(dir.ReadFile("frmA.frm"), "qorXPControls.qorFrame"));
}

TEST_F(AppTest, FormTracePutsOnlyJsonOnStdout) {
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA"));
  EXPECT_EQ(Run({"form", "--trace", "--keep", "option", Arg("frmA.frm")}), kExitOk);
  ExpectOnlyTraceLines(out.str());
  const std::vector<std::string> lines = Lines(out.str());
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], R"({"op":"ReplaceOption","args":[0],"result":1})");
  EXPECT_EQ(lines[2], R"({"op":"ReplaceOption","args":[2],"result":0})");
  EXPECT_EQ(lines[4], R"({"op":"XPStyleOption","args":[],"result":1})");
  EXPECT_EQ(lines[5], R"({"op":"SetFileCaption","args":["frmA.frm"]})");
  EXPECT_EQ(lines[6], R"({"op":"SetFileBar","args":[0]})");
  EXPECT_EQ(lines[7], R"({"op":"PumpMessages","args":[]})");
  // The per-file bar climbs through the file, in whole 128-byte steps.
  std::vector<int> bar;
  const std::string prefix = R"({"op":"SetFileBar","args":[)";
  for (const std::string& line : lines) {
    if (line.rfind(prefix, 0) == 0) bar.push_back(std::stoi(line.substr(prefix.size())));
  }
  ASSERT_FALSE(bar.empty());
  EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
  EXPECT_GE(bar.back(), 90);
  EXPECT_EQ(err.str(), Arg("frmA.frm") + ": konvertiert\n");
}

TEST_F(AppTest, ListNumbersTheFormEntriesFromOne) {
  dir.WriteFile("App.vbp",
                ProjectText({"frmA.frm", "..\\Gemeinsam\\frmInfo.Frm", "Forms\\frmB.frm"}, "\n"));
  EXPECT_EQ(Run({"list", Arg("App.vbp")}), kExitOk) << err.str();
  EXPECT_EQ(out.str(), "1\tfrmA.frm\n2\t..\\Gemeinsam\\frmInfo.Frm\n3\tForms\\frmB.frm\n");
}

#ifndef _WIN32
// Windows shows the entries in its own code page; on POSIX we name it.
TEST_F(AppTest, ListShowsAnsiEntriesInTheNamedCodePage) {
  dir.WriteFile("App.vbp", ProjectText({"Swift_Op\xe9ration.frm"}));
  EXPECT_EQ(Run({"list", Arg("App.vbp")}), kExitOk);
  EXPECT_EQ(out.str(), "1\tSwift_Opération.frm\n");
  EXPECT_EQ(Run({"list", "--codepage", "KEIN-CODEPAGE", Arg("App.vbp")}), kExitUsage);
}
#endif

TEST_F(AppTest, ListOfAMissingProjectFails) {
  EXPECT_EQ(Run({"list", Arg("Fehlt.vbp")}), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str().rfind("Fehler: ", 0), 0u) << err.str();
  EXPECT_TRUE(Contains(err.str(), "Datei: " + Arg("Fehlt.vbp")));
}

TEST_F(AppTest, RunConvertsTheSelectionAndEndsWithTheSummary) {
  MakeProject();
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--select", "1-2", "--yes"}), kExitOk) << err.str();
  EXPECT_EQ(out.str(),
            "Konvertierung erfolgreich\n1 Datei(en) wurde(n) aktualisiert.\n"
            "Die jeweiligen Sicherungsdateien befinden sich im Ordner \"_BACKUP\"\n");
  EXPECT_TRUE(Contains(dir.ReadFile("frmA.frm"), "qorXPControls.qorCheck"));
  EXPECT_EQ(dir.ReadFile("frmC.frm"), ConvertibleForm("frmC")) << "not selected";
  EXPECT_EQ(dir.ReadFile("Forms\\frmB.frm"), PlainForm("frmB"));
  EXPECT_TRUE(Contains(dir.ReadFile("App.vbp"), "qorXPCtl.ocx"));
  EXPECT_EQ(dir.ReadFile("_Backup\\frmA.frm"), ConvertibleForm("frmA"));
  EXPECT_EQ(dir.ReadFile("_Backup\\App.vbp"),
            ProjectText({"frmA.frm", "Forms\\frmB.frm", "frmC.frm"}));
}

TEST_F(AppTest, RunWithoutAnswerForTheBackupQuestionCancelsBeforeTouchingAnything) {
  MakeProject();
  const std::string project = dir.ReadFile("App.vbp");
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--no-backup"}), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(Contains(err.str(), "Soll die Einstellung jetzt autom. aktiviert werden?"));
  EXPECT_TRUE(Contains(err.str(), "--answer ja|nein|abbrechen"));
  EXPECT_EQ(dir.ReadFile("App.vbp"), project);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), ConvertibleForm("frmA"));
  EXPECT_FALSE(dir.Exists("_Backup"));
}

TEST_F(AppTest, RunWithoutBackupsAnsweredNeinMakesNoFormCopies) {
  MakeProject();
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--no-backup", "--answer", "nein"}), kExitOk) << err.str();
  // No copies, so the summary points to none.
  EXPECT_EQ(out.str(), "Konvertierung erfolgreich\n2 Datei(en) wurde(n) aktualisiert.\n");
  EXPECT_TRUE(dir.Exists("_Backup"));
  EXPECT_FALSE(dir.Exists("_Backup\\frmA.frm"));
  EXPECT_FALSE(dir.Exists("_Backup\\App.vbp"));
}

TEST_F(AppTest, RunEndedByTheOverwriteQuestionLeavesTheProjectAlone) {
  MakeProject();
  dir.WriteFile("_Backup\\alt.frm", "alt");
  const std::string project = dir.ReadFile("App.vbp");
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--answer", "nein"}), kExitFailed);
  EXPECT_TRUE(Contains(err.str(), "ACHTUNG!\nEs existiert bereits ein Unterordner"));
  EXPECT_EQ(dir.ReadFile("App.vbp"), project);
  EXPECT_EQ(out.str(), "");

  // The same question answered on the terminal.
  terminal.input_is_terminal = true;
  in.str("j\n");
  EXPECT_EQ(Run({"run", Arg("App.vbp")}), kExitOk) << err.str();
  EXPECT_TRUE(Contains(out.str(), "2 Datei(en)"));
}

TEST_F(AppTest, RunAbortedWithCtrlCHasNoSummary) {
  MakeProject();
  terminal.interrupt_at = {1};  // the run's pump before the first form
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(Contains(err.str(), "Konverierung\nWirklich abbrechen?\n[j]a / [n]ein? Ja (--yes)"));
  EXPECT_TRUE(Contains(err.str(), "Konvertierung abgebrochen."));
  EXPECT_EQ(dir.ReadFile("frmA.frm"), ConvertibleForm("frmA"));
}

TEST_F(AppTest, RunStoppedByAMissingFormReportsTheError) {
  dir.WriteFile("App.vbp", ProjectText({"frmA.frm", "fehlt.frm", "frmC.frm"}));
  dir.WriteFile("frmA.frm", ConvertibleForm("frmA"));
  dir.WriteFile("frmC.frm", ConvertibleForm("frmC"));
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitFailed);
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(Contains(err.str(), "Fehler: ")) << err.str();
  EXPECT_TRUE(Contains(dir.ReadFile("frmA.frm"), "qorXPControls")) << "converted before the error";
  EXPECT_EQ(dir.ReadFile("frmC.frm"), ConvertibleForm("frmC"));
}

TEST_F(AppTest, RunWithNothingToSelectEndsWithoutSummary) {
  dir.WriteFile("App.vbp", ProjectText({}));
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitFailed);
  EXPECT_EQ(err.str(), "Keine Datei(en) ausgewählt!\n");
}

TEST_F(AppTest, RunSelectingPastTheLastEntryIsAUsageError) {
  MakeProject();
  const std::string project = dir.ReadFile("App.vbp");
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--select", "2,4", "--yes"}), kExitUsage);
  EXPECT_TRUE(Contains(err.str(), "Eintrag 4"));
  EXPECT_TRUE(Contains(err.str(), "Aufruf:"));
  EXPECT_EQ(dir.ReadFile("App.vbp"), project);
}

TEST_F(AppTest, RunTraceCoversEveryHostOperationAndNothingElse) {
  MakeProject();
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--trace", "--yes", "--select", "2"}), kExitOk);
  ExpectOnlyTraceLines(out.str());
  const std::vector<std::string> lines = Lines(out.str());
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], R"({"op":"BackupOption","args":[],"result":1})");
  EXPECT_EQ(lines[1], R"({"op":"SelectedCount","args":[],"result":1})");
  EXPECT_TRUE(Contains(out.str(), R"({"op":"IsEntrySelected","args":[0],"result":false})"));
  EXPECT_TRUE(Contains(out.str(), R"({"op":"EntryText","args":[1],"result":"Forms\\frmB.frm"})"));
  EXPECT_TRUE(Contains(out.str(), R"({"op":"SetCountCaption","args":["Datei 1 von 1"]})"));
  EXPECT_EQ(
      lines.back(),
      R"({"op":"ShowMessage","args":["0 Datei(en) wurde(n) aktualisiert.\r\nDie jeweiligen )"
      R"(Sicherungsdateien befinden sich im Ordner \"_BACKUP\"",64,"Konvertierung erfolgreich"],)"
      R"("result":1})");
  // The summary still reaches the person, on stderr.
  EXPECT_TRUE(Contains(err.str(), "0 Datei(en) wurde(n) aktualisiert."));
}

// The project file holds Windows-1252 names; the checkout names the forms and
// a folder in UTF-8. The same test runs natively and under Wine, which is
// what the native program must agree with: a backup carries its form's name.
TEST_F(AppTest, RunOverAnsiEntriesBacksUpUnderEachFormsOwnName) {
#ifdef _WIN32
  // Through the ANSI functions a UTF-8 name on disk reads as its ANSI bytes.
  const std::string form = "Swift_Op\xE9ration.frm";
  const std::string folder = "\334bersicht";
  const std::string gruss = "Gr\xFC\337e.frm";
#else
  const std::string form = "Swift_Op\xC3\xA9ration.frm";
  const std::string folder = "\xC3\234bersicht";
  const std::string gruss = "Gr\xC3\xBC\xC3\237e.frm";
#endif
  dir.WriteFile("App.vbp",
                ProjectText({"Swift_Op\xE9ration.frm", "\334BERSICHT\\Gr\xFC\337e.frm"}));
  dir.WriteFile(form, ConvertibleForm("frmSwift"));
  dir.WriteFile(folder + "\\" + gruss, ConvertibleForm("frmGruss"));

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes", "--trace"}), kExitOk) << err.str();
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"App.vbp", form, "_Backup", folder}));
  EXPECT_EQ(dir.List("_Backup"), (std::vector<std::string>{"App.vbp", form}));
  EXPECT_EQ(dir.ReadFile("_Backup\\" + form), ConvertibleForm("frmSwift"));
  EXPECT_TRUE(Contains(dir.ReadFile(form), "qorXPControls.qorCheck"));
  EXPECT_EQ(dir.List(folder + "\\_Backup"), (std::vector<std::string>{gruss}));
  EXPECT_EQ(dir.ReadFile(folder + "\\_Backup\\" + gruss), ConvertibleForm("frmGruss"));
  EXPECT_TRUE(Contains(out.str(), R"({"op":"SetFileCaption","args":["Swift_Opération.frm"]})"));
  EXPECT_TRUE(
      Contains(out.str(), R"({"op":"EntryText","args":[1],"result":"ÜBERSICHT\\Grüße.frm"})"));

  // A second run finds the same files again, and the backups stay.
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitOk) << err.str();
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"App.vbp", form, "_Backup", folder}));
  EXPECT_EQ(dir.ReadFile("_Backup\\" + form), ConvertibleForm("frmSwift"));
}

#ifndef _WIN32
// A form and a project file that are symbolic links are converted where they
// live: the links stay links, the backups hold the content.
TEST_F(AppTest, RunConvertsLinkedFilesWhereTheyLiveAndKeepsTheLinks) {
  dir.WriteFile("shared\\frmA.frm", ConvertibleForm("frmA"));
  dir.WriteFile("real\\App.vbp", ProjectText({"frmA.frm", "frmB.frm"}));
  dir.WriteFile("app\\frmB.frm", ConvertibleForm("frmB"));
  auto link = [&](const std::string& from, const std::string& to) {
    ASSERT_EQ(::symlink(to.c_str(), (dir.native() + "/" + from).c_str()), 0);
  };
  auto is_link = [&](const std::string& relative) {
    struct stat st;
    return ::lstat((dir.native() + "/" + relative).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  };
  link("app/frmA.frm", "../shared/frmA.frm");
  link("app/App.vbp", "../real/App.vbp");

  EXPECT_EQ(Run({"run", Arg("app/App.vbp"), "--yes"}), kExitOk) << err.str();
  EXPECT_TRUE(is_link("app/frmA.frm"));
  EXPECT_TRUE(is_link("app/App.vbp"));
  EXPECT_TRUE(Contains(dir.ReadFile("shared\\frmA.frm"), "qorXPControls.qorCheck"));
  EXPECT_TRUE(Contains(dir.ReadFile("real\\App.vbp"), "qorXPCtl.ocx"));
  EXPECT_FALSE(is_link("app/_Backup/frmA.frm"));
  EXPECT_FALSE(is_link("app/_Backup/App.vbp"));
  EXPECT_EQ(dir.ReadFile("app\\_Backup\\frmA.frm"), ConvertibleForm("frmA"));
  EXPECT_EQ(dir.ReadFile("app\\_Backup\\App.vbp"), ProjectText({"frmA.frm", "frmB.frm"}));
  EXPECT_EQ(dir.List("shared"), (std::vector<std::string>{"frmA.frm"}));
  EXPECT_EQ(dir.List("real"), (std::vector<std::string>{"App.vbp"}));
  EXPECT_EQ(dir.List("app"),
            (std::vector<std::string>{"App.vbp", "_Backup", "frmA.frm", "frmB.frm"}));

  // A link that points nowhere is a missing file.
  dir.WriteFile("app\\Zwei.vbp", ProjectText({"frmC.frm"}));
  link("app/frmC.frm", "../shared/weg.frm");
  EXPECT_EQ(Run({"run", Arg("app/Zwei.vbp"), "--yes"}), kExitFailed);
  EXPECT_TRUE(Contains(err.str(), "Fehler: 53")) << err.str();
  EXPECT_TRUE(is_link("app/frmC.frm"));
}

// A name the project file already holds in UTF-8 is taken as it is.
TEST_F(AppTest, RunOverUtf8EntriesKeepsTheirNames) {
  dir.WriteFile("App.vbp", ProjectText({"Caf\xC3\xA9.frm"}));
  dir.WriteFile("Caf\xC3\xA9.frm", ConvertibleForm("frmCafe"));
  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--yes"}), kExitOk) << err.str();
  EXPECT_EQ(dir.List("_Backup"), (std::vector<std::string>{"App.vbp", "Caf\xC3\xA9.frm"}));
}
#endif

TEST_F(AppTest, UsageErrorsAndHelp) {
  EXPECT_EQ(Run({}), kExitUsage);
  EXPECT_TRUE(Contains(err.str(), "Aufruf:"));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(Run({"form", "a.frm", "--keep", "button"}), kExitUsage);
  EXPECT_TRUE(Contains(err.str(), "button"));
  EXPECT_EQ(Run({"--help"}), kExitOk);
  EXPECT_TRUE(Contains(out.str(), "Aufruf:"));
  EXPECT_EQ(err.str(), "");
}

TEST_F(AppTest, VersionPrintsNameAndTheBuildsVersionAndTouchesNothing) {
  EXPECT_EQ(Run({"--version"}), kExitOk);
  EXPECT_EQ(out.str(), "xpconvert " XPC_VERSION_STRING "\n");
  EXPECT_EQ(err.str(), "");
  // Three numbers, as CMakeLists.txt sets them.
  EXPECT_EQ(std::to_string(XPC_VERSION_MAJOR) + "." + std::to_string(XPC_VERSION_MINOR) + "." +
                std::to_string(XPC_VERSION_PATCH),
            XPC_VERSION_STRING);
}

TEST(PathTest, SlashesBecomeBackslashes) {
  EXPECT_EQ(ToEnginePath("/home/u/App.vbp"), "\\home\\u\\App.vbp");
  EXPECT_EQ(ToEnginePath("C:/Proj\\Forms/frmA.frm"), "C:\\Proj\\Forms\\frmA.frm");
}

}  // namespace
}  // namespace xpconv::cli

#include "engine/batch_run.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/code_check.h"
#include "engine/error.h"
#include "engine/messages.h"
#include "engine/project_file.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"

namespace xpconv {
namespace {

using testing::ConvertibleForm;
using testing::FaultyFileSystem;
using testing::HostCall;
using testing::PlainForm;
using testing::ProjectText;
using testing::RecordingHost;
using testing::TempDir;

const std::string kBackupPromptCall = "ShowMessage(" + std::string(msg::kBackupPrompt) + ", 19, )";

std::string Summary(int converted, bool backups = true) {
  return std::to_string(converted) +
         (backups ? msg::kSummaryTail : msg::kSummaryTailWithoutBackups);
}
std::string SummaryCall(int converted) {
  return "ShowMessage(" + Summary(converted) + ", 64, " + msg::kSummaryTitle + ")";
}

bool IsJobStart(const HostCall& call) {
  return call.op == "ReplaceOption" || call.op == "XPStyleOption" ||
         (call.op == "SetFileCaption" && !call.args.at(0).empty());
}

bool IsJobOp(const HostCall& call) {
  static const std::set<std::string> kOps = {"ReplaceOption", "XPStyleOption", "SetFileCaption",
                                             "SetFileBar",    "PumpMessages",  "ShowMessage"};
  return kOps.count(call.op) > 0;
}

// The run's own calls, with everything a conversion job did in between
// folded into one "ConvertFormFile(<file caption>)": what the job shows is
// the job's business, the order around it is the run's.
std::vector<std::string> RunCalls(const std::vector<HostCall>& calls) {
  std::vector<std::string> out;
  for (size_t i = 0; i < calls.size();) {
    if (!IsJobStart(calls[i])) {
      out.push_back(testing::ToString(calls[i]));
      ++i;
      continue;
    }
    std::string caption;
    for (; i < calls.size() && IsJobOp(calls[i]); ++i) {
      if (calls[i].op == "SetFileCaption" && caption.empty()) caption = calls[i].args.at(0);
    }
    out.push_back("ConvertFormFile(" + caption + ")");
  }
  return out;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// What the run does before its loop, for n selected entries with backups
// switched on from the start.
std::vector<std::string> OpeningCalls(int n) {
  const std::string count = std::to_string(n);
  return {"BackupOption()",
          "SelectedCount()",
          "ProjectFolder()",
          "ProjectPath()",
          "BackupOption()",
          "LoadProgress()",
          "SetCountCaption(Datei 1 von " + count + ")",
          "SetFileCaption()",
          "SetFileBar(0)",
          "SetTotalBar(0)",
          "SetTotalBarMax(" + count + ")",
          "ShowProgress()",
          "SetWizardEnabled(false)",
          "EntryCount()"};
}

// One selected entry, from its selection test to the job; the project folder
// is asked for only when the entry is relative.
std::vector<std::string> EntryCalls(int index, int k, int n, const std::string& name,
                                    bool relative = true) {
  const std::string i = std::to_string(index);
  std::vector<std::string> calls = {
      "IsEntrySelected(" + i + ")",
      "SetCountCaption(Datei " + std::to_string(k) + " von " + std::to_string(n) + ")",
      "SetTotalBar(" + std::to_string(k) + ")", "PumpMessages()", "EntryText(" + i + ")"};
  if (relative) calls.push_back("ProjectFolder()");
  Append(calls, {"BackupOption()", "BackupOption()", "ConvertFormFile(" + name + ")"});
  return calls;
}

std::vector<std::string> Skipped(int from, int to) {
  std::vector<std::string> calls;
  for (int i = from; i <= to; ++i) calls.push_back("IsEntrySelected(" + std::to_string(i) + ")");
  return calls;
}

bool IsConverted(const std::string& form) {
  return form.find("Begin qorXPControls.qorFrame fraAuswahl ") != std::string::npos &&
         form.find("Begin VB.Frame") == std::string::npos;
}

class BatchRunTest : public ::testing::Test {
 protected:
  BatchRunTest() {
    host_.project_path = dir_.Path("Kunden.vbp");
    host_.project_folder = ProjectFolderOf(host_.project_path);
  }

  // A project listing the entries, with a convertible form on disk for each
  // relative entry in files.
  void WriteProject(const std::vector<std::string>& entries,
                    const std::vector<std::string>& files) {
    project_ = ProjectText(entries);
    dir_.WriteFile("Kunden.vbp", project_);
    for (const auto& file : files) WriteForm(file, ConvertibleForm(FormName(file)));
    host_.SetEntries(entries);
  }

  void WriteForm(const std::string& relative, const std::string& text) {
    dir_.WriteFile(relative, text);
    originals_[relative] = text;
  }

  static std::string FormName(const std::string& relative) {
    const std::string bare = relative.substr(relative.rfind('\\') + 1);
    return bare.substr(0, bare.find('.'));
  }

  void Select(std::initializer_list<int> indexes) {
    for (int i : indexes) host_.entries.at(static_cast<size_t>(i)).selected = true;
  }

  void Run() { RunConversion(ctx_); }

  std::string Original(const std::string& relative) const { return originals_.at(relative); }

  TempDir dir_;
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
  RecordingHost host_;
  AbortFlag abort_;
  EngineContext ctx_{host_, *fs_, abort_};
  std::string project_;
  std::map<std::string, std::string> originals_;
};

TEST_F(BatchRunTest, ConvertsThreeOfTenSelectedFormsWithBackupsInTheirFolders) {
  WriteProject({"frmHaupt.frm", "frmKunde.frm", "Forms\\frmSuche.frm", "Forms\\frmAdresse.frm",
                "Forms\\frmAuftrag.frm", "frmInfo.frm", "frmOptionen.frm", "Dialoge\\frmDruck.frm",
                "Dialoge\\Extra\\frmExport.frm", "frmLogin.frm"},
               {"frmHaupt.frm", "frmKunde.frm", "Forms\\frmSuche.frm", "Forms\\frmAuftrag.frm",
                "Dialoge\\Extra\\frmExport.frm"});
  Select({1, 4, 8});
  Run();

  std::vector<std::string> expected = OpeningCalls(3);
  Append(expected, Skipped(0, 0));
  Append(expected, EntryCalls(1, 1, 3, "frmKunde.frm"));
  Append(expected, Skipped(2, 3));
  Append(expected, EntryCalls(4, 2, 3, "frmAuftrag.frm"));
  Append(expected, Skipped(5, 7));
  Append(expected, EntryCalls(8, 3, 3, "frmExport.frm"));
  Append(expected, Skipped(9, 9));
  Append(expected, {"SetWizardEnabled(true)", "UnloadProgress()", SummaryCall(3)});
  EXPECT_EQ(RunCalls(host_.calls), expected);
  EXPECT_EQ(host_.messages.size(), 1u);

  for (const char* form :
       {"frmKunde.frm", "Forms\\frmAuftrag.frm", "Dialoge\\Extra\\frmExport.frm"}) {
    SCOPED_TRACE(form);
    EXPECT_TRUE(IsConverted(dir_.ReadFile(form)));
  }
  EXPECT_EQ(dir_.ReadFile("frmHaupt.frm"), Original("frmHaupt.frm"));
  EXPECT_EQ(dir_.ReadFile("Forms\\frmSuche.frm"), Original("Forms\\frmSuche.frm"));

  EXPECT_EQ(dir_.List("_Backup"), (std::vector<std::string>{"Kunden.vbp", "frmKunde.frm"}));
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("_Backup\\frmKunde.frm"), Original("frmKunde.frm"));
  EXPECT_EQ(dir_.List("Forms\\_Backup"), std::vector<std::string>{"frmAuftrag.frm"});
  EXPECT_EQ(dir_.ReadFile("Forms\\_Backup\\frmAuftrag.frm"), Original("Forms\\frmAuftrag.frm"));
  EXPECT_EQ(dir_.ReadFile("Dialoge\\Extra\\_Backup\\frmExport.frm"),
            Original("Dialoge\\Extra\\frmExport.frm"));
  EXPECT_NE(dir_.ReadFile("Kunden.vbp").find(kLibraryReferenceLine), std::string::npos);

  EXPECT_TRUE(host_.wizard_enabled);
  EXPECT_FALSE(host_.progress_loaded);
  EXPECT_EQ(host_.total_bar_max, 3);
}

TEST_F(BatchRunTest, AnAbortAtTheRunsOwnPumpSparesThatEntryAndShowsNoSummary) {
  WriteProject({"frmHaupt.frm", "Forms\\frmKunde.frm", "frmInfo.frm"},
               {"frmHaupt.frm", "Forms\\frmKunde.frm", "frmInfo.frm"});
  Select({0, 1, 2});
  host_.on_pump = [this](int) {
    const HostCall& before = host_.calls.at(host_.calls.size() - 2);
    if (before == HostCall{"SetTotalBar", {"2"}}) abort_.Raise();
  };
  Run();

  std::vector<std::string> expected = OpeningCalls(3);
  Append(expected, EntryCalls(0, 1, 3, "frmHaupt.frm"));
  Append(expected, {"IsEntrySelected(1)", "SetCountCaption(Datei 2 von 3)", "SetTotalBar(2)",
                    "PumpMessages()", "SetWizardEnabled(true)", "UnloadProgress()"});
  EXPECT_EQ(RunCalls(host_.calls), expected);
  EXPECT_TRUE(host_.messages.empty());

  EXPECT_TRUE(IsConverted(dir_.ReadFile("frmHaupt.frm")));
  EXPECT_EQ(dir_.ReadFile("Forms\\frmKunde.frm"), Original("Forms\\frmKunde.frm"));
  EXPECT_FALSE(dir_.Exists("Forms\\_Backup"));
  EXPECT_EQ(dir_.ReadFile("frmInfo.frm"), Original("frmInfo.frm"));
}

TEST_F(BatchRunTest, AFailedFormEndsTheRunLikeAnAbortWithoutSummary) {
  // Backups off, so the missing form reaches the job, which reports it.
  host_.backup = 0;
  host_.answers = {mb::kAnswerNo};
  WriteProject({"frmFehlt.frm", "frmKunde.frm"}, {"frmKunde.frm"});
  Select({0, 1});
  Run();

  const std::vector<std::string> calls = RunCalls(host_.calls);
  ASSERT_GE(calls.size(), 3u);
  const std::vector<std::string> tail(calls.end() - 3, calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"ConvertFormFile(frmFehlt.frm)",
                                            "SetWizardEnabled(true)", "UnloadProgress()"}));
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(host_.messages[0].prompt, msg::kBackupPrompt);
  EXPECT_EQ(host_.messages[1].prompt.rfind("Fehler: 53\r\n", 0), 0u) << host_.messages[1].prompt;
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), Original("frmKunde.frm"));
  EXPECT_TRUE(abort_.raised());
}

TEST_F(BatchRunTest, AFormThatCannotBeBackedUpStopsTheRunWithTheErrorOverTheProgressWindow) {
  WriteProject({"frmKunde.frm", "Forms\\frmFehlt.frm", "frmInfo.frm"},
               {"frmKunde.frm", "frmInfo.frm"});
  dir_.MakeDir("Forms");
  Select({0, 1, 2});
  Run();

  std::vector<std::string> expected = OpeningCalls(3);
  Append(expected, EntryCalls(0, 1, 3, "frmKunde.frm"));
  Append(expected, {"IsEntrySelected(1)", "SetCountCaption(Datei 2 von 3)", "SetTotalBar(2)",
                    "PumpMessages()", "EntryText(1)", "ProjectFolder()", "BackupOption()",
                    "BackupOption()", "ShowMessage(Fehler: 53\r\nDatei nicht gefunden, 0, )",
                    "SetWizardEnabled(true)", "UnloadProgress()"});
  EXPECT_EQ(RunCalls(host_.calls), expected);

  // What was done before the error stays; no half copy stays behind.
  EXPECT_TRUE(IsConverted(dir_.ReadFile("frmKunde.frm")));
  EXPECT_EQ(dir_.ReadFile("_Backup\\frmKunde.frm"), Original("frmKunde.frm"));
  EXPECT_EQ(dir_.List("Forms\\_Backup"), std::vector<std::string>{});
  EXPECT_EQ(dir_.ReadFile("frmInfo.frm"), Original("frmInfo.frm"));
}

TEST_F(BatchRunTest, CancelAtTheBackupPromptTouchesNothing) {
  host_.backup = 0;
  host_.answers = {mb::kAnswerCancel};
  WriteProject({"frmKunde.frm"}, {"frmKunde.frm"});
  Select({0});
  Run();

  EXPECT_EQ(RunCalls(host_.calls), (std::vector<std::string>{"BackupOption()", kBackupPromptCall}));
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"Kunden.vbp", "frmKunde.frm"}));
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), Original("frmKunde.frm"));
}

TEST_F(BatchRunTest, NoAtTheBackupPromptConvertsAndMendsWithoutCopiesButStillMakesTheBackupFolder) {
  host_.backup = 0;
  host_.answers = {mb::kAnswerNo};
  WriteProject({"frmKunde.frm", "Forms\\frmAuftrag.frm"},
               {"frmKunde.frm", "Forms\\frmAuftrag.frm"});
  // The code check after the last form mends the converted form, silently.
  WriteForm("frmKunde.frm", ConvertibleForm("frmKunde") +
                                "Sub Leeren(c As Control)\r\n"
                                "  If TypeOf c Is CheckBox Then c = 0\r\n");
  CodeCheckRequest request;
  request.options.fix = true;
  ctx_.code_check = &request;
  Select({0, 1});
  Run();

  EXPECT_TRUE(host_.CallsOf({"SwitchBackupOn"}).empty());
  EXPECT_EQ(host_.backup, 0);
  EXPECT_TRUE(IsConverted(dir_.ReadFile("frmKunde.frm")));
  ASSERT_TRUE(request.result.has_value());
  EXPECT_NE(dir_.ReadFile("frmKunde.frm")
                .find("  If (TypeOf c Is CheckBox Or TypeOf c Is qorXPControls.qorCheck) Then"),
            std::string::npos);
  EXPECT_TRUE(IsConverted(dir_.ReadFile("Forms\\frmAuftrag.frm")));
  EXPECT_NE(dir_.ReadFile("Kunden.vbp").find(kLibraryReferenceLine), std::string::npos);
  EXPECT_EQ(dir_.List("_Backup"), std::vector<std::string>{});
  EXPECT_FALSE(dir_.Exists("Forms\\_Backup"));
  ASSERT_EQ(host_.messages.size(), 2u);
  EXPECT_EQ(host_.messages[1], (RecordingHost::Message{Summary(2, false), 64, msg::kSummaryTitle}));
}

TEST_F(BatchRunTest, TheSummaryNamesTheBackupFolderOnlyAfterARunThatMadeBackups) {
  struct Case {
    const char* name;
    int32_t backup_option;
    std::vector<int32_t> answers;  // to the backup question, when it comes
    bool backups;
  };
  for (const Case& c :
       {Case{"ticked", 1, {}, true}, Case{"switched on at the question", 0, {mb::kAnswerYes}, true},
        Case{"left off at the question", 0, {mb::kAnswerNo}, false}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    RecordingHost host;
    dir.WriteFile("Kunden.vbp", ProjectText({"frmKunde.frm"}));
    dir.WriteFile("frmKunde.frm", ConvertibleForm("frmKunde"));
    host.project_path = dir.Path("Kunden.vbp");
    host.project_folder = dir.path();
    host.SetEntries({"frmKunde.frm"});
    host.entries[0].selected = true;
    host.backup = c.backup_option;
    host.answers.assign(c.answers.begin(), c.answers.end());
    std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
    AbortFlag abort;
    EngineContext ctx{host, *fs, abort};
    RunConversion(ctx);

    ASSERT_FALSE(host.messages.empty());
    const RecordingHost::Message& summary = host.messages.back();
    EXPECT_EQ(summary,
              (RecordingHost::Message{c.backups ? "1 Datei(en) wurde(n) aktualisiert.\r\n"
                                                  "Die jeweiligen Sicherungsdateien befinden "
                                                  "sich im Ordner \"_BACKUP\""
                                                : "1 Datei(en) wurde(n) aktualisiert.",
                                      64, "Konvertierung erfolgreich"}));
    EXPECT_EQ(dir.Exists("_Backup\\frmKunde.frm"), c.backups);
  }
}

TEST_F(BatchRunTest, YesAtTheBackupPromptSwitchesBackupsOnForThisAndLaterRuns) {
  host_.backup = 0;
  host_.answers = {mb::kAnswerYes};
  WriteProject({"Forms\\frmAuftrag.frm"}, {"Forms\\frmAuftrag.frm"});
  Select({0});
  Run();

  EXPECT_EQ(host_.CallsOf({"SwitchBackupOn"}).size(), 1u);
  EXPECT_NE(host_.backup, 0);
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("Forms\\_Backup\\frmAuftrag.frm"), Original("Forms\\frmAuftrag.frm"));
  EXPECT_EQ(host_.messages.back().prompt, Summary(1));
}

TEST_F(BatchRunTest, ASecondRunOnAProjectARunHoldsStopsBeforeChangingAnything) {
  WriteProject({"frmKunde.frm", "Forms\\frmSuche.frm"}, {"frmKunde.frm", "Forms\\frmSuche.frm"});
  Select({0, 1});
  // Another run, through a file system of its own, holds the project.
  std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
  std::unique_ptr<RunLock> held = other->LockRun(dir_.Path("Kunden.vbp"));
  ASSERT_NE(held, nullptr);
  Run();
  EXPECT_EQ(host_.messages,
            (std::vector<RecordingHost::Message>{{msg::kProjectBusy, mb::kOk, ""}}));
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"Forms", "Kunden.vbp", "frmKunde.frm"}));
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), Original("frmKunde.frm"));
  EXPECT_TRUE(host_.wizard_enabled);
  EXPECT_FALSE(host_.progress_loaded);

  // A run holds the project through every form and through the replacement
  // of the project file itself, and lets it go at its end.
  held.reset();
  host_.messages.clear();
  int pumps = 0;
  int refused = 0;
  host_.on_pump = [&](int) {
    ++pumps;
    if (!other->LockRun(dir_.Path("Kunden.vbp"))) ++refused;
  };
  Run();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, Summary(2));
  EXPECT_GT(pumps, 2);
  EXPECT_EQ(refused, pumps);
  EXPECT_NE(other->LockRun(dir_.Path("Kunden.vbp")), nullptr);
}

TEST_F(BatchRunTest, NothingSelectedEndsTheRunAfterTheBackupQuestion) {
  host_.backup = 0;
  host_.answers = {mb::kAnswerYes};
  WriteProject({"frmKunde.frm"}, {"frmKunde.frm"});
  Run();

  EXPECT_EQ(RunCalls(host_.calls),
            (std::vector<std::string>{"BackupOption()", kBackupPromptCall, "SwitchBackupOn()",
                                      "SelectedCount()",
                                      "ShowMessage(Keine Datei(en) ausgewählt!, 0, )"}));
  EXPECT_NE(host_.backup, 0);
  EXPECT_FALSE(dir_.Exists("_Backup"));
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
}

TEST_F(BatchRunTest, AsksBeforeReusingABackupFolderThatHoldsFiles) {
  WriteProject({"frmKunde.frm"}, {"frmKunde.frm"});
  Select({0});
  const std::string overwrite_call =
      "ShowMessage(" + std::string(msg::kOverwritePrompt) + ", 36, ACHTUNG!)";

  // An empty folder is no reason to ask.
  dir_.MakeDir("_Backup");
  Run();
  EXPECT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, Summary(1));

  // Now it holds the copies of that run. No ends the run before anything
  // is touched.
  WriteForm("frmKunde.frm", ConvertibleForm("frmKunde"));
  dir_.WriteFile("Kunden.vbp", project_);
  dir_.WriteFile("_Backup\\Kunden.vbp", "alt");
  host_.calls.clear();
  host_.messages.clear();
  host_.answers = {mb::kAnswerNo};
  Run();
  EXPECT_EQ(RunCalls(host_.calls), (std::vector<std::string>{"BackupOption()", "SelectedCount()",
                                                             "ProjectFolder()", overwrite_call}));
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), "alt");
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), Original("frmKunde.frm"));

  // Yes goes on and overwrites.
  host_.calls.clear();
  host_.messages.clear();
  host_.answers = {mb::kAnswerYes};
  Run();
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), project_);
  EXPECT_EQ(host_.messages.back().prompt, Summary(1));
}

TEST_F(BatchRunTest, ResolvesBareRelativeAndAbsoluteEntries) {
  // On Windows the drive's colon makes the folder's path absolute; on POSIX
  // a network-style leading "\\" does, and still names the same folder.
#ifdef _WIN32
  const std::string absolute = dir_.Path("Extern\\frmFremd.frm");
#else
  std::string absolute = dir_.Path("Extern\\frmFremd.frm");
  absolute.insert(0, 1, '\\');
#endif
  WriteProject({"frmHaupt.frm", "Forms\\Dialoge\\frmKunde.frm", absolute},
               {"frmHaupt.frm", "Forms\\Dialoge\\frmKunde.frm", "Extern\\frmFremd.frm"});
  Select({0, 1, 2});
  Run();

  std::vector<std::string> expected = OpeningCalls(3);
  Append(expected, EntryCalls(0, 1, 3, "frmHaupt.frm"));
  Append(expected, EntryCalls(1, 2, 3, "frmKunde.frm"));
  Append(expected, EntryCalls(2, 3, 3, "frmFremd.frm", /*relative=*/false));
  Append(expected, {"SetWizardEnabled(true)", "UnloadProgress()", SummaryCall(3)});
  EXPECT_EQ(RunCalls(host_.calls), expected);

  EXPECT_EQ(dir_.ReadFile("_Backup\\frmHaupt.frm"), Original("frmHaupt.frm"));
  EXPECT_EQ(dir_.ReadFile("Forms\\Dialoge\\_Backup\\frmKunde.frm"),
            Original("Forms\\Dialoge\\frmKunde.frm"));
  EXPECT_EQ(dir_.ReadFile("Extern\\_Backup\\frmFremd.frm"), Original("Extern\\frmFremd.frm"));
  EXPECT_FALSE(dir_.Exists("Forms\\_Backup"));
  EXPECT_TRUE(IsConverted(dir_.ReadFile("Extern\\frmFremd.frm")));
}

TEST_F(BatchRunTest, AnUnchangedFormIsNotCountedAndKeepsAnOlderBackup) {
  WriteProject({"frmKunde.frm", "frmInfo.frm"}, {"frmKunde.frm"});
  WriteForm("frmInfo.frm", PlainForm("frmInfo", "\n"));
  dir_.WriteFile("_Backup\\frmInfo.frm", "Sicherung von gestern");
  host_.answers = {mb::kAnswerYes};  // the overwrite question
  Select({0, 1});
  Run();

  EXPECT_EQ(host_.messages.back().prompt, Summary(1));
  EXPECT_EQ(dir_.ReadFile("frmInfo.frm"), Original("frmInfo.frm"));
  EXPECT_EQ(dir_.ReadFile("_Backup\\frmInfo.frm"), "Sicherung von gestern");
  EXPECT_EQ(dir_.List("_Backup"),
            (std::vector<std::string>{"Kunden.vbp", "frmInfo.frm", "frmKunde.frm"}));
}

TEST_F(BatchRunTest, RunningAgainOrListingAFormTwiceKeepsTheBackupOfTheOriginal) {
  WriteProject({"frmKunde.frm", "Forms\\frmAuftrag.frm", "Forms\\frmAuftrag.frm"},
               {"frmKunde.frm", "Forms\\frmAuftrag.frm"});
  Select({0, 1, 2});
  Run();
  EXPECT_EQ(host_.messages.back().prompt, Summary(2));
  const std::string converted = dir_.ReadFile("frmKunde.frm");
  ASSERT_TRUE(IsConverted(converted));

  host_.messages.clear();
  host_.answers = {mb::kAnswerYes};  // the backup folder holds files now
  Run();
  EXPECT_EQ(host_.messages.back().prompt, Summary(0));
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), converted);
  EXPECT_EQ(dir_.ReadFile("_Backup\\frmKunde.frm"), Original("frmKunde.frm"));
  EXPECT_EQ(dir_.ReadFile("Forms\\_Backup\\frmAuftrag.frm"), Original("Forms\\frmAuftrag.frm"));
  EXPECT_EQ(dir_.List("Forms\\_Backup"), std::vector<std::string>{"frmAuftrag.frm"});
}

TEST_F(BatchRunTest, AFailingProjectFileIsReportedBeforeAnyFormIsTouched) {
  WriteProject({"frmKunde.frm"}, {"frmKunde.frm"});
  Select({0});
  dir_.SetReadOnly("Kunden.vbp", true);
  Run();
  dir_.SetReadOnly("Kunden.vbp", false);

  const std::vector<std::string> expected = {
      "BackupOption()",        "SelectedCount()",
      "ProjectFolder()",       "ProjectPath()",
      "BackupOption()",        "ShowMessage(Fehler: 70\r\nZugriff verweigert, 0, )",
      "SetWizardEnabled(true)"};
  EXPECT_EQ(RunCalls(host_.calls), expected);
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
  EXPECT_EQ(dir_.ReadFile("frmKunde.frm"), Original("frmKunde.frm"));
}

TEST_F(BatchRunTest, TooManySelectedEntriesOverflowBeforeAnythingIsTouched) {
  WriteProject({}, {});
  host_.entries.assign(40000, RecordingHost::Entry{"frmKunde.frm", true});
  Run();

  EXPECT_EQ(RunCalls(host_.calls),
            (std::vector<std::string>{"BackupOption()", "SelectedCount()",
                                      "ShowMessage(Fehler: 6\r\nÜberlauf, 0, )",
                                      "SetWizardEnabled(true)"}));
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), project_);
}

// A progress window that cannot be shown: the run must not leave it loaded
// nor the wizard disabled.
class BrokenProgressHost : public RecordingHost {
 public:
  void ShowProgress() override {
    RecordingHost::ShowProgress();
    throw VbError(7, "Nicht genügend Speicher");
  }
};

TEST(BatchRunWindowTest, AProgressWindowThatFailsIsUnloadedAfterTheMessage) {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  dir.WriteFile("Kunden.vbp", ProjectText({"frmKunde.frm"}));
  dir.WriteFile("frmKunde.frm", ConvertibleForm("frmKunde"));
  BrokenProgressHost host;
  host.project_path = dir.Path("Kunden.vbp");
  host.project_folder = dir.path();
  host.SetEntries({"frmKunde.frm"});
  host.entries[0].selected = true;
  AbortFlag abort;
  EngineContext ctx{host, *fs, abort};
  RunConversion(ctx);

  const std::vector<std::string> calls = RunCalls(host.calls);
  const std::vector<std::string> tail(calls.end() - 4, calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "ShowProgress()", "ShowMessage(Fehler: 7\r\nNicht genügend Speicher, 0, )",
                      "SetWizardEnabled(true)", "UnloadProgress()"}));
  EXPECT_FALSE(host.progress_loaded);
  EXPECT_EQ(dir.ReadFile("frmKunde.frm"), ConvertibleForm("frmKunde"));
}

// Injects a failure at every file operation of a whole run in turn and checks
// that nothing is ever lost: each file ends exactly as before or exactly
// converted, a changed form keeps its backup, and a run that failed never
// claims success.
class BatchRunFaultTest : public ::testing::TestWithParam<bool> {};

TEST_P(BatchRunFaultTest, AFailureAtAnyFileOperationLosesNothing) {
  const bool backups = GetParam();
  const std::vector<std::string> entries = {"frmKunde.frm", "Forms\\frmAuftrag.frm", "frmInfo.frm"};
  const std::vector<std::string> forms = {"frmKunde.frm", "Forms\\frmAuftrag.frm", "frmInfo.frm"};
  std::map<std::string, std::string> before = {
      {"Kunden.vbp", ProjectText(entries)},
      {"frmKunde.frm", ConvertibleForm("frmKunde")},
      {"Forms\\frmAuftrag.frm", ConvertibleForm("frmAuftrag", "\n")},
      {"frmInfo.frm", PlainForm("frmInfo")},
  };

  struct Outcome {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> backups;  // form -> what its backup folder holds for it
    std::string project_backup;
    std::vector<RecordingHost::Message> messages;
    std::vector<std::string> operations;
  };
  auto run_once = [&](int fail_at) {
    TempDir dir;
    for (const auto& [name, text] : before) dir.WriteFile(name, text);
    std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
    FaultyFileSystem faulty(*native);
    if (fail_at > 0) faulty.FailAt(fail_at);
    RecordingHost host;
    host.project_path = dir.Path("Kunden.vbp");
    host.project_folder = dir.path();
    host.SetEntries(entries);
    for (auto& entry : host.entries) entry.selected = true;
    host.backup = backups ? 1 : 0;
    if (!backups) host.answers = {mb::kAnswerNo};
    AbortFlag abort;
    EngineContext ctx{host, faulty, abort};
    RunConversion(ctx);

    Outcome outcome;
    outcome.operations = faulty.log();
    outcome.messages = host.messages;
    for (const auto& [name, text] : before) outcome.files[name] = dir.ReadFile(name);
    for (const auto& form : forms) {
      const size_t slash = form.rfind('\\');
      const std::string folder = slash == std::string::npos ? "" : form.substr(0, slash + 1);
      const std::string bare = form.substr(folder.size());
      if (dir.Exists(folder + "_Backup\\" + bare)) {
        outcome.backups[form] = dir.ReadFile(folder + "_Backup\\" + bare);
      } else if (dir.Exists(folder + "_Backup\\~backup.tmp")) {
        // The one moment the copy cannot yet carry the form's name: its
        // rename itself failed. It is kept, under the temporary name.
        outcome.backups[form] = dir.ReadFile(folder + "_Backup\\~backup.tmp");
      }
    }
    if (dir.Exists("_Backup\\Kunden.vbp"))
      outcome.project_backup = dir.ReadFile("_Backup\\Kunden.vbp");
    EXPECT_FALSE(dir.Exists("~project.tmp"));
    EXPECT_TRUE(host.wizard_enabled);
    EXPECT_FALSE(host.progress_loaded);
    return outcome;
  };

  const Outcome clean = run_once(0);
  ASSERT_EQ(clean.messages.back().prompt, Summary(2, backups));
  const std::vector<std::string>& ops = clean.operations;
  ASSERT_GT(ops.size(), 20u);

  // Every operation fails once, except inside long stretches of line reads
  // and writes, where the first and the last stand for the ones between
  // (each failing run makes several files durable, which takes time).
  auto is_line_op = [&](size_t i) {
    return ops[i] == "ReadLine" || ops[i] == "WriteLine" || ops[i] == "AtEnd" ||
           ops[i] == "Position";
  };
  std::vector<int> fail_points;
  for (size_t i = 0; i < ops.size(); ++i) {
    const bool inner =
        i > 0 && i + 1 < ops.size() && is_line_op(i - 1) && is_line_op(i) && is_line_op(i + 1);
    if (!inner) fail_points.push_back(static_cast<int>(i) + 1);
  }

  for (int n : fail_points) {
    SCOPED_TRACE("failing operation " + std::to_string(n) + " (" + ops[n - 1] + ") of " +
                 std::to_string(ops.size()));
    const Outcome got = run_once(n);
    const bool summary = !got.messages.empty() && got.messages.back().buttons == mb::kOkInformation;
    bool all_converted = true;
    for (const auto& [name, text] : got.files) {
      SCOPED_TRACE(name);
      const bool as_before = text == before.at(name);
      const bool as_converted = text == clean.files.at(name);
      EXPECT_TRUE(as_before || as_converted);
      all_converted = all_converted && as_converted;
      if (backups && !as_before) {
        if (name == "Kunden.vbp") {
          EXPECT_EQ(got.project_backup, before.at(name));
        } else {
          ASSERT_EQ(got.backups.count(name), 1u);
          EXPECT_EQ(got.backups.at(name), before.at(name));
        }
      }
    }
    if (summary) {
      EXPECT_TRUE(all_converted);
      EXPECT_EQ(got.messages.back().prompt, Summary(2, backups));
    } else {
      // A run that did not finish said why.
      bool reported = false;
      for (const auto& message : got.messages) {
        reported = reported || message.prompt.rfind("Fehler: ", 0) == 0;
      }
      EXPECT_TRUE(reported);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BackupsOnAndOff, BatchRunFaultTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param_info) {
                           return param_info.param ? "BackupsOn" : "BackupsOff";
                         });

}  // namespace
}  // namespace xpconv

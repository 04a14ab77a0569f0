#include "cli/console_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>

#include "engine/messages.h"
#include "tests/support/fake_terminal.h"

namespace xpconv::cli {
namespace {

using testing::FakeTerminal;

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

class ConsoleHostTest : public ::testing::Test {
 protected:
  ConsoleHost& Host() {
    if (!host_) host_.emplace(settings, in, out, err, terminal, abort);
    return *host_;
  }
  int32_t AskBackup() { return Host().ShowMessage(msg::kBackupPrompt, mb::kYesNoCancelStop, ""); }
  int32_t AskOverwrite() {
    return Host().ShowMessage(msg::kOverwritePrompt, mb::kYesNoQuestion, msg::kOverwriteTitle);
  }

  ConsoleSettings settings;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  FakeTerminal terminal;
  AbortFlag abort;

 private:
  std::optional<ConsoleHost> host_;
};

TEST_F(ConsoleHostTest, ScriptedAnswersAreTakenInOrderAndFitTheBox) {
  settings.answers = {Answer::kCancel, Answer::kCancel, Answer::kYes, Answer::kNo};
  // Abbrechen where the box has it; a Ja/Nein box cannot be cancelled.
  EXPECT_EQ(AskBackup(), mb::kAnswerCancel);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerNo);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerYes);
  EXPECT_EQ(AskBackup(), mb::kAnswerNo);
  // The script is used up: no terminal, so the rule answers.
  EXPECT_EQ(AskBackup(), mb::kAnswerCancel);
  EXPECT_EQ(out.str(), "") << "questions belong on stderr";
}

TEST_F(ConsoleHostTest, QuestionsShowTheirExactTextTitleAndChoices) {
  settings.answers = {Answer::kYes, Answer::kYes};
  AskOverwrite();
  AskBackup();
  const std::string text = err.str();
  EXPECT_NE(text.find("ACHTUNG!\nEs existiert bereits ein Unterordner \"_BACKUP\".\nSollen evtl. "
                      "vorhandene Dateien überschrieben werden?\n[j]a / [n]ein? Ja (--answer)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("zu aktivieren!\nFür einen evtl."), std::string::npos) << text;
  EXPECT_NE(text.find("übernommen.\n\nSoll die Einstellung jetzt autom. aktiviert werden?\n"
                      "[j]a / [n]ein / [a]bbrechen? "),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(ConsoleHostTest, YesAnswersEveryQuestionAndNeverReadsTheTerminal) {
  settings.yes = true;
  terminal.input_is_terminal = true;
  in.str("n\nn\n");
  EXPECT_EQ(AskBackup(), mb::kAnswerYes);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerYes);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerYes);
  EXPECT_EQ(in.tellg(), 0);
}

TEST_F(ConsoleHostTest, WithoutTerminalOrScriptAQuestionGetsCancelOrNoAndAHint) {
  in.str("j\n");  // piped input is no answer
  EXPECT_EQ(AskBackup(), mb::kAnswerCancel);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerNo);
  const std::string text = err.str();
  EXPECT_EQ(Count(text, "--answer ja|nein|abbrechen"), 1u) << text;
  EXPECT_EQ(Count(text, "--answer ja|nein\n"), 1u) << text;
  EXPECT_EQ(Count(text, "--yes"), 2u) << text;
}

TEST_F(ConsoleHostTest, TerminalAnswersAreReadUntilOneFits) {
  terminal.input_is_terminal = true;
  in.str("vielleicht\n  A \nabbrechen\n j\nNEIN\n");
  EXPECT_EQ(AskBackup(), mb::kAnswerCancel);  // after one wrong try
  EXPECT_NE(err.str().find("Bitte j, n oder a eingeben: "), std::string::npos);
  // A Ja/Nein box does not take Abbrechen.
  EXPECT_EQ(AskOverwrite(), mb::kAnswerYes);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerNo);
}

TEST_F(ConsoleHostTest, EndOfTerminalInputFallsBackToTheRule) {
  terminal.input_is_terminal = true;
  in.str("x\n");
  EXPECT_EQ(AskBackup(), mb::kAnswerCancel);
  EXPECT_EQ(AskOverwrite(), mb::kAnswerNo);
  EXPECT_NE(err.str().find("keine Antwort"), std::string::npos);
}

TEST_F(ConsoleHostTest, PumpingWithoutCtrlCAsksNothing) {
  terminal.catching = true;
  for (int i = 0; i < 5; ++i) Host().PumpMessages();
  EXPECT_EQ(terminal.checks, 5);
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(abort.raised());
}

TEST_F(ConsoleHostTest, CtrlCAsksTheAbortQuestionAndOnlyJaRaisesTheFlag) {
  terminal.catching = true;
  terminal.input_is_terminal = true;
  terminal.interrupt_at = {2, 4};
  // Anything but j goes on at once: the second line answers the second question.
  in.str("weiter\nj\n");
  Host().PumpMessages();
  Host().PumpMessages();
  EXPECT_FALSE(abort.raised());
  EXPECT_EQ(Count(err.str(), "Konverierung\nWirklich abbrechen?\n[j]a / [n]ein? "), 1u)
      << err.str();
  Host().PumpMessages();
  EXPECT_FALSE(abort.raised());
  Host().PumpMessages();
  EXPECT_TRUE(abort.raised());
  EXPECT_TRUE(Host().user_aborted());
  EXPECT_EQ(Count(err.str(), "Wirklich abbrechen?"), 2u);
}

TEST_F(ConsoleHostTest, TheAbortQuestionFollowsTheAnswerRules) {
  terminal.catching = true;
  terminal.interrupt_at = {1, 2, 3};
  settings.answers = {Answer::kNo};
  Host().PumpMessages();
  EXPECT_FALSE(abort.raised());
  Host().PumpMessages();  // nothing scripted, no terminal: Nein
  EXPECT_FALSE(abort.raised());
  EXPECT_NE(err.str().find("--answer ja|nein\n"), std::string::npos);

  ConsoleSettings yes;
  yes.yes = true;
  ConsoleHost host(yes, in, out, err, terminal, abort);
  host.PumpMessages();
  EXPECT_TRUE(abort.raised());
}

TEST_F(ConsoleHostTest, SummaryGoesToStdoutAndOtherBoxesToStderr) {
  EXPECT_EQ(Host().ShowMessage(msg::kNothingSelected, mb::kOk, ""), mb::kAnswerOk);
  EXPECT_FALSE(Host().summary_reported());
  EXPECT_EQ(Host().ShowMessage(std::string("2") + msg::kSummaryTail, mb::kOkInformation,
                               msg::kSummaryTitle),
            mb::kAnswerOk);
  EXPECT_TRUE(Host().summary_reported());
  EXPECT_EQ(out.str(),
            "Konvertierung erfolgreich\n2 Datei(en) wurde(n) aktualisiert.\nDie jeweiligen "
            "Sicherungsdateien befinden sich im Ordner \"_BACKUP\"\n");
  EXPECT_EQ(err.str(), "Keine Datei(en) ausgewählt!\n");
}

TEST_F(ConsoleHostTest, WithATraceTheSummaryMovesToStderr) {
  settings.reports_to_stderr = true;
  Host().ShowMessage("0 Datei(en)", mb::kOkInformation, msg::kSummaryTitle);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("0 Datei(en)"), std::string::npos);
  EXPECT_TRUE(Host().summary_reported());
}

TEST_F(ConsoleHostTest, ProgressLineIsDrawnOnlyForATerminalAndOnlyWhenItChanges) {
  terminal.error_is_terminal = true;
  ConsoleHost& host = Host();
  host.LoadProgress();
  host.SetCountCaption("Datei 1 von 2");
  host.SetTotalBarMax(2);
  EXPECT_EQ(err.str(), "") << "nothing before the window is shown";
  host.ShowProgress();
  host.SetFileCaption("frmA.frm");
  for (int i = 0; i < 1000; ++i) host.SetFileBar(i / 100);  // 10 distinct values
  host.PumpMessages();
  const std::string drawn = err.str();
  EXPECT_EQ(Count(drawn, "\r"), 1u + 1u + 9u) << drawn;
  EXPECT_NE(drawn.rfind("Datei 1 von 2 [----------"), std::string::npos);
  EXPECT_NE(drawn.rfind("frmA.frm [#-------------------]    9 %"), std::string::npos) << drawn;

  host.UnloadProgress();
  const std::string after = err.str().substr(drawn.size());
  EXPECT_EQ(after.front(), '\r');
  EXPECT_EQ(after.back(), '\r');
  EXPECT_EQ(after.find_first_not_of("\r "), std::string::npos) << "a clean line is left";
  host.SetFileBar(50);
  EXPECT_EQ(err.str().size(), drawn.size() + after.size()) << "no drawing after unloading";
}

TEST_F(ConsoleHostTest, NoProgressLineWhenStderrIsNotATerminal) {
  ConsoleHost& host = Host();
  host.LoadProgress();
  host.ShowProgress();
  host.SetFileCaption("frmA.frm");
  host.SetFileBar(40);
  host.UnloadProgress();
  EXPECT_EQ(err.str(), "");
}

TEST_F(ConsoleHostTest, AQuestionStartsOnACleanLineAndTheProgressLineReturns) {
  terminal.error_is_terminal = true;
  settings.answers = {Answer::kYes};
  ConsoleHost& host = Host();
  host.ShowFileProgressOnly();
  host.SetFileCaption("frmA.frm");
  const size_t before = err.str().size();
  AskOverwrite();
  const std::string asked = err.str().substr(before);
  EXPECT_EQ(asked.rfind("\r ", 0), 0u) << "the line is wiped first: " << asked;
  EXPECT_LT(asked.find("ACHTUNG!"), asked.rfind("\rfrmA.frm"));
}

TEST(RenderProgressLineTest, ShowsCountBothBarsAndTheEndOfALongName) {
  ProgressView view;
  view.count_caption = "Datei 3 von 4";
  view.total_bar = 3;
  view.total_bar_max = 4;
  view.file_caption = "Ein_sehr_langer_Formularname_Übersicht_Kunden.frm";
  view.file_bar = 100;
  const std::string line = RenderProgressLine(view);
  EXPECT_EQ(line.rfind("Datei 3 von 4 [###############-----]  ...", 0), 0u) << line;
  EXPECT_NE(line.find("Übersicht_Kunden.frm [####################]  100 %"), std::string::npos)
      << line;
}

TEST(RenderProgressLineTest, OutOfRangeValuesStayInsideTheBars) {
  ProgressView view;
  view.with_total = false;
  view.file_caption = "a.frm";
  view.file_bar = 250;
  EXPECT_EQ(RenderProgressLine(view), "a.frm [####################]  100 %");
  view.file_bar = -5;
  EXPECT_EQ(RenderProgressLine(view), "a.frm [--------------------]    0 %");
  view.with_total = true;
  view.count_caption = "Datei 1 von 0";
  view.total_bar_max = 0;
  view.total_bar = 1;
  EXPECT_EQ(RenderProgressLine(view).rfind("Datei 1 von 0 [--------------------]", 0), 0u);
}

TEST_F(ConsoleHostTest, WizardStateComesFromTheSettings) {
  settings.entries = {"frmA.frm", "Forms\\frmB.frm", "frmC.frm"};
  settings.selected = {true, false, true};
  settings.replace = {1, 0, 1, 0};
  settings.xp_style = 0;
  settings.backup = 0;
  ConsoleHost& host = Host();
  EXPECT_EQ(host.EntryCount(), 3);
  EXPECT_EQ(host.SelectedCount(), 2);
  EXPECT_FALSE(host.IsEntrySelected(1));
  EXPECT_TRUE(host.IsEntrySelected(2));
  EXPECT_EQ(host.EntryText(1), "Forms\\frmB.frm");
  EXPECT_EQ(host.ReplaceOption(1), 0);
  EXPECT_EQ(host.ReplaceOption(2), 1);
  EXPECT_EQ(host.XPStyleOption(), 0);
  EXPECT_EQ(host.BackupOption(), 0);
  host.SwitchBackupOn();
  EXPECT_NE(host.BackupOption(), 0);
}

}  // namespace
}  // namespace xpconv::cli

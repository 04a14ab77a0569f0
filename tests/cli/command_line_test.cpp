#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

namespace xpconv::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, DefaultsReplaceAllKindsWithColourLinesAndBackups) {
  const CommandLine line = ParseCommandLine({"run", "App.vbp"});
  EXPECT_EQ(line.command, Command::kRun);
  EXPECT_EQ(line.paths, Args{"App.vbp"});
  EXPECT_EQ(line.replace, (std::array<int32_t, 4>{1, 1, 1, 1}));
  EXPECT_EQ(line.xp_style, 1);
  EXPECT_EQ(line.backup, 1);
  EXPECT_EQ(line.codepage, "WINDOWS-1252");
  EXPECT_TRUE(line.select.empty());
  EXPECT_FALSE(line.trace);
}

TEST(CommandLineTest, KeepClearsOnlyTheNamedKindsInTheirOptionOrder) {
  const CommandLine line =
      ParseCommandLine({"form", "a.frm", "--keep", "option", "--keep=ProgressBar", "b.frm"});
  EXPECT_EQ(line.replace, (std::array<int32_t, 4>{1, 1, 0, 0}));
  EXPECT_EQ(line.paths, (Args{"a.frm", "b.frm"}));

  EXPECT_EQ(ParseCommandLine({"form", "a.frm", "--keep", "frame"}).replace,
            (std::array<int32_t, 4>{0, 1, 1, 1}));
  EXPECT_EQ(ParseCommandLine({"form", "a.frm", "--keep", "checkbox"}).replace,
            (std::array<int32_t, 4>{1, 0, 1, 1}));
}

TEST(CommandLineTest, RunOptionsSetTheWizardState) {
  const CommandLine line =
      ParseCommandLine({"--plain", "run", "--no-backup", "--codepage", "GBK", "App.vbp", "--answer",
                        "ja", "--answer=Abbrechen", "--answer", "n", "--trace"});
  EXPECT_EQ(line.xp_style, 0);
  EXPECT_EQ(line.backup, 0);
  EXPECT_EQ(line.codepage, "GBK");
  EXPECT_TRUE(line.trace);
  EXPECT_EQ(line.answers, (std::vector<Answer>{Answer::kYes, Answer::kCancel, Answer::kNo}));
}

TEST(CommandLineTest, PreviewRestoreAndSeveralProjects) {
  const CommandLine run = ParseCommandLine({"run", "A.vbp", "Group.vbg", "--dry-run", "--diff",
                                            "--report", "r.json", "--keep-going", "--designers"});
  EXPECT_EQ(run.paths, (Args{"A.vbp", "Group.vbg"}));
  EXPECT_TRUE(run.dry_run && run.diff && run.keep_going && run.designers);
  EXPECT_EQ(run.report, "r.json");
  EXPECT_EQ(run.option_args,
            (Args{"--dry-run", "--diff", "--report", "r.json", "--keep-going", "--designers"}));

  const CommandLine restore =
      ParseCommandLine({"restore", "A.vbp", "--select", "2", "--answer", "ja", "--dry-run"});
  EXPECT_EQ(restore.command, Command::kRestore);
  EXPECT_EQ(restore.select, (std::vector<SelectRange>{{2, 2}}));
  EXPECT_EQ(restore.answers, (std::vector<Answer>{Answer::kYes}));
  EXPECT_TRUE(restore.dry_run);

  EXPECT_TRUE(ParseCommandLine({"list", "A.vbg", "--designers"}).designers);
}

TEST(CommandLineTest, DoubleDashLetsAFileNameStartWithADash) {
  const CommandLine line = ParseCommandLine({"form", "--", "-odd.frm", "--plain"});
  EXPECT_EQ(line.paths, (Args{"-odd.frm", "--plain"}));
  EXPECT_EQ(line.xp_style, 1);
}

TEST(CommandLineTest, HelpWinsOverEverythingElseThenVersion) {
  const struct {
    Args args;
    Command command;
  } cases[] = {
      {{"--help"}, Command::kHelp},
      {{"run", "--help"}, Command::kHelp},
      {{"form", "-h"}, Command::kHelp},
      {{"--version", "--help"}, Command::kHelp},
      {{"--version"}, Command::kVersion},
      {{"run", "App.vbp", "--yes", "--version"}, Command::kVersion},
      {{"list", "--version"}, Command::kVersion},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseCommandLine(c.args).command, c.command) << ::testing::PrintToString(c.args);
  }
  EXPECT_THROW(ParseCommandLine({"--version=1"}), UsageError);
}

TEST(CommandLineTest, SelectTakesNumbersAndRangesAcrossRepeats) {
  const CommandLine line = ParseCommandLine({"run", "App.vbp", "--select", "3,1-2", "--select=7"});
  EXPECT_EQ(line.select, (std::vector<SelectRange>{{3, 3}, {1, 2}, {7, 7}}));
}

TEST(CommandLineTest, UsageErrors) {
  const std::vector<Args> bad = {
      {},                                              // no command
      {"convert", "x.frm"},                            // unknown command
      {"form"},                                        // no file
      {"run"},                                         // no project
      {"run", "a.vbp", "--diff"},                      // a diff needs --dry-run
      {"restore", "a.vbp", "--no-backup"},             // run only
      {"restore", "a.vbp", "--diff"},                  // run only
      {"list", "a.vbp", "--dry-run"},                  // run and restore only
      {"form", "a.frm", "--designers"},                // projects only
      {"run", "a.vbp", "--report="},                   // no file name
      {"restore"},                                     // no project
      {"list", "a.vbp", "--plain"},                    // option of another command
      {"form", "a.frm", "--select", "1"},              // run only
      {"form", "a.frm", "--yes"},                      // run only
      {"form", "a.frm", "--keep", "label"},            // unknown kind
      {"form", "a.frm", "--keep"},                     // missing value
      {"form", "a.frm", "--plain=1"},                  // flag with a value
      {"form", "a.frm", "--colour"},                   // unknown option
      {"run", "a.vbp", "--answer", "vielleicht"},      // unknown answer
      {"run", "a.vbp", "--yes", "--answer", "nein"},   // contradicting
      {"run", "a.vbp", "--select", "0"},               // numbers start at 1
      {"run", "a.vbp", "--select", "2,,3"},            // empty item
      {"run", "a.vbp", "--select", "x"},               //
      {"run", "a.vbp", "--select", "4-2"},             // empty range
      {"run", "a.vbp", "--select", "-3"},              // looks like an option
      {"run", "a.vbp", "--select", "1-"},              //
      {"run", "a.vbp", "--select", "99999999999999"},  // past any entry number
      {"run", "a.vbp", "--codepage", ""},              //
      {"check-code"},                                  // no project
      {"check-code", "a.vbp", "--dry-run"},            // changes nothing anyway
      {"check-code", "a.vbp", "--select", "1"},        // every module is checked
      {"restore", "a.vbp", "--fix-code"},              // run and check-code only
      {"form", "a.frm", "--fail-on-code-references"},  //
  };
  for (const Args& args : bad) {
    std::string joined;
    for (const auto& arg : args) joined += arg + " ";
    EXPECT_THROW(ParseCommandLine(args), UsageError) << joined;
  }
}

TEST(ResolveSelectionTest, NoSelectionSelectsEveryEntry) {
  EXPECT_EQ(ResolveSelection({}, 3), (std::vector<bool>{true, true, true}));
  EXPECT_TRUE(ResolveSelection({}, 0).empty());
}

TEST(ResolveSelectionTest, NumbersCountFromOneAndOverlapsAreHarmless) {
  EXPECT_EQ(ResolveSelection({{2, 3}, {3, 3}, {5, 5}}, 5),
            (std::vector<bool>{false, true, true, false, true}));
}

TEST(ResolveSelectionTest, ANumberPastTheLastEntryIsAUsageErrorNamingIt) {
  EXPECT_NO_THROW(ResolveSelection({{1, 4}}, 4));
  try {
    ResolveSelection({{2, 6}}, 4);
    FAIL() << "no error";
  } catch (const UsageError& error) {
    EXPECT_NE(std::string(error.what()).find("Eintrag 5"), std::string::npos) << error.what();
  }
  EXPECT_THROW(ResolveSelection({{1, 1}}, 0), UsageError);
}

TEST(UsageTextTest, NamesEveryCommandAndOption) {
  const std::string text = UsageText();
  std::istringstream words(
      "form list run --keep --plain --codepage --trace --select --no-backup --yes --answer --help "
      "--version restore --dry-run --diff --report --keep-going --designers check-code --fix-code "
      "--fail-on-code-references");
  for (std::string word; words >> word;) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace xpconv::cli

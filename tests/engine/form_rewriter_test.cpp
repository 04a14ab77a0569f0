#include "engine/form_rewriter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "engine/error.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_host.h"

namespace xpconv {
namespace {

using testing::CrLfLines;
using testing::MemoryInputFile;
using testing::MemoryOutputFile;

RewriteOptions Options(std::array<int32_t, 4> replace, int32_t xp_style) {
  RewriteOptions options;
  options.replace = replace;
  options.xp_style = xp_style;
  return options;
}

const RewriteOptions kXPStyleAll = Options({1, 1, 1, 1}, 0);
const RewriteOptions kColourAll = Options({1, 1, 1, 1}, 1);

struct Driven {
  std::string output;
  int replaced_headers = 0;
};

// Feeds every line to RewriteFormLine: a pending line is handed back in
// before anything new is read.
Driven DriveLineByLine(const std::string& input_bytes, const RewriteOptions& options) {
  MemoryInputFile input(input_bytes);
  MemoryOutputFile output;
  Driven driven;
  std::optional<std::string> pending;
  while (pending || !input.AtEnd()) {
    std::string line;
    if (pending) {
      line = std::move(*pending);
      pending.reset();
    } else {
      line = input.ReadLine();
    }
    RewriteResult result = RewriteFormLine(line, input, output, options);
    if (result.replaced) ++driven.replaced_headers;
    pending = std::move(result.pending);
  }
  driven.output = output.bytes();
  return driven;
}

// The conversion job's way: one FormRewriter for the whole form, a pending
// line left in it. piece_limit cuts every line read into pieces that short.
Driven DriveThroughOneRewriter(const std::string& input_bytes, const RewriteOptions& options,
                               size_t piece_limit) {
  MemoryInputFile input(input_bytes, piece_limit);
  MemoryOutputFile output;
  Driven driven;
  FormRewriter rewriter(options);
  bool pending = false;
  while (pending || !input.AtEnd()) {
    if (!pending) rewriter.ReadLine(input);
    const FormRewriter::Outcome outcome = rewriter.Rewrite(input, output);
    if (outcome.replaced) ++driven.replaced_headers;
    pending = outcome.pending;
  }
  driven.output = output.bytes();
  return driven;
}

// Both ways, the second with whole lines and with lines in pieces of every
// size that cuts the rules' texts apart: they must agree in output, count
// and error.
Driven Drive(const std::string& input_bytes, const RewriteOptions& options) {
  int32_t error = 0;
  Driven driven;
  try {
    driven = DriveLineByLine(input_bytes, options);
  } catch (const VbError& e) {
    error = e.number();
  }
  for (size_t piece_limit : {SIZE_MAX, size_t{1}, size_t{2}, size_t{5}, size_t{31}}) {
    try {
      Driven pieces = DriveThroughOneRewriter(input_bytes, options, piece_limit);
      EXPECT_EQ(error, 0) << "pieces of " << piece_limit;
      EXPECT_EQ(pieces.output, driven.output) << "pieces of " << piece_limit;
      EXPECT_EQ(pieces.replaced_headers, driven.replaced_headers);
    } catch (const VbError& e) {
      EXPECT_EQ(error, e.number()) << "pieces of " << piece_limit;
    }
  }
  if (error != 0) throw MakeError(error);
  return driven;
}

int32_t ErrorNumberOf(const std::string& input_bytes, const RewriteOptions& options) {
  try {
    Drive(input_bytes, options);
  } catch (const VbError& e) {
    return e.number();
  }
  return 0;
}

TEST(FormRewriterTest, XPStyleModeReplacesFrameAndNestedCheckBoxAndDropsTheFontBlock) {
  const std::string input = CrLfLines({
      "   Begin VB.Frame Frame1",
      "      BeginProperty Font",
      "         Size            =   8.25",
      "         Charset         =   0",
      "      EndProperty",
      "      Height          =   255",
      "      TabIndex        =   0",
      "      Begin VB.CheckBox Check1",
      "         Height          =   255",
      "         Left            =   120",
      "      End",
      "   End",
  });
  const Driven driven = Drive(input, Options({1, 1, 0, 0}, 0));
  EXPECT_EQ(driven.output, CrLfLines({
                               "   Begin qorXPControls.qorFrame Frame1",
                               "      XPStyle         =   0  'False",
                               "      Height          =   255",
                               "      TabIndex        =   0",
                               "      Begin qorXPControls.qorCheck Check1",
                               "         XPStyle         =   0  'False",
                               "         Height          =   255",
                               "         Left            =   120",
                               "      End",
                               "   End",
                           }));
  EXPECT_EQ(driven.replaced_headers, 2);
}

TEST(FormRewriterTest, ColourModeInsertsTheColourLinesOfOptionButtonAndProgressBar) {
  const std::string input = CrLfLines({
      "   Begin VB.OptionButton Option1",
      "      Height          =   255",
      "      TabIndex        =   2",
      "   End",
      "   Begin MSComctlLib.ProgressBar ProgressBar1",
      "      Height          =   255",
      "      TabIndex        =   3",
      "   End",
  });
  const Driven driven = Drive(input, Options({0, 0, 1, 1}, 1));
  EXPECT_EQ(driven.output, CrLfLines({
                               "   Begin qorXPControls.qorOption Option1",
                               "      BorderColor     =   10059095",
                               "      BorderColorLight=   12563878",
                               "      BorderColorHighlight=   14672351",
                               "      CheckMarkColor  =   2203937",
                               "      Height          =   255",
                               "      TabIndex        =   2",
                               "   End",
                               "   Begin qorXPControls.qorProgressBar ProgressBar1",
                               "      BackColor       =   -2147483643",
                               "      BorderColor     =   8409372",
                               "      FillColor       =   3724597",
                               "      FillColorLight  =   11333035",
                               "      Height          =   255",
                               "      TabIndex        =   3",
                               "   End",
                           }));
}

TEST(FormRewriterTest, AnyXPValueOtherThanZeroSelectsTheColourLines) {
  const std::string input = CrLfLines({"Begin VB.CheckBox Check1", "   Height = 1", "End"});
  const std::string expected = CrLfLines({
      "Begin qorXPControls.qorCheck Check1",
      "   BorderColor     =   8409372",
      "   CheckMarkColor  =   2203937",
      "   Height = 1",
      "End",
  });
  EXPECT_EQ(Drive(input, Options({1, 1, 1, 1}, 1)).output, expected);
  EXPECT_EQ(Drive(input, Options({1, 1, 1, 1}, -1)).output, expected);
  EXPECT_EQ(Drive(input, Options({1, 1, 1, 1}, 2)).output, expected);
}

TEST(FormRewriterTest, KindWhoseOptionIsNotExactlyOneIsWrittenUnchangedWithItsFontBlock) {
  const std::string input = CrLfLines({
      "   Begin VB.Frame Frame1",
      "      Caption         =   \"Optionen\"",
      "      BeginProperty Font ",
      "         Name            =   \"Verdana\"",
      "      EndProperty",
      "      Begin MSComctlLib.ProgressBar ProgressBar1",
      "         Height          =   255",
      "      End",
      "   End",
  });
  for (int32_t value : {0, 2, -1}) {
    const Driven driven = Drive(input, Options({value, 1, 1, value}, 1));
    EXPECT_EQ(driven.output, input) << "option value " << value;
    EXPECT_EQ(driven.replaced_headers, 0);
  }
}

TEST(FormRewriterTest, HeaderEqualToThePrefixAndTrailingBlanksAreCarriedOver) {
  EXPECT_EQ(Drive(CrLfLines({"      Begin VB.Frame", "      End"}), kXPStyleAll).output,
            CrLfLines({"      Begin qorXPControls.qorFrame",
                       "         XPStyle         =   0  'False", "      End"}));
  EXPECT_EQ(Drive(CrLfLines({"   Begin VB.OptionButton optArt  ", "   End"}), kXPStyleAll).output,
            CrLfLines({"   Begin qorXPControls.qorOption optArt  ",
                       "      XPStyle         =   0  'False", "   End"}));
}

TEST(FormRewriterTest, NamesWithHighBytesPassThroughByteForByte) {
  const std::string input = CrLfLines({
      "   Begin VB.Frame fra_Notifica\xe7\xe3o ",
      "      Caption         =   \"Benachrichtigung \xfc\x62\x65r E-Mail\"",
      "   End",
  });
  EXPECT_EQ(Drive(input, kXPStyleAll).output,
            CrLfLines({
                "   Begin qorXPControls.qorFrame fra_Notifica\xe7\xe3o ",
                "      XPStyle         =   0  'False",
                "      Caption         =   \"Benachrichtigung \xfc\x62\x65r E-Mail\"",
                "   End",
            }));
}

TEST(FormRewriterTest, TabIndentOtherLetterCaseAndLookAlikesAreNotRecognised) {
  const std::string input = CrLfLines({
      "\tBegin VB.Frame Frame1",
      "   begin VB.Frame Frame2",
      "   Begin vb.Frame Frame3",
      "   Begin VB.checkbox Check1",
      "   Begin ComctlLib.ProgressBar ProgressBar1",
      "   Begin MSForms.CheckBox CheckBox1",
      "   Begin MSForms.OptionButton OptionButton1",
      "   Begin MSForms.Frame Frame4",
      "   Begin  VB.Frame Frame5",
      "   BeginVB.Frame Frame6",
      "   End",
  });
  const Driven driven = Drive(input, kColourAll);
  EXPECT_EQ(driven.output, input);
  EXPECT_EQ(driven.replaced_headers, 0);
}

TEST(FormRewriterTest, ControlsOwnPropertyOfAnInsertedNameIsKeptBehindTheInsertedOne) {
  const std::string input = CrLfLines({
      "   Begin VB.Frame Frame1",
      "      Caption         =   \"Adresse\"",
      "      ForeColor       =   &H00FF0000&",
      "      Height          =   1815",
      "   End",
  });
  EXPECT_EQ(Drive(input, kColourAll).output, CrLfLines({
                                                 "   Begin qorXPControls.qorFrame Frame1",
                                                 "      BorderColor     =   12632256",
                                                 "      ForeColor       =   12582912",
                                                 "      CheckMarkColor  =   2203937",
                                                 "      Caption         =   \"Adresse\"",
                                                 "      ForeColor       =   &H00FF0000&",
                                                 "      Height          =   1815",
                                                 "   End",
                                             }));
}

TEST(FormRewriterTest, OtherPropertyGroupEndsTheCopyPhaseSoALaterFontBlockIsKept) {
  // "BeginProperty DataFormat" is no nested header ("Begin " needs the blank
  // right behind it): it is copied, and its deeper inner line ends the phase.
  const std::string input = CrLfLines({
      "   Begin VB.CheckBox chkAktiv",
      "      Alignment       =   1  'Rechts ausgerichtet",
      "      BeginProperty DataFormat ",
      "         Type            =   5",
      "      EndProperty",
      "      BeginProperty Font ",
      "         Name            =   \"Verdana\"",
      "         Size            =   8.25",
      "      EndProperty",
      "      Height          =   255",
      "   End",
  });
  const Driven driven = Drive(input, kXPStyleAll);
  EXPECT_EQ(driven.output, CrLfLines({
                               "   Begin qorXPControls.qorCheck chkAktiv",
                               "      XPStyle         =   0  'False",
                               "      Alignment       =   1  'Rechts ausgerichtet",
                               "      BeginProperty DataFormat ",
                               "         Type            =   5",
                               "      EndProperty",
                               "      BeginProperty Font ",
                               "         Name            =   \"Verdana\"",
                               "         Size            =   8.25",
                               "      EndProperty",
                               "      Height          =   255",
                               "   End",
                           }));
}

TEST(FormRewriterTest, FontBlockWithBlanksAroundItsLinesIsDroppedInTheCopyPhase) {
  const std::string input = CrLfLines({
      "   Begin VB.OptionButton optA",
      "      Caption         =   \"A\"",
      "      BeginProperty Font ",
      "         Name            =   \"MS Sans Serif\"",
      "      EndProperty   ",
      "      Height          =   195",
      "   End",
  });
  EXPECT_EQ(Drive(input, kXPStyleAll).output, CrLfLines({
                                                  "   Begin qorXPControls.qorOption optA",
                                                  "      XPStyle         =   0  'False",
                                                  "      Caption         =   \"A\"",
                                                  "      Height          =   195",
                                                  "   End",
                                              }));
}

TEST(FormRewriterTest, FontBlockWithAClassIdIsNotTheDroppedFontBlock) {
  const std::string input = CrLfLines({
      "   Begin VB.Frame Frame1",
      "      BeginProperty Font {0BE35203-8F91-11CE-9DE3-00AA004BB851} ",
      "         Name            =   \"Tahoma\"",
      "      EndProperty",
      "   End",
  });
  EXPECT_EQ(Drive(input, kXPStyleAll).output,
            CrLfLines({
                "   Begin qorXPControls.qorFrame Frame1",
                "      XPStyle         =   0  'False",
                "      BeginProperty Font {0BE35203-8F91-11CE-9DE3-00AA004BB851} ",
                "         Name            =   \"Tahoma\"",
                "      EndProperty",
                "   End",
            }));
}

TEST(FormRewriterTest, ReadingPastTheEndInsideAControlIsAnError) {
  // A replaced header on the last line.
  EXPECT_EQ(
      ErrorNumberOf(CrLfLines({"   Label1.Caption = 1", "   Begin VB.Frame Frame1"}), kXPStyleAll),
      err::kInputPastEnd);
  // A font block opened on the last line.
  EXPECT_EQ(ErrorNumberOf(CrLfLines({"   Begin VB.Frame Frame1", "      BeginProperty Font "}),
                          kXPStyleAll),
            err::kInputPastEnd);
  // A font block that never ends must not swallow the rest of the form.
  EXPECT_EQ(ErrorNumberOf(CrLfLines({
                              "   Begin VB.Frame Frame1",
                              "      BeginProperty Font ",
                              "         Name            =   \"Arial\"",
                              "   End",
                              "Attribute VB_Name = \"frmMain\"",
                          }),
                          kXPStyleAll),
            err::kInputPastEnd);
}

TEST(FormRewriterTest, FontBlockEndingOnTheLastLineIsNoError) {
  const Driven driven = Drive(
      CrLfLines({"   Begin VB.Frame Frame1", "      BeginProperty Font ", "      EndProperty"}),
      kXPStyleAll);
  EXPECT_EQ(driven.output, CrLfLines({"   Begin qorXPControls.qorFrame Frame1",
                                      "      XPStyle         =   0  'False"}));
}

TEST(FormRewriterTest, CopyPhaseStopsAtTheEndOfTheInputAfterWritingTheLastLine) {
  EXPECT_EQ(Drive("   Begin VB.CheckBox Check1\n      Height          =   255", kXPStyleAll).output,
            CrLfLines({"   Begin qorXPControls.qorCheck Check1",
                       "      XPStyle         =   0  'False", "      Height          =   255"}));
}

TEST(FormRewriterTest, NestedHeaderInTheCopyPhaseComesBackAsThePendingLineUnwritten) {
  MemoryInputFile input(CrLfLines({
      "      Begin VB.Label lblName ",
      "         Caption         =   \"Name\"",
  }));
  MemoryOutputFile output;
  const RewriteResult result =
      RewriteFormLine("   Begin VB.Frame fraAdresse ", input, output, kXPStyleAll);
  EXPECT_TRUE(result.replaced);
  ASSERT_TRUE(result.pending.has_value());
  EXPECT_EQ(*result.pending, "      Begin VB.Label lblName ");
  EXPECT_EQ(input.lines_read(), 1);
  EXPECT_EQ(output.bytes(), CrLfLines({"   Begin qorXPControls.qorFrame fraAdresse ",
                                       "      XPStyle         =   0  'False"}));
}

TEST(FormRewriterTest, PendingHeaderIsProcessedByTheRulesAndTheLastLineStillCounts) {
  // Frame directly followed by a check box and, as the very last line, an
  // option button that is not replaced: both come back as pending lines.
  const std::string input = CrLfLines({
      "   Begin VB.Frame Frame1",
      "      Begin VB.CheckBox Check1",
      "         Height          =   255",
      "      End",
      "      Begin VB.OptionButton Option1",
  });
  const Driven driven = Drive(input, Options({1, 1, 0, 1}, 0));
  EXPECT_EQ(driven.output, CrLfLines({
                               "   Begin qorXPControls.qorFrame Frame1",
                               "      XPStyle         =   0  'False",
                               "      Begin qorXPControls.qorCheck Check1",
                               "         XPStyle         =   0  'False",
                               "         Height          =   255",
                               "      End",
                               "      Begin VB.OptionButton Option1",
                           }));
  EXPECT_EQ(driven.replaced_headers, 2);
}

TEST(FormRewriterTest, HeaderOfAnUnreplacedKindStartsNoCopyPhase) {
  MemoryInputFile input(CrLfLines({"      BeginProperty Font ", "      EndProperty"}));
  MemoryOutputFile output;
  const RewriteResult result =
      RewriteFormLine("   Begin VB.Frame Frame1", input, output, Options({0, 1, 1, 1}, 0));
  EXPECT_FALSE(result.replaced);
  EXPECT_FALSE(result.pending.has_value());
  EXPECT_EQ(input.lines_read(), 0);
  EXPECT_EQ(output.bytes(), CrLfLines({"   Begin VB.Frame Frame1"}));
}

TEST(FormRewriterTest, CountLeadingSpacesCountsOnlyTheSpaceCharacter) {
  EXPECT_EQ(CountLeadingSpaces(""), 0);
  EXPECT_EQ(CountLeadingSpaces("Begin"), 0);
  EXPECT_EQ(CountLeadingSpaces("\t   Begin"), 0);
  EXPECT_EQ(CountLeadingSpaces("   \tBegin"), 3);
  EXPECT_EQ(CountLeadingSpaces("     "), 5);
  EXPECT_EQ(CountLeadingSpaces(std::string(32767, ' ') + "x"), 32767);
  EXPECT_EQ(CountLeadingSpaces(std::string(32767, ' ')), 32767);
  try {
    CountLeadingSpaces(std::string(32768, ' ') + "x");
    FAIL() << "no overflow";
  } catch (const VbError& e) {
    EXPECT_EQ(e.number(), err::kOverflow);
    EXPECT_EQ(e.description(), "Überlauf");
  }
}

TEST(FormRewriterTest, OverlongIndentationIsAnOverflowBeforeAnythingIsWritten) {
  MemoryInputFile input(CrLfLines({"End"}));
  for (const std::string& line :
       {std::string(32765, ' ') + "Begin VB.Frame Frame1", std::string(32768, ' ') + "Text"}) {
    MemoryOutputFile output;
    try {
      RewriteFormLine(line, input, output, kXPStyleAll);
      ADD_FAILURE() << "no overflow for indentation " << line.find_first_not_of(' ');
    } catch (const VbError& e) {
      EXPECT_EQ(e.number(), err::kOverflow);
    }
    EXPECT_EQ(output.bytes(), "");
  }
  // The deepest header whose properties still fit.
  MemoryOutputFile output;
  EXPECT_TRUE(
      RewriteFormLine(std::string(32764, ' ') + "Begin VB.Frame F", input, output, kXPStyleAll)
          .replaced);
}

TEST(FormRewriterTest, MatchControlHeaderNeedsTheExactPrefixAndAnOptionOfOne) {
  EXPECT_EQ(MatchControlHeader("   Begin VB.Frame Frame1", kXPStyleAll), ControlKind::Frame);
  EXPECT_EQ(MatchControlHeader("Begin VB.CheckBox", kXPStyleAll), ControlKind::CheckBox);
  EXPECT_EQ(MatchControlHeader(" Begin VB.OptionButton o", kXPStyleAll), ControlKind::OptionButton);
  EXPECT_EQ(MatchControlHeader("Begin MSComctlLib.ProgressBar pb ", kXPStyleAll),
            ControlKind::ProgressBar);
  EXPECT_EQ(MatchControlHeader("Begin VB.Fram", kXPStyleAll), std::nullopt);
  EXPECT_EQ(MatchControlHeader("", kXPStyleAll), std::nullopt);
  EXPECT_EQ(MatchControlHeader("    ", kXPStyleAll), std::nullopt);
  EXPECT_EQ(MatchControlHeader("Begin VB.OptionButton o", Options({1, 1, 2, 1}, 0)), std::nullopt);
  EXPECT_EQ(MatchControlHeader("Begin VB.OptionButton o", Options({0, 0, 1, 0}, 0)),
            ControlKind::OptionButton);
}

TEST(FormRewriterTest, BuildReplacementHeaderIndentsTheInsertedLinesThreeDeeper) {
  EXPECT_EQ(BuildReplacementHeader("Begin VB.Frame fra", ControlKind::Frame, 0, kXPStyleAll),
            (std::vector<std::string>{"Begin qorXPControls.qorFrame fra",
                                      "   XPStyle         =   0  'False"}));
  EXPECT_EQ(BuildReplacementHeader("         Begin MSComctlLib.ProgressBar pb",
                                   ControlKind::ProgressBar, 9, kXPStyleAll),
            (std::vector<std::string>{"         Begin qorXPControls.qorProgressBar pb",
                                      "            XPStyle         =   0  'False"}));
}

TEST(FormRewriterTest, FromHostReadsTheFourReplaceOptionsThenTheStyleOption) {
  testing::RecordingHost host;
  host.replace = {1, 0, 2, 1};
  host.xp_style = 0;
  const RewriteOptions options = RewriteOptions::FromHost(host);
  EXPECT_EQ(options.replace, (std::array<int32_t, 4>{1, 0, 2, 1}));
  EXPECT_EQ(options.xp_style, 0);
  EXPECT_EQ(testing::ToString(host.calls),
            "ReplaceOption(0)\nReplaceOption(1)\nReplaceOption(2)\nReplaceOption(3)\n"
            "XPStyleOption()\n");
}

}  // namespace
}  // namespace xpconv

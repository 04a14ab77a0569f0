#include "engine/conversion_job.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/form_rewriter.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::FaultyFileSystem;
using testing::RecordingHost;
using testing::TempDir;

std::string Join(const std::vector<std::string>& lines, const std::string& eol) {
  std::string out;
  for (const auto& line : lines) out += line + eol;
  return out;
}

// A dialog as the development environment saves it: a frame with a bold font
// holding a check box, a progress bar, a button, then the code.
const std::vector<std::string> kOptionsForm = {
    "VERSION 5.00",
    "Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"",
    "Begin VB.Form frmOptionen ",
    "   BorderStyle     =   3  'Fester Dialog",
    "   Caption         =   \"Optionen\"",
    "   ClientHeight    =   3195",
    "   ClientLeft      =   45",
    "   ClientTop       =   330",
    "   ClientWidth     =   4680",
    "   LinkTopic       =   \"Form1\"",
    "   MaxButton       =   0   'False",
    "   MinButton       =   0   'False",
    "   ScaleHeight     =   3195",
    "   ScaleWidth      =   4680",
    "   StartUpPosition =   1  'Fenstermitte",
    "   Begin VB.Frame fraAnzeige ",
    "      Caption         =   \"Anzeige\"",
    "      BeginProperty Font ",
    "         Name            =   \"MS Sans Serif\"",
    "         Size            =   8.25",
    "         Charset         =   0",
    "         Weight          =   700",
    "         Underline       =   0   'False",
    "         Italic          =   0   'False",
    "         Strikethrough   =   0   'False",
    "      EndProperty",
    "      Height          =   1575",
    "      Left            =   120",
    "      TabIndex        =   0",
    "      Top             =   120",
    "      Width           =   4455",
    "      Begin VB.CheckBox chkSymbolleiste ",
    "         Caption         =   \"Symbolleiste anzeigen\"",
    "         Height          =   255",
    "         Left            =   240",
    "         TabIndex        =   1",
    "         Top             =   360",
    "         Value           =   1  'Aktiviert",
    "         Width           =   3975",
    "      End",
    "   End",
    "   Begin MSComctlLib.ProgressBar pbFortschritt ",
    "      Height          =   255",
    "      Left            =   120",
    "      TabIndex        =   2",
    "      Top             =   1800",
    "      Width           =   4455",
    "      _ExtentX        =   7858",
    "      _ExtentY        =   450",
    "      _Version        =   393216",
    "      Appearance      =   1",
    "   End",
    "   Begin VB.CommandButton cmdOK ",
    "      Caption         =   \"OK\"",
    "      Default         =   -1  'True",
    "      Height          =   375",
    "      Left            =   3360",
    "      TabIndex        =   3",
    "      Top             =   2640",
    "      Width           =   1215",
    "   End",
    "End",
    "Attribute VB_Name = \"frmOptionen\"",
    "Attribute VB_GlobalNameSpace = False",
    "Attribute VB_Creatable = False",
    "Attribute VB_PredeclaredId = True",
    "Attribute VB_Exposed = False",
    "Option Explicit",
    "",
    "Private Sub cmdOK_Click()",
    "   pbFortschritt.Value = 0",
    "   Unload Me",
    "End Sub",
};

// kOptionsForm converted with every kind ticked in the colour mode.
const std::vector<std::string> kOptionsFormConverted = {
    "VERSION 5.00",
    "Object = \"{831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0\"; \"MSCOMCTL.OCX\"",
    "Begin VB.Form frmOptionen ",
    "   BorderStyle     =   3  'Fester Dialog",
    "   Caption         =   \"Optionen\"",
    "   ClientHeight    =   3195",
    "   ClientLeft      =   45",
    "   ClientTop       =   330",
    "   ClientWidth     =   4680",
    "   LinkTopic       =   \"Form1\"",
    "   MaxButton       =   0   'False",
    "   MinButton       =   0   'False",
    "   ScaleHeight     =   3195",
    "   ScaleWidth      =   4680",
    "   StartUpPosition =   1  'Fenstermitte",
    "   Begin qorXPControls.qorFrame fraAnzeige ",
    "      BorderColor     =   12632256",
    "      ForeColor       =   12582912",
    "      CheckMarkColor  =   2203937",
    "      Caption         =   \"Anzeige\"",
    "      Height          =   1575",
    "      Left            =   120",
    "      TabIndex        =   0",
    "      Top             =   120",
    "      Width           =   4455",
    "      Begin qorXPControls.qorCheck chkSymbolleiste ",
    "         BorderColor     =   8409372",
    "         CheckMarkColor  =   2203937",
    "         Caption         =   \"Symbolleiste anzeigen\"",
    "         Height          =   255",
    "         Left            =   240",
    "         TabIndex        =   1",
    "         Top             =   360",
    "         Value           =   1  'Aktiviert",
    "         Width           =   3975",
    "      End",
    "   End",
    "   Begin qorXPControls.qorProgressBar pbFortschritt ",
    "      BackColor       =   -2147483643",
    "      BorderColor     =   8409372",
    "      FillColor       =   3724597",
    "      FillColorLight  =   11333035",
    "      Height          =   255",
    "      Left            =   120",
    "      TabIndex        =   2",
    "      Top             =   1800",
    "      Width           =   4455",
    "      _ExtentX        =   7858",
    "      _ExtentY        =   450",
    "      _Version        =   393216",
    "      Appearance      =   1",
    "   End",
    "   Begin VB.CommandButton cmdOK ",
    "      Caption         =   \"OK\"",
    "      Default         =   -1  'True",
    "      Height          =   375",
    "      Left            =   3360",
    "      TabIndex        =   3",
    "      Top             =   2640",
    "      Width           =   1215",
    "   End",
    "End",
    "Attribute VB_Name = \"frmOptionen\"",
    "Attribute VB_GlobalNameSpace = False",
    "Attribute VB_Creatable = False",
    "Attribute VB_PredeclaredId = True",
    "Attribute VB_Exposed = False",
    "Option Explicit",
    "",
    "Private Sub cmdOK_Click()",
    "   pbFortschritt.Value = 0",
    "   Unload Me",
    "End Sub",
};

const std::string kForm = "frmOptionen.frm";
const std::string kSub = "Forms\\";

std::string ErrorMessage(int32_t number, const std::string& description, const std::string& file) {
  return "Fehler: " + std::to_string(number) + "\r\n" + description + "\r\n\r\nDatei: " + file;
}

class ConversionJobTest : public ::testing::Test {
 protected:
  int32_t Convert(const std::string& file_name = kForm) { return ConvertWith(*fs_, file_name); }
  int32_t ConvertWith(FileSystem& fs, const std::string& file_name = kForm) {
    EngineContext ctx{host_, fs, abort_};
    return ConvertFormFile(ctx, dir_.Path(kSub), file_name);
  }
  std::string Read(const std::string& name = kForm) { return dir_.ReadFile(kSub + name); }
  void Write(const std::string& bytes, const std::string& name = kForm) {
    dir_.WriteFile(kSub + name, bytes);
  }
  bool TempExists() { return dir_.Exists(kSub + kTempFormName); }
  std::vector<std::string> FileBarValues() {
    std::vector<std::string> values;
    for (const auto& call : host_.CallsOf({"SetFileBar"})) values.push_back(call.args.at(0));
    return values;
  }

  TempDir dir_;
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
  RecordingHost host_;
  AbortFlag abort_;
};

TEST_F(ConversionJobTest, ConvertsAFormInPlaceThroughTheTemporaryFile) {
  Write(Join(kOptionsForm, "\r\n"));
  EXPECT_EQ(Convert(), kFormConverted);
  EXPECT_EQ(Read(), Join(kOptionsFormConverted, "\r\n"));
  EXPECT_FALSE(TempExists());
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_FALSE(abort_.raised());

  // Options once at the start, then the file name and 0 % with a pump.
  std::vector<testing::HostCall> first(host_.calls.begin(), host_.calls.begin() + 8);
  EXPECT_EQ(testing::ToString(first),
            "ReplaceOption(0)\nReplaceOption(1)\nReplaceOption(2)\nReplaceOption(3)\n"
            "XPStyleOption()\nSetFileCaption(frmOptionen.frm)\nSetFileBar(0)\nPumpMessages()\n");
  EXPECT_EQ(host_.CallsOf({"ReplaceOption", "XPStyleOption"}).size(), 5u);
}

TEST_F(ConversionJobTest, EveryKindOfLineEndIsWrittenBackAsCrLf) {
  const std::string crlf = Join(kOptionsFormConverted, "\r\n");
  std::string mixed;
  for (size_t i = 0; i < kOptionsForm.size(); ++i) {
    static const char* const kEnds[] = {"\r\n", "\n", "\r"};
    mixed += kOptionsForm[i] + kEnds[i % 3];
  }
  std::string no_final_end = Join(kOptionsForm, "\n");
  no_final_end.pop_back();
  for (const std::string& input :
       {Join(kOptionsForm, "\n"), Join(kOptionsForm, "\r"), mixed, no_final_end}) {
    Write(input);
    EXPECT_EQ(Convert(), kFormConverted);
    EXPECT_EQ(Read(), crlf);
    EXPECT_FALSE(TempExists());
  }
}

TEST_F(ConversionJobTest, FormWithoutSelectedKindsKeepsItsBytes) {
  host_.replace = {0, 2, 0, 0};
  std::string mixed_without_final_end = Join(kOptionsForm, "\n") + "Rem\r\n\r\n\rEnd";
  for (const std::string& input : {Join(kOptionsForm, "\n"), mixed_without_final_end}) {
    Write(input);
    EXPECT_EQ(Convert(), kFormUnchanged);
    EXPECT_EQ(Read(), input);
    EXPECT_FALSE(TempExists());
  }
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(ConversionJobTest, EmptyFormRunsNoLineAndStaysEmpty) {
  Write("");
  EXPECT_EQ(Convert(), kFormUnchanged);
  EXPECT_EQ(Read(), "");
  EXPECT_EQ(FileBarValues(), std::vector<std::string>{"0"});
  EXPECT_EQ(host_.pumps, 1);
  EXPECT_FALSE(TempExists());
}

TEST_F(ConversionJobTest, ProgressCountsWholeBlocksOf128BytesAndSkipsTheCopyPhase) {
  // 16 lines of 64 bytes with CR LF, 1024 bytes in all. Lines 4 and 5 are
  // read by the copy phase of the frame on line 3, so they report nothing.
  auto pad = [](std::string line) {
    line.resize(62, ' ');
    return line;
  };
  std::vector<std::string> lines = {
      pad("VERSION 5.00"),
      pad("Begin VB.Form frmFortschritt"),
      pad("   Begin VB.Frame fraRahmen"),
      pad("      Caption         =   \"Rahmen\""),
      pad("   End"),
  };
  for (int i = 6; i <= 16; ++i) lines.push_back(pad("' Zeile " + std::to_string(i)));
  Write(Join(lines, "\r\n"));
  ASSERT_EQ(Read().size(), 1024u);

  EXPECT_EQ(Convert(), kFormConverted);
  // Position after line k is 64 k; whole blocks P; percent = Int(P / 1024 *
  // 100 + 0.5), so 12.5 rounds up to 13 and 37.5 to 38.
  EXPECT_EQ(FileBarValues(), (std::vector<std::string>{"0", "0", "13", "13", "38", "38", "50", "50",
                                                       "63", "63", "75", "75", "88", "88", "100"}));
  // Each value is pumped before the next one is shown.
  const auto calls = host_.CallsOf({"SetFileBar", "PumpMessages"});
  for (size_t i = 0; i + 1 < calls.size(); i += 2) {
    EXPECT_EQ(calls[i].op, "SetFileBar");
    EXPECT_EQ(calls[i + 1].op, "PumpMessages");
  }
}

TEST_F(ConversionJobTest, LinesLongerThanAPieceComeOutByteForByteWithTheBarMoving) {
  // A long header rest, a long property in the copy phase, a font block
  // start with a long run of trailing blanks, and long code lines.
  const std::string long_rest(3 * kLinePieceSize + 5, 'x');
  std::string long_caption(2 * kLinePieceSize, 'y');
  long_caption.front() = long_caption.back() = '"';
  std::string long_code(5 * kLinePieceSize, 'z');
  long_code.replace(0, 2, "' ");
  auto lengthen = [&](std::vector<std::string> lines) {
    for (std::string& line : lines) {
      if (line.ends_with("fraAnzeige ")) line += long_rest;
      if (line.ends_with("Caption         =   \"Anzeige\"")) line += long_caption;
      if (line == "      BeginProperty Font ") line += std::string(kLinePieceSize, ' ');
    }
    lines.push_back(long_code);
    lines.push_back(long_code + std::string(kLinePieceSize, ' '));
    return lines;
  };
  Write(Join(kOptionsForm, "\n"));
  EXPECT_EQ(Convert(), kFormConverted);
  const size_t bar_values_per_line = FileBarValues().size();
  host_.calls.clear();

  Write(Join(lengthen(kOptionsForm), "\n"));
  EXPECT_EQ(Convert(), kFormConverted);
  // Compared without printing megabytes on a failure.
  EXPECT_TRUE(Read() == Join(lengthen(kOptionsFormConverted), "\r\n"));
  EXPECT_TRUE(host_.messages.empty());

  // The bar moves while the long lines pass, and never back.
  const std::vector<std::string> bar = FileBarValues();
  EXPECT_GE(bar.size(), bar_values_per_line + 12);
  for (size_t i = 1; i < bar.size(); ++i) EXPECT_LE(std::stoi(bar[i - 1]), std::stoi(bar[i]));
  EXPECT_EQ(bar.back(), "100");
}

TEST_F(ConversionJobTest, AbortRaisedBeforeTheJobStopsAfterTheFirstLine) {
  const std::string original = Join(kOptionsForm, "\n");
  Write(original);
  abort_.Raise();
  EXPECT_EQ(Convert(), kFormFailed);
  EXPECT_EQ(Read(), original);
  EXPECT_FALSE(TempExists());
  EXPECT_EQ(FileBarValues(), (std::vector<std::string>{"0", "0"}));
  EXPECT_EQ(host_.pumps, 2);
  EXPECT_TRUE(host_.messages.empty());

  Write("");
  EXPECT_EQ(Convert(), kFormFailed);
  EXPECT_EQ(Read(), "");
  EXPECT_FALSE(TempExists());
}

TEST_F(ConversionJobTest, AbortDuringTheJobLeavesTheFormEvenAfterReplacedHeaders) {
  const std::string original = Join(kOptionsForm, "\r\n");
  Write(original);
  // Pump 1 follows the 0 %; pump 18 follows the line after the frame's
  // header, so the frame has been replaced by then.
  host_.on_pump = [this](int pump) {
    if (pump == 18) abort_.Raise();
  };
  EXPECT_EQ(Convert(), kFormFailed);
  EXPECT_EQ(host_.pumps, 18);
  EXPECT_EQ(Read(), original);
  EXPECT_FALSE(TempExists());
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_TRUE(abort_.raised());
}

TEST_F(ConversionJobTest, AbortInThePumpAfterTheReplaceReportsTwoWithTheFormConverted) {
  Write(Join(kOptionsForm, "\r\n"));
  ASSERT_EQ(Convert(), kFormConverted);
  const int last_pump = host_.pumps;

  Write(Join(kOptionsForm, "\r\n"));
  host_.pumps = 0;
  host_.on_pump = [&](int pump) {
    if (pump == last_pump) abort_.Raise();
  };
  EXPECT_EQ(Convert(), kFormFailed);
  EXPECT_EQ(Read(), Join(kOptionsFormConverted, "\r\n"));
  EXPECT_FALSE(TempExists());
}

TEST_F(ConversionJobTest, FailureAtAnyFileOperationLeavesTheFormWhole) {
  const std::string original = Join(kOptionsForm, "\n");
  const std::string converted = Join(kOptionsFormConverted, "\r\n");
  Write(original);
  int total = 0;
  {
    FaultyFileSystem counting;
    ASSERT_EQ(ConvertWith(counting), kFormConverted);
    total = counting.operations();
    ASSERT_GT(total, 2 * static_cast<int>(kOptionsForm.size()));
  }

  for (int n = 1; n <= total; ++n) {
    SCOPED_TRACE("failing operation " + std::to_string(n));
    Write(original);
    host_.messages.clear();
    FaultyFileSystem faulty;
    faulty.FailAt(n);
    const int32_t result = ConvertWith(faulty);
    ASSERT_TRUE(faulty.failed());
    if (result != kFormFailed) {
      // Only the probe for a leftover temporary file swallows its failure.
      EXPECT_EQ(faulty.log().at(static_cast<size_t>(n - 1)), "FileLength");
      EXPECT_EQ(result, kFormConverted);
      EXPECT_EQ(Read(), converted);
      EXPECT_TRUE(host_.messages.empty());
      continue;
    }
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].prompt,
              ErrorMessage(75, "Fehler beim Zugriff auf Pfad/Datei", kForm));
    EXPECT_EQ(host_.messages[0].buttons, mb::kOk);
    EXPECT_EQ(host_.messages[0].title, "");
    EXPECT_EQ(Read(), original);
    EXPECT_FALSE(abort_.raised());

    // Whatever the failure left behind, the next job in the folder succeeds.
    EXPECT_EQ(Convert(), kFormConverted);
    EXPECT_EQ(Read(), converted);
    EXPECT_FALSE(TempExists());
    EXPECT_EQ(host_.messages.size(), 1u);
  }
}

TEST_F(ConversionJobTest, ReadOnlyFormIsNotReplaced) {
  const std::string original = Join(kOptionsForm, "\r\n");
  Write(original);
  dir_.SetReadOnly(kSub + kForm, true);
  EXPECT_EQ(Convert(), kFormFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, ErrorMessage(70, "Zugriff verweigert", kForm));
  EXPECT_EQ(Read(), original);
  EXPECT_TRUE(dir_.IsReadOnly(kSub + kForm));
  // The converted text stays in the temporary file on the error path.
  EXPECT_EQ(dir_.ReadFile(kSub + kTempFormName), Join(kOptionsFormConverted, "\r\n"));
  dir_.SetReadOnly(kSub + kForm, false);
}

TEST_F(ConversionJobTest, MissingFormFailsWithoutLeavingATemporaryFile) {
  dir_.MakeDir(kSub);
  EXPECT_EQ(Convert("frmFehlt.frm"), kFormFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, ErrorMessage(53, "Datei nicht gefunden", "frmFehlt.frm"));
  EXPECT_FALSE(TempExists());
  EXPECT_EQ(dir_.List(kSub), std::vector<std::string>{});
}

TEST_F(ConversionJobTest, FormNamedLikeTheTemporaryFileIsRefusedUntouched) {
  const std::string original = Join(kOptionsForm, "\r\n");
  Write(original, kTempFormName);
  for (const std::string name : {"~form.tmp", "~FORM.TMP", "~Form.Tmp", "~form.tmp. "}) {
    host_.messages.clear();
    EXPECT_EQ(Convert(name), kFormFailed) << name;
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].prompt,
              ErrorMessage(75, "Fehler beim Zugriff auf Pfad/Datei", name));
    EXPECT_EQ(Read(kTempFormName), original);
  }
  EXPECT_TRUE(host_.CallsOf({"SetFileCaption", "SetFileBar"}).empty());
  // A name that merely contains it is a form like any other.
  Write(original, "~form.tmp.frm");
  EXPECT_EQ(Convert("~form.tmp.frm"), kFormConverted);
}

TEST_F(ConversionJobTest, LeftoverTemporaryFileIsDeletedAtTheStart) {
  const std::string plain = Join(kOptionsForm, "\r\n");
  Write("Begin VB.Frame aus einem abgebrochenen Lauf\r\n", kTempFormName);
  host_.replace = {0, 0, 0, 0};
  Write(plain);
  EXPECT_EQ(Convert(), kFormUnchanged);
  EXPECT_FALSE(TempExists());
  EXPECT_EQ(Read(), plain);
}

TEST_F(ConversionJobTest, ReadPastTheEndFailsTheJobAndKeepsTheForm) {
  std::vector<std::string> header_last(kOptionsForm.begin(), kOptionsForm.begin() + 16);
  std::vector<std::string> open_font(kOptionsForm.begin(), kOptionsForm.begin() + 21);
  open_font.insert(open_font.end(), kOptionsForm.begin() + 26, kOptionsForm.end());
  for (const auto& lines : {header_last, open_font}) {
    const std::string original = Join(lines, "\n");
    Write(original);
    host_.messages.clear();
    EXPECT_EQ(Convert(), kFormFailed);
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].prompt, ErrorMessage(62, "Einlesen hinter Dateiende", kForm));
    EXPECT_EQ(Read(), original);
  }
}

TEST_F(ConversionJobTest, NestedHeaderOnTheLastLineIsStillProcessed) {
  const std::vector<std::string> lines = {
      "Begin VB.Form frmRest ",
      "   Begin VB.Frame fraRest ",
      "      Begin VB.OptionButton optRest ",
  };
  Write(Join(lines, "\r\n"));
  host_.replace = {1, 1, 0, 1};
  host_.xp_style = 0;
  EXPECT_EQ(Convert(), kFormConverted);
  EXPECT_EQ(Read(),
            Join({"Begin VB.Form frmRest ", "   Begin qorXPControls.qorFrame fraRest ",
                  "      XPStyle         =   0  'False", "      Begin VB.OptionButton optRest "},
                 "\r\n"));
  // The pending line was taken as a line of its own, with its own progress.
  EXPECT_EQ(host_.pumps, 1 + 3 + 1);
}

TEST_F(ConversionJobTest, FileNameIsShownAsUtf8) {
  const std::string ansi_name = "Swift_Op\xe9ration.frm";
  const std::string shown = "Swift_Op\xc3\xa9ration.frm";
  Write(Join(kOptionsForm, "\r\n"), ansi_name);
  EXPECT_EQ(Convert(ansi_name), kFormConverted);
  EXPECT_EQ(host_.CallsOf({"SetFileCaption"}).at(0).args.at(0), shown);

  EXPECT_EQ(Convert("Mah\xe9.frm"), kFormFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, ErrorMessage(53, "Datei nicht gefunden", "Mah\xc3\xa9.frm"));
}

// Delegates to the native file system but runs out of memory in Replace, the
// last step before the form would change.
class OutOfMemoryAtReplace : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenInput(const std::string& path) override {
    return inner_->OpenInput(path);
  }
  std::unique_ptr<OutputFile> OpenOutput(const std::string& path) override {
    return inner_->OpenOutput(path);
  }
  int64_t FileLength(const std::string& path) override { return inner_->FileLength(path); }
  void Remove(const std::string& path) override { inner_->Remove(path); }
  void CopyOver(const std::string& source, const std::string& target) override {
    inner_->CopyOver(source, target);
  }
  void Replace(const std::string&, const std::string&) override { throw std::bad_alloc(); }
  void CreateFolder(const std::string& path) override { inner_->CreateFolder(path); }
  std::optional<std::string> FirstPlainFile(const std::string& folder) override {
    return inner_->FirstPlainFile(folder);
  }
  std::string ToDisplayText(std::string_view ansi) override { return inner_->ToDisplayText(ansi); }

 private:
  std::unique_ptr<FileSystem> inner_ = MakeNativeFileSystem();
};

TEST_F(ConversionJobTest, RunningOutOfMemoryIsReportedLikeAnyOtherFailure) {
  const std::string original = Join(kOptionsForm, "\r\n");
  Write(original);
  OutOfMemoryAtReplace fs;
  EXPECT_EQ(ConvertWith(fs), kFormFailed);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].prompt, ErrorMessage(7, "Nicht genügend Speicher", kForm));
  EXPECT_EQ(Read(), original);
}

}  // namespace
}  // namespace xpconv

#include "cli/trace_host.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/error.h"
#include "tests/support/recording_host.h"
#include "tests/support/text.h"

namespace xpconv::cli {
namespace {

using testing::Lines;

// Only ToDisplayText is used by the trace: it reads every byte as Latin-1,
// so a test sees whether a text went through it.
class Latin1DisplayFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenInput(const std::string&) override { throw MakeError(75); }
  std::unique_ptr<OutputFile> OpenOutput(const std::string&) override { throw MakeError(75); }
  int64_t FileLength(const std::string&) override { throw MakeError(75); }
  void Remove(const std::string&) override { throw MakeError(75); }
  void CopyOver(const std::string&, const std::string&) override { throw MakeError(75); }
  void Replace(const std::string&, const std::string&) override { throw MakeError(75); }
  void CreateFolder(const std::string&) override { throw MakeError(75); }
  std::optional<std::string> FirstPlainFile(const std::string&) override { throw MakeError(75); }
  std::string ToDisplayText(std::string_view ansi) override {
    std::string out;
    for (char c : ansi) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        out += c;
      } else {
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
      }
    }
    return out;
  }
};

class TraceHostTest : public ::testing::Test {
 protected:
  testing::RecordingHost inner;
  Latin1DisplayFileSystem fs;
  std::ostringstream out;
  TraceHost trace{inner, fs, out};
};

TEST_F(TraceHostTest, EveryOperationIsForwardedAndWrittenInCallOrderWithItsResult) {
  inner.project_path = "C:\\Projekte\\M\xfcller.vbp";
  inner.project_folder = "C:\\Projekte\\";
  inner.SetEntries({"frmA.frm",
                    "Forms\\Gr\xf6\xdf"
                    "e.frm"});
  inner.entries[1].selected = true;
  inner.replace = {1, 0, 1, 1};
  inner.xp_style = 0;
  inner.backup = 0;
  inner.answers = {mb::kAnswerYes, mb::kAnswerOk};

  EXPECT_EQ(trace.BackupOption(), 0);
  EXPECT_EQ(trace.ShowMessage("Frage\r\n\"x\"", mb::kYesNoCancelStop, ""), mb::kAnswerYes);
  trace.SwitchBackupOn();
  EXPECT_EQ(trace.SelectedCount(), 1);
  EXPECT_EQ(trace.ProjectFolder(), "C:\\Projekte\\");
  EXPECT_EQ(trace.ProjectPath(), "C:\\Projekte\\M\xfcller.vbp");
  trace.LoadProgress();
  trace.SetCountCaption("Datei 1 von 1");
  trace.SetTotalBarMax(1);
  trace.ShowProgress();
  trace.SetWizardEnabled(false);
  EXPECT_EQ(trace.EntryCount(), 2);
  EXPECT_FALSE(trace.IsEntrySelected(0));
  EXPECT_TRUE(trace.IsEntrySelected(1));
  EXPECT_EQ(trace.EntryText(1),
            "Forms\\Gr\xf6\xdf"
            "e.frm");
  EXPECT_EQ(trace.ReplaceOption(1), 0);
  EXPECT_EQ(trace.XPStyleOption(), 0);
  trace.SetFileCaption("Größe.frm");
  trace.SetFileBar(37);
  trace.SetTotalBar(1);
  trace.PumpMessages();
  trace.SetWizardEnabled(true);
  trace.UnloadProgress();
  EXPECT_EQ(trace.ShowMessage("1 Datei(en)", mb::kOkInformation, "Konvertierung erfolgreich"),
            mb::kAnswerOk);

  const std::vector<std::string> expected = {
      R"({"op":"BackupOption","args":[],"result":0})",
      R"({"op":"ShowMessage","args":["Frage\r\n\"x\"",19,""],"result":6})",
      R"({"op":"SwitchBackupOn","args":[]})",
      R"({"op":"SelectedCount","args":[],"result":1})",
      R"({"op":"ProjectFolder","args":[],"result":"C:\\Projekte\\"})",
      R"({"op":"ProjectPath","args":[],"result":"C:\\Projekte\\Müller.vbp"})",
      R"({"op":"LoadProgress","args":[]})",
      R"({"op":"SetCountCaption","args":["Datei 1 von 1"]})",
      R"({"op":"SetTotalBarMax","args":[1]})",
      R"({"op":"ShowProgress","args":[]})",
      R"({"op":"SetWizardEnabled","args":[false]})",
      R"({"op":"EntryCount","args":[],"result":2})",
      R"({"op":"IsEntrySelected","args":[0],"result":false})",
      R"({"op":"IsEntrySelected","args":[1],"result":true})",
      R"({"op":"EntryText","args":[1],"result":"Forms\\Größe.frm"})",
      R"({"op":"ReplaceOption","args":[1],"result":0})",
      R"({"op":"XPStyleOption","args":[],"result":0})",
      R"({"op":"SetFileCaption","args":["Größe.frm"]})",
      R"({"op":"SetFileBar","args":[37]})",
      R"({"op":"SetTotalBar","args":[1]})",
      R"({"op":"PumpMessages","args":[]})",
      R"({"op":"SetWizardEnabled","args":[true]})",
      R"({"op":"UnloadProgress","args":[]})",
      R"x({"op":"ShowMessage","args":["1 Datei(en)",64,"Konvertierung erfolgreich"],"result":1})x",
  };
  EXPECT_EQ(Lines(out.str()), expected);

  // The wrapped host saw the same calls, so the trace changes nothing.
  EXPECT_EQ(inner.calls.size(), expected.size());
  EXPECT_EQ(inner.backup, 1);
  EXPECT_FALSE(inner.progress_loaded);
  EXPECT_EQ(inner.file_bar, 37);
}

TEST_F(TraceHostTest, NegativeAndLargeNumbersAreWrittenAsTheyAre) {
  trace.SetFileBar(-1);
  trace.SetTotalBarMax(2147483647);
  EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{
                                  R"({"op":"SetFileBar","args":[-1]})",
                                  R"({"op":"SetTotalBarMax","args":[2147483647]})",
                              }));
}

}  // namespace
}  // namespace xpconv::cli

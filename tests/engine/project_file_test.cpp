#include "engine/project_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"

namespace xpconv {
namespace {

using testing::FaultyFileSystem;
using testing::JoinLines;
using testing::ProjectText;
using testing::TempDir;

const std::string kStdole =
    "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#..\\..\\WINDOWS\\SYSTEM\\"
    "stdole2.tlb#OLE Automation";
const std::string kComctl = "Object={831FDD16-0C5C-11D2-A9FC-0000F8754DA1}#2.0#0; MSCOMCTL.OCX";
const std::string kLibLine = kLibraryReferenceLine;

size_t Occurrences(const std::string& text, const std::string& key) {
  size_t count = 0;
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) ++count;
  return count;
}

class ProjectFileTest : public ::testing::Test {
 protected:
  // Writes the project, adds the reference without backup and returns the
  // project's bytes afterwards.
  std::string AddTo(const std::string& text) {
    dir_.WriteFile("Kunden.vbp", text);
    AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), false);
    return dir_.ReadFile("Kunden.vbp");
  }

  TempDir dir_;
  std::unique_ptr<FileSystem> fs_ = MakeNativeFileSystem();
};

TEST(ProjectFolderOfTest, CutsBehindTheLastBackslash) {
  EXPECT_EQ(ProjectFolderOf("C:\\Proj\\App.vbp"), "C:\\Proj\\");
  EXPECT_EQ(ProjectFolderOf("\\\\server\\share\\Kunden\\Kunden.vbp"),
            "\\\\server\\share\\Kunden\\");
  EXPECT_EQ(ProjectFolderOf("C:\\Proj\\"), "C:\\Proj\\");
  EXPECT_EQ(ProjectFolderOf("App.vbp"), "");
  EXPECT_EQ(ProjectFolderOf("C:App.vbp"), "");
  EXPECT_EQ(ProjectFolderOf(""), "");
}

TEST_F(ProjectFileTest, ReadsOnlyLinesStartingExactlyWithFormTrimmedOfSpaces) {
  dir_.WriteFile("Kunden.vbp", JoinLines({
                                   "Type=Exe",
                                   kStdole,
                                   "Form=frmHaupt.frm",
                                   "Form=   Forms\\frmKunde.frm  ",
                                   "form=frmKlein.frm",
                                   "  Form=frmEingerueckt.frm",
                                   "Form=\tfrmTab.frm\t",
                                   "Form=",
                                   "Form=frmHaupt.frm",
                                   "Form=Forms\\frm\xdc"
                                   "bersicht.frm",
                                   "Module=basStart; basStart.bas",
                                   "UserControl=ctlForm=x.ctl",
                               }));
  const std::vector<std::string> expected = {"frmHaupt.frm",
                                             "Forms\\frmKunde.frm",
                                             "\tfrmTab.frm\t",
                                             "",
                                             "frmHaupt.frm",
                                             "Forms\\frm\xdc"
                                             "bersicht.frm"};
  EXPECT_EQ(ReadFormEntries(*fs_, dir_.Path("Kunden.vbp")), expected);
}

TEST_F(ProjectFileTest, ReadsEntriesAlikeWhateverTheLineEnds) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(eol[0] == '\n' ? "LF" : eol[1] == '\n' ? "CR LF" : "CR");
    // The last entry has no line end of its own.
    std::string text =
        ProjectText({"frmHaupt.frm", "Forms\\frmKunde.frm"}, eol) + "Form=frmLetzte.frm";
    dir_.WriteFile("Kunden.vbp", text);
    const std::vector<std::string> expected = {"frmHaupt.frm", "Forms\\frmKunde.frm",
                                               "frmLetzte.frm"};
    EXPECT_EQ(ReadFormEntries(*fs_, dir_.Path("Kunden.vbp")), expected);
  }
}

TEST_F(ProjectFileTest, ProjectWithoutFormsGivesNoEntriesAndAMissingOneAnError) {
  dir_.WriteFile("Leer.vbp", ProjectText({}));
  EXPECT_TRUE(ReadFormEntries(*fs_, dir_.Path("Leer.vbp")).empty());
  dir_.WriteFile("Nichts.vbp", "");
  EXPECT_TRUE(ReadFormEntries(*fs_, dir_.Path("Nichts.vbp")).empty());

  try {
    ReadFormEntries(*fs_, dir_.Path("Fehlt.vbp"));
    FAIL() << "no error for a missing project";
  } catch (const VbError& error) {
    EXPECT_EQ(error.number(), err::kFileNotFound);
  }
}

TEST_F(ProjectFileTest, PutsTheLibraryLineBehindTheLastReferenceWhenNoObjectLineExists) {
  // The worked example: first line, one reference, one form.
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", kStdole, "Form=frmHaupt.frm"})),
            JoinLines({"Type=Exe", kStdole, kLibLine, "Form=frmHaupt.frm"}));
  // The last of several references counts.
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", kStdole, "Form=frmHaupt.frm", kStdole, "Startup=x"})),
            JoinLines({"Type=Exe", kStdole, "Form=frmHaupt.frm", kStdole, kLibLine, "Startup=x"}));
}

TEST_F(ProjectFileTest, PutsTheLibraryLineBeforeTheFirstObjectLineEvenWithLaterReferences) {
  const std::string tabctl = "Object={BDC217C8-ED16-11CD-956C-0000C04E4C0A}#1.1#0; tabctl32.ocx";
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", kComctl, tabctl, kStdole, "Form=frmHaupt.frm"})),
            JoinLines({"Type=Exe", kLibLine, kComctl, tabctl, kStdole, "Form=frmHaupt.frm"}));
}

TEST_F(ProjectFileTest, ObjectTextInsideAnotherLineIsNoObjectEntryAndStaysWhole) {
  // Found by fuzzing: the library line went into the middle of such a line
  // and cut a form entry in two.
  const std::string title = "Title=\"Object={Test}\"";
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", kStdole, "Form=Object={x}.frm", title})),
            JoinLines({"Type=Exe", kStdole, kLibLine, "Form=Object={x}.frm", title}));
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", title, kComctl, "Form=frmHaupt.frm"})),
            JoinLines({"Type=Exe", title, kLibLine, kComctl, "Form=frmHaupt.frm"}));
}

TEST_F(ProjectFileTest, WithoutReferenceOrObjectTheLibraryLineBecomesTheSecondLine) {
  EXPECT_EQ(AddTo(JoinLines({"Type=Exe", "Form=frmHaupt.frm", "Startup=\"frmHaupt\""})),
            JoinLines({"Type=Exe", kLibLine, "Form=frmHaupt.frm", "Startup=\"frmHaupt\""}));
}

TEST_F(ProjectFileTest, FindsTheLineAfterTheReferenceInLfAndCrProjectsAndKeepsTheirBytes) {
  for (const char* eol : {"\n", "\r"}) {
    SCOPED_TRACE(eol[0] == '\n' ? "LF" : "CR");
    const std::string head = JoinLines({"Type=Exe", kStdole}, eol);
    const std::string tail = JoinLines({"Form=frmHaupt.frm", "Startup=\"frmHaupt\""}, eol);
    // Only the new line ends in CR LF; every other byte stays as it was.
    EXPECT_EQ(AddTo(head + tail), head + kLibLine + "\r\n" + tail);
  }
}

TEST_F(ProjectFileTest, EndsAnOpenLastLineBeforeAddingTheLibraryLine) {
  // The reference is the last line and has no line end.
  EXPECT_EQ(AddTo("Type=Exe\r\n" + kStdole), "Type=Exe\r\n" + kStdole + "\r\n" + kLibLine + "\r\n");
  // No reference at all, and a single line without line end.
  EXPECT_EQ(AddTo("Type=Exe"), "Type=Exe\r\n" + kLibLine + "\r\n");
  // A line end at the very end of the file: the new line simply follows it.
  EXPECT_EQ(AddTo("Type=Exe\n" + kStdole + "\n"),
            "Type=Exe\n" + kStdole + "\n" + kLibLine + "\r\n");
  // An empty project gets the line alone.
  EXPECT_EQ(AddTo(""), kLibLine + "\r\n");
}

TEST_F(ProjectFileTest, LeavesAProjectNamingTheLibraryInAnyLetterCaseByteForByte) {
  const std::string named = ProjectText({"frmHaupt.frm"}) +
                            "Object={5B2E7A14-3C8D-4F61-A9E2-7D04C1B6F358}#2.24#0; QORXPctl.OCX\n";
  dir_.MakeDir("_Backup");
  dir_.WriteFile("Kunden.vbp", named);
  AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), true);
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), named);
  // The backup copy is made all the same.
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), named);
}

TEST_F(ProjectFileTest, AddsTheLineOnceWhenRunTwice) {
  const std::string original = ProjectText({"frmHaupt.frm", "Forms\\frmKunde.frm"});
  const std::string once = AddTo(original);
  EXPECT_EQ(Occurrences(once, kLibLine), 1u);
  AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), false);
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), once);
  // Nothing of the temporary file stays behind.
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"Kunden.vbp"});
}

TEST_F(ProjectFileTest, BacksUpTheProjectAsItWasOverAnOlderCopyOnlyWhenAsked) {
  const std::string original = ProjectText({"frmHaupt.frm"});
  dir_.WriteFile("Kunden.vbp", original);
  dir_.WriteFile("_Backup\\Kunden.vbp", "alte Sicherung");

  AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), false);
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), "alte Sicherung");

  dir_.WriteFile("Kunden.vbp", original);
  AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), true);
  EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), original);
  EXPECT_EQ(Occurrences(dir_.ReadFile("Kunden.vbp"), kLibLine), 1u);
}

TEST_F(ProjectFileTest, RemovesATemporaryFileLeftByAnEarlierFailure) {
  dir_.WriteFile("~project.tmp", "Reste eines abgebrochenen Laufs");
  const std::string result = AddTo(ProjectText({"frmHaupt.frm"}));
  EXPECT_EQ(Occurrences(result, kLibLine), 1u);
  EXPECT_FALSE(dir_.Exists("~project.tmp"));
}

TEST_F(ProjectFileTest, PassesFailuresOnAndLeavesTheProjectWhole) {
  const std::string original = ProjectText({"frmHaupt.frm"});
  EXPECT_THROW(AddLibraryReference(*fs_, dir_.Path("Fehlt.vbp"), dir_.Path("_Backup\\"), false),
               VbError);

  // A missing backup folder stops the run before the project is touched.
  dir_.WriteFile("Kunden.vbp", original);
  EXPECT_THROW(AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), true),
               VbError);
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), original);

  // A read-only project is refused, not rewritten behind the user's back.
  dir_.SetReadOnly("Kunden.vbp", true);
  EXPECT_THROW(AddLibraryReference(*fs_, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), false),
               VbError);
  dir_.SetReadOnly("Kunden.vbp", false);
  EXPECT_EQ(dir_.ReadFile("Kunden.vbp"), original);
  EXPECT_FALSE(dir_.Exists("~project.tmp"));
}

TEST_F(ProjectFileTest, AFailureAtAnyFileOperationLeavesTheProjectOldOrNewNeverHalf) {
  const std::string original = ProjectText({"frmHaupt.frm", "Forms\\frmKunde.frm"}, "\n");
  const std::string converted = AddTo(original);
  ASSERT_NE(converted, original);

  FaultyFileSystem faulty(*fs_);
  int failures = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("failing operation " + std::to_string(n));
    dir_.WriteFile("Kunden.vbp", original);
    dir_.WriteFile("_Backup\\Kunden.vbp", "alt");
    faulty.Reset();
    faulty.FailAt(n);
    bool failed = false;
    try {
      AddLibraryReference(faulty, dir_.Path("Kunden.vbp"), dir_.Path("_Backup\\"), true);
    } catch (const VbError&) {
      failed = true;
      ++failures;
    }
    const std::string now = dir_.ReadFile("Kunden.vbp");
    EXPECT_TRUE(now == original || now == converted);
    EXPECT_FALSE(dir_.Exists("~project.tmp"));
    if (now == converted) {
      EXPECT_FALSE(failed);
      EXPECT_EQ(dir_.ReadFile("_Backup\\Kunden.vbp"), original);
    }
    if (n > faulty.operations()) {
      EXPECT_FALSE(failed);
      break;
    }
  }
  EXPECT_GT(failures, 3);
}

}  // namespace
}  // namespace xpconv

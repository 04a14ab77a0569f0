#include "engine/code_check.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/backup_folders.h"
#include "engine/error.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::FaultyFileSystem;
using testing::TempDir;

// A project whose code names replaced classes in every kind of module, with
// the line ends real checkouts have: CR LF, LF, a lone CR, Windows-1252 bytes
// and a last line without an end.
const std::string kFormHead =
    "VERSION 5.00\r\nBegin VB.Form frmKunde \r\n   Begin VB.CheckBox chkAktiv \r\n"
    "      Caption = \"CheckBox\"\r\n   End\r\nEnd\r\nAttribute VB_Name = \"frmKunde\"\r\n"
    "Private Sub Leeren()\r\n   For i = 0 To Controls.Count - 1\r\n      If ";
const std::string kModuleHead =
    "Attribute VB_Name = \"basFelder\"\n' Pr\xfc"
    "ft Rahmen\nPublic Function IstRahmen(c As Control) As Boolean\r   IstRahmen = ";
const std::string kModuleTail =
    "\n   If TypeName(c) = \"CheckBox\" Then Exit Function\r\nEnd Function";
const std::map<std::string, std::string> kFiles = {
    // Entries as hands leave them too: a module without its name, one without
    // its file, blanks behind; lines of other keys name no code module.
    {"App.vbp",
     "Type=Exe\r\nForm=frmKunde.frm\r\nModule=basFelder; Module\\basFelder.bas\r\n"
     "Class=CKunde;CKunde.cls  \r\nModule=fehlt.bas\r\nModule=basLeer; \r\n"
     "module=basKlein; basKlein.bas\r\nUserControl=ctlA.ctl\r\nPropertyPage=ppgA.pag\r\n"
     "Designer=dsrA.dsr\r\n"},
    {"frmKunde.frm",
     kFormHead +
         "TypeOf Controls(i) Is CheckBox Then Controls(i).Value = 0\r\n   Next\r\nEnd Sub\r\n"},
    {"Module\\basFelder.bas", kModuleHead + "TypeOf c Is VB.Frame" + kModuleTail},
    {"CKunde.cls",
     "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\n"
     "Attribute VB_Name = \"CKunde\"\r\nPrivate WithEvents mOption As OptionButton\r\n"},
    {"ctlA.ctl", "VERSION 5.00\r\nBegin VB.UserControl ctlA \r\nEnd\r\nDim f As Frame\r\n"},
};

// The modules with their type tests mended: every other byte as it was.
const std::map<std::string, std::string> kMended = {
    {"frmKunde.frm",
     kFormHead + "(TypeOf Controls(i) Is CheckBox Or TypeOf Controls(i) Is qorXPControls.qorCheck) "
                 "Then Controls(i).Value = 0\r\n   Next\r\nEnd Sub\r\n"},
    {"Module\\basFelder.bas",
     kModuleHead + "(TypeOf c Is VB.Frame Or TypeOf c Is qorXPControls.qorFrame)" + kModuleTail},
};

// "entry line:column form" for each finding, "entry error N" for a module
// that could not be read.
std::vector<std::string> Found(const ProjectCodeCheck& check) {
  std::vector<std::string> found;
  for (const ModuleCheck& module : check.modules) {
    if (module.error_number != 0) {
      found.push_back(module.entry + " error " + std::to_string(module.error_number));
    }
    for (const CodeFinding& f : module.scan.findings) {
      found.push_back(module.entry + " " + std::to_string(f.line) + ":" + std::to_string(f.column) +
                      " " + std::string(CodeFindingFormKey(f.form)) +
                      (module.Fixed(f) ? " fixed" : ""));
    }
  }
  return found;
}

void WriteFiles(const TempDir& to) {
  for (const auto& [name, bytes] : kFiles) to.WriteFile(name, bytes);
}

TEST(CodeCheckTest, ReadsEveryModuleGoingOnPastErrorsAndMendsTypeTestsOnlyOnceUnderTheRunLock) {
  TempDir dir;
  WriteFiles(dir);
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::string project = dir.Path("App.vbp");
  CodeCheckOptions options;
  options.designers = true;
  const ProjectCodeCheck check = CheckProjectCode(*fs, project, options);
  EXPECT_EQ(Found(check),
            (std::vector<std::string>{
                "frmKunde.frm 10:32 type_test", "Module\\basFelder.bas 4:28 type_test",
                "Module\\basFelder.bas 5:21 type_name", "CKunde.cls 6:31 declaration",
                "fehlt.bas error 53", "ctlA.ctl 4:10 declaration", "ppgA.pag error 53"}));
  EXPECT_EQ(check.OpenFindings(), 5);
  EXPECT_EQ(check.Mendable(), 2);
  EXPECT_EQ(check.Errors(), 2);
  for (const auto& [name, bytes] : kFiles) EXPECT_EQ(dir.ReadFile(name), bytes) << name;
  EXPECT_FALSE(dir.Exists("_Backup"));
  EXPECT_EQ(CheckProjectCode(*fs, dir.Path("Fehlt.vbp"), {}).error_number, err::kFileNotFound);

  // The backup a run made of the form before converting it is what a
  // restore must bring back, with the project file as it was.
  dir.WriteFile("_Backup\\frmKunde.frm", "the form before the run");
  options.designers = false;
  options.fix = true;
  // Not while another command holds the project.
  std::unique_ptr<RunLock> held = fs->LockRun(project);
  EXPECT_FALSE(RunCodeCheck(*fs, project, options).has_value());
  held.reset();
  const ProjectCodeCheck mend = RunCodeCheck(*fs, project, options).value();
  EXPECT_EQ(mend.MendedNow(), 2);
  EXPECT_EQ(mend.OpenFindings(), 2);  // the type name and the declaration
  EXPECT_EQ(Found(mend)[0], "frmKunde.frm 10:32 type_test fixed");
  for (const auto& [name, bytes] : kFiles) {
    const auto mended = kMended.find(name);
    EXPECT_EQ(dir.ReadFile(name), mended == kMended.end() ? bytes : mended->second) << name;
  }
  EXPECT_EQ(dir.ReadFile("_Backup\\frmKunde.frm"), "the form before the run");
  EXPECT_EQ(dir.ReadFile("Module\\_Backup\\basFelder.bas"), kFiles.at("Module\\basFelder.bas"));
  EXPECT_EQ(dir.List("Module"), (std::vector<std::string>{"_Backup", "basFelder.bas"}));
  EXPECT_EQ(mend.modules[1].backup_folder, dir.Path("Module\\_Backup\\"));

  const ProjectCodeCheck again = CheckProjectCode(*fs, project, options);
  EXPECT_EQ(again.MendedNow() + again.Mendable(), 0);
  EXPECT_EQ(Found(again)[0], "frmKunde.frm 10:33 type_test fixed");
  for (const auto& [name, bytes] : kMended) EXPECT_EQ(dir.ReadFile(name), bytes) << name;
}

TEST(CodeCheckTest, AFailureAtAnyOperationLosesNothing) {
  CodeCheckOptions options;
  options.fix = true;
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    TempDir fresh;
    WriteFiles(fresh);
    FaultyFileSystem faulty;
    faulty.FailAt(n);
    const ProjectCodeCheck check = CheckProjectCode(faulty, fresh.Path("App.vbp"), options);
    for (const ModuleCheck& module : check.modules) {
      const auto mended = kMended.find(module.entry);
      if (mended == kMended.end()) continue;
      // Whole, and mended exactly when the check says so; a mended module's
      // backup holds it as it was.
      EXPECT_EQ(fresh.ReadFile(module.entry),
                module.mended ? mended->second : kFiles.at(module.entry));
      const std::string backup = BackupPathOf(module.entry);
      if (module.mended && (fresh.Exists(backup) || module.error_number == 0)) {
        EXPECT_EQ(fresh.ReadFile(backup), kFiles.at(module.entry));
      }
    }
    if (!faulty.failed()) {
      EXPECT_EQ(check.MendedNow(), 2);
      break;
    }
    EXPECT_GE(check.Errors(), 1);
  }
}

}  // namespace
}  // namespace xpconv

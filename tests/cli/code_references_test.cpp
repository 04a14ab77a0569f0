// The code check as the console program shows and reports it: after run and
// its preview, as check-code, with --fix-code, in the reports and the patch.
#include "cli/code_references.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/app.h"
#include "tests/support/xpconvert_test.h"

namespace xpconv::cli {
namespace {

constexpr const char* kFormCode =
    "Private Sub Leeren()\r\n   For Each c In Controls\r\n"
    "      If TypeOf c Is CheckBox Then c.Value = 0\r\n   Next\r\nEnd Sub\r\n";
// LF line ends, a lone CR, a Windows-1252 byte, no line end at the end.
constexpr const char* kModule =
    "Attribute VB_Name = \"basFelder\"\n' Pr\xfc"
    "ft Felder\nPublic Function IstRahmen(c As Control) As Boolean\r"
    "   IstRahmen = TypeOf c Is VB.Frame\n   If TypeName(c) = \"CheckBox\" Then Exit Function\n"
    "End Function";

// Every file below folder but the backups, with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(item.path(), folder).generic_string();
    if (!item.is_regular_file() || name.find("_Backup") != std::string::npos) continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[name] = bytes.str();
  }
  return files;
}

// The 1-based line of a form (CR LF line ends) that holds what.
int64_t LineOf(const std::string& form, const std::string& what) {
  return 1 + std::count(form.begin(), form.begin() + form.find(what), '\n');
}

class CodeReferencesTest : public testing::XpconvertTest {
 protected:
  CodeReferencesTest() { MakeProject(); }

  // A form with every replaceable kind whose code tests for a check box, a
  // module naming a frame and a check box, a class naming none; with
  // missing, a module the project lists that is not there.
  void MakeProject(bool missing = false) {
    for (const auto& item : std::filesystem::directory_iterator(dir.native())) {
      std::filesystem::remove_all(item.path());
    }
    dir.WriteFile("App.vbp",
                  "Type=Exe\r\nForm=frmA.frm\r\nModule=basFelder; Module\\basFelder.bas\r\n"
                  "Class=CListe; CListe.cls\r\n" +
                      std::string(missing ? "Module=basFehlt; fehlt.bas\r\n" : ""));
    dir.WriteFile("frmA.frm", testing::ConvertibleForm("frmA") + kFormCode);
    dir.WriteFile("Module\\basFelder.bas", kModule);
    dir.WriteFile("CListe.cls", "VERSION 1.0 CLASS\r\nBEGIN\r\nEND\r\nDim m As Collection\r\n");
  }

  // The command on App.vbp, or on the project given.
  int Run(std::vector<std::string> args, const std::string& project = "") {
    args.insert(args.begin() + 1, project.empty() ? Arg("App.vbp") : project);
    return XpconvertTest::Run(args);
  }
};

TEST_F(CodeReferencesTest, RunPreviewAndCheckCodeListTheLinesByFileAndCount) {
  const auto original = Snapshot(dir.native());
  // The form's test is on this line before the conversion, on that after.
  const int64_t original_line = LineOf(dir.ReadFile("frmA.frm"), "If ");
  ASSERT_EQ(Run({"run", "--yes"}), kExitOk);
  const int64_t converted_line = LineOf(dir.ReadFile("frmA.frm"), "If ");
  ASSERT_NE(original_line, converted_line);
  const std::string header = "Code, der ersetzte Steuerelementtypen nennt:\n";
  using enum FixTense;
  // Behind a mendable test's kind, and behind the count.
  const std::map<FixTense, std::pair<std::string, std::string>> told = {
      {kNone, {"", "; --fix-code ergänzt 2 Typprüfung(en)"}},
      {kWouldBe, {", würde ergänzt", "; 2 Typprüfung(en) würden ergänzt"}},
      {kDone, {", ergänzt", "; 2 Typprüfung(en) ergänzt"}}};
  testing::TempDir reports;
  const std::string json = reports.native() + "/r.json", csv = reports.native() + "/r.csv";
  const struct {
    std::vector<std::string> args;
    bool missing;  // the project lists a module that is not there
    int status;
    bool converted;
    FixTense tense;
  } cases[] = {
      {{"check-code"}, false, kExitOk, false, kNone},
      // A module that cannot be read is said; the run goes on, and fails
      // only when it was asked to mend.
      {{"run", "--yes", "--report", json}, true, kExitOk, true, kNone},
      {{"run", "--dry-run", "--fix-code", "--report", csv}, true, kExitFailed, true, kWouldBe},
      // Last: what follows starts from the project it converted and mended.
      {{"run", "--yes", "--fix-code", "--fail-on-code-references"},
       false,
       kExitCodeReferences,
       true,
       kDone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    MakeProject(c.missing);
    EXPECT_EQ(Run(c.args), c.status) << err.str();
    const auto& [fix, count] = told.at(c.tense);
    const std::string text = out.str();
    EXPECT_EQ(text.substr(std::min(text.find(header), text.size())),
              header +
                  "  frmA.frm:" + std::to_string(c.converted ? converted_line : original_line) +
                  ": If TypeOf c Is CheckBox Then c.Value = 0 (Typprüfung, CheckBox" + fix +
                  ")\n  Module\\basFelder.bas:4: IstRahmen = TypeOf c Is VB.Frame (Typprüfung, "
                  "Frame" +
                  fix +
                  ")\n  Module\\basFelder.bas:5: If TypeName(c) = \"CheckBox\" Then Exit "
                  "Function (Typname, CheckBox)\n3 Codestelle(n) in 2 Datei(en)" +
                  count +
                  ".\nDie übrigen Stellen bitte von Hand prüfen: --fix-code ergänzt nur "
                  "Typprüfungen, die auf einer Zeile stehen.\n");
    EXPECT_EQ(err.str(),
              c.missing ? "fehlt.bas: Code nicht geprüft, Fehler 53: Datei nicht gefunden\n" : "");
  }

  // Both reports say so; files are named as the disk spells them (their
  // folders with the system's separator).
  const struct {
    const char* report;
    const char* field;
  } fields[] = {
      {"r.json",
       "basFelder.bas\", \"entry\": \"Module\\\\basFelder.bas\", \"module\": \"Module\", "
       "\"line\": 4, \"column\": 28, \"kind\": \"Frame\", \"form\": \"type_test\", \"text\": "
       "\"   IstRahmen = TypeOf c Is VB.Frame\", \"fixed\": false, \"suggestion\": "
       "\"Typprüfung um qorFrame ergänzen\"}"},
      {"r.json",
       "fehlt.bas\", \"entry\": \"fehlt.bas\", \"module\": \"Module\", \"error\": "
       "{\"number\": 53, \"text\": \"Datei nicht gefunden\"}}\n      ]"},
      {"r.csv",
       ",exit_status,code_line,code_column,code_kind,code_form,code_text,code_fixed,"
       "code_suggestion\r\n"},
      {"r.csv",
       "basFelder.bas,code_reference,,,,,,,false,1,4,28,Frame,type_test,   IstRahmen = "
       "TypeOf c Is VB.Frame,true,Typprüfung um qorFrame ergänzen\r\n"},
      {"r.csv", ",code_error,,,,,53,Datei nicht gefunden,false,1,,,,,,,\r\n"},
  };
  for (const auto& f : fields) {
    EXPECT_NE(reports.ReadFile(f.report).find(f.field), std::string::npos) << f.field;
  }

  // Mended, the type tests are no longer listed; the kinds kept are not
  // looked for.
  EXPECT_EQ(Run({"check-code", "--fail-on-code-references"}), kExitCodeReferences);
  EXPECT_NE(out.str().find("1 Codestelle(n) in 1 Datei(en).\n"), std::string::npos) << out.str();
  EXPECT_EQ(Run({"check-code", "--keep", "checkbox", "--fail-on-code-references"}), kExitOk);
  EXPECT_EQ(out.str(), "Kein Code nennt ersetzte Steuerelementtypen (3 Datei(en) geprüft).\n");

  // A restore gives back the project as it was, the forms and the mended
  // module from the backups the run made.
  ASSERT_EQ(Run({"restore", "--yes"}), kExitOk);
  EXPECT_NE(out.str().find("\n  Module\\basFelder.bas: wird wiederhergestellt\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(Snapshot(dir.native()), original);
}

TEST_F(CodeReferencesTest, AFormThatCannotBeMendedIsSaidAndCodeWithoutFindingsReportsAsBefore) {
  // A read-only form: the module is mended all the same.
  dir.SetReadOnly("frmA.frm", true);
  EXPECT_EQ(Run({"check-code", "--fix-code"}), kExitFailed);
  dir.SetReadOnly("frmA.frm", false);
  EXPECT_EQ(err.str(), "frmA.frm: Code nicht ergänzt, Fehler 70: Zugriff verweigert\n");
  EXPECT_NE(out.str().find("3 Codestelle(n) in 2 Datei(en); 1 Typprüfung(en) ergänzt; --fix-code "
                           "ergänzt 1 Typprüfung(en).\n"),
            std::string::npos)
      << out.str();

  // A project whose code names no replaced class reports as before.
  MakeProject();
  ASSERT_EQ(
      Run({"run", "--yes", "--keep", "frame", "--keep", "checkbox", "--report", Arg("plain.json")}),
      kExitOk);
  EXPECT_EQ(dir.ReadFile("plain.json").find("code_"), std::string::npos);
}

#ifndef _WIN32
// What the users will do: preview the fix as a patch, apply it, and
// find it equal to the real run.
TEST_F(CodeReferencesTest, ThePreviewsPatchOfTheFixIsTheRunOnTheSampleAndThisProject) {
  if (std::system("git --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
  std::filesystem::copy(XPC_SAMPLES_DIR "/Kundenverwaltung", dir.native() + "/kv",
                        std::filesystem::copy_options::recursive);
  for (const std::string& project : {Arg("App.vbp"), Arg("kv/Kundenverwaltung.vbg")}) {
    SCOPED_TRACE(project);
    const std::string folder = project.substr(0, project.rfind('/'));
    testing::TempDir real;
    std::filesystem::copy(folder, real.native(), std::filesystem::copy_options::recursive);
    ASSERT_EQ(Run({"run", "--designers", "--fix-code", "--dry-run", "--diff"}, project), kExitOk);
    EXPECT_NE(err.str().find("Typprüfung(en) würden ergänzt"), std::string::npos) << err.str();
    dir.WriteFile("fix.patch", out.str());
    const std::string real_project = real.native() + project.substr(folder.size());
    ASSERT_EQ(Run({"run", "--designers", "--fix-code", "--yes"}, real_project), kExitOk);
    const std::string apply =
        "cd '" + folder + "' && git apply '" + Arg("fix.patch") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(apply.c_str()), 0);
    std::filesystem::remove(Arg("fix.patch"));
    EXPECT_EQ(Snapshot(folder), Snapshot(real.native()));
  }
}
#endif

}  // namespace
}  // namespace xpconv::cli

// The code check as the console program shows and reports it: after run and
// its preview, as check-code, with --fix-code, in the reports and the patch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
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

// The 1-based line of text (lines end at CR LF, LF or CR) that holds what.
int64_t LineOf(const std::string& text, const std::string& what) {
  int64_t line = 1;
  for (size_t i = 0; i < text.find(what); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n')) ++line;
  }
  return line;
}

class CodeReferencesTest : public testing::XpconvertTest {
 protected:
  CodeReferencesTest() { MakeProject(); }

  // A form with every replaceable kind whose code tests for a check box, a
  // module naming a frame and a check box, a class naming none.
  void MakeProject() {
    for (const auto& item : std::filesystem::directory_iterator(dir.native())) {
      std::filesystem::remove_all(item.path());
    }
    dir.WriteFile("App.vbp",
                  "Type=Exe\r\nForm=frmA.frm\r\nModule=basFelder; Module\\basFelder.bas\r\n"
                  "Class=CListe; CListe.cls\r\n");
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
  const std::string header = "Code, der ersetzte Steuerelementtypen nennt:\n";
  const std::string module_lines =
      "  Module\\basFelder.bas:4: IstRahmen = TypeOf c Is VB.Frame (Typprüfung, Frame{fix})\n"
      "  Module\\basFelder.bas:5: If TypeName(c) = \"CheckBox\" Then Exit Function (Typname, "
      "CheckBox)\n";
  const std::string by_hand =
      "Die übrigen Stellen bitte von Hand prüfen: --fix-code ergänzt nur Typprüfungen, die auf "
      "einer Zeile stehen.\n";
  const struct {
    std::vector<std::string> args;
    int status;
    bool converted;   // the form's lines are those of the converted form
    std::string fix;  // behind a mendable test's kind
    std::string count;
  } cases[] = {
      {{"check-code"}, kExitOk, false, "", "; --fix-code ergänzt 2 Typprüfung(en)"},
      {{"run", "--dry-run"}, kExitOk, true, "", "; --fix-code ergänzt 2 Typprüfung(en)"},
      {{"run", "--dry-run", "--fix-code"},
       kExitOk,
       true,
       ", würde ergänzt",
       "; 2 Typprüfung(en) würden ergänzt"},
      {{"run", "--yes", "--fix-code", "--fail-on-code-references"},
       kExitCodeReferences,
       true,
       ", ergänzt",
       "; 2 Typprüfung(en) ergänzt"},
      {{"check-code", "--fix-code"}, kExitOk, false, ", ergänzt", "; 2 Typprüfung(en) ergänzt"},
  };
  // The form's test is on this line before the conversion, on that after.
  const int64_t original_line = LineOf(dir.ReadFile("frmA.frm"), "If ");
  ASSERT_EQ(Run({"run", "--yes"}), kExitOk);
  const int64_t converted_line = LineOf(dir.ReadFile("frmA.frm"), "If ");
  ASSERT_NE(original_line, converted_line);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    MakeProject();
    EXPECT_EQ(Run(c.args), c.status) << err.str();
    std::string expected =
        header + "  frmA.frm:" + std::to_string(c.converted ? converted_line : original_line) +
        ": If TypeOf c Is CheckBox Then c.Value = 0 (Typprüfung, CheckBox" + c.fix + ")\n" +
        module_lines + "3 Codestelle(n) in 2 Datei(en)" + c.count + ".\n" + by_hand;
    expected.replace(expected.find("{fix}"), 5, c.fix);
    const std::string text = out.str();
    EXPECT_EQ(text.substr(std::min(text.find(header), text.size())), expected);
    EXPECT_EQ(err.str(), "");
  }

  // A run, then a fix: a restore gives back the project as it was, the
  // forms from the backups the run made, the mended module from its own.
  MakeProject();
  const auto original = Snapshot(dir.native());
  ASSERT_EQ(Run({"run", "--yes"}), kExitOk);
  ASSERT_EQ(Run({"check-code", "--fix-code"}), kExitOk);
  ASSERT_EQ(Run({"restore", "--yes"}), kExitOk);
  EXPECT_NE(out.str().find("\n  Module\\basFelder.bas: wird wiederhergestellt\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(Snapshot(dir.native()), original);

  // Mended, the type tests are no longer listed; the kinds kept are not
  // looked for.
  ASSERT_EQ(Run({"run", "--yes", "--fix-code"}), kExitOk);
  EXPECT_EQ(Run({"check-code", "--fail-on-code-references"}), kExitCodeReferences);
  EXPECT_TRUE(out.str().find("1 Codestelle(n) in 1 Datei(en).\n") != std::string::npos)
      << out.str();
  EXPECT_EQ(Run({"check-code", "--keep", "checkbox", "--fail-on-code-references"}), kExitOk);
  EXPECT_EQ(out.str(), "Kein Code nennt ersetzte Steuerelementtypen (3 Datei(en) geprüft).\n");
}

TEST_F(CodeReferencesTest, AModuleThatCannotBeReadOrMendedIsSaidAndTheRestGoesOn) {
  const std::string missing = "fehlt.bas: Code nicht geprüft, Fehler 53: Datei nicht gefunden\n";
  const std::string read_only = "frmA.frm: Code nicht ergänzt, Fehler 70: Zugriff verweigert\n";
  const struct {
    std::vector<std::string> args;
    bool form_read_only;
    int status;
    std::string err;
  } cases[] = {
      // A plain run converts as before; the check says what it could not read.
      {{"run", "--yes"}, false, kExitOk, missing},
      {{"run", "--yes", "--fail-on-code-references"}, false, kExitFailed, missing},
      {{"check-code"}, false, kExitFailed, missing},
      {{"check-code", "--fix-code"}, true, kExitFailed, read_only + missing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    MakeProject();
    dir.WriteFile("App.vbp", dir.ReadFile("App.vbp") + "Module=basFehlt; fehlt.bas\r\n");
    dir.SetReadOnly("frmA.frm", c.form_read_only);
    EXPECT_EQ(Run(c.args), c.status);
    dir.SetReadOnly("frmA.frm", false);
    EXPECT_EQ(err.str(), c.err);
    EXPECT_NE(out.str().find("3 Codestelle(n) in 2 Datei(en)"), std::string::npos) << out.str();
  }
  EXPECT_NE(dir.ReadFile("Module\\basFelder.bas"), kModule) << "mended all the same";

  // Both reports say so; files are named as the disk spells them.
  MakeProject();
  dir.WriteFile("App.vbp", dir.ReadFile("App.vbp") + "Module=basFehlt; fehlt.bas\r\n");
  for (const char* report : {"r.json", "r.csv"}) {
    ASSERT_EQ(Run({"check-code", "--report", Arg(report)}), kExitFailed);
  }
  const struct {
    const char* report;
    const char* field;
  } fields[] = {
      {"r.json", "frmA.frm\", \"entry\": \"frmA.frm\", \"module\": \"Form\", \"line\": "},
      {"r.json",
       "\"line\": 4, \"column\": 28, \"kind\": \"Frame\", \"form\": \"type_test\", \"text\": \"   "
       "IstRahmen = TypeOf c Is VB.Frame\", \"fixed\": false, \"suggestion\": \"Typprüfung um "
       "qorFrame ergänzen\"}"},
      {"r.json",
       "fehlt.bas\", \"entry\": \"fehlt.bas\", \"module\": \"Module\", \"error\": "
       "{\"number\": 53, \"text\": \"Datei nicht gefunden\"}}\n      ]"},
      {"r.csv",
       ",exit_status,code_line,code_column,code_kind,code_form,code_text,code_fixed,"
       "code_suggestion\r\n"},
      {"r.csv", "basFelder.bas,code_reference,,,,,,,false,1,5,21,CheckBox,type_name,"},
      {"r.csv", ",code_error,,,,,53,Datei nicht gefunden,false,1,,,,,,,\r\n"},
  };
  for (const auto& f : fields) {
    EXPECT_NE(dir.ReadFile(f.report).find(f.field), std::string::npos) << f.field;
  }

  // A project whose code names no replaced class reports as before.
  MakeProject();
  ASSERT_EQ(
      Run({"run", "--yes", "--keep", "frame", "--keep", "checkbox", "--report", Arg("plain.json")}),
      kExitOk);
  EXPECT_EQ(dir.ReadFile("plain.json").find("code_"), std::string::npos);
}

#ifndef _WIN32
// What the users will do: preview the fix as a patch, apply it, and
// find it equal to the real run; a second fix changes nothing.
TEST_F(CodeReferencesTest, ThePreviewsPatchOfTheFixIsTheRunOnTheSampleAndThisProject) {
  if (std::system("git --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "git is not installed";
  std::filesystem::copy(XPC_SAMPLES_DIR "/Kundenverwaltung", dir.native() + "/kv",
                        std::filesystem::copy_options::recursive);
  for (const std::string& project : {Arg("App.vbp"), Arg("kv/Kundenverwaltung.vbg")}) {
    SCOPED_TRACE(project);
    const std::string folder = project.substr(0, project.rfind('/'));
    testing::TempDir real;
    std::filesystem::copy(folder, real.native(), std::filesystem::copy_options::recursive);
    const std::string real_project = real.native() + project.substr(folder.size());
    ASSERT_EQ(Run({"run", "--designers", "--fix-code", "--dry-run", "--diff"}, project), kExitOk);
    const std::string patch = out.str();
    EXPECT_NE(err.str().find("Typprüfung(en) würden ergänzt"), std::string::npos) << err.str();
    ASSERT_EQ(Run({"run", "--designers", "--fix-code", "--yes"}, real_project), kExitOk);
    dir.WriteFile("fix.patch", patch);
    const std::string apply =
        "cd '" + folder + "' && git apply '" + Arg("fix.patch") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(apply.c_str()), 0);
    std::filesystem::remove(Arg("fix.patch"));
    EXPECT_EQ(Snapshot(folder), Snapshot(real.native()));
    // Twice is once.
    ASSERT_EQ(Run({"run", "--designers", "--fix-code", "--yes"}, real_project), kExitOk);
    EXPECT_EQ(Snapshot(folder), Snapshot(real.native()));
    EXPECT_EQ(out.str().find("ergänzt)"), std::string::npos) << out.str();
  }
}
#endif

}  // namespace
}  // namespace xpconv::cli

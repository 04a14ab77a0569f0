// The console program's preview (--dry-run, --diff), restore, reports,
// several projects and groups, and --designers, each run as whole commands
// against real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "tests/support/fake_terminal.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"

namespace xpconv::cli {
namespace {

using testing::ConvertibleForm;
using testing::PlainForm;
using testing::ProjectText;

bool Contains(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

// Every file below folder with its bytes, by relative path with "/".
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::ifstream in(item.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[std::filesystem::relative(item.path(), folder).generic_string()] = bytes.str();
  }
  return files;
}

void Restore(const std::string& folder, const std::map<std::string, std::string>& files) {
  std::filesystem::remove_all(folder);
  for (const auto& [name, bytes] : files) {
    const std::filesystem::path path = std::filesystem::path(folder) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
}

// The form with its line ends mixed: every second LF becomes CR LF.
std::string MixedLineEnds(const std::string& lf_text) {
  std::string out;
  bool crlf = false;
  for (char c : lf_text) {
    if (c == '\n') {
      if (crlf) out += '\r';
      crlf = !crlf;
    }
    out += c;
  }
  return out;
}

class PreviewTest : public ::testing::Test {
 protected:
  std::string Arg(const std::string& relative) const {
    std::string path = dir.native() + "/" + relative;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    return path;
  }

  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return RunXpconvert(args, in, out, err, terminal);
  }

  // frmA and frmC hold every replaceable kind, Forms\frmB nothing.
  void MakeProject(const std::string& eol = "\r\n") {
    dir.WriteFile("App.vbp", ProjectText({"frmA.frm", "Forms\\frmB.frm", "frmC.frm"}, eol));
    dir.WriteFile("frmA.frm", ConvertibleForm("frmA", eol));
    dir.WriteFile("Forms\\frmB.frm", PlainForm("frmB", eol));
    dir.WriteFile("frmC.frm", ConvertibleForm("frmC", eol));
  }

  testing::TempDir dir;
  testing::FakeTerminal terminal;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(PreviewTest, DryRunChangesNothingAndSaysWhatARunWould) {
  MakeProject();
  const auto before = Snapshot(dir.native());

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run"}), kExitOk) << err.str();

  EXPECT_EQ(Snapshot(dir.native()), before);
  const std::string text = out.str();
  EXPECT_TRUE(Contains(text,
                       "1 frmA.frm: würde konvertiert (Frame 1, CheckBox 1, OptionButton 2, "
                       "ProgressBar 1)"))
      << text;
  EXPECT_TRUE(Contains(text, "2 Forms\\frmB.frm: unverändert")) << text;
  EXPECT_TRUE(Contains(text, "3 frmC.frm: würde konvertiert")) << text;
  EXPECT_TRUE(Contains(text, "Projektdatei: Bibliothekszeile würde eingetragen")) << text;
  EXPECT_TRUE(Contains(text, "Rückfragen: keine")) << text;
  EXPECT_TRUE(Contains(text, "Ein Lauf würde 2 Datei(en) aktualisieren.")) << text;
}

TEST_F(PreviewTest, DryRunNamesTheQuestionsARunWouldAsk) {
  MakeProject();
  dir.WriteFile("_Backup\\old.frm", "x");
  const auto before = Snapshot(dir.native());

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run", "--no-backup", "--answer", "nein"}), kExitOk);

  EXPECT_EQ(Snapshot(dir.native()), before);
  EXPECT_TRUE(Contains(out.str(),
                       "Rückfrage würde gestellt: \"Soll die Einstellung jetzt autom. "
                       "aktiviert werden?\" - Antwort Nein\n"))
      << out.str();
  EXPECT_TRUE(Contains(out.str(),
                       "Rückfrage würde gestellt: \"Sollen evtl. vorhandene Dateien "
                       "überschrieben werden?\" - Antwort Ja (angenommen)"))
      << out.str();
  // Answered Nein: no backups, so no backup folder is named.
  EXPECT_FALSE(Contains(out.str(), "Sicherungskopien nach")) << out.str();
}

TEST_F(PreviewTest, DryRunMeetsTheErrorsARunWouldMeet) {
  struct Case {
    const char* name;
    void (*setup)(const testing::TempDir&);
    const char* expected;
  };
  const Case cases[] = {
      {"missing form", [](const testing::TempDir& d) { d.WriteFile("frmA.frm", ""); }, nullptr},
      {"read-only form", [](const testing::TempDir& d) { d.SetReadOnly("frmC.frm", true); },
       "3 frmC.frm: Fehler 70: Zugriff verweigert"},
      {"font block never ends",
       [](const testing::TempDir& d) {
         d.WriteFile("frmC.frm",
                     "VERSION 5.00\r\nBegin VB.Frame fra \r\n"
                     "   BeginProperty Font \r\n      Name = \"Arial\"\r\n");
       },
       "3 frmC.frm: Fehler 62: Einlesen hinter Dateiende"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir fresh;
    fresh.WriteFile("App.vbp", ProjectText({"frmA.frm", "Forms\\frmB.frm", "frmC.frm"}));
    fresh.WriteFile("frmA.frm", ConvertibleForm("frmA"));
    fresh.WriteFile("Forms\\frmB.frm", PlainForm("frmB"));
    fresh.WriteFile("frmC.frm", ConvertibleForm("frmC"));
    c.setup(fresh);
    const char* expected = c.expected;
    if (expected == nullptr) {
      std::filesystem::remove(fresh.native() + "/frmA.frm");
      expected = "1 frmA.frm: Fehler 53: Datei nicht gefunden";
    }
    const auto before = Snapshot(fresh.native());

    out.str("");
    err.str("");
    std::string project = fresh.native() + "/App.vbp";
    EXPECT_EQ(RunXpconvert({"run", project, "--dry-run"}, in, out, err, terminal), kExitFailed);

    EXPECT_EQ(Snapshot(fresh.native()), before);
    EXPECT_TRUE(Contains(out.str(), expected)) << out.str();
    EXPECT_TRUE(Contains(out.str(), "Ein Lauf würde mit einem Fehler enden.")) << out.str();
    fresh.SetReadOnly("frmC.frm", false);
  }
}

#ifndef _WIN32
// The patch of a dry run, applied by git and by patch to the untouched
// project, gives exactly the files a real run writes: with CR LF, LF-only
// and mixed line ends, and with a last line that has no line end.
TEST_F(PreviewTest, DiffAppliedWithGitOrPatchGivesWhatTheRunWrites) {
  if (std::system("git --version >/dev/null 2>&1") != 0 ||
      std::system("patch --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "git and patch are installed by scripts/install-deps.sh";
  }
  const std::string lf_form = ConvertibleForm("frmA", "\n");
  const std::map<std::string, std::string> variants = {
      {"CR LF", ConvertibleForm("frmA", "\r\n")},
      {"LF", lf_form},
      {"mixed", MixedLineEnds(lf_form)},
      {"no last line end", lf_form.substr(0, lf_form.size() - 1)},
  };
  for (const auto& [name, form] : variants) {
    for (const char* tool : {"git apply", "patch -p1 --quiet"}) {
      SCOPED_TRACE(name + " / " + tool);
      testing::TempDir project;
      testing::TempDir scratch;
      project.WriteFile("App.vbp", ProjectText({"frmA.frm", "Sub\\frmC.frm"}, "\n"));
      project.WriteFile("frmA.frm", form);
      project.WriteFile("Sub\\frmC.frm", MixedLineEnds(ConvertibleForm("frmC", "\n")));
      const std::string vbp = project.native() + "/App.vbp";
      const auto before = Snapshot(project.native());

      out.str("");
      err.str("");
      ASSERT_EQ(RunXpconvert({"run", vbp, "--dry-run", "--diff"}, in, out, err, terminal), kExitOk)
          << err.str();
      const std::string patch = out.str();
      EXPECT_TRUE(Contains(patch, "diff --git a/Sub/frmC.frm b/Sub/frmC.frm\n")) << patch;
      scratch.WriteFile("x.patch", patch);

      ASSERT_EQ(RunXpconvert({"run", vbp, "--yes"}, in, out, err, terminal), kExitOk);
      const auto converted = Snapshot(project.native());
      Restore(project.native(), before);

      const std::string command = "cd '" + project.native() + "' && " + tool + " < '" +
                                  scratch.native() + "/x.patch' >/dev/null 2>&1";
      ASSERT_EQ(std::system(command.c_str()), 0) << patch;
      for (const char* file : {"App.vbp", "frmA.frm", "Sub/frmC.frm"}) {
        EXPECT_EQ(Snapshot(project.native())[file], converted.at(file)) << file;
      }
    }
  }
}
#endif

TEST_F(PreviewTest, DiffOnATerminalIsShownInUtf8WithColours) {
  MakeProject();
  terminal.output_is_terminal = true;

  EXPECT_EQ(Run({"run", Arg("App.vbp"), "--dry-run", "--diff"}), kExitOk);

  const std::string text = out.str();
  EXPECT_TRUE(Contains(text, "\x1b[31m-   Begin VB.Frame fraAuswahl \x1b[0m\n")) << text;
  EXPECT_TRUE(Contains(text, "\x1b[32m+   Begin qorXPControls.qorFrame fraAuswahl \x1b[0m\n"));
  // The form's Windows-1252 caption, shown in UTF-8.
  EXPECT_TRUE(Contains(text, "\"Übersicht\"")) << text;
  EXPECT_FALSE(Contains(text, "\r")) << text;
  // The preview itself went to stderr, out of the diff's way.
  EXPECT_TRUE(Contains(err.str(), "würde konvertiert")) << err.str();
}

}  // namespace
}  // namespace xpconv::cli

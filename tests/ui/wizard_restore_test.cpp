// "&Wiederherstellen..." and the user-controls box, driven as a user drives
// them: the list with and without user controls, a run undone from its
// backups byte for byte, and the question's answers and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/messages.h"
#include "engine/project_file.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/wizard_test_support.h"
#include "ui/controls/check_box.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;
using testing::WizardTest;

// A project whose entries mix forms with the three kinds of user controls,
// and one designer kind that is never listed.
const std::vector<std::string> kMixedLines = {
    "Type=Exe",
    "Form=frmA.frm",
    "UserControl=Controls\\ctlA.ctl",
    "Form=frmB.frm",
    "PropertyPage=ppgA.pag",
    "Designer=dsrA.dsr",
    "UserDocument=docA.dob",
    "Name=\"Gemischt\"",
};

TEST_F(WizardTest, UserControlsBoxAddsTheirEntriesInFileOrderAndKeepsTheSelection) {
  dir_.WriteFile("Gemischt\\Gemischt.vbp", testing::JoinLines(kMixedLines));
  for (const char* file : {"frmA.frm", "Controls\\ctlA.ctl", "frmB.frm", "ppgA.pag", "docA.dob"}) {
    dir_.WriteFile(std::string("Gemischt\\") + file, testing::ConvertibleForm("x"));
  }
  Browse(dir_.Path("Gemischt\\Gemischt.vbp"));
  ClickEntry(1);  // frmB.frm

  struct Step {
    const char* what;
    std::vector<std::wstring> list;
    std::vector<int> selected;
  };
  const Step steps[] = {
      {"ticked", {L"frmA.frm", L"Controls\\ctlA.ctl", L"frmB.frm", L"ppgA.pag", L"docA.dob"}, {2}},
      {"unticked", {L"frmA.frm", L"frmB.frm"}, {1}},
      {"ticked again",
       {L"frmA.frm", L"Controls\\ctlA.ctl", L"frmB.frm", L"ppgA.pag", L"docA.dob"},
       {2}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    Click(kIdDesigners);
    EXPECT_EQ(ListTexts(), step.list);
    EXPECT_EQ(Selected(), step.selected);
  }

  // A run with the box ticked converts the user controls as well.
  Click(kIdAll);
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  Click(kIdStart);
  const auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].prompt.substr(0, 35), "5 Datei(en) wurde(n) aktualisiert.\r");
  EXPECT_NE(dir_.ReadFile("Gemischt\\Controls\\ctlA.ctl").find("qorXPControls.qorFrame"),
            std::string::npos);
  EXPECT_EQ(dir_.ReadFile("Gemischt\\Controls\\_Backup\\ctlA.ctl"), testing::ConvertibleForm("x"));
}

TEST_F(WizardTest, RestoreGivesBackWhatARunChangedByteForByte) {
  const std::vector<std::string> forms = {"frmEins.frm", "Forms\\frmZwei.frm", "frmSchlicht.frm"};
  dir_.WriteFile("Proj\\frmEins.frm", testing::ConvertibleForm("frmEins"));
  dir_.WriteFile("Proj\\Forms\\frmZwei.frm", testing::ConvertibleForm("frmZwei", "\n"));
  dir_.WriteFile("Proj\\frmSchlicht.frm", testing::PlainForm("frmSchlicht"));
  const std::string project = LoadProject("Proj\\Proj.vbp", forms);
  const std::string original_project = dir_.ReadFile("Proj\\Proj.vbp");
  Click(kIdAll);
  {
    MessageBoxAnswerer summary({BoxReply::Enter()});
    Click(kIdStart);
    ASSERT_EQ(summary.Seen().size(), 1u);
  }
  ASSERT_NE(dir_.ReadFile("Proj\\frmEins.frm"), testing::ConvertibleForm("frmEins"));

  // Still all selected: the plain form is listed without a backup.
  MessageBoxAnswerer answerer({BoxReply::Enter(), BoxReply::Enter()});
  Click(kIdRestore);
  const auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].title, "Wiederherstellen");
  EXPECT_EQ(seen[0].prompt,
            "Wiederherstellen von Proj.vbp:\r\n"
            "  1 frmEins.frm: wird wiederhergestellt\r\n"
            "  2 Forms\\frmZwei.frm: wird wiederhergestellt\r\n"
            "  3 frmSchlicht.frm: keine Sicherung\r\n"
            "  Projektdatei Proj.vbp: wird wiederhergestellt\r\n\r\n"
            "Wiederherstellen?");
  EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"&Ja", "&Nein"}));
  EXPECT_EQ(seen[1].prompt, "3 Datei(en) wiederhergestellt.");
  EXPECT_EQ(seen[1].icon, MessageIcon::kInformation);

  EXPECT_EQ(dir_.ReadFile("Proj\\frmEins.frm"), testing::ConvertibleForm("frmEins"));
  EXPECT_EQ(dir_.ReadFile("Proj\\Forms\\frmZwei.frm"), testing::ConvertibleForm("frmZwei", "\n"));
  EXPECT_EQ(dir_.ReadFile("Proj\\frmSchlicht.frm"), testing::PlainForm("frmSchlicht"));
  EXPECT_EQ(dir_.ReadFile("Proj\\Proj.vbp"), original_project);
  EXPECT_EQ(dir_.ReadFile("Proj\\_Backup\\frmEins.frm"), testing::ConvertibleForm("frmEins"))
      << "the backup stays";
  EXPECT_FALSE(dir_.Exists("Proj\\~restore.tmp"));
  // The list is read again and keeps its selection.
  EXPECT_EQ(wizard_->ProjectPath(), project);
  EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2}));
}

// The ways a restore ends other than restoring everything. frmA.frm and
// the project file differ from their backups unless a case says otherwise;
// frmB.frm has no backup.
TEST_F(WizardTest, RestoreAsksOnceAndRefusesWhatItCannotDo) {
  enum class Setup { kDiffers, kEqual, kReadOnly, kHeld };
  struct Case {
    const char* what;
    std::vector<int> select;  // entries clicked
    Setup setup;              // frmA.frm and the project file against their backups
    std::vector<BoxReply> replies;
    std::vector<std::string> prompts;  // the end of each box's prompt
    bool restored;                     // frmA.frm and the project file have their backups' bytes
  };
  const std::string kQuestion = "\r\n\r\nWiederherstellen?";
  const BoxReply enter = BoxReply::Enter();
  // clang-format off
  const Case cases[] = {
      {"Escape at the question", {0, 1}, Setup::kDiffers, {BoxReply::Escape()}, {kQuestion}, false},
      {"nothing selected", {}, Setup::kDiffers, {enter}, {msg::kNothingSelected}, false},
      {"nothing differs", {0, 1}, Setup::kEqual, {enter},
       {"Projektdatei P.vbp: unverändert\r\n\r\nNichts wiederherzustellen."}, true},
      {"a read-only form", {0}, Setup::kReadOnly, {enter, enter, enter},
       {kQuestion, "Fehler: 70\r\nZugriff verweigert\r\n\r\nDatei: frmA.frm",
        "0 Datei(en) wiederhergestellt."}, false},
      {"the project held by another command", {0}, Setup::kHeld, {enter}, {msg::kProjectBusy},
       false},
  };
  // clang-format on
  const std::string original = testing::PlainForm("frmA");
  const std::string converted = testing::ConvertibleForm("frmA");
  const std::string original_project = testing::ProjectText({"frmA.frm", "frmB.frm"});
  const std::string converted_project = original_project + kLibraryReferenceLine + "\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool equal = c.setup == Setup::kEqual;
    dir_.WriteFile("P\\frmA.frm", equal ? original : converted);
    dir_.WriteFile("P\\_Backup\\frmA.frm", original);
    dir_.WriteFile("P\\frmB.frm", testing::PlainForm("frmB"));
    dir_.WriteFile("P\\_Backup\\P.vbp", original_project);
    const std::string project = LoadProject("P\\P.vbp", {"frmA.frm", "frmB.frm"});
    if (!equal) dir_.WriteFile("P\\P.vbp", converted_project);
    for (int entry : c.select) ClickEntry(entry);
    if (c.setup == Setup::kReadOnly) dir_.SetReadOnly("P\\frmA.frm", true);
    std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
    const bool held = c.setup == Setup::kHeld;
    std::unique_ptr<RunLock> lock = held ? other->LockRun(project) : nullptr;
    ASSERT_EQ(held, lock != nullptr);

    MessageBoxAnswerer answerer(c.replies);
    // Alt+W reaches the button from the keyboard.
    ::SetFocus(Control(kIdList));
    Key(WM_SYSCHAR, 'w');
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), c.prompts.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      const std::string& prompt = seen[i].prompt;
      const size_t tail = std::min(prompt.size(), c.prompts[i].size());
      EXPECT_EQ(prompt.substr(prompt.size() - tail), c.prompts[i]) << i;
    }
    lock.reset();
    dir_.SetReadOnly("P\\frmA.frm", false);
    EXPECT_EQ(dir_.ReadFile("P\\frmA.frm") == original, c.restored);
    EXPECT_EQ(dir_.ReadFile("P\\P.vbp") == original_project, c.restored);
    EXPECT_EQ(dir_.ReadFile("P\\frmB.frm"), testing::PlainForm("frmB"));
    EXPECT_FALSE(dir_.Exists("P\\~restore.tmp"));
    EXPECT_TRUE(::IsWindowEnabled(wizard_->hwnd()));
  }
}

}  // namespace
}  // namespace xpconv::ui

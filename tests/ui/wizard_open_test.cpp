// The wizard's ways to a project besides the open dialog: the command line's
// argument and files dropped from Explorer (a synthetic WM_DROPFILES with an
// HDROP built as the shell builds it). Both must load exactly as the dialog's
// choice loads; the dialog itself is a stub that must never be called.
#include "ui/wizard_open.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "ui/progress_window.h"
#include "ui/win32/text_conversion.h"
#include "ui/wizard_window.h"

// DROPFILES, the record at the head of an HDROP.
#include <shlobj.h>

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;

// An HDROP as Explorer hands it over: DROPFILES, then the wide names, each
// ended by a NUL, and one more NUL. The receiver frees it with DragFinish.
HDROP MakeDrop(const std::vector<std::wstring>& files) {
  size_t chars = 1;
  for (const std::wstring& file : files) chars += file.size() + 1;
  HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  if (memory == nullptr) return nullptr;
  auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
  for (const std::wstring& file : files) {
    std::memcpy(names, file.c_str(), (file.size() + 1) * sizeof(wchar_t));
    names += file.size() + 1;
  }
  *names = L'\0';
  ::GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

std::wstring Wide(const std::string& ansi) {
  return Utf8ToWide(AnsiToUtf8(ansi));
}

class WizardOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::EnsureUiRegistered();
    wizard_ = std::make_unique<Wizard>(::GetModuleHandleW(nullptr), abort_,
                                       [this](const std::string&, const std::string&) {
                                         ++dialog_calls_;
                                         return std::string();
                                       });
    wizard_->Create();
    wizard_->Show(SW_SHOWNORMAL);
    ::SetForegroundWindow(wizard_->hwnd());
    testing::PumpPending();
  }
  void TearDown() override { EXPECT_EQ(dialog_calls_, 0) << "the open dialog was called"; }

  std::string WriteProject(const std::string& relative, const std::vector<std::string>& forms) {
    dir_.WriteFile(relative, testing::ProjectText(forms));
    for (const std::string& form : forms) {
      const size_t slash = relative.rfind('\\');
      const std::string folder = slash == std::string::npos ? "" : relative.substr(0, slash + 1);
      dir_.WriteFile(folder + form, testing::ConvertibleForm("frm"));
    }
    return dir_.Path(relative);
  }
  void Drop(const std::vector<std::wstring>& files) {
    HDROP drop = MakeDrop(files);
    ASSERT_NE(drop, nullptr);
    ::SendMessageW(wizard_->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    testing::PumpPending();
  }
  // What the window shows of the project: path, folder, list, button states.
  struct State {
    std::string path, folder;
    int entries;
    bool all, start;
    bool operator==(const State&) const = default;
    friend void PrintTo(const State& s, std::ostream* os) {
      *os << '"' << s.path << "\", folder \"" << s.folder << "\", " << s.entries
          << " entries, Alle Dateien " << (s.all ? "on" : "off") << ", Starten "
          << (s.start ? "on" : "off");
    }
  };
  State Now() {
    return {wizard_->ProjectPath(), wizard_->ProjectFolder(), wizard_->EntryCount(),
            ::IsWindowEnabled(wizard_->control(kIdAll)) != FALSE,
            ::IsWindowEnabled(wizard_->control(kIdStart)) != FALSE};
  }

  testing::TempDir dir_;
  AbortFlag abort_;
  std::unique_ptr<Wizard> wizard_;
  int dialog_calls_ = 0;
};

TEST_F(WizardOpenTest, DropTakesTheFirstProjectOrSaysThatThereIsNone) {
  const std::string before = WriteProject("Alt\\Alt.vbp", {"frmA.frm"});
  const std::string one = WriteProject("Eins\\Eins.vbp", {"frmA.frm", "frmB.frm"});
  const std::string upper = WriteProject("Zwei\\Zwei.VBP", {"frmA.frm", "frmB.frm", "frmC.frm"});
  dir_.WriteFile("Notiz.txt", "x");
  const std::wstring note = Wide(dir_.Path("Notiz.txt"));
  const std::wstring form = Wide(dir_.Path("Eins\\frmA.frm"));
  const State as_before{before, dir_.Path("Alt\\"), 1, true, true};

  const struct {
    const char* name;
    std::vector<std::wstring> files;
    State expected;
    const char* message;  // the prompt of a message, or nullptr for none
  } cases[] = {
      {"one project", {Wide(one)}, {one, dir_.Path("Eins\\"), 2, true, true}, nullptr},
      {"the first project among others, in any letter case",
       {note, Wide(upper), Wide(one)},
       {upper, dir_.Path("Zwei\\"), 3, true, true},
       nullptr},
      {"no project",
       {note, form},
       as_before,
       "Unter den abgelegten Dateien ist keine Projektdatei (*.vbp)."},
      {"a folder",
       {Wide(dir_.Path("Eins"))},
       as_before,
       "Unter den abgelegten Dateien ist keine Projektdatei (*.vbp)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(wizard_->OpenProjectFrom(Wide(before)));
    ASSERT_EQ(Now(), as_before);
    ::SendMessageW(wizard_->control(kIdList), LB_SETSEL, TRUE, 0);

    MessageBoxAnswerer answerer({BoxReply::Enter()}, kMessageBoxClass,
                                std::chrono::seconds(c.message ? 15 : 1));
    Drop(c.files);
    const auto seen = answerer.Seen();
    EXPECT_EQ(Now(), c.expected);
    if (c.message) {
      ASSERT_EQ(seen.size(), 1u);
      EXPECT_EQ(seen[0].prompt, c.message);
      EXPECT_EQ(seen[0].owner, wizard_->hwnd());
      EXPECT_EQ(wizard_->SelectedCount(), 1) << "the window stays as it was";
    } else {
      EXPECT_TRUE(seen.empty());
      EXPECT_EQ(wizard_->SelectedCount(), 0) << "a new list starts unselected";
    }
  }
}

TEST_F(WizardOpenTest, ArgumentAndDropGiveTheDialogsErrorsAndState) {
  // A project that cannot be read: the error the dialog's choice gives, and
  // no project afterwards.
  const std::string good = WriteProject("App\\App.vbp", {"frmA.frm"});
  for (const bool by_drop : {false, true}) {
    SCOPED_TRACE(by_drop ? "drop" : "argument");
    ASSERT_TRUE(wizard_->OpenProjectFrom(Wide(good)));
    MessageBoxAnswerer answerer({BoxReply::Enter()});
    const std::wstring missing = Wide(dir_.Path("App\\Fehlt.vbp"));
    if (by_drop) {
      Drop({missing});
    } else {
      EXPECT_TRUE(wizard_->OpenProjectFrom(missing));
    }
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].prompt, "Fehler: 53\r\nDatei nicht gefunden");
    EXPECT_EQ(Now(), (State{"", "", 0, false, false}));
  }

  // A relative argument is taken from the current folder, as the dialog
  // would give it: with its full path.
  wchar_t previous[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryW(Wide(dir_.Path("App")).c_str()));
  const bool taken = wizard_->OpenProjectFrom(L"App.vbp");
  ::SetCurrentDirectoryW(previous);
  EXPECT_TRUE(taken);
  EXPECT_EQ(Now(), (State{good, dir_.Path("App\\"), 1, true, true}));
}

TEST_F(WizardOpenTest, PathsTheAnsiCodePageCannotExpressAreRefused) {
  const UINT acp = ::GetACP();
  if (acp == CP_UTF8 || acp == 932 || acp == 936 || acp == 949 || acp == 950) {
    GTEST_SKIP() << "this system's ANSI code page " << acp << " expresses the test's characters";
  }
  const std::string good = WriteProject("App\\App.vbp", {"frmA.frm"});
  const State loaded{good, dir_.Path("App\\"), 1, true, true};
  // U+4E2D has no counterpart in a Western code page; U+0100 has only the
  // best-fit look-alike "A", which would name another file.
  for (const wchar_t* odd : {L"\u4E2D", L"\u0100"}) {
    const std::wstring path = Wide(dir_.path()) + L"Projekt" + odd + L"\\App.vbp";
    for (const bool by_drop : {false, true}) {
      SCOPED_TRACE(WideToUtf8(path) + (by_drop ? " dropped" : " as argument"));
      ASSERT_TRUE(wizard_->OpenProjectFrom(Wide(good)));
      MessageBoxAnswerer answerer({BoxReply::Enter()});
      if (by_drop) {
        Drop({path});
      } else {
        EXPECT_FALSE(wizard_->OpenProjectFrom(path));
      }
      const auto seen = answerer.Seen();
      ASSERT_EQ(seen.size(), 1u);
      EXPECT_NE(seen[0].prompt.find("ANSI-Codepage"), std::string::npos) << seen[0].prompt;
      EXPECT_NE(seen[0].prompt.find(WideToUtf8(path)), std::string::npos) << seen[0].prompt;
      EXPECT_EQ(Now(), loaded);
    }
  }
  // Characters of the code page beyond ASCII are fine.
  const std::string umlaut = WriteProject(
      "\xDC"
      "bersicht\\App.vbp",
      {"frmA.frm"});
  EXPECT_TRUE(wizard_->OpenProjectFrom(Wide(umlaut)));
  EXPECT_EQ(wizard_->ProjectPath(), umlaut);
}

TEST_F(WizardOpenTest, NothingIsTakenWhileARunIsGoingOn) {
  const std::string running = WriteProject("Lauf\\Lauf.vbp", {"frmA.frm", "frmB.frm"});
  const std::string other = WriteProject("Andere\\Andere.vbp", {"frmX.frm"});
  ASSERT_TRUE(wizard_->OpenProjectFrom(Wide(running)));
  ::SendMessageW(wizard_->control(kIdAll), BM_CLICK, 0, 0);

  // From inside the run's pumps, once the progress window shows: a drop and
  // an argument for another project.
  static Wizard* wizard;
  static std::wstring other_path;
  static std::atomic<int> tries;
  static bool argument_taken;
  wizard = wizard_.get();
  other_path = Wide(other);
  tries = 0;
  argument_taken = false;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
    if (tries > 0 || testing::FindProcessWindow(kProgressWindowClass) == nullptr) return;
    ++tries;
    ::SendMessageW(wizard->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({other_path})),
                   0);
    argument_taken = wizard->OpenProjectFrom(other_path);
  });
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  ::SendMessageW(wizard_->control(kIdStart), BM_CLICK, 0, 0);
  ::KillTimer(nullptr, timer);
  const auto seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u) << "only the summary";
  EXPECT_EQ(seen[0].title, "Konvertierung erfolgreich");
  EXPECT_EQ(tries.load(), 1) << "the run ended before the progress window was seen";
  EXPECT_FALSE(argument_taken);
  EXPECT_EQ(Now(), (State{running, dir_.Path("Lauf\\"), 2, true, true}));
  EXPECT_EQ(wizard_->SelectedCount(), 2);
}

// Not a check: the pictures of a drop for the documentation, taken when the
// picture script asks for them (XPC_PICTURES_DIR).
TEST_F(WizardOpenTest, Pictures) {
  if (!testing::PicturesWanted()) GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  const std::string project = WriteProject(
      "Kundenverwaltung\\Kundenverwaltung.vbp",
      {"frmHaupt.frm", "Forms\\frmKunde.frm", "Forms\\frmOptionen.frm", "frmInfo.frm"});
  dir_.WriteFile("Notiz.txt", "x");
  Drop({Wide(dir_.Path("Notiz.txt")), Wide(project)});
  testing::PumpFor(std::chrono::milliseconds(300));
  testing::TakePicturePumping(wizard_->hwnd(), "wizard-dropped");

  MessageBoxAnswerer answerer({BoxReply::Enter().WithPicture("message-no-project"),
                               BoxReply::Enter().WithPicture("message-not-ansi")});
  Drop({Wide(dir_.Path("Notiz.txt"))});
  Drop({Wide(dir_.path()) + L"Projekte-\u03A9\\App.vbp"});
  answerer.Seen();
}

TEST(WizardArgumentTest, FirstArgumentAfterTheProgramName) {
  const struct {
    const wchar_t* command_line;
    const wchar_t* first;
  } cases[] = {
      {L"\"C:\\Program Files\\qorXP-Wizard\\xpwizard.exe\" \"C:\\Meine Projekte\\App.vbp\"",
       L"C:\\Meine Projekte\\App.vbp"},
      {L"xpwizard.exe App.vbp Zweites.vbp", L"App.vbp"},
      {L"xpwizard.exe", L""},
      {L"\"xpwizard.exe\"   ", L""},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstCommandLineArgument(c.command_line), c.first) << WideToUtf8(c.command_line);
  }
}

}  // namespace
}  // namespace xpconv::ui

// The open dialog: the filter list's notation, and the platform's real
// dialog driven from inside its own modal loop by a thread timer.
#include "ui/open_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/error.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_test_support.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {
namespace {

using namespace std::string_literals;

std::string ToLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

TEST(MakeDialogFilterTest, EndsEveryPieceWithOneNul) {
  EXPECT_EQ(MakeDialogFilter("Projektdatei (*.vbp)|*.vbp"), "Projektdatei (*.vbp)\0*.vbp\0"s);
  EXPECT_EQ(MakeDialogFilter("A|*.a|B|*.b;*.c"), "A\0*.a\0B\0*.b;*.c\0"s);
  EXPECT_EQ(MakeDialogFilter("Alles"), "Alles\0"s);
}

TEST(MakeDialogFilterTest, EmptyPiecesLeaveNulsInARow) {
  EXPECT_EQ(MakeDialogFilter(""), "\0"s);
  EXPECT_EQ(MakeDialogFilter("|"), "\0\0"s);
  EXPECT_EQ(MakeDialogFilter("a||b"), "a\0\0b\0"s);
  EXPECT_EQ(MakeDialogFilter("a|"), "a\0\0"s);
  EXPECT_EQ(MakeDialogFilter("|b"), "\0b\0"s);
}

TEST(MakeDialogFilterTest, PositionsAreSixteenBit) {
  // A separator at 1-based position 32766 is the last one that fits.
  const std::string fits = std::string(32765, 'x') + "|y";
  EXPECT_EQ(MakeDialogFilter(fits), std::string(32765, 'x') + "\0y\0"s);
  const std::string too_far = std::string(32766, 'x') + "|y";
  try {
    MakeDialogFilter(too_far);
    FAIL() << "expected an overflow";
  } catch (const VbError& error) {
    EXPECT_EQ(error.number(), err::kOverflow);
  }
  // Without a separator there is no position to overflow.
  EXPECT_EQ(MakeDialogFilter(std::string(40000, 'x')).size(), 40001u);
}

// Runs action on the first visible open dialog of this thread once it is up.
// The dialog's modal loop runs on this thread, so a thread timer is the way in.
class DialogScript {
 public:
  explicit DialogScript(std::function<void(HWND)> action) : action_(std::move(action)) {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 50, &DialogScript::Tick);
  }
  ~DialogScript() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool ran() const { return ran_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* self = current_;
    if (self == nullptr || self->ran_) return;
    HWND dialog = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM lp) -> BOOL {
          wchar_t cls[64] = {};
          ::GetClassNameW(window, cls, 64);
          if (std::wstring(cls) == L"#32770" && ::IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(lp) = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return;
    self->ran_ = true;
    self->action_(dialog);
  }

  static inline DialogScript* current_ = nullptr;
  std::function<void(HWND)> action_;
  UINT_PTR timer_ = 0;
  bool ran_ = false;
};

// The file name box: its own edit, or the edit in the file name combo box.
HWND FileNameBox(HWND dialog) {
  if (HWND edit = ::GetDlgItem(dialog, 0x480)) return edit;
  HWND combo = ::GetDlgItem(dialog, 0x47c);
  if (combo == nullptr) return nullptr;
  HWND inner = ::FindWindowExW(combo, nullptr, L"Edit", nullptr);
  return inner != nullptr ? inner : combo;
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

TEST(ShowOpenDialogTest, CancelGivesAnEmptyPath) {
  std::string title;
  DialogScript script([&](HWND dialog) {
    title = testing::WindowTextOf(dialog);
    ::SetWindowTextW(FileNameBox(dialog), L"Z:\\irgendwo\\App.vbp");
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(ShowOpenDialog("Projektdatei (*.vbp)|*.vbp", ""), "");
  ASSERT_TRUE(script.ran());
  EXPECT_EQ(title, "Öffnen");
}

TEST(ShowOpenDialogTest, ReturnsATypedNameThatDoesNotExistInTheStartingFolder) {
  testing::TempDir dir;
  testing::OwnerWindow owner(RECT{10, 10, 210, 110});
  HWND seen_owner = nullptr;
  std::string filter_shown;
  DialogScript script([&](HWND dialog) {
    seen_owner = ::GetWindow(dialog, GW_OWNER);
    HWND types = ::GetDlgItem(dialog, 0x470);  // the file-type combo box
    if (types != nullptr) {
      wchar_t item[256] = {};
      const LRESULT chosen = ::SendMessageW(types, CB_GETCURSEL, 0, 0);
      if (chosen >= 0) ::SendMessageW(types, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(item));
      filter_shown = WideToUtf8(item);
    }
    // A bare name: the dialog puts it into the starting folder.
    ::SetWindowTextW(FileNameBox(dialog), L"Neu.vbp");
    Press(dialog, IDOK);
  });
  std::string folder = dir.path();
  folder.pop_back();  // handed over without the trailing backslash
  const std::string chosen = ShowOpenDialog("Projektdatei (*.vbp)|*.vbp", folder);
  ASSERT_TRUE(script.ran());
  EXPECT_EQ(seen_owner, owner.hwnd());
  EXPECT_EQ(filter_shown, "Projektdatei (*.vbp)");
  EXPECT_EQ(ToLower(chosen), ToLower(dir.Path("Neu.vbp")));
  EXPECT_FALSE(dir.Exists("Neu.vbp")) << "the dialog only names the file";
}

TEST(ShowOpenDialogTest, ReturnsAFullPathTypedIntoTheDialog) {
  testing::TempDir dir;
  dir.WriteFile("Forms\\App.vbp", "Type=Exe\r\n");
  const std::string wanted = dir.Path("Forms\\App.vbp");
  DialogScript script([&](HWND dialog) {
    ::SetWindowTextW(FileNameBox(dialog), Utf8ToWide(AnsiToUtf8(wanted)).c_str());
    Press(dialog, IDOK);
  });
  EXPECT_EQ(ToLower(ShowOpenDialog("Projektdatei (*.vbp)|*.vbp", "")), ToLower(wanted));
}

}  // namespace
}  // namespace xpconv::ui

// The wizard's last word when its start-up fails, where fewer and fewer
// windows can be created: our message box, the system's, standard error.
#include "ui/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/controls/message_box_object.h"
#include "ui_test_support.h"

namespace xpconv::testing {
namespace {

// Makes every window creation on this thread fail, as on a machine without
// a usable display, or only that of our message box's class.
class RefusedWindows {
 public:
  explicit RefusedWindows(bool only_our_box) {
    only_our_box_ = only_our_box;
    hook_ = ::SetWindowsHookExW(WH_CBT, &Refuse, nullptr, ::GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
  }
  ~RefusedWindows() { ::UnhookWindowsHookEx(hook_); }

 private:
  static LRESULT CALLBACK Refuse(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) {
      const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs;
      const bool ours = !IS_INTRESOURCE(create->lpszClass) &&
                        std::wstring(create->lpszClass) == ui::kMessageBoxClass;
      if (!only_our_box_ || ours) return 1;
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static inline bool only_our_box_ = false;
  HHOOK hook_ = nullptr;
};

// What ReportFatal wrote to its standard-error stand-in.
std::string Written(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  return text;
}

class ReportFatalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureUiRegistered();
    err_ = std::tmpfile();
    ASSERT_NE(err_, nullptr);
  }
  void TearDown() override { std::fclose(err_); }
  std::FILE* err_ = nullptr;
};

TEST_F(ReportFatalTest, ShowsOurMessageBoxWhereAWindowCanBeCreated) {
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  ui::ReportFatal("Fehler: Das Fenster fehlt", err_);
  const std::vector<SeenBox> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].prompt, "Fehler: Das Fenster fehlt");
  EXPECT_EQ(Written(err_), "");
}

TEST_F(ReportFatalTest, FallsBackToTheSystemsMessageBoxWhenOursCannotBeCreated) {
  MessageBoxAnswerer answerer({BoxReply::Enter()}, L"#32770");
  {
    RefusedWindows refused(true);
    ui::ReportFatal("Fehler: Das Fenster fehlt", err_);
  }
  EXPECT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(Written(err_), "");
}

TEST_F(ReportFatalTest, WritesOneLineToStandardErrorWhenNoWindowCanBeCreated) {
  {
    RefusedWindows refused(false);
    ui::ReportFatal("Fehler: Das Fenster fehlt\r\nzweite Zeile", err_);
  }
  EXPECT_EQ(Written(err_), "xpwizard: Fehler: Das Fenster fehlt  zweite Zeile\n");
}

}  // namespace
}  // namespace xpconv::testing

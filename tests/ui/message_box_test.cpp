// The message-box service and our message box, driven as a user would: the
// box is answered from a watcher thread while ShowMessage waits in its modal
// loop.
#include "ui/message_box.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/host.h"
#include "engine/messages.h"
#include "ui/controls/message_box_object.h"
#include "ui/win32/dpi.h"
#include "ui_test_support.h"

namespace xpconv::testing {
namespace {

using ui::MessageIcon;

struct Shown {
  int32_t answer;
  SeenBox box;
};

// Shows one message and answers it with reply; fails the test when no box came.
Shown ShowAndAnswer(const std::string& prompt, int32_t buttons, const std::string& title,
                    BoxReply reply) {
  MessageBoxAnswerer answerer({std::move(reply)});
  const int32_t answer = ui::ShowMessage(prompt, buttons, title);
  std::vector<SeenBox> seen = answerer.Seen();
  EXPECT_EQ(seen.size(), 1u) << "no message box appeared";
  return {answer, seen.empty() ? SeenBox{} : seen.front()};
}

// Where the window that stands for the wizard window is.
constexpr RECT kOwnerBounds{100, 100, 500, 400};

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureUiRegistered(); }
};

struct ButtonSet {
  int32_t buttons;
  std::vector<std::string> captions;  // as shown, left to right
  std::vector<int> ids;
  MessageIcon icon;
  int32_t close_answer;  // Escape and the close button
};

std::vector<ButtonSet> AllButtonSets() {
  return {
      {mb::kOk, {"OK"}, {1}, MessageIcon::kNone, mb::kAnswerOk},
      {mb::kYesNoCancelStop,
       {"Ja", "Nein", "Abbrechen"},
       {6, 7, 2},
       MessageIcon::kStop,
       mb::kAnswerCancel},
      {mb::kYesNoQuestion, {"Ja", "Nein"}, {6, 7}, MessageIcon::kQuestion, mb::kAnswerNo},
      {mb::kOkInformation, {"OK"}, {1}, MessageIcon::kInformation, mb::kAnswerOk},
  };
}

TEST_F(MessageBoxTest, EachButtonSetShowsItsGermanButtonsAndIconWithTheFirstFocused) {
  for (const ButtonSet& set : AllButtonSets()) {
    SCOPED_TRACE("buttons " + std::to_string(set.buttons));
    const Shown shown = ShowAndAnswer("Eine Frage", set.buttons, "Titel", BoxReply::Enter());
    std::vector<std::string> captions;
    for (const std::string& c : shown.box.buttons) captions.push_back(WithoutAccessKey(c));
    EXPECT_EQ(captions, set.captions);
    EXPECT_EQ(shown.box.button_ids, set.ids);
    EXPECT_EQ(shown.box.icon, set.icon);
    EXPECT_EQ(shown.box.focused_id, set.ids.front());
    // Enter answers with the first button.
    EXPECT_EQ(shown.answer, set.ids.front());
  }
}

TEST_F(MessageBoxTest, EveryButtonAnswersWithItsOwnCode) {
  for (const ButtonSet& set : AllButtonSets()) {
    for (int id : set.ids) {
      SCOPED_TRACE("buttons " + std::to_string(set.buttons) + ", button " + std::to_string(id));
      EXPECT_EQ(ShowAndAnswer("Frage", set.buttons, "", BoxReply::Click(id)).answer, id);
    }
  }
}

TEST_F(MessageBoxTest, EscapeAndClosingGiveAbbrechenOrTheCautiousAnswer) {
  for (const ButtonSet& set : AllButtonSets()) {
    SCOPED_TRACE("buttons " + std::to_string(set.buttons));
    EXPECT_EQ(ShowAndAnswer("Frage", set.buttons, "", BoxReply::Escape()).answer, set.close_answer);
    EXPECT_EQ(ShowAndAnswer("Frage", set.buttons, "", BoxReply::Close()).answer, set.close_answer);
  }
}

TEST_F(MessageBoxTest, EnterPressesTheButtonTheFocusWasMovedTo) {
  EXPECT_EQ(
      ShowAndAnswer("Frage", mb::kYesNoQuestion, "", BoxReply::Keys({VK_TAB, VK_RETURN})).answer,
      mb::kAnswerNo);
  EXPECT_EQ(
      ShowAndAnswer("Frage", mb::kYesNoCancelStop, "", BoxReply::Keys({VK_TAB, VK_TAB, VK_RETURN}))
          .answer,
      mb::kAnswerCancel);
}

TEST_F(MessageBoxTest, AccessKeysAnswerJaAndNein) {
  EXPECT_EQ(ShowAndAnswer("Frage", mb::kYesNoQuestion, "", BoxReply::Chars(L"n")).answer,
            mb::kAnswerNo);
  EXPECT_EQ(ShowAndAnswer("Frage", mb::kYesNoCancelStop, "", BoxReply::Chars(L"j")).answer,
            mb::kAnswerYes);
}

TEST_F(MessageBoxTest, TitleIsShownAndAnEmptyOneGivesTheProgramTitle) {
  EXPECT_EQ(ShowAndAnswer("x", mb::kYesNoQuestion, msg::kAbortTitle, BoxReply::Enter()).box.title,
            msg::kAbortTitle);
  EXPECT_EQ(ShowAndAnswer("x", mb::kOk, "", BoxReply::Enter()).box.title,
            ui::kMessageBoxDefaultTitle);
}

TEST_F(MessageBoxTest, PromptKeepsItsLineBreaksAndEveryLineGetsRoom) {
  const std::string one_line = "Fehler: 70";
  const std::string three_lines = "Fehler: 53\r\nDatei nicht gefunden\r\n\r\nDatei: frmMain.frm";
  int one_height = 0;
  int many_height = 0;
  auto height_of = [](int* out) {
    return [out](HWND box) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(box, ui::kMessageBoxPromptId), &r);
      *out = r.bottom - r.top;
    };
  };
  const Shown shown = ShowAndAnswer(three_lines, mb::kOk, "",
                                    BoxReply::Enter().Inspecting(height_of(&many_height)));
  ShowAndAnswer(one_line, mb::kOk, "", BoxReply::Enter().Inspecting(height_of(&one_height)));
  EXPECT_EQ(shown.box.prompt, three_lines);
  // Four lines (one empty) need about four times the room of one.
  EXPECT_GE(many_height, one_height * 3);
}

TEST_F(MessageBoxTest, UmlautsReachTheBoxIntact) {
  const Shown shown = ShowAndAnswer(msg::kNothingSelected, mb::kOk, "Prüfung", BoxReply::Enter());
  EXPECT_EQ(shown.box.prompt, "Keine Datei(en) ausgewählt!");
  EXPECT_EQ(shown.box.title, "Prüfung");
}

TEST_F(MessageBoxTest, IconsAreDrawnInTheirColoursAndNoIconLeavesThePlainBackground) {
  // A point inside the round icon, left of its symbol.
  auto colour_at_icon = [](COLORREF* out) {
    return [out](HWND box) {
      const UINT dpi = ui::WindowDpi(box);
      *out = PixelOf(box, POINT{ui::DpiScale(20 + 6, dpi), ui::DpiScale(20 + 16, dpi)});
    };
  };
  COLORREF stop = 0, question = 0, information = 0, none = 0;
  ShowAndAnswer("x", mb::kYesNoCancelStop, "", BoxReply::Enter().Inspecting(colour_at_icon(&stop)));
  ShowAndAnswer("x", mb::kYesNoQuestion, "",
                BoxReply::Enter().Inspecting(colour_at_icon(&question)));
  ShowAndAnswer("x", mb::kOkInformation, "",
                BoxReply::Enter().Inspecting(colour_at_icon(&information)));
  ShowAndAnswer("x", mb::kOk, "", BoxReply::Enter().Inspecting(colour_at_icon(&none)));
  EXPECT_GT(GetRValue(stop), 150);
  EXPECT_LT(GetBValue(stop), 100);
  for (COLORREF blue : {question, information}) {
    EXPECT_GT(GetBValue(blue), 150);
    EXPECT_LT(GetRValue(blue), 100);
  }
  EXPECT_EQ(none, ::GetSysColor(COLOR_WINDOW));
}

TEST_F(MessageBoxTest, BoxIsModalOverTheActiveWindowAndGivesItBackAfterwards) {
  OwnerWindow owner(kOwnerBounds);
  ASSERT_EQ(::GetActiveWindow(), owner.hwnd());
  bool owner_enabled_while_shown = true;
  RECT box_rect{};
  const Shown shown = ShowAndAnswer(msg::kAbortPrompt, mb::kYesNoQuestion, msg::kAbortTitle,
                                    BoxReply::Click(mb::kAnswerYes).Inspecting([&](HWND box) {
                                      owner_enabled_while_shown =
                                          ::IsWindowEnabled(owner.hwnd()) != FALSE;
                                      ::GetWindowRect(box, &box_rect);
                                    }));
  EXPECT_EQ(shown.answer, mb::kAnswerYes);
  EXPECT_EQ(shown.box.owner, owner.hwnd());
  EXPECT_FALSE(owner_enabled_while_shown);
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
  // Centred over the owner.
  RECT owner_rect{};
  ::GetWindowRect(owner.hwnd(), &owner_rect);
  EXPECT_NEAR((box_rect.left + box_rect.right) / 2, (owner_rect.left + owner_rect.right) / 2, 2);
}

TEST_F(MessageBoxTest, OwnerThatWasAlreadyDisabledStaysDisabled) {
  // The wizard window is disabled during a run while the progress window asks.
  OwnerWindow owner(kOwnerBounds);
  ::EnableWindow(owner.hwnd(), FALSE);
  ::SetActiveWindow(owner.hwnd());
  ShowAndAnswer("x", mb::kOk, "", BoxReply::Enter());
  EXPECT_FALSE(::IsWindowEnabled(owner.hwnd()));
}

TEST_F(MessageBoxTest, NumberPropertyChoosesTheDefaultButton) {
  MessageBoxAnswerer answerer({BoxReply::Enter()});
  ui::MessageBoxObject box;
  box.SetFlag(false);
  box.SetNumber(1);
  const int32_t answer = box.Show("x", mb::kYesNoCancelStop, "", "", 0, 0, "", -2, 0, nullptr);
  const std::vector<SeenBox> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].focused_id, mb::kAnswerNo);
  EXPECT_EQ(answer, mb::kAnswerNo);
}

TEST_F(MessageBoxTest, QuitRequestEndsTheBoxAndIsPassedOn) {
  // A WM_QUIT that arrives while the box shows must not be swallowed, or the
  // program would never end.
  ::PostQuitMessage(3);
  const int32_t answer = ui::ShowMessage("x", mb::kYesNoQuestion, "");
  EXPECT_EQ(answer, mb::kAnswerNo);
  MSG msg{};
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(FindProcessWindow(ui::kMessageBoxClass), nullptr);
}

TEST_F(MessageBoxTest, BoxScalesWithTheDpi) {
  // XPC_FORCE_DPI stands for a monitor of 144 dpi (150 %).
  auto button_height = [](int* out) {
    return [out](HWND box) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(box, mb::kAnswerYes), &r);
      *out = r.bottom - r.top;
    };
  };
  const char* before = std::getenv("XPC_FORCE_DPI");
  const std::string restore = before != nullptr ? before : "";
  int at_96 = 0;
  int at_144 = 0;
  _putenv_s("XPC_FORCE_DPI", "96");
  ShowAndAnswer("x", mb::kYesNoQuestion, "", BoxReply::Enter().Inspecting(button_height(&at_96)));
  _putenv_s("XPC_FORCE_DPI", "144");
  ShowAndAnswer("x", mb::kYesNoQuestion, "", BoxReply::Enter().Inspecting(button_height(&at_144)));
  _putenv_s("XPC_FORCE_DPI", restore.c_str());
  EXPECT_EQ(at_96, 24);
  EXPECT_EQ(at_144, 36);
}

// Not a check: the pictures of the program's seven messages for the
// documentation, taken when scripts/pictures.sh asks for them.
TEST_F(MessageBoxTest, Pictures) {
  if (!PicturesWanted()) GTEST_SKIP() << "pictures are taken by scripts/pictures.sh";
  struct Message {
    std::string prompt;
    int32_t buttons;
    std::string title;
  };
  const std::vector<Message> messages = {
      {msg::kBackupPrompt, mb::kYesNoCancelStop, ""},
      {msg::kNothingSelected, mb::kOk, ""},
      {msg::kOverwritePrompt, mb::kYesNoQuestion, msg::kOverwriteTitle},
      {"Fehler: 53\r\nDatei nicht gefunden\r\n\r\nDatei: frmMain.frm", mb::kOk, ""},
      {msg::kAbortPrompt, mb::kYesNoQuestion, msg::kAbortTitle},
      {std::string("3") + msg::kSummaryTail, mb::kOkInformation, msg::kSummaryTitle},
      {"Fehler: 70\r\nZugriff verweigert", mb::kOk, ""},
  };
  for (size_t i = 0; i < messages.size(); ++i) {
    const std::string name = "message-" + std::to_string(i + 1);
    const Shown shown = ShowAndAnswer(messages[i].prompt, messages[i].buttons, messages[i].title,
                                      BoxReply::Enter().WithPicture(name));
    EXPECT_EQ(shown.box.prompt, messages[i].prompt);
  }
}

}  // namespace
}  // namespace xpconv::testing

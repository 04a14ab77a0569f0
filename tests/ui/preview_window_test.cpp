// The preview window on content of the test's own: its rows, the changes of
// the row in focus and their colours, the keyboard, the save dialog's
// requests, a failed save, and its layout at another DPI. The window runs
// modal on the test's thread; a watcher thread reads and answers it.
#include "ui/preview_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/error.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/wizard_test_support.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;

class FakeContent final : public PreviewContent {
 public:
  FakeContent() {
    facts_.project_path = "C:\\Projekte\\Kunden\\Kunden.vbp";
    facts_.project_name = "Kunden.vbp";
    facts_.summary = "Ein Lauf würde 1 Datei(en) aktualisieren.";
    facts_.rows = {
        {PreviewRow::Kind::kEntry, "1", "frmHaupt.frm", "wird konvertiert", {"2", "1", "0", "0"}},
        {PreviewRow::Kind::kEntry, "2", "frmInfo.frm", "unverändert", {"0", "0", "0", "0"}},
        {PreviewRow::Kind::kProjectFile, "", "Kunden.vbp", "Bibliothekszeile wird eingetragen", {}},
    };
  }
  const PreviewFacts& Facts() const override { return facts_; }
  DiffText DiffOf(size_t row) override {
    if (row == 2) throw VbError(53, "Datei nicht gefunden");
    DiffText diff;
    if (row == 0) {
      diff.lines = {{DiffText::Kind::kHunkHeader, "@@ -1,3 +1,3 @@"},
                    {DiffText::Kind::kContext, "    Caption = \"Haupt\""},
                    {DiffText::Kind::kRemoved, "-   Begin VB.Frame fraA "},
                    {DiffText::Kind::kAdded, "+   Begin qorXPControls.qorFrame fraA "}};
      diff.more = "Gekürzt: es folgen 7 weitere.";
    }
    return diff;
  }
  void SaveReport(const std::string& path) override { saved.push_back("report " + path); }
  void SavePatch(const std::string& path) override {
    if (path.find("Gesperrt") != std::string::npos) throw VbError(70, "Zugriff verweigert");
    saved.push_back("patch " + path);
  }

  std::vector<std::string> saved;

 private:
  PreviewFacts facts_;
};

// The colour a line of the changes is drawn on, right of its text.
COLORREF LineBackground(HWND preview, int index) {
  HWND box = ::GetDlgItem(preview, kPreviewDiffId);
  RECT item{};
  ::SendMessageW(box, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  return testing::PixelOf(box, POINT{item.right - 3, (item.top + item.bottom) / 2});
}

// The focused control of the window's thread, asked from the watcher.
HWND FocusIn(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void Press(HWND window, UINT msg, WPARAM key) {
  ::PostMessageW(FocusIn(window), msg, key, msg == WM_SYSCHAR ? (1 << 29) | 1 : 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureUiRegistered(); }

  PreviewWindow::Outcome Run(BoxReply reply) {
    MessageBoxAnswerer answerer({std::move(reply)}, kPreviewWindowClass);
    PreviewWindow window(::GetModuleHandleW(nullptr), content_, [this](const SaveRequest& request) {
      requests_.push_back(request);
      std::string path = paths_.front();
      paths_.erase(paths_.begin());
      return path;
    });
    const PreviewWindow::Outcome outcome = window.Run(owner_.hwnd());
    EXPECT_EQ(answerer.Seen().size(), 1u);
    return outcome;
  }

  testing::OwnerWindow owner_{RECT{100, 80, 700, 530}};
  FakeContent content_;
  std::vector<SaveRequest> requests_;
  std::vector<std::string> paths_;
};

TEST_F(PreviewWindowTest, ShowsTheRowsAndTheChangesOfTheRowInFocusInTheirColours) {
  std::vector<std::string> texts, rows, first, second, third;
  COLORREF context = 0, removed = 0, added = 0;
  bool owner_enabled = true;
  const auto outcome = Run(BoxReply::Click(kPreviewCloseId).Inspecting([&](HWND window) {
    texts = {testing::WindowTextOf(window),
             testing::WindowTextOf(::GetDlgItem(window, kPreviewSummaryId)),
             testing::WindowTextOf(::GetDlgItem(window, kPreviewDiffLabelId))};
    owner_enabled = ::IsWindowEnabled(owner_.hwnd()) != FALSE;
    rows = testing::PreviewRows(window);
    first = testing::PreviewDiffLines(window);
    context = LineBackground(window, 1);
    removed = LineBackground(window, 2);
    added = LineBackground(window, 3);
    testing::FocusPreviewRow(window, 1);
    second = testing::PreviewDiffLines(window);
    testing::FocusPreviewRow(window, 2);
    third = testing::PreviewDiffLines(window);
  }));
  EXPECT_EQ(outcome, PreviewWindow::Outcome::kClosed) << "Schließen";
  EXPECT_FALSE(owner_enabled) << "modal over its owner";
  EXPECT_TRUE(::IsWindowEnabled(owner_.hwnd()));
  EXPECT_EQ(texts, (std::vector<std::string>{"Vorschau - Kunden.vbp",
                                             "Ein Lauf würde 1 Datei(en) aktualisieren.",
                                             "Ä&nderungen an frmHaupt.frm:"}));
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "1 | frmHaupt.frm | wird konvertiert | 2 | 1 | 0 | 0",
                      "2 | frmInfo.frm | unverändert | 0 | 0 | 0 | 0",
                      " | Kunden.vbp | Bibliothekszeile wird eingetragen |  |  |  | "}));
  EXPECT_EQ(first, (std::vector<std::string>{
                       "@@ -1,3 +1,3 @@", "    Caption = \"Haupt\"", "-   Begin VB.Frame fraA ",
                       "+   Begin qorXPControls.qorFrame fraA ", "Gekürzt: es folgen 7 weitere."}));
  EXPECT_NE(removed, added);
  EXPECT_NE(removed, context);
  EXPECT_NE(added, context);
  EXPECT_EQ(second, std::vector<std::string>{kNoChangesNote});
  EXPECT_EQ(third, std::vector<std::string>{"Fehler: 53 Datei nicht gefunden"});
}

TEST_F(PreviewWindowTest, KeyboardReachesEveryControlAndAFailedSaveIsShownAsTheRunShowsErrors) {
  paths_ = {"C:\\Gesperrt\\Kunden.patch", "C:\\Ablage\\Kunden-Vorschau.csv"};
  std::vector<int> focus;
  std::vector<testing::SeenBox> errors;
  const auto outcome = Run(BoxReply::AltChars(L"s").Inspecting([&](HWND window) {
    // Tab from the list through the changes and the buttons back to it.
    for (int i = 0; i < 7; ++i) {
      focus.push_back(::GetDlgCtrlID(FocusIn(window)));
      Press(window, WM_KEYDOWN, VK_TAB);
    }
    for (wchar_t key : {L'n', L'd'}) {
      Press(window, WM_SYSCHAR, key);
      focus.push_back(::GetDlgCtrlID(FocusIn(window)));
    }
    MessageBoxAnswerer error({BoxReply::Enter()});
    Press(window, WM_SYSCHAR, L'p');
    errors = error.Seen();
    Press(window, WM_SYSCHAR, L'b');
  }));
  EXPECT_EQ(outcome, PreviewWindow::Outcome::kStart) << "Alt+S";
  EXPECT_EQ(focus, (std::vector<int>{kPreviewListId, kPreviewDiffId, kPreviewSaveReportId,
                                     kPreviewSavePatchId, kPreviewStartId, kPreviewCloseId,
                                     kPreviewListId, kPreviewDiffId, kPreviewListId}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].prompt, "Fehler: 70\r\nZugriff verweigert\r\n\r\nDatei: Kunden.patch");
  EXPECT_EQ(content_.saved, std::vector<std::string>{"report C:\\Ablage\\Kunden-Vorschau.csv"});
  ASSERT_EQ(requests_.size(), 2u);
  const SaveRequest& patch = requests_[0];
  const SaveRequest& report = requests_[1];
  EXPECT_EQ(
      (std::vector<std::string>{patch.title, patch.filter, patch.initial_folder, patch.file_name,
                                patch.default_extension}),
      (std::vector<std::string>{"Patch speichern", "Patch (*.patch)|*.patch|Alle Dateien (*.*)|*.*",
                                "C:\\Projekte\\Kunden", "Kunden.patch", "patch"}));
  EXPECT_EQ((std::vector<std::string>{report.title, report.filter, report.file_name}),
            (std::vector<std::string>{"Bericht speichern",
                                      "JSON-Bericht (*.json)|*.json|CSV-Bericht (*.csv)|*.csv",
                                      "Kunden-Vorschau.json"}));
}

TEST_F(PreviewWindowTest, LaysOutForTheDpiItOpensAt) {
  _putenv_s("XPC_FORCE_DPI", "144");
  std::vector<RECT> places;  // the controls in id order
  RECT client{};
  Run(BoxReply::Escape().Inspecting([&](HWND window) {
    ::GetClientRect(window, &client);
    for (int id = kPreviewSummaryId; id <= kPreviewCloseId; ++id) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(window, id), &r);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      places.push_back(r);
    }
  }));
  _putenv_s("XPC_FORCE_DPI", "");
  EXPECT_GE(client.right, 780 * 3 / 2 - 2) << "the designed size at 144 dpi";
  EXPECT_GE(client.bottom, 560 * 3 / 2 - 2);
  ASSERT_EQ(places.size(), 9u);
  for (size_t i = 0; i < places.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(places[i].left, 0);
    EXPECT_LE(places[i].right, client.right);
    EXPECT_LE(places[i].bottom, client.bottom);
    // The upper parts stack without overlap, the buttons sit side by side.
    if (i > 0 && i < 5) {
      EXPECT_GE(places[i].top, places[i - 1].bottom);
    } else if (i > 5) {
      EXPECT_EQ(places[i].top, places[i - 1].top);
      EXPECT_GT(places[i].left, places[i - 1].right);
    }
  }
}

}  // namespace
}  // namespace xpconv::ui

// The preview window on content of the test's own: its rows, the changes of
// the row in focus and their colours, the keyboard, the save dialog's
// requests and a failed save, and its layout at another DPI. The window
// runs modal on the test's thread; a watcher thread reads and answers it.
#include "ui/preview_window.h"

// clang-format off
// <windows.h> first: the common controls' header builds on it.
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/error.h"
#include "tests/ui/ui_test_support.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {
namespace {

using testing::BoxReply;
using testing::MessageBoxAnswerer;
using testing::OwnerWindow;
using testing::WindowTextOf;

constexpr RECT kOwnerBounds{100, 80, 700, 530};

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
    asked.push_back(row);
    DiffText diff;
    if (row == 0) {
      diff.lines = {{DiffText::Kind::kFileHeader, "--- a/frmHaupt.frm"},
                    {DiffText::Kind::kHunkHeader, "@@ -1,3 +1,3 @@"},
                    {DiffText::Kind::kContext, "    Caption = \"Haupt\""},
                    {DiffText::Kind::kRemoved, "-   Begin VB.Frame fraA "},
                    {DiffText::Kind::kAdded, "+   Begin qorXPControls.qorFrame fraA "}};
      diff.more = "Gekürzt: es folgen 7 weitere Änderungen.";
    }
    if (row == 2) throw VbError(53, "Datei nicht gefunden");
    return diff;
  }
  void SaveReport(const std::string& path) override { saved.push_back("report " + path); }
  void SavePatch(const std::string& path) override {
    if (path.find("Gesperrt") != std::string::npos) throw VbError(70, "Zugriff verweigert");
    saved.push_back("patch " + path);
  }

  std::vector<size_t> asked;
  std::vector<std::string> saved;

 private:
  PreviewFacts facts_;
};

std::string CellOf(HWND list, int row, int column) {
  wchar_t buffer[512] = {};
  ListView_GetItemText(list, row, column, buffer, 512);
  return WideToUtf8(buffer);
}

std::vector<std::string> LinesOf(HWND box) {
  std::vector<std::string> lines;
  const auto n = static_cast<int>(::SendMessageW(box, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, i, 0)), L'\0');
    ::SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    lines.push_back(WideToUtf8(text));
  }
  return lines;
}

// The colour a line of the changes is drawn on, just right of its text.
COLORREF LineBackground(HWND box, int index) {
  RECT item{};
  ::SendMessageW(box, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
  return testing::PixelOf(box, POINT{item.right - 3, (item.top + item.bottom) / 2});
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureUiRegistered(); }

  PreviewWindow::Outcome Run(std::vector<BoxReply> replies) {
    MessageBoxAnswerer answerer(std::move(replies), kPreviewWindowClass);
    PreviewWindow window(::GetModuleHandleW(nullptr), content_, [this](const SaveRequest& request) {
      requests_.push_back(request);
      return next_path_;
    });
    const PreviewWindow::Outcome outcome = window.Run(owner_.hwnd());
    seen_ = answerer.Seen().size();
    return outcome;
  }

  OwnerWindow owner_{kOwnerBounds};
  FakeContent content_;
  std::vector<SaveRequest> requests_;
  std::string next_path_;
  size_t seen_ = 0;
};

TEST_F(PreviewWindowTest, ShowsTheRowsAndTheChangesOfTheRowInFocus) {
  struct Seen {
    std::string title;
    std::vector<std::vector<std::string>> rows;
    std::string summary;
    std::string diff_label;
    std::vector<std::string> first_lines;
    COLORREF removed = 0, added = 0, context = 0;
    std::vector<std::string> third_lines;
    std::vector<std::string> second_lines;
    bool owner_enabled = true;
  } seen;
  const bool owner_enabled_before = ::IsWindowEnabled(owner_.hwnd()) != FALSE;
  const auto outcome = Run({BoxReply::Escape().Inspecting([&](HWND window) {
    seen.title = WindowTextOf(window);
    seen.owner_enabled = ::IsWindowEnabled(owner_.hwnd()) != FALSE;
    HWND list = ::GetDlgItem(window, kPreviewListId);
    for (int r = 0; r < ListView_GetItemCount(list); ++r) {
      std::vector<std::string> cells;
      for (int c = 0; c < 7; ++c) cells.push_back(CellOf(list, r, c));
      seen.rows.push_back(cells);
    }
    seen.summary = WindowTextOf(::GetDlgItem(window, kPreviewSummaryId));
    seen.diff_label = WindowTextOf(::GetDlgItem(window, kPreviewDiffLabelId));
    HWND diff = ::GetDlgItem(window, kPreviewDiffId);
    seen.first_lines = LinesOf(diff);
    seen.context = LineBackground(diff, 2);
    seen.removed = LineBackground(diff, 3);
    seen.added = LineBackground(diff, 4);
    ListView_SetItemState(list, 2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    seen.third_lines = LinesOf(diff);
    ListView_SetItemState(list, 1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    seen.second_lines = LinesOf(diff);
  })});
  ASSERT_EQ(seen_, 1u);
  EXPECT_EQ(outcome, PreviewWindow::Outcome::kClosed) << "Escape closes";
  EXPECT_EQ(seen.title, "Vorschau - Kunden.vbp");
  EXPECT_FALSE(seen.owner_enabled) << "modal over the wizard";
  EXPECT_EQ(::IsWindowEnabled(owner_.hwnd()) != FALSE, owner_enabled_before);
  EXPECT_EQ(seen.summary, "Ein Lauf würde 1 Datei(en) aktualisieren.");
  const std::vector<std::vector<std::string>> rows = {
      {"1", "frmHaupt.frm", "wird konvertiert", "2", "1", "0", "0"},
      {"2", "frmInfo.frm", "unverändert", "0", "0", "0", "0"},
      {"", "Kunden.vbp", "Bibliothekszeile wird eingetragen", "", "", "", ""},
  };
  EXPECT_EQ(seen.rows, rows);
  EXPECT_EQ(seen.diff_label, "Ä&nderungen an frmHaupt.frm:");
  EXPECT_EQ(seen.first_lines,
            (std::vector<std::string>{"--- a/frmHaupt.frm", "@@ -1,3 +1,3 @@",
                                      "    Caption = \"Haupt\"", "-   Begin VB.Frame fraA ",
                                      "+   Begin qorXPControls.qorFrame fraA ",
                                      "Gekürzt: es folgen 7 weitere Änderungen."}));
  EXPECT_NE(seen.removed, seen.added);
  EXPECT_NE(seen.removed, seen.context);
  EXPECT_NE(seen.added, seen.context);
  EXPECT_EQ(seen.third_lines, std::vector<std::string>{"Fehler: 53 Datei nicht gefunden"});
  EXPECT_EQ(seen.second_lines, std::vector<std::string>{kNoChangesNote});
  EXPECT_EQ(content_.asked, (std::vector<size_t>{0, 2, 1}));
}

// The focused control of the window's thread, asked from the watcher.
HWND FocusIn(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

void TypeWithAlt(HWND window, wchar_t key) {
  ::PostMessageW(FocusIn(window), WM_SYSCHAR, key, (1 << 29) | 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST_F(PreviewWindowTest, KeyboardReachesEveryControlAndTheButtonsByTheirAccessKeys) {
  std::vector<int> order;
  next_path_ = "C:\\Ablage\\Kunden.patch";
  const auto first = Run({BoxReply::AltChars(L"s").Inspecting([&](HWND window) {
    // Tab from the list through the changes and the buttons back to the list.
    for (int i = 0; i < 7; ++i) {
      order.push_back(::GetDlgCtrlID(FocusIn(window)));
      ::PostMessageW(FocusIn(window), WM_KEYDOWN, VK_TAB, 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    TypeWithAlt(window, L'p');
    TypeWithAlt(window, L'd');
    order.push_back(::GetDlgCtrlID(FocusIn(window)));
    TypeWithAlt(window, L'n');
    order.push_back(::GetDlgCtrlID(FocusIn(window)));
  })});
  EXPECT_EQ(first, PreviewWindow::Outcome::kStart) << "Alt+S";
  EXPECT_EQ(order, (std::vector<int>{kPreviewListId, kPreviewDiffId, kPreviewSaveReportId,
                                     kPreviewSavePatchId, kPreviewStartId, kPreviewCloseId,
                                     kPreviewListId, kPreviewListId, kPreviewDiffId}))
      << "Tab, then Alt+D and Alt+N";

  next_path_ = "C:\\Ablage\\Kunden-Vorschau.csv";
  const auto second =
      Run({BoxReply::Close().Inspecting([](HWND window) { TypeWithAlt(window, L'b'); })});
  EXPECT_EQ(second, PreviewWindow::Outcome::kClosed) << "the close box";
  EXPECT_EQ(content_.saved, (std::vector<std::string>{"patch C:\\Ablage\\Kunden.patch",
                                                      "report C:\\Ablage\\Kunden-Vorschau.csv"}));
  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_EQ(requests_[0].title, "Patch speichern");
  EXPECT_EQ(requests_[0].filter, "Patch (*.patch)|*.patch|Alle Dateien (*.*)|*.*");
  EXPECT_EQ(requests_[0].initial_folder, "C:\\Projekte\\Kunden");
  EXPECT_EQ(requests_[0].file_name, "Kunden.patch");
  EXPECT_EQ(requests_[1].title, "Bericht speichern");
  EXPECT_EQ(requests_[1].filter, "JSON-Bericht (*.json)|*.json|CSV-Bericht (*.csv)|*.csv");
  EXPECT_EQ(requests_[1].file_name, "Kunden-Vorschau.json");
  EXPECT_EQ(requests_[1].default_extension, "json");
}

TEST_F(PreviewWindowTest, AFailedSaveIsShownAsTheRunShowsErrorsAndTheWindowStays) {
  next_path_ = "C:\\Gesperrt\\Kunden.patch";
  std::vector<testing::SeenBox> boxes;
  const auto outcome = Run({BoxReply::Escape().Inspecting([&](HWND window) {
    MessageBoxAnswerer error({BoxReply::Enter()});
    TypeWithAlt(window, L'p');
    boxes = error.Seen();
  })});
  EXPECT_EQ(outcome, PreviewWindow::Outcome::kClosed);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].prompt, "Fehler: 70\r\nZugriff verweigert\r\n\r\nDatei: Kunden.patch");
  EXPECT_TRUE(content_.saved.empty());
}

TEST_F(PreviewWindowTest, LaysOutForTheDpiItOpensAt) {
  _putenv_s("XPC_FORCE_DPI", "144");
  struct Place {
    int id;
    RECT r;
  };
  std::vector<Place> places;
  RECT client{};
  Run({BoxReply::Escape().Inspecting([&](HWND window) {
    ::GetClientRect(window, &client);
    for (int id = kPreviewSummaryId; id <= kPreviewCloseId; ++id) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(window, id), &r);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      places.push_back({id, r});
    }
  })});
  _putenv_s("XPC_FORCE_DPI", "");
  EXPECT_GE(client.right, 780 * 3 / 2 - 2) << "the designed size at 144 dpi";
  EXPECT_GE(client.bottom, 560 * 3 / 2 - 2);
  ASSERT_EQ(places.size(), 9u);
  for (size_t i = 0; i < places.size(); ++i) {
    SCOPED_TRACE(places[i].id);
    const RECT& r = places[i].r;
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.right, client.right);
    EXPECT_LE(r.bottom, client.bottom);
    EXPECT_GT(r.bottom - r.top, 0);
    // The upper parts stack without overlap, the buttons sit side by side.
    if (i > 0 && i < 5) {
      EXPECT_GE(r.top, places[i - 1].r.bottom);
    }
    if (i > 5) {
      EXPECT_GE(r.left, places[i - 1].r.right);
    }
  }
  EXPECT_EQ(places[5].r.top, places[6].r.top) << "the buttons share a row";
}

}  // namespace
}  // namespace xpconv::ui

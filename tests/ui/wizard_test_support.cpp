#include "tests/ui/wizard_test_support.h"

// clang-format off
// <windows.h> first: the common controls' header builds on it.
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "ui/preview_ids.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::testing {

std::vector<std::string> PreviewRows(HWND preview) {
  HWND list = ::GetDlgItem(preview, ui::kPreviewListId);
  std::vector<std::string> rows;
  for (int r = 0; r < ListView_GetItemCount(list); ++r) {
    std::string row;
    for (int c = 0; c < 7; ++c) {
      wchar_t cell[512] = {};
      ListView_GetItemText(list, r, c, cell, 512);
      row += (c > 0 ? " | " : "") + ui::WideToUtf8(cell);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> PreviewDiffLines(HWND preview) {
  HWND box = ::GetDlgItem(preview, ui::kPreviewDiffId);
  std::vector<std::string> lines;
  const auto n = static_cast<int>(::SendMessageW(box, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, i, 0)), L'\0');
    ::SendMessageW(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    lines.push_back(ui::WideToUtf8(text));
  }
  return lines;
}

void FocusPreviewRow(HWND preview, int row) {
  ListView_SetItemState(::GetDlgItem(preview, ui::kPreviewListId), row,
                        LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

std::string LongForm(const std::string& name) {
  std::string text = ConvertibleForm(name);
  for (int i = 0; i < 1500; ++i) text += "   ' Zeile " + std::to_string(i) + "\r\n";
  return text;
}

void WizardTest::SetUp() {
  EnsureUiRegistered();
  wizard_ = std::make_unique<ui::Wizard>(
      ::GetModuleHandleW(nullptr), abort_,
      [this](const std::string& filter, const std::string& folder) {
        dialog_calls_.emplace_back(filter, folder);
        return next_choice_;
      },
      [this](const ui::SaveRequest&) {
        if (save_paths_.empty()) return std::string();
        std::string path = save_paths_.front();
        save_paths_.erase(save_paths_.begin());
        return path;
      });
  wizard_->on_closed = [this] { closed_ = true; };
  wizard_->Create();
  wizard_->Show(SW_SHOWNORMAL);
  ::SetForegroundWindow(wizard_->hwnd());
  PumpPending();
}

void WizardTest::Click(int id) {
  ::SendMessageW(Control(id), BM_CLICK, 0, 0);
}

void WizardTest::Browse(const std::string& choice) {
  next_choice_ = choice;
  Click(ui::kIdFolder);
  PumpPending();
}

std::string WizardTest::LoadProject(const std::string& relative,
                                    const std::vector<std::string>& entries) {
  dir_.WriteFile(relative, ProjectText(entries));
  Browse(dir_.Path(relative));
  return dir_.Path(relative);
}

std::vector<std::wstring> WizardTest::ListTexts() {
  std::vector<std::wstring> texts;
  HWND list = Control(ui::kIdList);
  const auto n = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
    ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    texts.push_back(text);
  }
  return texts;
}

std::vector<int> WizardTest::Selected() {
  std::vector<int> indices;
  for (int i = 0; i < wizard_->EntryCount(); ++i) {
    if (wizard_->IsEntrySelected(static_cast<int16_t>(i))) indices.push_back(i);
  }
  return indices;
}

void WizardTest::ClickEntry(int i) {
  HWND list = Control(ui::kIdList);
  RECT item{};
  ::SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::SendMessageW(list, WM_LBUTTONUP, 0, at);
}

bool WizardTest::Key(UINT msg, WPARAM key) {
  MSG m{};
  m.hwnd = ::GetFocus() != nullptr ? ::GetFocus() : wizard_->hwnd();
  m.message = msg;
  m.wParam = key;
  m.lParam = msg == WM_SYSCHAR ? (1 << 29) | 1 : 1;
  const bool used = wizard_->PreTranslate(m);
  PumpPending();
  return used;
}

}  // namespace xpconv::testing

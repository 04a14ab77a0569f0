// The wizard window as its tests drive it: created and shown for each test,
// the open dialog replaced by a script, projects written into a temporary
// folder and loaded through the folder button, the list read and clicked as
// a user clicks it. Shared by the tests of the window, its restore and its
// preview.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"
#include "tests/ui/ui_test_support.h"
#include "ui/wizard_window.h"

namespace xpconv::testing {

// The items of a list box, in order.
inline std::vector<std::wstring> ListBoxTexts(HWND list) {
  std::vector<std::wstring> texts;
  const auto n = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
    ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    texts.push_back(text);
  }
  return texts;
}

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureUiRegistered();
    wizard_ = std::make_unique<ui::Wizard>(
        ::GetModuleHandleW(nullptr), abort_,
        [this](const std::string& filter, const std::string& folder) {
          dialog_calls_.emplace_back(filter, folder);
          return next_choice_;
        },
        [this](const ui::SaveRequest& request) {
          save_requests_.push_back(request);
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

  HWND Control(int id) const { return wizard_->control(id); }
  void Click(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
  // The open dialog's answer for the next browse.
  void Browse(const std::string& choice) {
    next_choice_ = choice;
    Click(ui::kIdFolder);
    PumpPending();
  }
  // Writes a project with the given entries and loads it through the browse button.
  std::string LoadProject(const std::string& relative, const std::vector<std::string>& entries) {
    dir_.WriteFile(relative, ProjectText(entries));
    Browse(dir_.Path(relative));
    return dir_.Path(relative);
  }
  std::vector<std::wstring> ListTexts() { return ListBoxTexts(Control(ui::kIdList)); }
  std::vector<int> Selected() {
    std::vector<int> indices;
    for (int i = 0; i < wizard_->EntryCount(); ++i) {
      if (wizard_->IsEntrySelected(static_cast<int16_t>(i))) indices.push_back(i);
    }
    return indices;
  }
  // A click with the mouse on entry i of the list.
  void ClickEntry(int i) {
    HWND list = Control(ui::kIdList);
    RECT item{};
    ::SendMessageW(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(list, WM_LBUTTONUP, 0, at);
  }
  // Lets the window's dialog keys handle a key as the message loop would.
  bool Key(UINT msg, WPARAM key) {
    MSG m{};
    m.hwnd = ::GetFocus() != nullptr ? ::GetFocus() : wizard_->hwnd();
    m.message = msg;
    m.wParam = key;
    m.lParam = msg == WM_SYSCHAR ? (1 << 29) | 1 : 1;
    const bool used = wizard_->PreTranslate(m);
    PumpPending();
    return used;
  }
  bool Enabled(int id) { return ::IsWindowEnabled(Control(id)) != FALSE; }

  TempDir dir_;
  AbortFlag abort_;
  std::unique_ptr<ui::Wizard> wizard_;
  std::vector<std::pair<std::string, std::string>> dialog_calls_;
  std::string next_choice_;
  // What the save dialog was asked, and its answers in turn (empty: cancelled).
  std::vector<ui::SaveRequest> save_requests_;
  std::vector<std::string> save_paths_;
  bool closed_ = false;
};

}  // namespace xpconv::testing

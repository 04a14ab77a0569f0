// The wizard's list of the project's entries: a project's form entries
// (with the user-controls box ticked also its user controls, property pages
// and user documents) loaded into it, the list emptied when there is no
// project, and every entry selected by "Alle Dateien".
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/project_file.h"
#include "ui/busy_pointer.h"
#include "ui/controls/check_box.h"
#include "ui/win32/text_conversion.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

// Stops a list from repainting for one scope and repaints it once at its
// end: filling or selecting thousands of entries then costs one repaint.
class ListRedrawPause {
 public:
  explicit ListRedrawPause(HWND list) : list_(list) {
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  }
  ListRedrawPause(const ListRedrawPause&) = delete;
  ListRedrawPause& operator=(const ListRedrawPause&) = delete;
  ~ListRedrawPause() {
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(list_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
  }

 private:
  HWND list_;
};

}  // namespace

void Wizard::LoadProjectList() {
  const std::string path = ProjectPath();
  project_folder_ = ProjectFolderOf(path);
  std::vector<ProjectEntry> entries;
  std::unique_ptr<VbError> failure;
  {
    BusyPointer busy;
    ::SendMessageW(control(kIdList), LB_RESETCONTENT, 0, 0);
    entries_.clear();
    try {
      auto fs = MakeNativeFileSystem();
      if (DesignersOption()) {
        entries = ReadProjectEntries(*fs, path, true);
      } else {
        // Unticked, the list holds the Form= entries, read as it always was.
        for (std::string& text : ReadFormEntries(*fs, path)) {
          entries.push_back(ProjectEntry{"Form", std::move(text)});
        }
      }
    } catch (const VbError& error) {
      failure = std::make_unique<VbError>(error);
    } catch (const std::exception& error) {
      // Nothing may leave a window procedure; report it like the others.
      failure = std::make_unique<VbError>(err::kPathFileAccess, error.what());
    }
    if (!failure) FillList(entries);
  }
  if (failure) {
    ResetToNoProject();
    ShowError(failure->number(), failure->description());
  }
}

void Wizard::ReloadProjectList() {
  // The entries selected now, by kind and text, each as often as it is
  // selected: the same entries are selected again in the reloaded list.
  std::map<std::pair<std::string, std::string>, int> selected;
  if (const std::optional<std::vector<bool>> selection = Selection()) {
    for (size_t i = 0; i < selection->size() && i < entries_.size(); ++i) {
      if ((*selection)[i]) ++selected[{entries_[i].kind, entries_[i].text}];
    }
  }
  LoadProjectList();
  if (selected.empty() || !::IsWindowEnabled(control(kIdList))) return;
  HWND list = control(kIdList);
  ListRedrawPause pause(list);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const auto found = selected.find({entries_[i].kind, entries_[i].text});
    if (found == selected.end() || found->second == 0) continue;
    --found->second;
    ::SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(i));
  }
}

bool Wizard::DesignersOption() const {
  return CheckValue(control(kIdDesigners)) != 0;
}

void Wizard::FillList(const std::vector<ProjectEntry>& entries) {
  HWND list = control(kIdList);
  {
    // One repaint for the whole list instead of one per entry, with room
    // for every entry reserved up front.
    ListRedrawPause pause(list);
    size_t characters = 0;
    for (const ProjectEntry& entry : entries) characters += entry.text.size() + 1;
    ::SendMessageW(list, LB_INITSTORAGE, entries.size(),
                   static_cast<LPARAM>(characters * sizeof(wchar_t)));
    entries_.reserve(entries.size());
    for (const ProjectEntry& entry : entries) {
      ::SendMessageW(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Utf8ToWide(AnsiToUtf8(entry.text)).c_str()));
      entries_.push_back(entry);
    }
  }
  const bool any = !entries_.empty();
  for (int id : kProjectActions) ::EnableWindow(control(id), any);
  if (any) {
    ::EnableWindow(list, TRUE);
  } else {
    ::SendMessageW(list, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Utf8ToWide(kNoFormsEntry).c_str()));
    entries_.push_back(ProjectEntry{"", kNoFormsEntry});
    ::EnableWindow(list, FALSE);
  }
  // A keyboard user whose control was just disabled keeps a place to go on.
  HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsWindowEnabled(focus)) ::SetFocus(control(kIdFolder));
}

void Wizard::ResetToNoProject() {
  SetProjectText("");
  project_folder_.clear();
  entries_.clear();
  HWND list = control(kIdList);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  ::EnableWindow(list, TRUE);
  for (int id : kProjectActions) ::EnableWindow(control(id), FALSE);
  HWND focus = ::GetFocus();
  if (focus == nullptr || !::IsWindowEnabled(focus)) ::SetFocus(control(kIdFolder));
}

void Wizard::SelectAllEntries() {
  BusyPointer busy;
  HWND list = control(kIdList);
  // One message selects every entry (index -1), and the list repaints once.
  ListRedrawPause pause(list);
  ::SendMessageW(list, LB_SETSEL, TRUE, -1);
}

}  // namespace xpconv::ui

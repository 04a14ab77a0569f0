// The wizard's list of the project's form entries: a project's entries
// loaded into it, the list emptied when there is no project, and every entry
// selected by "Alle Dateien".
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/project_file.h"
#include "ui/win32/text_conversion.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

// The application-wide busy pointer while a routine runs without pumping.
class BusyPointer {
 public:
  BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  ~BusyPointer() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }
};

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
  std::vector<std::string> entries;
  std::unique_ptr<VbError> failure;
  {
    BusyPointer busy;
    ::SendMessageW(control(kIdList), LB_RESETCONTENT, 0, 0);
    entries_.clear();
    try {
      auto fs = MakeNativeFileSystem();
      entries = ReadFormEntries(*fs, path);
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

void Wizard::FillList(const std::vector<std::string>& entries) {
  HWND list = control(kIdList);
  {
    // One repaint for the whole list instead of one per entry, with room
    // for every entry reserved up front.
    ListRedrawPause pause(list);
    size_t characters = 0;
    for (const std::string& entry : entries) characters += entry.size() + 1;
    ::SendMessageW(list, LB_INITSTORAGE, entries.size(),
                   static_cast<LPARAM>(characters * sizeof(wchar_t)));
    entries_.reserve(entries.size());
    for (const std::string& entry : entries) {
      ::SendMessageW(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Utf8ToWide(AnsiToUtf8(entry)).c_str()));
      entries_.push_back(entry);
    }
  }
  const bool any = !entries_.empty();
  ::EnableWindow(control(kIdAll), any);
  ::EnableWindow(control(kIdStart), any);
  if (any) {
    ::EnableWindow(list, TRUE);
  } else {
    ::SendMessageW(list, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Utf8ToWide(kNoFormsEntry).c_str()));
    entries_.emplace_back(kNoFormsEntry);
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
  ::EnableWindow(control(kIdAll), FALSE);
  ::EnableWindow(control(kIdStart), FALSE);
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

// "&Wiederherstellen...": the wizard's face of the engine's restore. For the
// loaded project and the selected entries it lists what a restore would do,
// asks once (Enter confirms, Escape cancels) and puts each file back from
// the backup in its own "_Backup" folder, as `xpconvert restore` does. The
// project's run lock is held from before the listing to the end, the
// question included, so what is listed is what is restored and no run or
// preview works on the project meanwhile.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/file_system.h"
#include "engine/messages.h"
#include "engine/project_file.h"
#include "engine/restore.h"
#include "ui/busy_pointer.h"
#include "ui/message_box.h"
#include "ui/win32/text_conversion.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

// A question longer than this many entries lists the first ones and counts
// the rest, so the box stays on the screen for a project of any size.
constexpr size_t kMostListedEntries = 20;

struct PlannedFile {
  std::string shown;  // "1 frmHaupt.frm" or "Projektdatei App.vbp", UTF-8
  std::string name;   // the bare file name, UTF-8, for an error's "Datei: "
  RestoreItem item;
};

std::string BareName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The listing of the question: the entries (the first ones, then a count of
// the rest), then the project file, which is always listed.
std::string Listing(const std::string& project_name, const std::vector<PlannedFile>& plan) {
  std::string text = "Wiederherstellen von " + project_name + ":\r\n";
  const size_t entries = plan.size() - 1;
  size_t more = 0;
  size_t more_to_restore = 0;
  for (size_t i = 0; i < entries; ++i) {
    if (i < kMostListedEntries) {
      text += "  " + plan[i].shown + ": " + RestoreStateText(plan[i].item.state) + "\r\n";
      continue;
    }
    ++more;
    if (plan[i].item.state == RestoreState::kRestore) ++more_to_restore;
  }
  if (more > 0) {
    text += "  und " + std::to_string(more) + " weitere Datei(en), davon " +
            std::to_string(more_to_restore) + " wiederherzustellen\r\n";
  }
  text += "  " + plan.back().shown + ": " + RestoreStateText(plan.back().item.state);
  return text;
}

}  // namespace

void Wizard::RestoreProject() {
  if (!TakesProjects() || entries_.empty()) return;
  const std::string project = ProjectPath();
  std::vector<size_t> chosen;
  if (const std::optional<std::vector<bool>> selection = Selection()) {
    for (size_t i = 0; i < selection->size() && i < entries_.size(); ++i) {
      if ((*selection)[i]) chosen.push_back(i);
    }
  }
  if (chosen.empty()) {
    // As "&Starten" says it: without a selection there is nothing to do.
    ShowMessage(msg::kNothingSelected, mb::kOk, "");
    return;
  }

  std::unique_ptr<FileSystem> fs;
  std::unique_ptr<ProjectRestore> restore;
  std::vector<PlannedFile> plan;
  try {
    BusyPointer busy;
    fs = MakeNativeFileSystem();
    restore = ProjectRestore::Begin(*fs, project);
    if (restore) {
      for (size_t index : chosen) {
        const EntryLocation where = ResolveEntryIn(project_folder_, entries_[index].text);
        const std::string shown = AnsiToUtf8(entries_[index].text);
        plan.push_back(PlannedFile{std::to_string(index + 1) + " " + shown, AnsiToUtf8(where.name),
                                   restore->Plan(where.folder + where.name)});
      }
      const std::string name = AnsiToUtf8(BareName(project));
      plan.push_back(PlannedFile{"Projektdatei " + name, name, restore->Plan(project)});
    }
  } catch (const VbError& error) {
    ShowError(error.number(), error.description());
    return;
  } catch (const std::exception& error) {
    ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
    return;
  }
  if (!restore) {
    ShowMessage(msg::kProjectBusy, mb::kOk, "");
    return;
  }

  size_t to_restore = 0;
  for (const PlannedFile& file : plan) {
    if (file.item.state == RestoreState::kRestore) ++to_restore;
  }
  const std::string listing = Listing(AnsiToUtf8(BareName(project)), plan);
  if (to_restore == 0) {
    ShowMessage(listing + "\r\n\r\nNichts wiederherzustellen.", mb::kOkInformation, kRestoreTitle);
    return;
  }
  if (ShowMessage(listing + "\r\n\r\nWiederherstellen?", mb::kYesNoQuestion, kRestoreTitle) !=
      mb::kAnswerYes) {
    return;
  }

  // File by file, each in one step; the first failure ends the restore
  // with every file either as it was or exactly restored.
  size_t restored = 0;
  {
    BusyPointer busy;
    for (const PlannedFile& file : plan) {
      if (file.item.state != RestoreState::kRestore) continue;
      try {
        restore->Restore(file.item);
        ++restored;
      } catch (const VbError& error) {
        ShowError(error.number(), error.description(), file.name);
        break;
      } catch (const std::exception& error) {
        ShowMessage(std::string("Fehler: ") + error.what(), mb::kOk, "");
        break;
      }
    }
  }
  ShowMessage(std::to_string(restored) + " Datei(en) wiederhergestellt.", mb::kOkInformation,
              kRestoreTitle);
  restore.reset();
  // The project file may have changed; the list shows it as it is now.
  ReloadProjectList();
}

}  // namespace xpconv::ui

#include "engine/batch_run.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/backup_folders.h"
#include "engine/code_check.h"
#include "engine/conversion_job.h"
#include "engine/error.h"
#include "engine/messages.h"
#include "engine/paths.h"
#include "engine/project_file.h"

namespace xpconv {
namespace {

std::string CountCaption(int16_t k, int16_t n) {
  return "Datei " + std::to_string(k) + " von " + std::to_string(n);
}

class Run {
 public:
  explicit Run(EngineContext& ctx) : ctx_(ctx), host_(ctx.host), fs_(ctx.fs) {}

  void Execute() {
    try {
      if (!Prepare()) return;
      Loop();
      if (!ctx_.abort.raised()) CheckCode();
    } catch (const VbError& error) {
      // Shown while the progress window (if already loaded) is still up and
      // the wizard still disabled, before the windows are wound up: the same
      // order for a failed project file as for a failed form, so the user
      // always reads the error over the window state it happened in.
      DiscardUnusedBackupCopy();
      if (ctx_.observer != nullptr) {
        ctx_.observer->RunFailed(error);
        ctx_.observer->ShowingError(error.number(), error.description());
      }
      host_.ShowMessage(msg::ErrorPrompt(error.number(), error.description()), mb::kOk, "");
      WindUp();
      return;
    } catch (...) {
      // Not an error of a file operation (a host that failed in its own way):
      // leave the windows usable and let the caller see it.
      DiscardUnusedBackupCopy();
      WindUp();
      throw;
    }
    WindUp();
    if (!ctx_.abort.raised()) {
      // Only a run that made backups points to them.
      const char* tail = backups_made_ ? msg::kSummaryTail : msg::kSummaryTailWithoutBackups;
      host_.ShowMessage(std::to_string(converted_) + tail, mb::kOkInformation, msg::kSummaryTitle);
    }
  }

 private:
  // Steps before the loop. False when the user or the selection ends the run
  // before anything was touched.
  bool Prepare() {
    if (host_.BackupOption() == 0) {
      const int32_t answer = host_.ShowMessage(msg::kBackupPrompt, mb::kYesNoCancelStop, "");
      if (answer == mb::kAnswerCancel) return false;
      if (answer == mb::kAnswerYes) host_.SwitchBackupOn();
    }

    selected_ = ToInt16(host_.SelectedCount());
    if (selected_ < 1) {
      host_.ShowMessage(msg::kNothingSelected, mb::kOk, "");
      return false;
    }

    // Probed and made whatever the backup option: the project file's copy
    // and the backups of forms in the project folder go here.
    const std::string backup_folder = BackupFolderIn(host_.ProjectFolder());
    if (FolderHasFiles(fs_, backup_folder)) {
      const int32_t answer =
          host_.ShowMessage(msg::kOverwritePrompt, mb::kYesNoQuestion, msg::kOverwriteTitle);
      if (answer == mb::kAnswerNo) return false;
    }
    // Sequenced explicitly: the host sees ProjectPath before BackupOption.
    project_path_ = host_.ProjectPath();
    const std::string& project_path = project_path_;
    // One run per project, from its first change to its end.
    lock_ = fs_.LockRun(project_path);
    if (!lock_) {
      if (ctx_.observer != nullptr) ctx_.observer->RunFailed(ProjectBusyError());
      host_.ShowMessage(msg::kProjectBusy, mb::kOk, "");
      return false;
    }
    MakeFolder(fs_, backup_folder);
    const bool make_backup = host_.BackupOption() != 0;
    backups_made_ = make_backup;
    const bool added = AddLibraryReference(fs_, project_path, backup_folder, make_backup);
    if (ctx_.observer != nullptr) {
      ctx_.observer->ProjectFileDone(added, make_backup ? backup_folder : std::string());
    }

    host_.LoadProgress();
    progress_loaded_ = true;
    host_.SetCountCaption(CountCaption(1, selected_));
    host_.SetFileCaption("");
    host_.SetFileBar(0);
    host_.SetTotalBar(0);
    host_.SetTotalBarMax(selected_);
    host_.ShowProgress();

    host_.SetWizardEnabled(false);
    ctx_.abort.Clear();
    return true;
  }

  void Loop() {
    const int16_t last = ToInt16(int64_t{host_.EntryCount()} - 1);
    int16_t reached = 0;
    for (int32_t i = 0; i <= last; ++i) {
      const auto index = static_cast<int16_t>(i);
      if (host_.IsEntrySelected(index)) {
        reached = ToInt16(int64_t{reached} + 1);
        host_.SetCountCaption(CountCaption(reached, selected_));
        host_.SetTotalBar(reached);
        host_.PumpMessages();
        // An abort confirmed during this pump spares the entry just counted.
        if (ctx_.abort.raised()) break;
        ConvertEntry(index, host_.EntryText(index));
      }
      if (ctx_.abort.raised()) break;
    }
  }

  void ConvertEntry(int16_t index, const std::string& entry) {
    // The project folder is asked for only when the entry needs it.
    const EntryLocation form =
        ResolveEntryIn(IsAbsoluteEntry(entry) ? std::string() : host_.ProjectFolder(), entry);
    const std::string backup_folder = BackupFolderIn(form.folder);
    if (ctx_.observer != nullptr) ctx_.observer->EntryStarted(index, form.folder + form.name);

    // A form in the project folder backs up into the folder made before the
    // loop; every other folder gets its own.
    if (host_.BackupOption() != 0 && !form.in_folder) MakeFolder(fs_, backup_folder);

    bool made_copy = false;
    const std::string temp_copy = backup_folder + std::string(kTempBackupName);
    if (host_.BackupOption() != 0) {
      unused_copy_ = temp_copy;
      fs_.CopyOver(form.folder + form.name, temp_copy);
      // From here on the copy may be the only record of the original form,
      // so no error path deletes it.
      unused_copy_.clear();
      made_copy = true;
    }

    FormJobDetails details;
    const int32_t result = ConvertFormFile(ctx_, form.folder, form.name, &details);
    if (result == kFormUnchanged) {
      if (host_.BackupOption() != 0 && made_copy) fs_.Remove(temp_copy);
    } else if (made_copy) {
      // Not only for 1: a job that reports 2 after an abort raised during its
      // last pump has already put the converted text in place.
      fs_.Replace(temp_copy, backup_folder + form.name);
    }

    if (ctx_.observer != nullptr) {
      ctx_.observer->EntryDone(index, details, made_copy ? backup_folder : std::string());
    }

    if (result == kFormConverted) {
      converted_ = ToInt32(int64_t{converted_} + 1);
    } else if (result == kFormFailed) {
      ctx_.abort.Raise();
    }
  }

  // The project's code, checked (and mended when asked) under the run's
  // lock after the last form, so it sees the forms as the run leaves them.
  // No host call: the windows show nothing of it, and what the check found
  // is the caller's to show.
  void CheckCode() {
    CodeCheckRequest* request = ctx_.code_check;
    if (request == nullptr) return;
    CodeCheckOptions options = request->options;
    options.backup = backups_made_;
    request->result = CheckProjectCode(fs_, project_path_, options, ctx_.observer);
  }

  // A copy that failed half way is of no use to anyone; it is removed on a
  // best-effort basis so that no half file stays in the backup folder.
  void DiscardUnusedBackupCopy() {
    if (unused_copy_.empty()) return;
    try {
      fs_.Remove(unused_copy_);
    } catch (...) {
    }
    unused_copy_.clear();
  }

  void WindUp() {
    host_.SetWizardEnabled(true);
    if (progress_loaded_) {
      host_.UnloadProgress();
      progress_loaded_ = false;
    }
  }

  EngineContext& ctx_;
  Host& host_;
  FileSystem& fs_;
  int16_t selected_ = 0;
  int32_t converted_ = 0;
  bool progress_loaded_ = false;
  bool backups_made_ = false;  // chkBackup was on for this run
  std::string unused_copy_;
  std::string project_path_;
  std::unique_ptr<RunLock> lock_;
};

}  // namespace

void RunConversion(EngineContext& ctx) {
  Run(ctx).Execute();
}

}  // namespace xpconv

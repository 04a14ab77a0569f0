#include "engine/run_record.h"

#include <algorithm>
#include <set>

#include "engine/conversion_job.h"
#include "engine/error.h"
#include "engine/form_patch.h"

namespace xpconv {

EntryRecord* ProjectRecord::EntryAt(int16_t index) {
  for (size_t i = 0; i < indexes.size() && i < entries.size(); ++i) {
    if (indexes[i] == index) return &entries[i];
  }
  return nullptr;
}

int32_t ProjectRecord::Count(const char* outcome) const {
  return static_cast<int32_t>(std::count_if(entries.begin(), entries.end(),
                                            [&](const auto& e) { return e.outcome == outcome; }));
}

void RunRecorder::AddBackupFolder(const std::string& folder) {
  if (folder.empty()) return;
  auto& folders = record_.backup_folders;
  if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
}

void RunRecorder::ProjectFileDone(bool added, const std::string& backup_folder) {
  record_.library_line_added = added;
  record_.project_file = added ? outcomes::kConverted : outcomes::kUnchanged;
  AddBackupFolder(backup_folder);
}

void RunRecorder::EntryStarted(int16_t index, const std::string& form_path) {
  current_ = index;
  if (EntryRecord* entry = record_.EntryAt(index)) entry->path = form_path;
}

RewriteLog* RunRecorder::RewriteLogFor(const std::string& form_path) {
  return book_ != nullptr ? book_->Start(form_path) : nullptr;
}

RewriteLog* RunRecorder::MendLogFor(const std::string& module_path) {
  return book_ != nullptr ? book_->StartMend(module_path) : nullptr;
}

void RunRecorder::MendDone(bool replaced) {
  if (book_ != nullptr) book_->FinishMend(replaced);
}

void RunRecorder::EntryDone(int16_t index, const FormJobDetails& details,
                            const std::string& backup_folder) {
  current_ = -1;
  if (book_ != nullptr) book_->Finish(details.form_replaced);
  EntryRecord* entry = record_.EntryAt(index);
  if (entry == nullptr) return;
  entry->replaced = details.replaced;
  if (details.result == kFormConverted || details.form_replaced) {
    entry->outcome = outcomes::kConverted;
  } else if (details.result == kFormUnchanged) {
    entry->outcome = outcomes::kUnchanged;
  } else if (details.error_number != 0) {
    entry->outcome = outcomes::kFailed;
    entry->error_number = details.error_number;
    entry->error_text = details.error_text;
  } else {
    entry->outcome = outcomes::kSkipped;  // aborted: the form stays as it was
  }
  // An unchanged form's copy is dropped again; the others stay.
  if (entry->outcome != outcomes::kUnchanged && entry->outcome != outcomes::kSkipped)
    AddBackupFolder(backup_folder);
}

void RunRecorder::RunFailed(const VbError& error) {
  EntryRecord* entry = current_ >= 0 ? record_.EntryAt(current_) : nullptr;
  if (entry != nullptr) {
    entry->outcome = outcomes::kFailed;
    entry->error_number = error.number();
    entry->error_text = error.description();
  } else {
    record_.error_number = error.number();
    record_.error_text = error.description();
  }
  current_ = -1;
}

std::string DisplayPath(FileSystem& fs, const std::string& engine_path) {
  std::string shown = fs.ToDisplayText(engine_path);
#ifndef _WIN32
  std::replace(shown.begin(), shown.end(), '\\', '/');
#endif
  return shown;
}

std::string OnDiskPath(FileSystem& fs, const std::string& engine_path) {
  return DisplayPath(fs, fs.SpelledPath(engine_path));
}

std::vector<std::string> OnDiskFolders(FileSystem& fs, const std::vector<std::string>& folders) {
  std::vector<std::string> shown;
  std::set<std::string> seen;
  for (const std::string& folder : folders) {
    if (seen.insert(fs.AbsolutePath(folder)).second) shown.push_back(OnDiskPath(fs, folder));
  }
  return shown;
}

}  // namespace xpconv

#include "engine/code_check.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "engine/backup_folders.h"
#include "engine/error.h"
#include "engine/file_helpers.h"
#include "engine/paths.h"
#include "engine/project_file.h"

namespace xpconv {
namespace {

// As the form job refuses "~form.tmp", a module named like the temporary
// file is refused on every platform alike.
bool IsTemporaryName(std::string_view name) {
  return NamesFile(name, kTempCodeName);
}

void RemoveQuietly(FileSystem& fs, const std::string& path) {
  // Best effort: the error that brought us here is the one to report.
  try {
    fs.Remove(path);
  } catch (...) {
  }
}

// Writes the module's mended text and puts it in the module's place, its
// backup made first where one is due (backups on, none there yet).
// module.scan becomes the scan of the text that was mended.
void MendModule(FileSystem& fs, ModuleCheck& module, const CodeScanOptions& scan_options,
                const CodeCheckOptions& options, RunObserver* observer) {
  // A module that is a symbolic link is mended where it really lives, and
  // the link stays a link; its backup goes beside the link, as a form's.
  const std::string real = fs.FinalPath(module.path);
  if (IsTemporaryName(NameOf(module.path)) || IsTemporaryName(NameOf(real))) {
    throw MakeError(err::kPathFileAccess);
  }
  // Replace would refuse it; asked first, so that no backup copy is made of
  // a module that cannot change (the copy of a read-only file is read-only
  // and could not be removed again).
  if (fs.IsReadOnly(real)) throw MakeError(err::kPermissionDenied);
  const std::string temp = FolderOf(real) + kTempCodeName;
  // One left by a failed mend holds nothing of value.
  RemoveIfThere(fs, temp);

  const std::string backup = BackupPathOf(module.path);
  const std::string backup_folder = FolderOf(backup);
  std::string copy;  // the backup copy under its temporary name
  bool created = false;
  bool replaced = false;
  bool logging = false;  // a log was asked for and MendDone is still due
  try {
    if (options.backup && !FileExists(fs, backup)) {
      MakeFolder(fs, backup_folder);
      copy = backup_folder + kTempBackupName;
      fs.CopyOver(module.path, copy);
    }
    RewriteLog* log = observer != nullptr ? observer->MendLogFor(real) : nullptr;
    logging = observer != nullptr;
    {
      std::unique_ptr<InputFile> in = fs.OpenInput(real);
      std::unique_ptr<OutputFile> out = fs.OpenOutput(temp);
      created = true;
      CodeScan scan = MendCodeInput(*in, *out, scan_options, log);
      in->Close();
      out->Close();
      module.scan = std::move(scan);
    }
    if (module.scan.mendable == 0) {
      // Changed behind our back since it was scanned: nothing left to mend.
      fs.Remove(temp);
      if (!copy.empty()) fs.Remove(copy);
      if (logging) observer->MendDone(false);
      return;
    }
    fs.Replace(temp, real);
    replaced = true;
    module.mended = true;
    if (logging) observer->MendDone(true);
    logging = false;
    if (!copy.empty()) {
      fs.Replace(copy, backup);
      module.backup_folder = backup_folder;
    }
  } catch (...) {
    if (logging) observer->MendDone(replaced);
    if (created && !replaced) RemoveQuietly(fs, temp);
    // The module stayed as it was, so the copy is of no use; once the module
    // has been replaced the copy may be the only record of it and stays.
    if (!copy.empty() && !replaced) RemoveQuietly(fs, copy);
    throw;
  }
}

}  // namespace

ModuleType ModuleTypeOfEntry(std::string_view key) {
  if (key == "Module") return ModuleType::Module;
  if (key == "Class") return ModuleType::Class;
  return ModuleType::Form;
}

int64_t ProjectCodeCheck::OpenFindings() const {
  int64_t open = 0;
  for (const ModuleCheck& module : modules) {
    open += module.scan.more_findings;
    for (const CodeFinding& finding : module.scan.findings) {
      if (!module.Fixed(finding)) ++open;
    }
  }
  return open;
}

int64_t ProjectCodeCheck::MendedNow() const {
  int64_t mended = 0;
  for (const ModuleCheck& module : modules) {
    if (module.mended) mended += module.scan.mendable;
  }
  return mended;
}

int64_t ProjectCodeCheck::Mendable() const {
  int64_t mendable = 0;
  for (const ModuleCheck& module : modules) {
    if (!module.mended) mendable += module.scan.mendable;
  }
  return mendable;
}

int64_t ProjectCodeCheck::Errors() const {
  int64_t errors = error_number != 0 ? 1 : 0;
  for (const ModuleCheck& module : modules) {
    if (module.error_number != 0) ++errors;
  }
  return errors;
}

ProjectCodeCheck CheckProjectCode(FileSystem& fs, const std::string& project,
                                  const CodeCheckOptions& options, RunObserver* observer) {
  ProjectCodeCheck check;
  bool any_kind = false;
  for (const bool kind : options.kinds) any_kind = any_kind || kind;
  // With every kind kept there is nothing to find.
  if (!any_kind) return check;

  std::vector<ProjectEntry> entries;
  try {
    entries = ReadCodeEntries(fs, project, options.designers);
  } catch (const VbError& error) {
    check.error_number = error.number();
    check.error_text = error.description();
    return check;
  }
  const std::string folder = ProjectFolderOf(project);
  std::set<std::string> seen;
  for (ProjectEntry& entry : entries) {
    const EntryLocation where = ResolveEntryIn(folder, entry.text);
    // A file the project lists twice is checked once.
    if (!seen.insert(PathKey(where.folder + where.name)).second) continue;
    ModuleCheck& module = check.modules.emplace_back();
    module.path = where.folder + where.name;
    module.kind = std::move(entry.kind);
    module.entry = std::move(entry.text);
    CodeScanOptions scan_options;
    scan_options.type = ModuleTypeOfEntry(module.kind);
    scan_options.kinds = options.kinds;
    try {
      // Read once to find; only a module with a test to mend is read again,
      // as it is written.
      module.scan = ScanCodeFile(fs, module.path, scan_options);
      if (options.fix && module.scan.mendable > 0) {
        MendModule(fs, module, scan_options, options, observer);
      }
    } catch (const VbError& error) {
      module.error_number = error.number();
      module.error_text = error.description();
    }
  }
  return check;
}

std::optional<ProjectCodeCheck> RunCodeCheck(FileSystem& fs, const std::string& project,
                                             const CodeCheckOptions& options) {
  std::unique_ptr<RunLock> lock;
  if (options.fix) {
    lock = fs.LockRun(project);
    if (!lock) return std::nullopt;
  }
  return CheckProjectCode(fs, project, options);
}

std::string ShownCodeLine(FileSystem& fs, std::string_view line, size_t most_bytes) {
  const size_t first = line.find_first_not_of(" \t");
  line = first == std::string_view::npos ? std::string_view() : line.substr(first);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  std::string shown = fs.ToDisplayText(line);
  if (shown.size() > most_bytes) {
    size_t cut = most_bytes;
    // Not inside a character: continuation bytes are 10xxxxxx.
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
    shown.resize(cut);
    shown += " \u2026";
  }
  return shown;
}

}  // namespace xpconv

#include "engine/project_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_helpers.h"
#include "engine/paths.h"

namespace xpconv {
namespace {

constexpr std::string_view kFormPrefix = "Form=";
constexpr std::string_view kReferencePrefix = "Reference=";
constexpr std::string_view kObjectPrefix = "Object={";
constexpr std::string_view kCrLf = "\r\n";
// The new project text is written here first and renamed over the project
// file, so that a failure at any moment leaves the old project file whole.
constexpr std::string_view kTempProjectName = "~project.tmp";

std::string_view TrimSpaces(std::string_view text) {
  // Spaces only: a tab belongs to the entry, as the development environment
  // writes none and a user who typed one meant it.
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Index just behind the first line end (CR LF, lone LF or lone CR) at or
// after from; nullopt when no line end follows.
std::optional<size_t> NextLineStart(std::string_view text, size_t from) {
  const size_t end = text.find_first_of("\r\n", from);
  if (end == std::string_view::npos) return std::nullopt;
  if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return end + 2;
  return end + 1;
}

// The project text with the library line inserted: before the first
// "Object={" entry, else at the start of the line after the last
// "Reference=" entry (after the first line when there is none).
std::string InsertLibraryLine(const std::string& text) {
  std::string line = std::string(kLibraryReferenceLine) + std::string(kCrLf);
  // Only an entry that starts its line counts: "Object={" inside another
  // line (a form's name, a title) must not have the library line put into
  // the middle of that line.
  size_t insert_at = text.find(kObjectPrefix);
  while (insert_at != std::string::npos && insert_at > 0 && text[insert_at - 1] != '\r' &&
         text[insert_at - 1] != '\n') {
    insert_at = text.find(kObjectPrefix, insert_at + 1);
  }
  if (insert_at == std::string::npos) {
    const size_t reference = text.rfind(kReferencePrefix);
    const size_t search_from = reference == std::string::npos ? 0 : reference;
    const std::optional<size_t> next = NextLineStart(text, search_from);
    if (!next) {
      // The entry sits on the last line, which has no line end: end that
      // line first, so the library line never lands inside it.
      if (text.empty()) return line;
      return text + std::string(kCrLf) + line;
    }
    insert_at = *next;
  }
  std::string out;
  out.reserve(text.size() + line.size());
  out.append(text, 0, insert_at);
  out += line;
  out.append(text, insert_at, std::string::npos);
  return out;
}

// Writes text into a temporary file beside the project file and puts it in
// the project file's place in one step.
void ReplaceProjectText(FileSystem& fs, const std::string& project_path, const std::string& text) {
  // A project file that is a symbolic link is replaced where it really
  // lives, and the link stays a link.
  const std::string real_path = fs.FinalPath(project_path);
  const std::string temp_path = FolderOf(real_path) + std::string(kTempProjectName);
  // A temporary file left by a failed run holds nothing of value; a
  // read-only one would stop the open below, so it goes first.
  RemoveIfThere(fs, temp_path);
  WriteAtomically(fs, real_path, temp_path, text);
}

}  // namespace

std::vector<std::string> ReadFormEntries(FileSystem& fs, const std::string& project_path) {
  std::vector<std::string> entries;
  std::unique_ptr<InputFile> in = fs.OpenInput(project_path);
  while (!in->AtEnd()) {
    const std::string line = in->ReadLine();
    if (std::string_view(line).starts_with(kFormPrefix)) {
      entries.emplace_back(TrimSpaces(std::string_view(line).substr(kFormPrefix.size())));
    }
  }
  in->Close();
  return entries;
}

std::vector<ProjectEntry> ReadProjectEntries(FileSystem& fs, const std::string& project_path,
                                             bool designers) {
  static constexpr std::string_view kDesignerKeys[] = {
      "UserControl=", "PropertyPage=", "UserDocument="};
  std::vector<ProjectEntry> entries;
  std::unique_ptr<InputFile> in = fs.OpenInput(project_path);
  std::string line;
  while (!in->AtEnd()) {
    in->ReadLineInto(line);
    const std::string_view view(line);
    std::string_view key;
    if (view.starts_with(kFormPrefix)) {
      key = kFormPrefix;
    } else if (designers) {
      for (std::string_view candidate : kDesignerKeys) {
        if (view.starts_with(candidate)) key = candidate;
      }
    }
    if (key.empty()) continue;
    entries.push_back({std::string(key.substr(0, key.size() - 1)),
                       std::string(TrimSpaces(view.substr(key.size())))});
  }
  in->Close();
  return entries;
}

std::vector<ProjectEntry> ReadCodeEntries(FileSystem& fs, const std::string& project_path,
                                          bool designers) {
  static constexpr std::string_view kNamedKeys[] = {"Module=", "Class="};
  static constexpr std::string_view kDesignerKeys[] = {
      "UserControl=", "PropertyPage=", "UserDocument="};
  std::vector<ProjectEntry> entries;
  std::unique_ptr<InputFile> in = fs.OpenInput(project_path);
  std::string line;
  while (!in->AtEnd()) {
    in->ReadLineInto(line);
    const std::string_view view(line);
    std::string_view key;
    bool named = false;
    if (view.starts_with(kFormPrefix)) key = kFormPrefix;
    for (std::string_view candidate : kNamedKeys) {
      if (view.starts_with(candidate)) {
        key = candidate;
        named = true;
      }
    }
    if (designers) {
      for (std::string_view candidate : kDesignerKeys) {
        if (view.starts_with(candidate)) key = candidate;
      }
    }
    if (key.empty()) continue;
    std::string_view value = view.substr(key.size());
    // "Name; file": the module's name, then its file.
    const size_t semicolon = value.find(';');
    if (named && semicolon != std::string_view::npos) value = value.substr(semicolon + 1);
    value = TrimSpaces(value);
    if (value.empty()) continue;
    entries.push_back({std::string(key.substr(0, key.size() - 1)), std::string(value)});
  }
  in->Close();
  return entries;
}

std::vector<std::string> ReadGroupProjects(FileSystem& fs, const std::string& group_path) {
  static constexpr std::string_view kKeys[] = {"StartupProject=", "Project="};
  const std::string folder = FolderOf(group_path);
  std::vector<std::string> projects;
  std::unique_ptr<InputFile> in = fs.OpenInput(group_path);
  std::string line;
  while (!in->AtEnd()) {
    in->ReadLineInto(line);
    for (std::string_view key : kKeys) {
      if (!std::string_view(line).starts_with(key)) continue;
      const std::string_view value = TrimSpaces(std::string_view(line).substr(key.size()));
      if (value.empty()) break;
      const EntryLocation where = ResolveEntryIn(folder, std::string(value));
      std::string path = where.folder + where.name;
      // A group names its start project once as StartupProject= and may
      // name it again as Project=; it is run once.
      bool seen = false;
      for (const std::string& known : projects) {
        if (AsciiLower(known) == AsciiLower(path)) seen = true;
      }
      if (!seen) projects.push_back(std::move(path));
      break;
    }
  }
  in->Close();
  return projects;
}

bool AddLibraryReference(FileSystem& fs, const std::string& project_path,
                         const std::string& backup_folder, bool make_backup) {
  const std::string text = ReadWholeFile(fs, project_path);

  // The copy is made even when the library is already named: the user asked
  // for a backup of the project as it was before this run.
  if (make_backup) {
    fs.CopyOver(project_path, backup_folder + NameOf(project_path));
  }

  if (AsciiLower(text).find(kLibrarySearchKey) != std::string::npos) return false;

  ReplaceProjectText(fs, project_path, InsertLibraryLine(text));
  return true;
}

}  // namespace xpconv

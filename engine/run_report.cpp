#include "engine/run_report.h"

#include <algorithm>
#include <utility>

#include "engine/control_kinds.h"
#include "engine/file_helpers.h"
#include "engine/json.h"
#include "engine/paths.h"

namespace xpconv {
namespace {

std::string JsonBool(bool value) {
  return value ? "true" : "false";
}

// Joins text pieces by appending: chains of operator+ on temporaries trip
// a false -Wrestrict warning in GCC 12.
template <typename... Parts>
std::string Cat(const Parts&... parts) {
  std::string out;
  (out.append(std::string_view(parts)), ...);
  return out;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(parts[i]);
  }
  return out;
}

std::string OptionsJson(const ReportOptions& options) {
  std::vector<std::string> keep;
  for (size_t i = 0; i < kControlKindCount; ++i) {
    if (options.replace[i] == 0) keep.push_back(JsonString(kControlKindKeys[i]));
  }
  std::vector<std::string> args;
  for (const std::string& arg : options.arguments) args.push_back(JsonString(arg));
  return Cat("{\"select\": ", JsonString(options.select), ", \"keep\": [", Joined(keep, ", "),
             "], \"plain\": ", JsonBool(options.xp_style == 0),
             ", \"backup\": ", JsonBool(options.backup != 0),
             ", \"designers\": ", JsonBool(options.designers),
             ", \"keep_going\": ", JsonBool(options.keep_going),
             ", \"codepage\": ", JsonString(options.codepage), ", \"arguments\": [",
             Joined(args, ", "), "]}");
}

std::string JsonError(int32_t number, const std::string& text) {
  if (number == 0) return "null";
  return Cat("{\"number\": ", std::to_string(number), ", \"text\": ", JsonString(text), "}");
}

std::vector<std::string> Folders(const ProjectRecord& project, FileSystem& fs) {
  return OnDiskFolders(fs, project.backup_folders);
}

std::string LibraryLine(const ProjectRecord& project, std::string_view unknown) {
  if (!project.library_line_added) return std::string(unknown);
  return JsonBool(*project.library_line_added);
}

std::string PathOf(const EntryRecord& entry, FileSystem& fs) {
  return entry.path.empty() ? std::string() : OnDiskPath(fs, entry.path);
}

// The code check's findings and errors go into a project's record when
// there are any, and always into check-code's: a run over a project whose
// code names no replaced class reports what it reported before.
bool ReportsCode(const RunReport& report, const ProjectRecord& project) {
  if (!project.code) return false;
  if (report.command == "check-code") return true;
  if (project.code->Errors() > 0) return true;
  for (const ModuleCheck& module : project.code->modules) {
    if (!module.scan.findings.empty()) return true;
  }
  return false;
}

// One row per finding and per module that could not be checked or mended,
// as the fields (unquoted) of code_references and code_errors.
struct CodeRow {
  const ModuleCheck* module = nullptr;   // null for the project file
  const CodeFinding* finding = nullptr;  // null for an error
};

std::vector<CodeRow> CodeRows(const ProjectCodeCheck& code) {
  std::vector<CodeRow> rows;
  if (code.error_number != 0) rows.push_back({});
  for (const ModuleCheck& module : code.modules) {
    if (module.error_number != 0) rows.push_back({&module, nullptr});
    for (const CodeFinding& finding : module.scan.findings) rows.push_back({&module, &finding});
  }
  return rows;
}

std::string CodeJson(const ProjectRecord& project, FileSystem& fs) {
  std::vector<std::string> references;
  std::vector<std::string> errors;
  for (const CodeRow& row : CodeRows(*project.code)) {
    const std::string file = OnDiskPath(fs, row.module ? row.module->path : project.project);
    const std::string where =
        Cat("{\"file\": ", JsonString(file), ", \"entry\": ",
            row.module ? JsonString(fs.ToDisplayText(row.module->entry)) : std::string("null"),
            ", \"module\": ", row.module ? JsonString(row.module->kind) : std::string("null"));
    if (row.finding == nullptr) {
      const int32_t number = row.module ? row.module->error_number : project.code->error_number;
      const std::string& text = row.module ? row.module->error_text : project.code->error_text;
      errors.push_back(Cat("        ", where, ", \"error\": ", JsonError(number, text), "}"));
      continue;
    }
    const CodeFinding& f = *row.finding;
    references.push_back(Cat("        ", where, ", \"line\": ", std::to_string(f.line),
                             ", \"column\": ", std::to_string(f.column), ", \"kind\": ",
                             JsonString(kControlKindNames[static_cast<size_t>(f.kind)]),
                             ", \"form\": ", JsonString(CodeFindingFormKey(f.form)),
                             ", \"text\": ", JsonString(fs.ToDisplayText(f.text)),
                             ", \"fixed\": ", JsonBool(row.module->Fixed(f)),
                             ", \"suggestion\": ", JsonString(CodeFindingSuggestion(f)), "}"));
  }
  auto list = [](const std::vector<std::string>& items) {
    return items.empty() ? std::string("[]") : Cat("[\n", Joined(items, ",\n"), "\n      ]");
  };
  return Cat(",\n      \"code_references\": ", list(references),
             ",\n      \"code_errors\": ", list(errors));
}

// The columns a code row adds behind the others.
constexpr const char* kCodeColumns =
    ",code_line,code_column,code_kind,code_form,code_text,code_fixed,code_suggestion";
constexpr size_t kCodeColumnCount = 7;

}  // namespace

std::string ReportJson(const RunReport& report, FileSystem& fs) {
  std::vector<std::string> projects;
  for (const ProjectRecord& project : report.projects) {
    std::vector<std::string> entries;
    for (const EntryRecord& entry : project.entries) {
      std::vector<std::string> replaced;
      for (size_t k = 0; k < kControlKindCount; ++k) {
        replaced.push_back(
            Cat(JsonString(kControlKindNames[k]), ": ", std::to_string(entry.replaced[k])));
      }
      entries.push_back(Cat(
          "        {\"number\": ", std::to_string(entry.number),
          ", \"kind\": ", JsonString(entry.kind), ", \"entry\": ", JsonString(entry.entry),
          ", \"path\": ", JsonString(PathOf(entry, fs)),
          ", \"outcome\": ", JsonString(entry.outcome), ", \"replaced\": {", Joined(replaced, ", "),
          "}, \"error\": ", JsonError(entry.error_number, entry.error_text), "}"));
    }
    std::vector<std::string> folders;
    for (const std::string& folder : Folders(project, fs)) folders.push_back(JsonString(folder));
    projects.push_back(Cat(
        "    {\n      \"project\": ", JsonString(DisplayPath(fs, project.project)),
        ",\n      \"project_file\": ",
        project.project_file.empty() ? std::string("null") : JsonString(project.project_file),
        ",\n      \"library_line_added\": ", LibraryLine(project, "null"),
        ",\n      \"backup_folders\": [", Joined(folders, ", "),
        "],\n      \"aborted\": ", JsonBool(project.aborted),
        ",\n      \"exit_status\": ", std::to_string(project.exit_status), ",\n      \"error\": ",
        JsonError(project.error_number, project.error_text), ",\n      \"entries\": [",
        entries.empty() ? "" : "\n", Joined(entries, ",\n"), entries.empty() ? "]" : "\n      ]",
        ReportsCode(report, project) ? CodeJson(project, fs) : std::string(), "\n    }"));
  }
  return Cat("{\n  \"command\": ", JsonString(report.command),
             ",\n  \"dry_run\": ", JsonBool(report.dry_run),
             ",\n  \"options\": ", OptionsJson(report.options), ",\n  \"projects\": [",
             projects.empty() ? "" : "\n", Joined(projects, ",\n"),
             projects.empty() ? "]" : "\n  ]", ",\n  \"aborted\": ", JsonBool(report.aborted),
             ",\n  \"exit_status\": ", std::to_string(report.exit_status), "\n}\n");
}

std::string ReportCsv(const RunReport& report, FileSystem& fs) {
  // One row per entry; the project's and the whole call's fields repeat on
  // each, so every row stands on its own. A project without entries gets
  // one row with the entry fields empty.
  // Code rows (code_reference, code_error) carry seven columns more, which
  // are there only when a project has such rows.
  const bool with_code =
      std::any_of(report.projects.begin(), report.projects.end(),
                  [&](const ProjectRecord& project) { return ReportsCode(report, project); });
  std::string out =
      "command,dry_run,options,project,project_file,library_line_added,backup_folders,"
      "project_aborted,project_exit_status,project_error_number,project_error_text,number,kind,"
      "entry,path,outcome,Frame,CheckBox,OptionButton,ProgressBar,error_number,error_text,"
      "aborted,exit_status";
  out.append(with_code ? kCodeColumns : "").append("\r\n");
  const std::string options = Joined(report.options.arguments, " ");
  for (const ProjectRecord& project : report.projects) {
    const std::vector<std::string> head = {
        CsvField(report.command),
        JsonBool(report.dry_run),
        CsvField(options),
        CsvField(DisplayPath(fs, project.project)),
        CsvField(project.project_file),
        LibraryLine(project, ""),
        CsvField(Joined(Folders(project, fs), ";")),
        JsonBool(project.aborted),
        std::to_string(project.exit_status),
        project.error_number != 0 ? std::to_string(project.error_number) : std::string(),
        CsvField(project.error_text)};
    const std::vector<std::string> tail = {JsonBool(report.aborted),
                                           std::to_string(report.exit_status)};
    // Each row: its entry fields, then its code fields.
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> rows;
    const std::vector<std::string> no_code(with_code ? kCodeColumnCount : 0);
    for (const EntryRecord& entry : project.entries) {
      std::vector<std::string> row = {std::to_string(entry.number), CsvField(entry.kind),
                                      CsvField(entry.entry), CsvField(PathOf(entry, fs)),
                                      CsvField(entry.outcome)};
      for (int32_t count : entry.replaced) row.push_back(std::to_string(count));
      row.push_back(entry.error_number != 0 ? std::to_string(entry.error_number) : "");
      row.push_back(CsvField(entry.error_text));
      rows.emplace_back(std::move(row), no_code);
    }
    if (ReportsCode(report, project)) {
      for (const CodeRow& code : CodeRows(*project.code)) {
        const ModuleCheck* module = code.module;
        std::vector<std::string> row(11);
        row[1] = module ? CsvField(module->kind) : "";
        row[2] = module ? CsvField(fs.ToDisplayText(module->entry)) : "";
        row[3] = CsvField(OnDiskPath(fs, module ? module->path : project.project));
        std::vector<std::string> fields(kCodeColumnCount);
        if (code.finding == nullptr) {
          row[4] = "code_error";
          const int32_t number = module ? module->error_number : project.code->error_number;
          row[9] = std::to_string(number);
          row[10] = CsvField(module ? module->error_text : project.code->error_text);
        } else {
          const CodeFinding& f = *code.finding;
          row[4] = "code_reference";
          fields = {std::to_string(f.line),
                    std::to_string(f.column),
                    std::string(kControlKindNames[static_cast<size_t>(f.kind)]),
                    std::string(CodeFindingFormKey(f.form)),
                    CsvField(fs.ToDisplayText(f.text)),
                    JsonBool(module->Fixed(f)),
                    CsvField(CodeFindingSuggestion(f))};
        }
        rows.emplace_back(std::move(row), std::move(fields));
      }
    }
    if (rows.empty()) rows.emplace_back(std::vector<std::string>(11), no_code);
    for (const auto& [row, code] : rows) {
      out.append(Joined(head, ",")).append(",");
      out.append(Joined(row, ",")).append(",");
      out.append(Joined(tail, ","));
      for (const std::string& field : code) out.append(",").append(field);
      out.append("\r\n");
    }
  }
  return out;
}

void WriteReport(const RunReport& report, FileSystem& fs, const std::string& path) {
  const std::string text =
      HasEnding(path, ".json") ? ReportJson(report, fs) : ReportCsv(report, fs);
  WriteAtomically(fs, path, path + ".tmp", text);
}

}  // namespace xpconv

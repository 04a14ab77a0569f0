#include "cli/code_references.h"

#include <ostream>
#include <string_view>

#include "cli/app.h"
#include "engine/control_kinds.h"

namespace xpconv::cli {
namespace {

// Of a long line the console shows this many bytes of text (UTF-8), cut
// between two characters; the report carries the whole line.
constexpr size_t kShownTextLimit = 160;

bool Listed(const CodeFinding& finding) {
  return finding.fix != CodeFix::Mended;
}

}  // namespace

CodeCheckOptions CodeCheckOptionsFrom(const CommandLine& line) {
  CodeCheckOptions options;
  for (size_t k = 0; k < options.kinds.size(); ++k) options.kinds[k] = line.replace[k] == 1;
  options.designers = line.designers;
  options.fix = line.fix_code;
  options.backup = line.backup != 0;
  return options;
}

int64_t ListedFindings(const ProjectCodeCheck& check) {
  int64_t listed = 0;
  for (const ModuleCheck& module : check.modules) {
    listed += module.scan.more_findings;
    for (const CodeFinding& finding : module.scan.findings) {
      if (Listed(finding)) ++listed;
    }
  }
  return listed;
}

void PrintCodeReferences(const ProjectCodeCheck& check, FixTense tense, const std::string& project,
                         FileSystem& fs, std::ostream& out, std::ostream& err) {
  if (check.error_number != 0) {
    err << project << ": Code nicht geprüft, Fehler " << check.error_number << ": "
        << check.error_text << '\n';
  }
  for (const ModuleCheck& module : check.modules) {
    if (module.error_number == 0) continue;
    // Only a module that was read whole has tests to mend.
    const bool mending = module.scan.mendable > 0;
    err << fs.ToDisplayText(module.entry)
        << (mending ? ": Code nicht ergänzt, Fehler " : ": Code nicht geprüft, Fehler ")
        << module.error_number << ": " << module.error_text << '\n';
  }
  err << std::flush;

  const int64_t listed = ListedFindings(check);
  if (listed == 0) return;
  int64_t files = 0;
  int64_t mended = 0;    // type tests the fix mended (or would)
  int64_t mendable = 0;  // type tests the fix would mend, not mended
  int64_t by_hand = 0;   // every other listed finding
  out << "Code, der ersetzte Steuerelementtypen nennt:\n";
  for (const ModuleCheck& module : check.modules) {
    bool any = module.scan.more_findings > 0;
    const std::string entry = fs.ToDisplayText(module.entry);
    for (const CodeFinding& finding : module.scan.findings) {
      if (!Listed(finding)) continue;
      any = true;
      out << "  " << entry << ':' << finding.line << ": "
          << ShownCodeLine(fs, finding.text, kShownTextLimit) << " ("
          << CodeFindingFormName(finding.form) << ", "
          << kControlKindNames[static_cast<size_t>(finding.kind)];
      if (finding.fix == CodeFix::Mendable && module.mended) {
        ++mended;
        out << (tense == FixTense::kWouldBe ? ", würde ergänzt" : ", ergänzt");
      } else if (finding.fix == CodeFix::Mendable) {
        ++mendable;
      } else {
        ++by_hand;
        if (finding.fix == CodeFix::Manual && tense != FixTense::kNone) out << ", von Hand";
      }
      out << ")\n";
    }
    if (module.scan.more_findings > 0) {
      by_hand += module.scan.more_findings;
      out << "  " << entry << ": " << module.scan.more_findings
          << " weitere Codestelle(n), hier nicht aufgeführt\n";
    }
    if (any) ++files;
  }
  out << listed << " Codestelle(n) in " << files << " Datei(en)";
  if (mended > 0) {
    out << "; " << mended << " Typprüfung(en) "
        << (tense == FixTense::kWouldBe ? "würden ergänzt" : "ergänzt");
  }
  if (mendable > 0) out << "; --fix-code ergänzt " << mendable << " Typprüfung(en)";
  out << ".\n";
  if (by_hand > 0) {
    out << "Die übrigen Stellen bitte von Hand prüfen: --fix-code ergänzt nur Typprüfungen, "
           "die auf einer Zeile stehen.\n";
  }
  out << std::flush;
}

int CodeCheckStatus(const ProjectCodeCheck& check, const CommandLine& line) {
  const bool strict =
      line.command == Command::kCheckCode || line.fix_code || line.fail_on_code_references;
  if (strict && check.Errors() > 0) return kExitFailed;
  if (line.fail_on_code_references && check.OpenFindings() > 0) return kExitCodeReferences;
  return kExitOk;
}

}  // namespace xpconv::cli

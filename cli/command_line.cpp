#include "cli/command_line.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "engine/control_kinds.h"
#include "engine/paths.h"
#include "xpc_version.h"

namespace xpconv::cli {
namespace {

int16_t KindOf(const std::string& value) {
  if (const std::optional<ControlKind> kind = ControlKindOfKey(value)) {
    return static_cast<int16_t>(*kind);
  }
  throw UsageError("--keep kennt \"" + value + "\" nicht (frame, checkbox, option, progressbar)");
}

Answer AnswerOf(const std::string& value) {
  const std::string answer = AsciiLower(value);
  if (answer == "ja" || answer == "j") return Answer::kYes;
  if (answer == "nein" || answer == "n") return Answer::kNo;
  if (answer == "abbrechen" || answer == "a") return Answer::kCancel;
  throw UsageError("--answer kennt \"" + value + "\" nicht (ja, nein, abbrechen)");
}

std::optional<int32_t> PositiveNumber(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < 1) return std::nullopt;
  return value;
}

// "3", "2-5" or a comma-separated list of those.
void AddSelection(const std::string& value, std::vector<SelectRange>& select) {
  std::string_view rest = value;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const size_t dash = item.find('-');
    std::optional<int32_t> first = PositiveNumber(item.substr(0, dash));
    std::optional<int32_t> last =
        dash == std::string_view::npos ? first : PositiveNumber(item.substr(dash + 1));
    if (!first || !last) {
      throw UsageError("--select erwartet Nummern ab 1 wie in \"xpconvert list\", z. B. 1,3-5; \"" +
                       std::string(item) + "\" ist keine");
    }
    if (*last < *first) {
      throw UsageError("--select: der Bereich \"" + std::string(item) + "\" ist leer");
    }
    select.push_back({*first, *last});
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
}

// Which commands accept an option.
struct OptionInfo {
  std::string_view name;
  bool takes_value;
  bool form, list, run, restore, check_code;
};

constexpr OptionInfo kOptions[] = {
    {"--keep", true, true, false, true, false, true},
    {"--plain", false, true, false, true, false, false},
    {"--codepage", true, true, true, true, true, true},
    {"--trace", false, true, false, true, false, false},
    {"--select", true, false, false, true, true, false},
    {"--no-backup", false, false, false, true, false, true},
    {"--yes", false, false, false, true, true, false},
    {"--answer", true, false, false, true, true, false},
    {"--dry-run", false, false, false, true, true, false},
    {"--diff", false, false, false, true, false, false},
    {"--report", true, false, false, true, true, true},
    {"--keep-going", false, false, false, true, true, true},
    {"--designers", false, false, true, true, true, true},
    {"--fix-code", false, false, false, true, false, true},
    {"--fail-on-code-references", false, false, false, true, false, true},
    {"--help", false, true, true, true, true, true},
    {"--version", false, true, true, true, true, true},
};

const OptionInfo* FindOption(std::string_view name) {
  for (const auto& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

std::string_view CommandName(Command command) {
  switch (command) {
    case Command::kForm:
      return "form";
    case Command::kList:
      return "list";
    case Command::kRun:
      return "run";
    case Command::kRestore:
      return "restore";
    case Command::kCheckCode:
      return "check-code";
    case Command::kNone:
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return "";
}

bool Accepts(const OptionInfo& option, Command command) {
  switch (command) {
    case Command::kForm:
      return option.form;
    case Command::kList:
      return option.list;
    case Command::kRun:
      return option.run;
    case Command::kRestore:
      return option.restore;
    case Command::kCheckCode:
      return option.check_code;
    case Command::kNone:
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  std::vector<const OptionInfo*> used;
  bool options_ended = false;
  bool help = false;
  bool version = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool is_option = !options_ended && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      if (line.command == Command::kNone) {
        if (arg == "form") {
          line.command = Command::kForm;
        } else if (arg == "list") {
          line.command = Command::kList;
        } else if (arg == "run") {
          line.command = Command::kRun;
        } else if (arg == "restore") {
          line.command = Command::kRestore;
        } else if (arg == "check-code") {
          line.command = Command::kCheckCode;
        } else if (arg == "help") {
          help = true;
        } else {
          throw UsageError("unbekannter Befehl \"" + arg +
                           "\" (form, list, run, restore, check-code)");
        }
      } else {
        line.paths.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "-h") {
      help = true;
      continue;
    }

    // "--name value" and "--name=value" both work.
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionInfo* option = FindOption(name);
    if (option == nullptr) throw UsageError("unbekannte Option \"" + name + "\"");
    std::string value;
    if (option->takes_value) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError(name + " braucht einen Wert");
      }
    } else if (equals != std::string::npos) {
      throw UsageError(name + " nimmt keinen Wert");
    }
    used.push_back(option);
    line.option_args.push_back(name);
    if (option->takes_value) line.option_args.push_back(value);

    if (name == "--help") {
      help = true;
    } else if (name == "--version") {
      version = true;
    } else if (name == "--keep") {
      line.replace[static_cast<size_t>(KindOf(value))] = 0;
    } else if (name == "--plain") {
      line.xp_style = 0;
    } else if (name == "--codepage") {
      if (value.empty()) throw UsageError("--codepage braucht einen Namen, z. B. WINDOWS-1252");
      line.codepage = value;
    } else if (name == "--trace") {
      line.trace = true;
    } else if (name == "--select") {
      AddSelection(value, line.select);
    } else if (name == "--no-backup") {
      line.backup = 0;
    } else if (name == "--yes") {
      line.yes = true;
    } else if (name == "--answer") {
      line.answers.push_back(AnswerOf(value));
    } else if (name == "--dry-run") {
      line.dry_run = true;
    } else if (name == "--diff") {
      line.diff = true;
    } else if (name == "--report") {
      if (value.empty()) throw UsageError("--report braucht einen Dateinamen");
      line.report = value;
    } else if (name == "--keep-going") {
      line.keep_going = true;
    } else if (name == "--designers") {
      line.designers = true;
    } else if (name == "--fix-code") {
      line.fix_code = true;
    } else if (name == "--fail-on-code-references") {
      line.fail_on_code_references = true;
    }
  }

  if (help) {
    line.command = Command::kHelp;
    return line;
  }
  if (version) {
    line.command = Command::kVersion;
    return line;
  }
  if (line.command == Command::kNone) throw UsageError("kein Befehl angegeben");
  for (const OptionInfo* option : used) {
    if (!Accepts(*option, line.command)) {
      throw UsageError(std::string(option->name) + " gilt nicht für \"" +
                       std::string(CommandName(line.command)) + "\"");
    }
  }
  if (line.yes && !line.answers.empty()) {
    throw UsageError("--yes und --answer schließen einander aus");
  }
  if (line.diff && !line.dry_run) throw UsageError("--diff gilt nur zusammen mit --dry-run");
  if (line.command == Command::kForm) {
    if (line.paths.empty()) throw UsageError("form braucht mindestens eine Formulardatei");
  } else if (line.paths.empty()) {
    throw UsageError(std::string(CommandName(line.command)) +
                     " braucht mindestens eine Projektdatei (.vbp) oder Projektgruppe (.vbg)");
  }
  return line;
}

std::vector<bool> ResolveSelection(const std::vector<SelectRange>& select, int32_t entry_count) {
  const size_t count = static_cast<size_t>(std::max(entry_count, 0));
  if (select.empty()) return std::vector<bool>(count, true);
  std::vector<bool> selected(count, false);
  for (const SelectRange& range : select) {
    if (range.last > entry_count) {
      const int32_t bad = std::max(range.first, entry_count + 1);
      throw UsageError("--select: Eintrag " + std::to_string(bad) +
                       " gibt es nicht, das Projekt listet " + std::to_string(entry_count) +
                       " Formular(e)");
    }
    for (int32_t n = range.first; n <= range.last; ++n) selected[static_cast<size_t>(n - 1)] = true;
  }
  return selected;
}

std::string UsageText() {
  return R"(Aufruf:
  xpconvert form DATEI.frm... [--keep ART]... [--plain] [--codepage NAME] [--trace]
  xpconvert list PROJEKT.vbp|GRUPPE.vbg... [--designers] [--codepage NAME]
  xpconvert run PROJEKT.vbp|GRUPPE.vbg... [--select N[,N-M...]] [--keep ART]... [--plain]
                [--no-backup] [--designers] [--dry-run [--diff]] [--fix-code]
                [--fail-on-code-references] [--report DATEI] [--keep-going]
                [--yes | --answer ja|nein|abbrechen...] [--codepage NAME] [--trace]
  xpconvert restore PROJEKT.vbp|GRUPPE.vbg... [--select N[,N-M...]] [--designers] [--dry-run]
                [--report DATEI] [--keep-going] [--yes | --answer ja|nein...] [--codepage NAME]
  xpconvert check-code PROJEKT.vbp|GRUPPE.vbg... [--keep ART]... [--designers] [--fix-code]
                [--no-backup] [--fail-on-code-references] [--report DATEI] [--keep-going]
                [--codepage NAME]
  xpconvert --help | --version

Befehle:
  form     konvertiert die genannten Formulardateien an Ort und Stelle (ohne Sicherungskopie)
  list     zeigt die Formular-Einträge des Projekts, nummeriert ab 1
  run      konvertiert die gewählten Formulare des Projekts, trägt die Steuerelement-
           Bibliothek in die Projektdatei ein und legt Sicherungskopien in "_Backup" an
  restore  stellt Formulare und Projektdatei aus ihren Sicherungskopien in "_Backup" wieder
           her (die Sicherungskopien bleiben erhalten)
  check-code
           zeigt den Code des Projekts (Formulare, Module, Klassen), der ersetzte
           Steuerelementtypen nennt, ohne etwas zu konvertieren

Mehrere Projekte und Projektgruppen (.vbg) werden nacheinander bearbeitet, jedes mit
eigenen Fragen, Sicherungskopien und eigener Zusammenfassung.

Optionen:
  --keep ART          diese Art nicht ersetzen: frame, checkbox, option, progressbar
                      (mehrfach möglich; ohne --keep werden alle vier ersetzt)
  --plain             nur die Zeile XPStyle statt der Farbzeilen einfügen
  --codepage NAME     ANSI-Codepage der Projekte (iconv-Name, Vorgabe WINDOWS-1252;
                      unter Windows gilt die des Systems)
  --trace             jede Host-Operation der Engine als JSON-Zeile auf stdout
  --select N[,N-M]    nur diese Einträge (Nummern wie bei list); Vorgabe: alle
  --no-backup         keine Sicherungskopien der Formulare und der Projektdatei
  --designers         auch UserControl-, PropertyPage- und UserDocument-Einträge (.ctl, .pag, .dob)
  --dry-run           nichts ändern, nur zeigen, was ein Lauf täte
  --diff              (mit --dry-run) die Änderungen als Patch auf stdout (git apply, patch -p1)
  --report DATEI      Protokoll des Laufs als JSON (DATEI endet auf .json) oder CSV
  --fix-code          Typprüfungen im Code ergänzen: aus TypeOf x Is CheckBox wird
                      (TypeOf x Is CheckBox Or TypeOf x Is qorXPControls.qorCheck)
  --fail-on-code-references
                      Exit-Status 3, wenn Code noch ersetzte Steuerelementtypen nennt
  --keep-going        nach einem Projekt mit Fehler mit dem nächsten weitermachen
  --yes               jede Frage mit Ja beantworten
  --answer ANTWORT    die nächste Frage so beantworten (ja, nein, abbrechen; mehrfach,
                      der Reihe nach über alle Projekte)
  --version           Programmname und Version zeigen

Fragen werden auf der Konsole gestellt: [j]a, [n]ein, [a]bbrechen. Ohne Konsole und
ohne vorgegebene Antwort gilt Abbrechen, wo die Frage es anbietet, sonst Nein.
Ein Probelauf fragt nicht: er nimmt die vorgegebene Antwort, sonst Ja.
Strg+C fragt "Wirklich abbrechen?"; j bricht ab, die aktuelle Datei bleibt unverändert.

Nach dem Lauf (und im Probelauf) zeigt run die Codezeilen, die ersetzte Steuerelementtypen
nennen (TypeOf ... Is, As, TypeName, Zeichenfolgen), nach Datei und Zeile.

Exit-Status: 0 fertig, 1 Fehler oder Abbruch, 2 falscher Aufruf, 3 Code nennt ersetzte
Steuerelementtypen (nur mit --fail-on-code-references); bei mehreren Projekten der
schlechteste, wobei 1 vor 3 geht.
)";
}

std::string VersionText() {
  return "xpconvert " XPC_VERSION_STRING "\n";
}

}  // namespace xpconv::cli

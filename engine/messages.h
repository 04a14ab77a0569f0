// The system's own texts, shown through Host::ShowMessage. UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xpconv::msg {

inline constexpr const char* kBackupPrompt =
    "Es wird dringlichst empfohlen, die Einstellung 'Kopie der Originaldateien im Ordner \"_Backup\" "
    "erstellen' zu aktivieren!\r\n"
    "Für einen evtl. entstehenden Datenverlust aufgrund eines Konvertierfehlers wird keine Haftung "
    "übernommen.\r\n\r\n"
    "Soll die Einstellung jetzt autom. aktiviert werden?";
inline constexpr const char* kNothingSelected = "Keine Datei(en) ausgewählt!";
inline constexpr const char* kOverwritePrompt =
    "Es existiert bereits ein Unterordner \"_BACKUP\".\r\n"
    "Sollen evtl. vorhandene Dateien überschrieben werden?";
inline constexpr const char* kOverwriteTitle = "ACHTUNG!";
// The summary is the number of converted files followed by this text after
// a run with backups, and by its first line alone after a run without.
inline constexpr const char* kSummaryTail =
    " Datei(en) wurde(n) aktualisiert.\r\n"
    "Die jeweiligen Sicherungsdateien befinden sich im Ordner \"_BACKUP\"";
inline constexpr const char* kSummaryTailWithoutBackups = " Datei(en) wurde(n) aktualisiert.";
inline constexpr const char* kSummaryTitle = "Konvertierung erfolgreich";
// A second run on a project that a run holds.
inline constexpr const char* kProjectBusy =
    "Das Projekt wird bereits von einem anderen Konvertierungslauf bearbeitet.";
inline constexpr const char* kAbortPrompt = "Wirklich abbrechen?";
// Spelled as the system has always spelled it.
inline constexpr const char* kAbortTitle = "Konverierung";

// The box that reports an error: "Fehler: 53", a line break, the error's
// description. The console program shows the same text with its own line
// breaks.
inline std::string ErrorPrompt(int32_t number, std::string_view description,
                               std::string_view line_break = "\r\n") {
  std::string prompt = "Fehler: " + std::to_string(number);
  prompt.append(line_break).append(description);
  return prompt;
}

// The same for an error of one file, which a last paragraph names
// ("Datei: frmHaupt.frm").
inline std::string FileErrorPrompt(int32_t number, std::string_view description,
                                   std::string_view file, std::string_view line_break = "\r\n") {
  std::string prompt = ErrorPrompt(number, description, line_break);
  prompt.append(line_break).append(line_break).append("Datei: ").append(file);
  return prompt;
}

}  // namespace xpconv::msg

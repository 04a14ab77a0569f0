// The system's own texts, shown through Host::ShowMessage. UTF-8.
#pragma once

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

}  // namespace xpconv::msg

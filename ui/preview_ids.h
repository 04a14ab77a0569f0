// The preview window's class, control ids and fixed texts, shared by the
// window, its tests and the end-to-end driver.
#pragma once

namespace xpconv::ui {

inline constexpr wchar_t kPreviewWindowClass[] = L"xpcPreviewWindow";

// Control ids, in tab order, for keyboard handling and for tests.
inline constexpr int kPreviewSummaryId = 1101;     // what a run would do, in one line
inline constexpr int kPreviewListLabelId = 1102;   // "&Dateien:"
inline constexpr int kPreviewListId = 1103;        // the rows (a list view)
inline constexpr int kPreviewDiffLabelId = 1104;   // "Ä&nderungen an <file>:"
inline constexpr int kPreviewDiffId = 1105;        // the changes (a list box, one line per item)
inline constexpr int kPreviewSaveReportId = 1106;  // "&Bericht speichern..."
inline constexpr int kPreviewSavePatchId = 1107;   // "&Patch speichern..."
inline constexpr int kPreviewStartId = 1108;       // "&Starten"
inline constexpr int kPreviewCloseId = 1109;       // "Schließen"
// The code part, between the changes and the buttons; only where code names
// a replaced class.
inline constexpr int kPreviewCodeLabelId = 1110;  // "&Code, der ersetzte Steuerelementtypen nennt"
inline constexpr int kPreviewCodeId = 1111;       // the code lines (a list view)

// The titles of the save dialogs, and the note of a row without changes.
inline constexpr const char* kSaveReportTitle = "Bericht speichern";
inline constexpr const char* kSavePatchTitle = "Patch speichern";
inline constexpr const char* kNoChangesNote = "Diese Datei bliebe unverändert.";
// The title of the message after a run whose project has such code lines,
// and of the window that then shows them alone.
inline constexpr const char* kCodeTitle = "Code prüfen";

}  // namespace xpconv::ui

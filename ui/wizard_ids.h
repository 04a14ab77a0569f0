// Control ids and names of the wizard window, shared by the window, its
// tests and the end-to-end driver (which finds the window by class and
// clicks its buttons by id).
#pragma once

namespace xpconv::ui {

inline constexpr wchar_t kWizardClass[] = L"xpcWizardWindow";
inline constexpr wchar_t kHeaderBandClass[] = L"xpcHeaderBand";
// UTF-8, as every shown text in the code.
inline constexpr const char* kWizardCaption = "qorXPControls ActiveX Replacement-Wizard";

// In the order of the designed tab order; ids stay clear of IDOK/IDCANCEL,
// which IsDialogMessage sends for Enter and Escape.
inline constexpr int kIdLabelProject = 1001;   // Label1(0) "&Projektdatei:"
inline constexpr int kIdProject = 1002;        // txtProject
inline constexpr int kIdFolder = 1003;         // cmdFolder (picture only)
inline constexpr int kIdList = 1004;           // List1
inline constexpr int kIdAll = 1005;            // cmdAll "Alle Dateien"
inline constexpr int kIdLabelSettings = 1006;  // Label1(1) "&Einstellungen:"
inline constexpr int kIdBackup = 1007;         // chkBackup
inline constexpr int kIdXPStyle = 1008;        // chkXP
inline constexpr int kIdFrame = 1009;          // Frame1
inline constexpr int kIdReplaceFirst = 1010;   // chkReplace(kind) is kIdReplaceFirst + kind
inline constexpr int kReplaceKinds = 4;
inline constexpr int kIdDesigners = 1015;      // "Benutzersteuerelemente einbeziehen ..."
inline constexpr int kIdRestore = 1016;        // "&Wiederherstellen..."
inline constexpr int kIdPreview = 1017;        // "&Vorschau..."
inline constexpr int kIdStart = 1020;          // cmdStart "&Starten"
inline constexpr int kIdExit = 1021;           // cmdExit "&Beenden"
inline constexpr int kIdHeader = 1030;         // picTop, the white band
inline constexpr int kIdTitle = 1031;          // Label2 in picTop
inline constexpr int kIdDescription = 1032;    // Label3 in picTop
inline constexpr int kIdHeaderPicture = 1033;  // Image1 in picTop

// The buttons that work on the loaded project's entries: enabled while the
// list holds entries.
inline constexpr int kProjectActions[] = {kIdAll, kIdRestore, kIdPreview, kIdStart};

// The placeholder entry of a project without forms.
inline constexpr const char* kNoFormsEntry = "(keine Dateien vorhanden)";
// The title of the restore's question and messages.
inline constexpr const char* kRestoreTitle = "Wiederherstellen";
// The filter the browse button hands to the open dialog.
inline constexpr const char* kProjectFilter = "Projektdatei (*.vbp)|*.vbp";

}  // namespace xpconv::ui

#include "ui/save_dialog.h"

// clang-format off
// <windows.h> first: the dialog header builds on it.
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/host.h"
#include "ui/message_box.h"
#include "ui/open_dialog.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {

namespace {

constexpr const char* kPathNotAnsi =
    "Die Datei kann nicht gespeichert werden: Ihr Pfad enthält Zeichen, die der Zeichensatz "
    "(ANSI-Codepage) dieses Systems nicht darstellen kann.\r\n\r\n";
// Room for a long path; the dialog says so itself when a choice does not fit.
constexpr DWORD kFileBuffer = 32768;

}  // namespace

std::string ShowSaveDialog(const SaveRequest& request) {
  // MakeDialogFilter leaves a NUL after every piece; the wide string's own
  // end closes the list.
  const std::wstring filter = Utf8ToWide(MakeDialogFilter(request.filter));
  const std::wstring title = Utf8ToWide(request.title);
  const std::wstring folder = Utf8ToWide(AnsiToUtf8(request.initial_folder));
  const std::wstring extension = Utf8ToWide(request.default_extension);
  std::vector<wchar_t> file(kFileBuffer, L'\0');
  const std::wstring offered = Utf8ToWide(AnsiToUtf8(request.file_name));
  if (offered.size() < file.size()) std::copy(offered.begin(), offered.end(), file.begin());

  OPENFILENAMEW record{};
  record.lStructSize = sizeof(record);
  record.hwndOwner = ::GetActiveWindow();
  record.lpstrFilter = filter.c_str();
  record.nFilterIndex = 1;
  record.lpstrFile = file.data();
  record.nMaxFile = kFileBuffer;
  record.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  record.lpstrTitle = title.c_str();
  record.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  record.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetSaveFileNameW(&record)) return {};
  const std::wstring chosen(file.data());
  if (chosen.empty()) return {};
  const std::optional<std::string> ansi = WideToAnsiExact(chosen);
  if (!ansi) {
    ShowMessage(kPathNotAnsi + WideToUtf8(chosen), mb::kOk, "");
    return {};
  }
  return *ansi;
}

}  // namespace xpconv::ui

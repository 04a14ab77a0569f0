// The wizard's ways to a project: the open dialog behind the folder button,
// a path on the command line (Explorer's verb "Mit qorXP-Wizard konvertieren"
// passes one) and files dropped on the window. All end in OpenChosenProject,
// which shows the path and loads the project's list (wizard_list.cpp).
#include "ui/wizard_open.h"

#include <optional>
#include <string>
#include <vector>

#include "ui/message_box.h"
#include "ui/win32/text_conversion.h"
#include "ui/wizard_window.h"

namespace xpconv::ui {

namespace {

constexpr const char* kNoProjectDropped =
    "Unter den abgelegten Dateien ist keine Projektdatei (*.vbp).";
constexpr const char* kPathNotAnsi =
    "Die Projektdatei kann nicht geöffnet werden: Ihr Pfad enthält Zeichen, die der "
    "Zeichensatz (ANSI-Codepage) dieses Systems nicht darstellen kann.\r\n\r\n";
constexpr const char* kPathNotAnsiHint =
    "\r\n\r\nBitte das Projekt unter einem Pfad ohne diese Zeichen ablegen.";

// 0x0049: WM_COPYGLOBALDATA, which carries the dropped names between
// processes of different rights.
constexpr UINT kCopyGlobalData = 0x0049;

bool HasProjectExtension(const std::wstring& path) {
  constexpr std::wstring_view kExtension = L".vbp";
  if (path.size() <= kExtension.size()) return false;
  return ::CompareStringOrdinal(path.c_str() + path.size() - kExtension.size(),
                                static_cast<int>(kExtension.size()), kExtension.data(),
                                static_cast<int>(kExtension.size()), TRUE) == CSTR_EQUAL;
}

// The full path, as the open dialog gives it; the path itself when the
// system cannot make one.
std::wstring FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

std::vector<std::wstring> DroppedFiles(HDROP drop) {
  std::vector<std::wstring> files;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(static_cast<size_t>(length) + 1, L'\0');
    name.resize(::DragQueryFileW(drop, i, name.data(), length + 1));
    if (!name.empty()) files.push_back(std::move(name));
  }
  return files;
}

}  // namespace

void AcceptDroppedFiles(HWND window) {
  ::DragAcceptFiles(window, TRUE);
  for (UINT msg :
       {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData}) {
    ::ChangeWindowMessageFilterEx(window, msg, MSGFLT_ALLOW, nullptr);
  }
}

std::wstring FirstCommandLineArgument(const wchar_t* command_line) {
  if (command_line == nullptr || *command_line == L'\0') return {};
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(command_line, &count);
  if (args == nullptr) return {};
  std::wstring first = count > 1 ? std::wstring(args[1]) : std::wstring();
  ::LocalFree(args);
  return first;
}

void Wizard::BrowseForProject() {
  const std::string path = ProjectPath();
  const size_t slash = path.rfind('\\');
  const std::string initial_folder =
      slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string chosen = open_dialog_(kProjectFilter, initial_folder);
  if (chosen.empty()) return;
  OpenChosenProject(chosen);
}

void Wizard::OpenChosenProject(const std::string& ansi_path) {
  SetProjectText(ansi_path);
  LoadProjectList();
}

void Wizard::SetProjectText(const std::string& ansi_path) {
  ::SetWindowTextW(control(kIdProject), Utf8ToWide(AnsiToUtf8(ansi_path)).c_str());
}

bool Wizard::TakesProjects() const {
  // A run, a message or the open dialog holds the window disabled.
  return hwnd() != nullptr && !running_ && ::IsWindowEnabled(hwnd());
}

bool Wizard::OpenProjectFrom(const std::wstring& path) {
  if (!TakesProjects() || path.empty()) return false;
  const std::wstring full = FullPath(path);
  const std::optional<std::string> ansi = WideToAnsiExact(full);
  if (!ansi) {
    ShowMessage(kPathNotAnsi + WideToUtf8(full) + kPathNotAnsiHint, mb::kOk, "");
    return false;
  }
  OpenChosenProject(*ansi);
  return true;
}

void Wizard::OnDropFiles(HDROP drop) {
  // The names are copied and the drop released before anything is shown.
  const std::vector<std::wstring> files = DroppedFiles(drop);
  ::DragFinish(drop);
  if (!TakesProjects()) return;
  for (const std::wstring& file : files) {
    if (HasProjectExtension(file)) {
      OpenProjectFrom(file);
      return;
    }
  }
  ShowMessage(kNoProjectDropped, mb::kOkInformation, "");
}

}  // namespace xpconv::ui

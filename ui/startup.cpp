#include "ui/startup.h"

#include <windows.h>

#include <string>

#include "engine/host.h"
#include "ui/message_box.h"
#include "ui/win32/text_conversion.h"

namespace xpconv::ui {

void ReportFatal(const std::string& text, std::FILE* err) noexcept {
  try {
    ShowMessage(text, mb::kOk, "");
    return;
  } catch (...) {
    // Our box needs a window of its own; the system's box may still work.
  }
  try {
    const std::wstring wide = Utf8ToWide(text);
    // Windows answers a box it could not show with 0, Wine with -1.
    if (::MessageBoxW(nullptr, wide.c_str(), L"xpwizard", MB_OK | MB_ICONERROR | MB_TASKMODAL) >
        0) {
      return;
    }
  } catch (...) {
  }
  // No window at all (no display, no desktop): one line the caller's log
  // keeps. CR LF in the text become blanks so the line stays one line.
  std::string line = "xpwizard: " + text;
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::fprintf(err, "%s\n", line.c_str());
  std::fflush(err);
}

}  // namespace xpconv::ui

// xpwizard: starts on the wizard window and ends when it is closed.
#include <exception>
#include <string>

#include "engine/host.h"
#include "ui/startup.h"
#include "ui/wizard_open.h"
#include "ui/wizard_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  using namespace xpconv::ui;
  // Declared before the window: a run in progress holds a reference to it.
  xpconv::AbortFlag abort;
  try {
    Wizard wizard(instance, abort);
    wizard.on_closed = [] { ::PostQuitMessage(0); };
    wizard.Create();
    wizard.Show(show_command);
    // "xpwizard.exe PROJECT.vbp" (Explorer's verb) starts with the project
    // loaded as if chosen in the open dialog.
    if (const std::wstring project = FirstCommandLineArgument(::GetCommandLineW());
        !project.empty()) {
      wizard.OpenProjectFrom(project);
    }
    MSG msg{};
    BOOL got = FALSE;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
      if (wizard.PreTranslate(msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    return got < 0 ? 1 : static_cast<int>(msg.wParam);
  } catch (const std::exception& error) {
    // Only start-up can get here: every user action traps its own errors.
    // Where not even a message box can be created, the message goes to
    // standard error.
    ReportFatal(std::string("Fehler: ") + error.what());
    return 1;
  } catch (...) {
    ReportFatal("Fehler: Unbekannter Fehler");
    return 1;
  }
}

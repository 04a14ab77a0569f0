// The message-box service: every message and question of the program goes
// through ShowMessage, which shows our library's message box.
#pragma once

#include <cstdint>
#include <string>

namespace xpconv::ui {

// Shows prompt (UTF-8, CR LF breaks lines) with the buttons and icon of
// buttons (0, 19, 36 or 64) and title (UTF-8; empty leaves the library's
// caption) modal over the active window, and returns the answer code the box
// gives (1 OK, 2 Abbrechen, 6 Ja, 7 Nein) unchanged. Each call uses a box
// object of its own; errors of the box pass to the caller.
int32_t ShowMessage(const std::string& prompt, int32_t buttons, const std::string& title);

}  // namespace xpconv::ui

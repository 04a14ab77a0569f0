// The wizard's last word when its start-up fails: a message the user sees,
// also where no window can be shown at all.
#pragma once

#include <cstdio>
#include <string>

namespace xpconv::ui {

// Shows text (UTF-8) as an error: in our message box where a window can
// still be created, else in the system's message box, else as one line on
// err (standard error), which a console or a log of the start sees.
void ReportFatal(const std::string& text, std::FILE* err = stderr) noexcept;

}  // namespace xpconv::ui

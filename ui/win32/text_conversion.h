// Text at the ...W boundary: the program keeps UTF-8 (shown texts) and the
// system's ANSI code page (paths, as the projects store them); the windows
// take UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace xpconv::ui {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// Bytes of the system's ANSI code page <-> UTF-8.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
// The path in the system's ANSI code page, or nothing when a character of it
// has no exact counterpart there (no best-fit look-alike, no default '?').
std::optional<std::string> WideToAnsiExact(std::wstring_view wide);

}  // namespace xpconv::ui

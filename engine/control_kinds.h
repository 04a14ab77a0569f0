// The four kinds of standard controls the conversion replaces, and the two
// ways they are named outside the code: the name people read (the wizard's
// check boxes, the preview, the reports) and the key of the console program's
// --keep option.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace xpconv {

// Numbered as the chkReplace options of the wizard window.
enum class ControlKind : int16_t { Frame = 0, CheckBox = 1, OptionButton = 2, ProgressBar = 3 };

inline constexpr size_t kControlKindCount = 4;

// "Frame", "CheckBox", "OptionButton", "ProgressBar", indexed like
// ControlKind.
inline constexpr std::string_view kControlKindNames[kControlKindCount] = {
    "Frame", "CheckBox", "OptionButton", "ProgressBar"};

// "frame", "checkbox", "option", "progressbar", indexed like ControlKind.
inline constexpr std::string_view kControlKindKeys[kControlKindCount] = {"frame", "checkbox",
                                                                         "option", "progressbar"};

// The kind whose key is key, in any letter case; nullopt for none.
std::optional<ControlKind> ControlKindOfKey(std::string_view key);

}  // namespace xpconv

#include "engine/control_kinds.h"

#include <string>

#include "engine/paths.h"

namespace xpconv {

std::optional<ControlKind> ControlKindOfKey(std::string_view key) {
  const std::string lower = AsciiLower(key);
  for (size_t i = 0; i < kControlKindCount; ++i) {
    if (lower == kControlKindKeys[i]) return static_cast<ControlKind>(i);
  }
  return std::nullopt;
}

}  // namespace xpconv

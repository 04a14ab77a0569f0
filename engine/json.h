// JSON text as the trace and the reports write it.
#pragma once

#include <string>
#include <string_view>

namespace xpconv {

// A JSON string literal (quotes included) for UTF-8 text. Bytes that are not
// valid UTF-8 become U+FFFD, so the output stays valid JSON whatever it carries.
std::string JsonString(std::string_view text);

}  // namespace xpconv

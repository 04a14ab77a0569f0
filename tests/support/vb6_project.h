// Project and form texts shaped like the ones the development environment
// saves (German, CR LF unless asked otherwise), for tests that need a whole
// project on disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xpconv::testing {

// The lines, each followed by eol.
std::string JoinLines(const std::vector<std::string>& lines, std::string_view eol = "\r\n");

// A project file with references, two control libraries, the given Form=
// entries, a module, the usual settings and the [MS Transaction Server]
// section.
std::string ProjectText(const std::vector<std::string>& form_entries,
                        std::string_view eol = "\r\n");

// A dialog with a frame holding a check box and an option button array, a
// progress bar, a command button and code: every replaceable kind occurs.
std::string ConvertibleForm(std::string_view name, std::string_view eol = "\r\n");

// A dialog of labels, a text box and command buttons only: nothing to replace.
std::string PlainForm(std::string_view name, std::string_view eol = "\r\n");

}  // namespace xpconv::testing

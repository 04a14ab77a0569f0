// A unified diff of two versions of a file, in the shape git writes it, that
// `git apply` and `patch -p1` apply byte for byte: lines keep their own line
// ends (CR LF, LF, a CR inside a line), and a last line without a line end
// is marked "\ No newline at end of file".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace xpconv {

struct DiffLine {
  enum class Kind { kFileHeader, kHunkHeader, kContext, kRemoved, kAdded, kNoNewline };
  Kind kind;
  // The line as the patch holds it, its line end included: the prefix
  // (" ", "-", "+") and the file's own bytes for the three line kinds.
  std::string text;
};

// The diff of old_bytes to new_bytes with context lines around each change;
// path (relative, "/" separators, UTF-8) names the file after "a/" and "b/".
// Empty when the bytes are equal. Lines are the pieces up to and including
// each LF, as git and patch count them.
std::vector<DiffLine> UnifiedDiff(std::string_view old_bytes, std::string_view new_bytes,
                                  const std::string& path, int context = 3);

// The lines as one patch text.
std::string PatchText(const std::vector<DiffLine>& lines);

}  // namespace xpconv

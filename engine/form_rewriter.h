// The line rules of the conversion: a header of a replaceable control becomes
// the header of our library's control, fixed property lines follow it, and
// the control's font block is dropped. Every other line is written unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"

namespace xpconv {

class Host;

// Numbered as the chkReplace options of the wizard window.
enum class ControlKind : int16_t { Frame = 0, CheckBox = 1, OptionButton = 2, ProgressBar = 3 };

// The conversion options as the rewriter reads them, taken once per job.
struct RewriteOptions {
  // chkReplace(0..3); a kind is replaced only when its value is exactly 1.
  std::array<int32_t, 4> replace{1, 1, 1, 1};
  // chkXP: 0 inserts the XPStyle line, any other value the colour lines.
  int32_t xp_style = 1;

  // Reads ReplaceOption(0) .. ReplaceOption(3), then XPStyleOption.
  static RewriteOptions FromHost(Host& host);
};

// Spaces (code 32 only) in front of the first other character. Raises
// 6 "Überlauf" past 32767.
int16_t CountLeadingSpaces(std::string_view line);

// The kind whose header prefix starts the stripped line and whose option is
// exactly 1; nullopt otherwise.
std::optional<ControlKind> MatchControlHeader(std::string_view line, const RewriteOptions& options);

// The new header line (indentation, the replacement prefix, the rest of the
// stripped line) followed by the kind's inserted property lines, indented by
// indentation + 3. Lines are returned without line ends.
std::vector<std::string> BuildReplacementHeader(std::string_view line, ControlKind kind,
                                                int16_t indentation, const RewriteOptions& options);

// The copy phase behind a replaced header: copies the control's own property
// lines at indentation + 3, drops its font block, and hands back a nested
// control header as the pending line.
std::optional<std::string> CopyControlProperties(InputFile& input, OutputFile& output,
                                                 int16_t indentation);

struct RewriteResult {
  bool replaced = false;               // the line was a replaced header
  std::optional<std::string> pending;  // a line the job must process next
};

// The rewriter's entry point for every line the job takes.
RewriteResult RewriteFormLine(std::string_view line, InputFile& input, OutputFile& output,
                              const RewriteOptions& options);

// The same rules as RewriteFormLine for a caller that drives a whole form:
// the lines pass through the caller's one string and the assembled header
// lines through one buffer of this object, so a form of millions of lines is
// rewritten without allocating per line.
class FormRewriter {
 public:
  struct Outcome {
    bool replaced = false;  // line was a replaced header
    bool pending = false;   // line now holds a line the caller must process next
  };

  explicit FormRewriter(const RewriteOptions& options) : options_(options) {}

  // Rewrites line, the current line of the form. The copy phase behind a
  // replaced header reads into line; when it stops at a nested control
  // header, that header is left in line and pending is set. Otherwise line's
  // content afterwards is of no meaning.
  Outcome Rewrite(std::string& line, InputFile& input, OutputFile& output);

  // Headers replaced so far per kind (indexed like ControlKind), nested
  // ones included.
  const std::array<int32_t, 4>& replaced() const { return replaced_; }

 private:
  RewriteOptions options_;
  std::string text_;
  std::array<int32_t, 4> replaced_{};
};

}  // namespace xpconv

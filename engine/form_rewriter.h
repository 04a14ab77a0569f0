// The line rules of the conversion: a header of a replaceable control becomes
// the header of our library's control, fixed property lines follow it, and
// the control's font block is dropped. Every other line is written unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/control_kinds.h"
#include "engine/file_system.h"

namespace xpconv {

class Host;

// The class a kind's controls have in a form file ("VB.CheckBox") and the
// class they become ("qorXPControls.qorCheck"): library, point, class.
std::string_view OriginalClassOf(ControlKind kind);
std::string_view ReplacementClassOf(ControlKind kind);

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

// What the rewriter does with each line, told in order as it goes, for a
// caller that describes the change (the console program's patch) without
// comparing the old and the new text.
class RewriteLog {
 public:
  enum class Edit : uint8_t {
    kKept,     // the current line is written as it is
    kRemoved,  // the current line is not written: a replaced header, a line of a dropped font block
    kAdded,    // a line of the rewriter's own is written
  };
  RewriteLog() = default;
  RewriteLog(const RewriteLog&) = delete;
  RewriteLog& operator=(const RewriteLog&) = delete;
  virtual ~RewriteLog() = default;
  virtual void Note(Edit edit) = 0;
};

// Lines longer than this pass through the rewriter piece by piece.
inline constexpr size_t kLinePieceSize = 64 * 1024;

// The same rules as RewriteFormLine for a caller that drives a whole form.
// The rules look only at the head of a line (its indentation and the first
// few characters behind it, and whether the rest is blank), so a line
// longer than the piece size is not held whole: its head is kept, and the
// rest is streamed from the input to the output, or skipped, piece by piece.
// A form with lines of any length is rewritten in bounded memory, and lines
// of ordinary length pass through one reused string without allocating.
class FormRewriter {
 public:
  struct Outcome {
    bool replaced = false;  // the line was a replaced header
    bool pending = false;   // the current line is now a nested header the caller must process next
  };

  // piece_size > 0 bounds what is read of a line at a time.
  explicit FormRewriter(const RewriteOptions& options, size_t piece_size = kLinePieceSize);

  // Reads the next line of input as the current line. Raises 62 at the end.
  void ReadLine(InputFile& input);
  // Makes text the current line, complete.
  void SetLine(std::string_view text);
  // The current line's head; the whole line unless it is longer than the
  // piece size.
  const std::string& line_head() const { return head_; }

  // Rewrites the current line, reading on from input for a replaced
  // header's properties and for the rest of a long line. When the copy phase
  // stops at a nested control header, that header becomes the current line
  // and pending is set; otherwise the current line is used up.
  Outcome Rewrite(InputFile& input, OutputFile& output);

  // Called after each piece of a long line's rest has been passed on or
  // skipped, so the caller can show progress while a huge line goes
  // through. Not called for lines that fit in one piece.
  std::function<void()> on_piece;
  // Told what becomes of each line; none when null.
  RewriteLog* log = nullptr;

  // Headers replaced so far per kind (indexed like ControlKind), nested
  // ones included.
  const std::array<int32_t, 4>& replaced() const { return replaced_; }

 private:
  friend std::optional<std::string> CopyControlProperties(InputFile&, OutputFile&, int16_t);

  int64_t LeadingSpaces() const;
  std::string_view HeadText() const;
  bool RestIsBlank(InputFile& input);
  bool TrimmedEquals(InputFile& input, std::string_view text);
  bool IsNestedHeader(InputFile& input);
  void ReadPiece(InputFile& input);
  void WriteCurrent(InputFile& input, OutputFile& output);
  void WriteRest(InputFile& input, OutputFile& output);
  void SkipRest(InputFile& input);
  bool CopyProperties(InputFile& input, OutputFile& output, int16_t indentation);

  RewriteOptions options_;
  size_t piece_size_;
  // The current line: lead_ spaces that are counted, not kept (only a line
  // whose indentation alone fills pieces has any), head_, then gap_ spaces
  // and the piece held in piece_ (both read while testing that the rest is
  // blank), then, while open_, the rest still in the input.
  int64_t lead_ = 0;
  std::string head_;
  int64_t gap_ = 0;
  bool held_ = false;
  bool open_ = false;
  std::string piece_;
  std::string text_;  // the assembled header lines
  std::array<int32_t, 4> replaced_{};
};

}  // namespace xpconv

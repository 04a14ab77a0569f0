#include "engine/form_rewriter.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "engine/error.h"
#include "engine/host.h"

namespace xpconv {

namespace {

struct KindRules {
  std::string_view header_prefix;
  std::string_view replacement_prefix;
};

// Indexed by ControlKind. Every prefix starts with "Begin " and none is a
// prefix of another, so the first match is the only one.
constexpr KindRules kRules[kControlKindCount] = {
    {"Begin VB.Frame", "Begin qorXPControls.qorFrame"},
    {"Begin VB.CheckBox", "Begin qorXPControls.qorCheck"},
    {"Begin VB.OptionButton", "Begin qorXPControls.qorOption"},
    {"Begin MSComctlLib.ProgressBar", "Begin qorXPControls.qorProgressBar"},
};

constexpr std::string_view kXPStyleLine = "XPStyle         =   0  'False";

constexpr std::string_view kFrameColours[] = {
    "BorderColor     =   12632256",
    "ForeColor       =   12582912",
    "CheckMarkColor  =   2203937",
};
constexpr std::string_view kCheckColours[] = {
    "BorderColor     =   8409372",
    "CheckMarkColor  =   2203937",
};
constexpr std::string_view kOptionColours[] = {
    "BorderColor     =   10059095",
    "BorderColorLight=   12563878",
    "BorderColorHighlight=   14672351",
    "CheckMarkColor  =   2203937",
};
constexpr std::string_view kProgressColours[] = {
    "BackColor       =   -2147483643",
    "BorderColor     =   8409372",
    "FillColor       =   3724597",
    "FillColorLight  =   11333035",
};

constexpr std::string_view kFontBlockStart = "BeginProperty Font";
constexpr std::string_view kPropertyGroupEnd = "EndProperty";
constexpr std::string_view kNestedHeaderStart = "Begin ";

// Leading spaces (code 32 only) of line; the other blanks are text.
size_t SpacesBefore(std::string_view line) {
  size_t count = 0;
  while (count < line.size() && line[count] == ' ') ++count;
  return count;
}

int16_t Indentation(size_t spaces) {
  // Every line passes here; the checked narrowing raises past 32767.
  return spaces <= 32767 ? static_cast<int16_t>(spaces) : ToInt16(static_cast<int64_t>(spaces));
}

std::string_view Stripped(std::string_view line) {
  return line.substr(SpacesBefore(line));
}

std::string_view WithoutTrailingSpaces(std::string_view text) {
  size_t size = text.size();
  while (size > 0 && text[size - 1] == ' ') --size;
  return text.substr(0, size);
}

std::optional<ControlKind> MatchStripped(std::string_view stripped, const RewriteOptions& options) {
  // Nearly every line of a form fails here, so the per-prefix compares below
  // stay off the hot path.
  if (!stripped.starts_with(kNestedHeaderStart)) return std::nullopt;
  for (size_t i = 0; i < kControlKindCount; ++i) {
    if (options.replace[i] == 1 && stripped.starts_with(kRules[i].header_prefix)) {
      return static_cast<ControlKind>(i);
    }
  }
  return std::nullopt;
}

// A piece size no line reaches: every line is read whole.
constexpr size_t kWholeLines = std::numeric_limits<size_t>::max();

// How many characters behind the indentation every rule needs to see: more
// than the longest header prefix and than "BeginProperty Font", so that a
// longer line whose head shows one of them followed by blanks is that text
// exactly when the rest of the line is blank.
constexpr size_t kDecidingSize = 32;

void WriteSpaces(OutputFile& output, int64_t count) {
  static const std::string blanks(4096, ' ');
  while (count > 0) {
    const size_t size = static_cast<size_t>(std::min<int64_t>(count, int64_t{4096}));
    output.Write(std::string_view(blanks).substr(0, size));
    count -= static_cast<int64_t>(size);
  }
}

// Hands the replacement header and the inserted lines to sink one by one
// (with true for the header), so the rewriter can write them straight to the
// output while BuildReplacementHeader collects the same lines. stripped is
// the header line behind its indentation. Each line is assembled in text,
// whose capacity the caller keeps from one header to the next.
template <typename Sink>
void EmitReplacementHeader(std::string_view stripped, ControlKind kind, int16_t indentation,
                           const RewriteOptions& options, std::string& text, Sink&& sink) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  const KindRules& rules = kRules[static_cast<size_t>(kind)];
  const std::string_view rest = stripped.substr(rules.header_prefix.size());

  text.assign(static_cast<size_t>(indentation), ' ');
  text.append(rules.replacement_prefix);
  text.append(rest);
  sink(std::string_view(text), true);

  auto emit_property = [&](std::string_view property) {
    text.assign(static_cast<size_t>(property_indentation), ' ');
    text.append(property);
    sink(std::string_view(text), false);
  };
  if (options.xp_style == 0) {
    emit_property(kXPStyleLine);
    return;
  }
  switch (kind) {
    case ControlKind::Frame:
      for (std::string_view p : kFrameColours) emit_property(p);
      break;
    case ControlKind::CheckBox:
      for (std::string_view p : kCheckColours) emit_property(p);
      break;
    case ControlKind::OptionButton:
      for (std::string_view p : kOptionColours) emit_property(p);
      break;
    case ControlKind::ProgressBar:
      for (std::string_view p : kProgressColours) emit_property(p);
      break;
  }
}

}  // namespace

std::string_view OriginalClassOf(ControlKind kind) {
  return kRules[static_cast<size_t>(kind)].header_prefix.substr(kNestedHeaderStart.size());
}

std::string_view ReplacementClassOf(ControlKind kind) {
  return kRules[static_cast<size_t>(kind)].replacement_prefix.substr(kNestedHeaderStart.size());
}

RewriteOptions RewriteOptions::FromHost(Host& host) {
  RewriteOptions options;
  for (int16_t kind = 0; kind < 4; ++kind) {
    options.replace[static_cast<size_t>(kind)] = host.ReplaceOption(kind);
  }
  options.xp_style = host.XPStyleOption();
  return options;
}

int16_t CountLeadingSpaces(std::string_view line) {
  return Indentation(SpacesBefore(line));
}

std::optional<ControlKind> MatchControlHeader(std::string_view line,
                                              const RewriteOptions& options) {
  return MatchStripped(Stripped(line), options);
}

std::vector<std::string> BuildReplacementHeader(std::string_view line, ControlKind kind,
                                                int16_t indentation,
                                                const RewriteOptions& options) {
  std::vector<std::string> lines;
  std::string text;
  EmitReplacementHeader(
      Stripped(line), kind, indentation, options, text,
      [&lines](std::string_view assembled, bool) { lines.emplace_back(assembled); });
  return lines;
}

std::optional<std::string> CopyControlProperties(InputFile& input, OutputFile& output,
                                                 int16_t indentation) {
  FormRewriter rewriter(RewriteOptions{}, kWholeLines);
  if (rewriter.CopyProperties(input, output, indentation)) return rewriter.head_;
  return std::nullopt;
}

RewriteResult RewriteFormLine(std::string_view line, InputFile& input, OutputFile& output,
                              const RewriteOptions& options) {
  FormRewriter rewriter(options, kWholeLines);
  rewriter.SetLine(line);
  const FormRewriter::Outcome outcome = rewriter.Rewrite(input, output);
  RewriteResult result;
  result.replaced = outcome.replaced;
  if (outcome.pending) result.pending = rewriter.line_head();
  return result;
}

FormRewriter::FormRewriter(const RewriteOptions& options, size_t piece_size)
    : options_(options), piece_size_(piece_size) {}

void FormRewriter::ReadPiece(InputFile& input) {
  open_ = !input.ReadLinePiece(piece_, piece_size_);
  if (on_piece) on_piece();
}

void FormRewriter::ReadLine(InputFile& input) {
  lead_ = 0;
  gap_ = 0;
  held_ = false;
  open_ = !input.ReadLinePiece(head_, piece_size_);
  // A line that goes on is read until its head decides every rule. Pieces
  // of nothing but indentation are only counted, so even a line of blanks
  // alone keeps the head small.
  while (open_) {
    const size_t spaces = SpacesBefore(head_);
    if (head_.size() - spaces >= kDecidingSize) break;
    if (spaces == head_.size()) {
      lead_ += static_cast<int64_t>(spaces);
      head_.clear();
    }
    ReadPiece(input);
    head_.append(piece_);
  }
}

void FormRewriter::SetLine(std::string_view text) {
  lead_ = 0;
  gap_ = 0;
  held_ = false;
  open_ = false;
  head_.assign(text);
}

int64_t FormRewriter::LeadingSpaces() const {
  return lead_ + static_cast<int64_t>(SpacesBefore(head_));
}

std::string_view FormRewriter::HeadText() const {
  return Stripped(head_);
}

bool FormRewriter::RestIsBlank(InputFile& input) {
  if (held_) return false;
  // Blanks read here are counted in gap_; the first piece with anything
  // else is held, so the line can still be written whole.
  while (open_) {
    ReadPiece(input);
    if (piece_.find_first_not_of(' ') != std::string::npos) {
      held_ = true;
      return false;
    }
    gap_ += static_cast<int64_t>(piece_.size());
  }
  return true;
}

bool FormRewriter::TrimmedEquals(InputFile& input, std::string_view text) {
  return WithoutTrailingSpaces(HeadText()) == text && RestIsBlank(input);
}

bool FormRewriter::IsNestedHeader(InputFile& input) {
  // The line without its outer blanks starts with "Begin ": a head of
  // "Begin" and blanks only counts when something other follows.
  const std::string_view text = WithoutTrailingSpaces(HeadText());
  if (text.starts_with(kNestedHeaderStart)) return true;
  return text == WithoutTrailingSpaces(kNestedHeaderStart) && HeadText().size() > text.size() &&
         !RestIsBlank(input);
}

void FormRewriter::WriteCurrent(InputFile& input, OutputFile& output) {
  if (log != nullptr) log->Note(RewriteLog::Edit::kKept);
  if (lead_ == 0 && gap_ == 0 && !held_ && !open_) {
    output.WriteLine(head_);
    return;
  }
  WriteSpaces(output, lead_);
  output.Write(head_);
  WriteRest(input, output);
}

void FormRewriter::WriteRest(InputFile& input, OutputFile& output) {
  WriteSpaces(output, gap_);
  gap_ = 0;
  if (held_) output.Write(piece_);
  held_ = false;
  while (open_) {
    ReadPiece(input);
    output.Write(piece_);
  }
  output.Write("\r\n");
}

void FormRewriter::SkipRest(InputFile& input) {
  gap_ = 0;
  held_ = false;
  while (open_) ReadPiece(input);
}

FormRewriter::Outcome FormRewriter::Rewrite(InputFile& input, OutputFile& output) {
  const int16_t indentation = Indentation(static_cast<size_t>(LeadingSpaces()));
  const std::string_view stripped = HeadText();
  const std::optional<ControlKind> kind = MatchStripped(stripped, options_);
  if (!kind) {
    WriteCurrent(input, output);
    return {};
  }
  if (log != nullptr) log->Note(RewriteLog::Edit::kRemoved);
  EmitReplacementHeader(stripped, *kind, indentation, options_, text_,
                        [&](std::string_view text, bool header) {
                          if (log != nullptr) log->Note(RewriteLog::Edit::kAdded);
                          if (header && open_) {
                            output.Write(text);
                            WriteRest(input, output);
                          } else {
                            output.WriteLine(text);
                          }
                        });
  ++replaced_[static_cast<size_t>(*kind)];
  Outcome outcome;
  outcome.replaced = true;
  // The header has been written; the current line is free for the copy
  // phase to read into.
  outcome.pending = CopyProperties(input, output, indentation);
  return outcome;
}

// The copy phase. True when it stopped at a nested control header, which is
// then the current line.
bool FormRewriter::CopyProperties(InputFile& input, OutputFile& output, int16_t indentation) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  for (;;) {
    // No end test before this read: a replaced header on the last line is a
    // read past the end, which fails the job and leaves the form alone.
    ReadLine(input);
    if (TrimmedEquals(input, kFontBlockStart)) {
      // The block is dropped up to and including its EndProperty. A block
      // that never ends runs into ReadLine's read-past-end error rather than
      // silently swallowing the rest of the form.
      if (log != nullptr) log->Note(RewriteLog::Edit::kRemoved);
      bool end = false;
      do {
        ReadLine(input);
        end = TrimmedEquals(input, kPropertyGroupEnd);
        SkipRest(input);
        if (log != nullptr) log->Note(RewriteLog::Edit::kRemoved);
      } while (!end);
      return false;
    }

    const int64_t spaces = LeadingSpaces();
    const bool nested_header = IsNestedHeader(input);
    if (!nested_header) WriteCurrent(input, output);
    const int16_t line_indentation = Indentation(static_cast<size_t>(spaces));
    if (nested_header) return true;
    if (line_indentation != property_indentation || input.AtEnd()) return false;
  }
}

}  // namespace xpconv

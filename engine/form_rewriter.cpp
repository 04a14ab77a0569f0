#include "engine/form_rewriter.h"

#include <cstddef>
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
constexpr KindRules kRules[4] = {
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

std::string_view Trimmed(std::string_view line) {
  return WithoutTrailingSpaces(Stripped(line));
}

std::optional<ControlKind> MatchStripped(std::string_view stripped, const RewriteOptions& options) {
  // Nearly every line of a form fails here, so the per-prefix compares below
  // stay off the hot path.
  if (!stripped.starts_with(kNestedHeaderStart)) return std::nullopt;
  for (size_t i = 0; i < 4; ++i) {
    if (options.replace[i] == 1 && stripped.starts_with(kRules[i].header_prefix)) {
      return static_cast<ControlKind>(i);
    }
  }
  return std::nullopt;
}

// Hands the replacement header and the inserted lines to sink one by one, so
// the rewriter can write them straight to the output while
// BuildReplacementHeader collects the same lines. Each line is assembled in
// text, whose capacity the caller keeps from one header to the next.
template <typename Sink>
void EmitReplacementHeader(std::string_view line, ControlKind kind, int16_t indentation,
                           const RewriteOptions& options, std::string& text, Sink&& sink) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  const KindRules& rules = kRules[static_cast<size_t>(kind)];
  const std::string_view rest = Stripped(line).substr(rules.header_prefix.size());

  text.assign(static_cast<size_t>(indentation), ' ');
  text.append(rules.replacement_prefix);
  text.append(rest);
  sink(std::string_view(text));

  auto emit_property = [&](std::string_view property) {
    text.assign(static_cast<size_t>(property_indentation), ' ');
    text.append(property);
    sink(std::string_view(text));
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

// The copy phase, reading into line. True when it stopped at a nested
// control header, which is then left in line.
bool CopyPropertiesInto(InputFile& input, OutputFile& output, int16_t indentation,
                        std::string& line) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  for (;;) {
    // No end test before this read: a replaced header on the last line is a
    // read past the end, which fails the job and leaves the form alone.
    input.ReadLineInto(line);
    const size_t spaces = SpacesBefore(line);
    const std::string_view trimmed = WithoutTrailingSpaces(std::string_view(line).substr(spaces));

    if (trimmed == kFontBlockStart) {
      // The block is dropped up to and including its EndProperty. A block
      // that never ends runs into ReadLine's read-past-end error rather than
      // silently swallowing the rest of the form.
      do {
        input.ReadLineInto(line);
      } while (Trimmed(line) != kPropertyGroupEnd);
      return false;
    }

    const bool nested_header = trimmed.starts_with(kNestedHeaderStart);
    if (!nested_header) output.WriteLine(line);
    const int16_t line_indentation = Indentation(spaces);
    if (nested_header) return true;
    if (line_indentation != property_indentation || input.AtEnd()) return false;
  }
}

}  // namespace

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
  EmitReplacementHeader(line, kind, indentation, options, text,
                        [&lines](std::string_view assembled) { lines.emplace_back(assembled); });
  return lines;
}

std::optional<std::string> CopyControlProperties(InputFile& input, OutputFile& output,
                                                 int16_t indentation) {
  std::string line;
  if (CopyPropertiesInto(input, output, indentation, line)) return line;
  return std::nullopt;
}

RewriteResult RewriteFormLine(std::string_view line, InputFile& input, OutputFile& output,
                              const RewriteOptions& options) {
  FormRewriter rewriter(options);
  std::string buffer(line);
  const FormRewriter::Outcome outcome = rewriter.Rewrite(buffer, input, output);
  RewriteResult result;
  result.replaced = outcome.replaced;
  if (outcome.pending) result.pending = std::move(buffer);
  return result;
}

FormRewriter::Outcome FormRewriter::Rewrite(std::string& line, InputFile& input,
                                            OutputFile& output) {
  const int16_t indentation = CountLeadingSpaces(line);
  const std::optional<ControlKind> kind =
      MatchStripped(std::string_view(line).substr(static_cast<size_t>(indentation)), options_);
  if (!kind) {
    output.WriteLine(line);
    return {};
  }
  EmitReplacementHeader(line, *kind, indentation, options_, text_,
                        [&output](std::string_view text) { output.WriteLine(text); });
  ++replaced_[static_cast<size_t>(*kind)];
  Outcome outcome;
  outcome.replaced = true;
  // The header has been written; line is free for the copy phase to read
  // into.
  outcome.pending = CopyPropertiesInto(input, output, indentation, line);
  return outcome;
}

}  // namespace xpconv

#include "engine/form_rewriter.h"

#include <cstddef>
#include <string>
#include <string_view>

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

std::string_view Stripped(std::string_view line) {
  const size_t first = line.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

std::string_view Trimmed(std::string_view line) {
  line = Stripped(line);
  const size_t last = line.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1);
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
// BuildReplacementHeader collects the same lines.
template <typename Sink>
void EmitReplacementHeader(std::string_view line, ControlKind kind, int16_t indentation,
                           const RewriteOptions& options, Sink&& sink) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  const KindRules& rules = kRules[static_cast<size_t>(kind)];
  const std::string_view rest = Stripped(line).substr(rules.header_prefix.size());

  std::string text(static_cast<size_t>(indentation), ' ');
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
  const size_t first = line.find_first_not_of(' ');
  const size_t count = first == std::string_view::npos ? line.size() : first;
  return ToInt16(static_cast<int64_t>(count));
}

std::optional<ControlKind> MatchControlHeader(std::string_view line,
                                              const RewriteOptions& options) {
  return MatchStripped(Stripped(line), options);
}

std::vector<std::string> BuildReplacementHeader(std::string_view line, ControlKind kind,
                                                int16_t indentation,
                                                const RewriteOptions& options) {
  std::vector<std::string> lines;
  EmitReplacementHeader(line, kind, indentation, options,
                        [&lines](std::string_view text) { lines.emplace_back(text); });
  return lines;
}

std::optional<std::string> CopyControlProperties(InputFile& input, OutputFile& output,
                                                 int16_t indentation) {
  const int16_t property_indentation = ToInt16(int64_t{indentation} + 3);
  for (;;) {
    // No end test before this read: a replaced header on the last line is a
    // read past the end, which fails the job and leaves the form alone.
    std::string line = input.ReadLine();
    const std::string_view trimmed = Trimmed(line);

    if (trimmed == kFontBlockStart) {
      // The block is dropped up to and including its EndProperty. A block
      // that never ends runs into ReadLine's read-past-end error rather than
      // silently swallowing the rest of the form.
      while (Trimmed(input.ReadLine()) != kPropertyGroupEnd) {
      }
      return std::nullopt;
    }

    const bool nested_header = trimmed.starts_with(kNestedHeaderStart);
    if (!nested_header) output.WriteLine(line);
    const int16_t line_indentation = CountLeadingSpaces(line);
    if (nested_header) return line;
    if (line_indentation != property_indentation || input.AtEnd()) return std::nullopt;
  }
}

RewriteResult RewriteFormLine(std::string_view line, InputFile& input, OutputFile& output,
                              const RewriteOptions& options) {
  const int16_t indentation = CountLeadingSpaces(line);
  const std::optional<ControlKind> kind =
      MatchStripped(line.substr(static_cast<size_t>(indentation)), options);
  if (!kind) {
    output.WriteLine(line);
    return {};
  }
  EmitReplacementHeader(line, *kind, indentation, options,
                        [&output](std::string_view text) { output.WriteLine(text); });
  RewriteResult result;
  result.replaced = true;
  result.pending = CopyControlProperties(input, output, indentation);
  return result;
}

}  // namespace xpconv

// CheckCodeScanner (see fuzz_checks.h): the code scanner held to a plain
// model of VB6 comments and strings, and its mend to its promises.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_scanner.h"
#include "tests/fuzz/fuzz_checks.h"
#include "tests/support/memory_files.h"

namespace xpconv::fuzz {

namespace {

void Check(bool condition, const char* what) {
  if (!condition) throw CheckFailure(what);
}

struct Line {
  std::string text;
  std::string end;  // the line end as it was
};

std::vector<Line> LinesOf(const std::string& bytes) {
  testing::MemoryInputFile input(bytes);
  std::vector<Line> lines;
  while (!input.AtEnd()) {
    const auto begin = static_cast<size_t>(input.Position());
    Line line{input.ReadLine(), {}};
    const size_t end_begin = begin + line.text.size();
    line.end = bytes.substr(end_begin, static_cast<size_t>(input.Position()) - end_begin);
    lines.push_back(std::move(line));
  }
  return lines;
}

bool NameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool Blank(char c) {
  return c == ' ' || c == '\t';
}

bool EndsContinued(std::string_view line) {
  while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
  return !line.empty() && line.back() == '_' && (line.size() == 1 || Blank(line[line.size() - 2]));
}

// What each byte of the code is, character by character: 'c' code, 's' in
// a string, 'q' a string's opening quote, 'k' comment; "" for a line the
// scanner passes over. Written apart from the lexer, on the rules alone.
std::vector<std::string> Classify(const std::vector<Line>& lines, size_t from, size_t limit) {
  std::vector<std::string> kinds(lines.size());
  bool comment_next = false;
  bool start = true;
  for (size_t n = from; n < lines.size(); ++n) {
    const std::string& line = lines[n].text;
    if (line.size() > limit) {
      comment_next = false;
      start = true;
      continue;
    }
    std::string& kind = kinds[n];
    kind.assign(line.size(), 'c');
    if (comment_next) {
      kind.assign(line.size(), 'k');
      comment_next = EndsContinued(line);
      start = true;
      continue;
    }
    bool in_string = false;
    bool comment = false;
    for (size_t j = 0; j < line.size(); ++j) {
      const char c = line[j];
      if (in_string) {
        kind[j] = 's';
        if (c == '"' && j + 1 < line.size() && line[j + 1] == '"') {
          kind[++j] = 's';
        } else if (c == '"') {
          in_string = false;
        }
      } else if (c == '"') {
        kind[j] = 'q';
        in_string = true;
        start = false;
      } else if (c == '\'' || (start && line.size() - j >= 3 && (line[j] | 0x20) == 'r' &&
                               (line[j + 1] | 0x20) == 'e' && (line[j + 2] | 0x20) == 'm' &&
                               (j + 3 == line.size() || Blank(line[j + 3])))) {
        for (size_t k = j; k < line.size(); ++k) kind[k] = 'k';
        comment = true;
        break;
      } else if (c == ':' && (j + 1 == line.size() || line[j + 1] != '=')) {
        start = true;
      } else if (start && c >= '0' && c <= '9') {
        while (j + 1 < line.size() && (NameChar(line[j + 1]) || line[j + 1] == '.')) ++j;
      } else if (!Blank(c)) {
        // A name's first letter decides; the rest of it cannot be "Rem".
        start = false;
        while (NameChar(c) && j + 1 < line.size() && NameChar(line[j + 1])) ++j;
      }
    }
    if (comment) {
      comment_next = EndsContinued(line);
      start = true;
    } else if (in_string || !EndsContinued(line)) {
      start = true;
    }
  }
  return kinds;
}

std::string Render(const CodeScan& scan) {
  std::string out = std::to_string(scan.lines) + "/" + std::to_string(scan.code_line) + "/" +
                    std::to_string(scan.long_lines) + "/" + std::to_string(scan.mendable) + "/" +
                    std::to_string(scan.more_findings) + "\n";
  for (const CodeFinding& f : scan.findings) {
    out += std::to_string(f.line) + ":" + std::to_string(f.column) + " " +
           std::to_string(static_cast<int>(f.kind)) + std::to_string(static_cast<int>(f.form)) +
           std::to_string(static_cast<int>(f.fix)) + " " + f.text + "\n";
  }
  return out;
}

}  // namespace

void CheckCodeScanner(std::string_view data) {
  if (data.empty()) return;
  // Byte 0: the module type (bits 0-1), the kinds replaced (bits 2-5), the
  // line limit (bits 6-7); the rest is the module.
  const auto control = static_cast<uint8_t>(data[0]);
  static constexpr size_t kLimits[] = {kCodeLineLimit, 40, 100, kLongestCodeLine};
  CodeScanOptions options;
  options.type = static_cast<ModuleType>(std::min(control & 3, 2));
  for (size_t k = 0; k < 4; ++k) options.kinds[k] = ((control >> (2 + k)) & 1) != 0;
  options.line_limit = kLimits[control >> 6];
  const std::string text(data.substr(1));

  const CodeScan scan = ScanCodeText(text, options);
  for (size_t piece : {size_t{1}, size_t{5}}) {
    testing::MemoryInputFile input(text, piece);
    Check(Render(ScanCodeInput(input, options)) == Render(scan),
          "reading in pieces found other than reading whole lines");
  }

  const std::vector<Line> lines = LinesOf(text);
  Check(scan.lines == static_cast<int64_t>(lines.size()), "not one scanned line per line");
  const size_t from = scan.code_line > 0 ? static_cast<size_t>(scan.code_line - 1) : lines.size();
  const std::vector<std::string> kinds = Classify(lines, from, options.line_limit);
  std::vector<int> mendable(lines.size(), 0);
  std::vector<int> type_tests(lines.size(), 0);
  for (const CodeFinding& f : scan.findings) {
    Check(f.line >= 1 && f.line <= scan.lines && static_cast<size_t>(f.line) > from,
          "a finding outside the code");
    const size_t n = static_cast<size_t>(f.line - 1);
    const std::string& line = lines[n].text;
    Check(f.text == line.substr(0, kFindingTextLimit), "a finding's text is not its line");
    Check(options.kinds[static_cast<size_t>(f.kind)], "a finding of a kind that is kept");
    const auto at = static_cast<size_t>(f.column - 1);
    Check(f.column >= 1 && at < kinds[n].size(), "a finding outside its line");
    if (f.form == CodeFindingForm::TypeName || f.form == CodeFindingForm::String) {
      Check(kinds[n][at] == 'q', "a string finding that is no string in code");
    } else {
      Check(kinds[n][at] == 'c', "a finding in a comment or a string");
      Check(at == 0 || !NameChar(line[at - 1]), "a class name inside a longer name");
    }
    if (f.form == CodeFindingForm::TypeTest) ++type_tests[n];
    if (f.fix == CodeFix::Mendable) ++mendable[n];
  }

  CodeScan mended_scan;
  const std::string mended = MendCodeText(text, options, &mended_scan);
  Check(Render(mended_scan) == Render(scan), "mending found other than scanning");
  for (size_t piece : {size_t{1}, size_t{5}}) {
    testing::MemoryInputFile input(text, piece);
    testing::MemoryOutputFile output;
    Check(Render(MendCodeInput(input, output, options)) == Render(scan),
          "mending a stream found other than scanning");
    Check(output.bytes() == mended, "mending a stream wrote other than mending in memory");
  }
  Check(MendCodeText(mended, options) == mended, "mending twice differs from mending once");
  int64_t mendable_tests = 0;
  for (int count : mendable) mendable_tests += count;
  Check(scan.mendable == mendable_tests || scan.more_findings > 0, "a miscounted mend");
  if (scan.more_findings > 0) return;
  const std::vector<Line> mended_lines = LinesOf(mended);
  Check(mended_lines.size() == lines.size(), "mending changed the number of lines");
  for (size_t n = 0; n < lines.size(); ++n) {
    Check(mended_lines[n].end == lines[n].end, "mending changed a line end");
    Check((mended_lines[n].text == lines[n].text) == (mendable[n] == 0),
          "mending changed a line without mendable tests, or left one alone");
  }
  for (const CodeFinding& f : ScanCodeText(mended, options).findings) {
    Check(f.fix != CodeFix::Mendable, "a mended module still has a mendable test");
    if (f.form == CodeFindingForm::TypeTest) --type_tests[static_cast<size_t>(f.line - 1)];
  }
  for (int left : type_tests) Check(left == 0, "mending changed the type tests a line holds");
}

}  // namespace xpconv::fuzz

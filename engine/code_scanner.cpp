#include "engine/code_scanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/code_lexer.h"
#include "engine/paths.h"

namespace xpconv {

namespace {

using Type = CodeToken::Type;

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The words the scanner acts on; every other name is Word::Other.
enum class Word : uint8_t {
  Other,
  As,
  New,
  TypeOf,
  Is,
  Or,
  TypeName,
  Controls,
  Add,
  Select,
  Case,
  Else,
  End,
  Sub,
  Function,
  Property
};

Word WordOf(std::string_view name) {
  static constexpr std::pair<std::string_view, Word> kWords[] = {
      {"As", Word::As},
      {"New", Word::New},
      {"TypeOf", Word::TypeOf},
      {"Is", Word::Is},
      {"Or", Word::Or},
      {"TypeName", Word::TypeName},
      {"Controls", Word::Controls},
      {"Add", Word::Add},
      {"Select", Word::Select},
      {"Case", Word::Case},
      {"Else", Word::Else},
      {"End", Word::End},
      {"Sub", Word::Sub},
      {"Function", Word::Function},
      {"Property", Word::Property},
  };
  if (name.size() > 8) return Word::Other;
  for (const auto& [text, word] : kWords) {
    if (SameIgnoringCase(name, text)) return word;
  }
  return Word::Other;
}

// A class as code names it: its library ("VB") and its name ("CheckBox").
struct ClassName {
  std::string_view library;
  std::string_view name;
};

ClassName Split(std::string_view qualified) {
  const size_t point = qualified.find('.');
  return {qualified.substr(0, point), qualified.substr(point + 1)};
}

// The name under which the progress bar's library registers it, which
// Controls.Add takes ("MSComctlLib.ProgCtrl.2"); the form file and TypeName
// call it ProgressBar.
constexpr std::string_view kProgressBarProgId = "MSComctlLib.ProgCtrl";

bool IsProgressBarProgId(std::string_view text) {
  if (text.size() < kProgressBarProgId.size() ||
      !SameIgnoringCase(text.substr(0, kProgressBarProgId.size()), kProgressBarProgId)) {
    return false;
  }
  const std::string_view version = text.substr(kProgressBarProgId.size());
  if (version.empty()) return true;
  return version.size() > 1 && version[0] == '.' &&
         version.find_first_not_of("0123456789", 1) == std::string_view::npos;
}

// Type tests open inside one another's expression at a time; more are not
// VB6 code and are passed over.
constexpr size_t kMaxOpenTypeTests = 8;
// Select Case blocks kept open at a time; deeper ones are counted, never
// taken for Select Case TypeName(...).
constexpr size_t kMaxOpenSelects = 64;

// Calls take(line, line_end) for each line of bytes, split as the
// file-system layer splits them.
template <typename Take>
void ForEachLine(std::string_view bytes, Take&& take) {
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = at;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    size_t next = end;
    if (next < bytes.size()) next += bytes.compare(next, 2, "\r\n") == 0 ? 2 : 1;
    take(bytes.substr(at, end - at), bytes.substr(end, next - end));
    at = next;
  }
}

}  // namespace

std::string_view CodeFindingFormName(CodeFindingForm form) {
  switch (form) {
    case CodeFindingForm::TypeTest:
      return "Typprüfung";
    case CodeFindingForm::Declaration:
      return "Deklaration";
    case CodeFindingForm::TypeName:
      return "Typname";
    case CodeFindingForm::String:
      break;
  }
  return "Zeichenfolge";
}

std::string_view CodeFindingFormKey(CodeFindingForm form) {
  switch (form) {
    case CodeFindingForm::TypeTest:
      return "type_test";
    case CodeFindingForm::Declaration:
      return "declaration";
    case CodeFindingForm::TypeName:
      return "type_name";
    case CodeFindingForm::String:
      break;
  }
  return "string";
}

std::string CodeFindingSuggestion(const CodeFinding& finding) {
  const std::string old_class(Split(OriginalClassOf(finding.kind)).name);
  const std::string new_class(Split(ReplacementClassOf(finding.kind)).name);
  switch (finding.form) {
    case CodeFindingForm::TypeTest:
      if (finding.fix == CodeFix::Mended)
        return "Typprüfung ist bereits um " + new_class + " ergänzt";
      if (finding.fix == CodeFix::Manual)
        return "Typprüfung von Hand um " + new_class + " ergänzen";
      return "Typprüfung um " + new_class + " ergänzen";
    case CodeFindingForm::Declaration:
      return "Typ prüfen: " + new_class + " oder Object";
    case CodeFindingForm::TypeName:
      return "Vergleich prüfen: die neue Klasse heißt " + new_class;
    case CodeFindingForm::String:
      break;
  }
  return "Prüfen, ob hier die Klasse " + old_class + " gemeint ist";
}

ReplacedKinds ReplacedKindsOf(const RewriteOptions& options) {
  ReplacedKinds kinds{};
  for (size_t i = 0; i < kinds.size(); ++i) kinds[i] = options.replace[i] == 1;
  return kinds;
}

class CodeScanner::State {
 public:
  explicit State(const CodeScanOptions& options) : options_(options) {
    for (size_t i = 0; i < 4; ++i) {
      old_[i] = Split(OriginalClassOf(static_cast<ControlKind>(i)));
      new_[i] = Split(ReplacementClassOf(static_cast<ControlKind>(i)));
    }
  }

  void TakeLine(std::string_view line);
  void PassOverLine();
  void Finish() { EndStatement(); }

  CodeScan scan;
  bool line_mended = false;
  std::string mended;

 private:
  enum class Section : uint8_t { Preamble, Designer, Attributes, Code };
  enum class Expect : uint8_t { Nothing, Declaration, TypeTest };
  // TypeName(...) = "CheckBox": the name, its arguments, their close, the
  // comparison, each awaiting the next.
  enum class TypeNameStep : uint8_t { None, Name, Arguments, Closed, Compared };
  // Controls.Add("VB.CheckBox", ...): the string after "Add" or "Add(".
  enum class AddStep : uint8_t { None, Add, Parenthesis };
  // A token remembered for Controls.Add.
  enum class Mark : uint8_t { Other, Point, Controls };

  // A TypeOf whose expression is still open.
  struct OpenTypeTest {
    int64_t line;
    size_t begin;  // "TypeOf" in its line
    size_t end;
    int64_t depth;       // parentheses open at its start
    bool parenthesized;  // "(" right before it in its line
    bool nested;         // its expression holds another TypeOf
  };
  struct ClassRef {
    std::string_view library;  // empty when not written
    std::string_view name;
    size_t next;  // the token behind it
  };
  struct Insert {
    size_t at;
    std::string text;
  };

  bool IsCodeLine(std::string_view line);
  size_t OnToken(size_t i);
  void OnString(const CodeToken& token);
  void SettlePending(const CodeToken& token, Word word);
  size_t OnClass(size_t i, const ClassRef& ref, ControlKind kind);
  bool FollowedByMendedHalf(size_t k, ControlKind kind, std::string_view expression) const;
  void EndStatement();
  void MendLine();

  std::string_view Text(const CodeToken& token) const {
    return line_.substr(token.begin, token.end - token.begin);
  }
  bool IsSymbol(size_t i, std::string_view symbol) const {
    return i < tokens_.size() && tokens_[i].type == Type::Symbol && Text(tokens_[i]) == symbol;
  }
  bool IsWord(size_t i, Word word) const {
    return i < tokens_.size() && tokens_[i].type == Type::Name && WordOf(Text(tokens_[i])) == word;
  }
  std::optional<ClassRef> ClassAt(size_t i) const;
  std::optional<ControlKind> ReplacedClass(const ClassRef& ref) const;
  std::optional<ControlKind> ReplacedClassString(std::string_view literal) const;
  CodeFinding Finding(ControlKind kind, CodeFindingForm form, size_t begin) const;
  size_t Report(CodeFinding finding);

  CodeScanOptions options_;
  ClassName old_[4];
  ClassName new_[4];

  Section section_ = Section::Preamble;
  int64_t designer_depth_ = 0;

  CodeLexer lexer_;
  std::string_view line_;  // the line being taken
  std::vector<CodeToken> tokens_;
  std::vector<Insert> inserts_;
  std::vector<size_t> mendable_findings_;  // of this line, npos for one not kept

  // The statement.
  size_t statement_tokens_ = 0;
  Word first_word_ = Word::Other;
  bool select_statement_ = false;
  bool select_on_type_name_ = false;
  bool case_statement_ = false;
  int64_t depth_ = 0;
  std::vector<OpenTypeTest> open_tests_;
  Expect expect_ = Expect::Nothing;
  bool after_new_ = false;
  OpenTypeTest tested_{};  // the type test whose "Is" came last
  size_t is_begin_ = 0;
  size_t is_end_ = 0;
  TypeNameStep type_name_ = TypeNameStep::None;
  int64_t type_name_depth_ = 0;
  AddStep add_ = AddStep::None;
  Mark last_ = Mark::Other;
  Mark before_last_ = Mark::Other;
  // A class name string waiting for "= TypeName": step 0 awaits the
  // comparison, step 1 the name.
  std::optional<CodeFinding> pending_;
  int pending_step_ = 0;

  // The Select Case blocks the statement is in: true for one on TypeName.
  std::vector<bool> selects_;
  int64_t selects_beyond_ = 0;
};

bool CodeScanner::State::IsCodeLine(std::string_view line) {
  if (section_ == Section::Code) return true;
  const std::string_view text = Trimmed(line);
  const std::string_view word = text.substr(0, text.find_first_of(" \t="));
  const bool header = options_.type != ModuleType::Module;
  switch (section_) {
    case Section::Preamble:
      if (text.empty() || (header && SameIgnoringCase(word, "VERSION")) ||
          (options_.type == ModuleType::Form && SameIgnoringCase(word, "Object"))) {
        return false;
      }
      if (header && SameIgnoringCase(word, "Begin")) {
        section_ = Section::Designer;
        designer_depth_ = 1;
        return false;
      }
      if (SameIgnoringCase(word, "Attribute")) {
        section_ = Section::Attributes;
        return false;
      }
      break;
    case Section::Designer:
      if (SameIgnoringCase(word, "Begin") || SameIgnoringCase(word, "BeginProperty")) {
        ++designer_depth_;
      } else if (SameIgnoringCase(text, "End") || SameIgnoringCase(word, "EndProperty")) {
        if (--designer_depth_ == 0) section_ = Section::Attributes;
      }
      return false;
    case Section::Attributes:
      if (SameIgnoringCase(word, "Attribute")) return false;
      break;
    case Section::Code:
      break;
  }
  section_ = Section::Code;
  scan.code_line = scan.lines;
  return true;
}

void CodeScanner::State::TakeLine(std::string_view line) {
  if (line.size() > options_.line_limit) {
    PassOverLine();
    return;
  }
  ++scan.lines;
  line_mended = false;
  if (!IsCodeLine(line)) return;
  line_ = line;
  lexer_.Lex(line, tokens_);
  for (size_t i = 0; i < tokens_.size();) i = OnToken(i);
  if (!lexer_.statement_continues()) EndStatement();
  MendLine();
  line_ = {};
}

void CodeScanner::State::PassOverLine() {
  ++scan.lines;
  ++scan.long_lines;
  line_mended = false;
  // Its text unknown, the line ends the header where a header line of
  // unknown text would; in code it ends the statement.
  if (section_ != Section::Designer && section_ != Section::Code) {
    section_ = Section::Code;
    scan.code_line = scan.lines;
  }
  if (section_ == Section::Code) {
    lexer_.Reset();
    EndStatement();
  }
}

size_t CodeScanner::State::OnToken(size_t i) {
  const CodeToken& token = tokens_[i];
  if (token.type == Type::Separator) {
    EndStatement();
    return i + 1;
  }
  const std::string_view text = Text(token);
  const Word word = token.type == Type::Name ? WordOf(text) : Word::Other;
  if (pending_) SettlePending(token, word);

  const size_t index = statement_tokens_++;
  if (index == 0) {
    first_word_ = word;
    case_statement_ = word == Word::Case;
  } else if (index == 1) {
    select_statement_ = first_word_ == Word::Select && word == Word::Case;
    if (first_word_ == Word::Case && word == Word::Else) case_statement_ = false;
    if (first_word_ == Word::End && word == Word::Select) {
      if (selects_beyond_ > 0) {
        --selects_beyond_;
      } else if (!selects_.empty()) {
        selects_.pop_back();
      }
    }
    if (first_word_ == Word::End &&
        (word == Word::Sub || word == Word::Function || word == Word::Property)) {
      // A procedure's end closes whatever a broken one left open.
      selects_.clear();
      selects_beyond_ = 0;
    }
  }

  if (expect_ != Expect::Nothing) {
    if (word == Word::New && expect_ == Expect::Declaration && !after_new_) {
      after_new_ = true;
      return i + 1;
    }
    const Expect expected = expect_;
    expect_ = Expect::Nothing;
    const std::optional<ClassRef> ref = ClassAt(i);
    const std::optional<ControlKind> kind = ref ? ReplacedClass(*ref) : std::nullopt;
    if (kind) {
      // The reference is used up: nothing else reads its tokens.
      type_name_ = TypeNameStep::None;
      add_ = AddStep::None;
      last_ = before_last_ = Mark::Other;
      if (expected == Expect::TypeTest) return OnClass(i, *ref, *kind);
      Report(Finding(*kind, CodeFindingForm::Declaration, token.begin));
      return ref->next;
    }
  }

  if (token.type == Type::String) OnString(token);

  if (text == "(") ++depth_;
  if (text == ")") {
    --depth_;
    while (!open_tests_.empty() && open_tests_.back().depth > depth_) open_tests_.pop_back();
  }
  if (text == ",") {
    while (!open_tests_.empty() && open_tests_.back().depth == depth_) open_tests_.pop_back();
  }
  switch (type_name_) {
    case TypeNameStep::Name:
      type_name_ = text == "(" ? TypeNameStep::Arguments : TypeNameStep::None;
      type_name_depth_ = depth_ - 1;
      break;
    case TypeNameStep::Arguments:
      if (text == ")" && depth_ == type_name_depth_) type_name_ = TypeNameStep::Closed;
      break;
    case TypeNameStep::Closed:
      type_name_ = text == "=" || text == "<>" ? TypeNameStep::Compared : TypeNameStep::None;
      break;
    case TypeNameStep::Compared:
      type_name_ = TypeNameStep::None;
      break;
    case TypeNameStep::None:
      break;
  }
  add_ = add_ == AddStep::Add && text == "(" ? AddStep::Parenthesis : AddStep::None;

  switch (word) {
    case Word::As:
      expect_ = Expect::Declaration;
      after_new_ = false;
      break;
    case Word::TypeOf:
      for (OpenTypeTest& open : open_tests_) open.nested = true;
      if (open_tests_.size() < kMaxOpenTypeTests) {
        open_tests_.push_back({static_cast<int64_t>(scan.lines), token.begin, token.end, depth_,
                               IsSymbol(i - 1, "("), false});
      }
      break;
    case Word::Is:
      if (!open_tests_.empty() && open_tests_.back().depth == depth_) {
        tested_ = open_tests_.back();
        open_tests_.pop_back();
        is_begin_ = token.begin;
        is_end_ = token.end;
        expect_ = Expect::TypeTest;
      }
      break;
    case Word::TypeName:
      type_name_ = TypeNameStep::Name;
      if (select_statement_) select_on_type_name_ = true;
      break;
    case Word::Add:
      if (last_ == Mark::Point && before_last_ == Mark::Controls) add_ = AddStep::Add;
      break;
    default:
      break;
  }
  before_last_ = last_;
  last_ = word == Word::Controls ? Mark::Controls : text == "." ? Mark::Point : Mark::Other;
  return i + 1;
}

void CodeScanner::State::OnString(const CodeToken& token) {
  const std::optional<ControlKind> kind = ReplacedClassString(Text(token));
  if (!kind) return;
  const bool type_name =
      type_name_ == TypeNameStep::Compared || add_ != AddStep::None ||
      (case_statement_ && !selects_.empty() && selects_beyond_ == 0 && selects_.back());
  if (type_name) {
    Report(Finding(*kind, CodeFindingForm::TypeName, token.begin));
    return;
  }
  // "CheckBox" = TypeName(x) shows what the string is only two tokens on.
  pending_ = Finding(*kind, CodeFindingForm::String, token.begin);
  pending_step_ = 0;
}

void CodeScanner::State::SettlePending(const CodeToken& token, Word word) {
  const std::string_view text = Text(token);
  if (pending_step_ == 0 && token.type == Type::Symbol && (text == "=" || text == "<>")) {
    pending_step_ = 1;
    return;
  }
  if (pending_step_ == 1 && word == Word::TypeName) pending_->form = CodeFindingForm::TypeName;
  Report(std::move(*pending_));
  pending_.reset();
}

// A replaced class behind a type test's "Is", the reference at token i.
size_t CodeScanner::State::OnClass(size_t i, const ClassRef& ref, ControlKind kind) {
  CodeFinding finding = Finding(kind, CodeFindingForm::TypeTest, tokens_[i].begin);
  const OpenTypeTest& test = tested_;
  // Mended only where "TypeOf x Is Class" stands on this one line, so the
  // expression can be written a second time as it is.
  const bool one_line = test.line == scan.lines;
  const std::string_view expression =
      one_line ? Trimmed(line_.substr(test.end, is_begin_ - test.end)) : std::string_view();
  if (!one_line || test.nested || expression.empty()) {
    finding.fix = CodeFix::Manual;
  } else if (test.parenthesized && FollowedByMendedHalf(ref.next, kind, expression)) {
    finding.fix = CodeFix::Mended;
  } else {
    // The expression is evaluated twice in the mended test; VB6 evaluates
    // both sides of Or anyway, and an expression with side effects in a
    // type test is rare.
    finding.fix = CodeFix::Mendable;
    inserts_.push_back({test.begin, "("});
    std::string tail = " Or ";
    tail.append(line_.substr(test.begin, test.end - test.begin));
    tail.append(" ").append(expression).append(" ");
    tail.append(line_.substr(is_begin_, is_end_ - is_begin_));
    tail.append(" ").append(ReplacementClassOf(kind)).append(")");
    inserts_.push_back({tokens_[ref.next - 1].end, std::move(tail)});
  }
  const bool mendable = finding.fix == CodeFix::Mendable;
  const size_t kept = Report(std::move(finding));
  if (mendable) mendable_findings_.push_back(kept);
  return ref.next;
}

// "Or TypeOf <expression> Is [qorXPControls.]qorCheck)" from token k on,
// the second half of a mended test.
bool CodeScanner::State::FollowedByMendedHalf(size_t k, ControlKind kind,
                                              std::string_view expression) const {
  if (!IsWord(k, Word::Or) || !IsWord(k + 1, Word::TypeOf)) return false;
  int64_t depth = 0;
  size_t is = k + 2;
  for (; is < tokens_.size(); ++is) {
    if (tokens_[is].type == Type::Separator) return false;
    if (IsSymbol(is, "(")) ++depth;
    if (IsSymbol(is, ")") && --depth < 0) return false;
    if (depth == 0 && IsWord(is, Word::Is)) break;
  }
  if (is >= tokens_.size()) return false;
  const size_t from = tokens_[k + 1].end;
  if (Trimmed(line_.substr(from, tokens_[is].begin - from)) != expression) return false;
  const std::optional<ClassRef> ref = ClassAt(is + 1);
  const ClassName& replacement = new_[static_cast<size_t>(kind)];
  return ref && (ref->library.empty() || SameIgnoringCase(ref->library, replacement.library)) &&
         SameIgnoringCase(ref->name, replacement.name) && IsSymbol(ref->next, ")");
}

void CodeScanner::State::EndStatement() {
  if (pending_) {
    Report(std::move(*pending_));
    pending_.reset();
  }
  if (select_statement_) {
    if (selects_.size() < kMaxOpenSelects && selects_beyond_ == 0) {
      selects_.push_back(select_on_type_name_);
    } else {
      ++selects_beyond_;
    }
  }
  statement_tokens_ = 0;
  first_word_ = Word::Other;
  select_statement_ = false;
  select_on_type_name_ = false;
  case_statement_ = false;
  depth_ = 0;
  open_tests_.clear();
  expect_ = Expect::Nothing;
  type_name_ = TypeNameStep::None;
  add_ = AddStep::None;
  last_ = Mark::Other;
  before_last_ = Mark::Other;
}

void CodeScanner::State::MendLine() {
  if (inserts_.empty()) return;
  size_t size = line_.size();
  for (const Insert& insert : inserts_) size += insert.text.size();
  if (size > std::min(kLongestCodeLine, options_.line_limit)) {
    // All of the line's tests or none: the line stays as it was.
    for (size_t kept : mendable_findings_) {
      if (kept != std::string::npos) scan.findings[kept].fix = CodeFix::Manual;
    }
  } else {
    // A test's tail and the next test's "(" never share a place in code
    // that compiles; where they do, the tail, inserted first, goes first.
    std::stable_sort(inserts_.begin(), inserts_.end(),
                     [](const Insert& a, const Insert& b) { return a.at < b.at; });
    mended.clear();
    size_t copied = 0;
    for (const Insert& insert : inserts_) {
      mended.append(line_.substr(copied, insert.at - copied)).append(insert.text);
      copied = insert.at;
    }
    mended.append(line_.substr(copied));
    line_mended = true;
    scan.mendable += static_cast<int64_t>(mendable_findings_.size());
  }
  inserts_.clear();
  mendable_findings_.clear();
}

// A class reference at token i: a name, or a library, a point and a name
// written together ("VB.CheckBox"). A longer dotted name is none.
std::optional<CodeScanner::State::ClassRef> CodeScanner::State::ClassAt(size_t i) const {
  auto joined = [this](size_t a) {
    return a + 1 < tokens_.size() && tokens_[a].end == tokens_[a + 1].begin;
  };
  if (i >= tokens_.size() || tokens_[i].type != Type::Name) return std::nullopt;
  if (!joined(i) || !IsSymbol(i + 1, ".")) return ClassRef{{}, Text(tokens_[i]), i + 1};
  if (!joined(i + 1) || tokens_[i + 2].type != Type::Name) return std::nullopt;
  if (joined(i + 2) && IsSymbol(i + 3, ".")) return std::nullopt;
  return ClassRef{Text(tokens_[i]), Text(tokens_[i + 2]), i + 3};
}

std::optional<ControlKind> CodeScanner::State::ReplacedClass(const ClassRef& ref) const {
  for (size_t k = 0; k < 4; ++k) {
    if (options_.kinds[k] && SameIgnoringCase(ref.name, old_[k].name) &&
        (ref.library.empty() || SameIgnoringCase(ref.library, old_[k].library))) {
      return static_cast<ControlKind>(k);
    }
  }
  return std::nullopt;
}

// Compared without regard to case: a string compare in VB6 is exact unless
// the module says Option Compare Text, but "CHECKBOX" in code that
// upper-cases TypeName's result names the class just as well.
std::optional<ControlKind> CodeScanner::State::ReplacedClassString(std::string_view literal) const {
  if (literal.size() < 2 || literal.back() != '"') return std::nullopt;  // never closed
  const std::string_view text = literal.substr(1, literal.size() - 2);
  for (size_t k = 0; k < 4; ++k) {
    if (!options_.kinds[k]) continue;
    const ControlKind kind = static_cast<ControlKind>(k);
    if (SameIgnoringCase(text, old_[k].name) || SameIgnoringCase(text, OriginalClassOf(kind)) ||
        (kind == ControlKind::ProgressBar && IsProgressBarProgId(text))) {
      return kind;
    }
  }
  return std::nullopt;
}

CodeFinding CodeScanner::State::Finding(ControlKind kind, CodeFindingForm form,
                                        size_t begin) const {
  CodeFinding finding;
  finding.line = scan.lines;
  finding.column = static_cast<int64_t>(begin) + 1;
  finding.kind = kind;
  finding.form = form;
  finding.text.assign(line_.substr(0, kFindingTextLimit));
  return finding;
}

// The finding's place in scan.findings; npos when it was only counted.
size_t CodeScanner::State::Report(CodeFinding finding) {
  if (scan.findings.size() >= options_.finding_limit) {
    ++scan.more_findings;
    return std::string::npos;
  }
  scan.findings.push_back(std::move(finding));
  return scan.findings.size() - 1;
}

CodeScanner::CodeScanner(const CodeScanOptions& options)
    : state_(std::make_unique<State>(options)) {}

CodeScanner::~CodeScanner() = default;

void CodeScanner::TakeLine(std::string_view line) {
  state_->TakeLine(line);
}

void CodeScanner::PassOverLine() {
  state_->PassOverLine();
}

void CodeScanner::Finish() {
  state_->Finish();
}

bool CodeScanner::line_mended() const {
  return state_->line_mended;
}

const std::string& CodeScanner::mended_line() const {
  return state_->mended;
}

const CodeScan& CodeScanner::scan() const {
  return state_->scan;
}

CodeScan CodeScanner::TakeScan() {
  return std::move(state_->scan);
}

CodeScan ScanCodeText(std::string_view bytes, const CodeScanOptions& options) {
  CodeScanner scanner(options);
  ForEachLine(bytes,
              [&scanner](std::string_view line, std::string_view) { scanner.TakeLine(line); });
  scanner.Finish();
  return scanner.TakeScan();
}

namespace {

// Hands input's lines from its position to its end to a scanner, and with
// output given writes each there: as the scanner mended it or as it was,
// with the line end it had. A line over the limit is passed over; its bytes
// go to output piece by piece as they are.
CodeScan PassCode(InputFile& input, OutputFile* output, const CodeScanOptions& options,
                  RewriteLog* log) {
  CodeScanner scanner(options);
  const size_t limit = options.line_limit;
  std::string line;
  std::string piece;
  while (!input.AtEnd()) {
    // At most one byte more than the limit is kept: enough to know a line
    // is too long, whose rest is then read piece by piece.
    line.clear();
    bool ended = false;
    while (!ended && line.size() <= limit) {
      const size_t room = limit - line.size() + 1;
      ended = input.ReadLinePiece(piece, room == 0 ? limit : room);
      line.append(piece);
    }
    if (line.size() <= limit) {
      scanner.TakeLine(line);
      if (output != nullptr) {
        output->Write(scanner.line_mended() ? std::string_view(scanner.mended_line())
                                            : std::string_view(line));
        output->Write(LineEndBytes(input.LastLineEnd()));
      }
      if (log != nullptr && scanner.line_mended()) {
        log->Note(RewriteLog::Edit::kRemoved);
        log->Note(RewriteLog::Edit::kAdded);
      } else if (log != nullptr) {
        log->Note(RewriteLog::Edit::kKept);
      }
      continue;
    }
    if (output != nullptr) output->Write(line);
    while (!ended) {
      ended = input.ReadLinePiece(piece, kLinePieceSize);
      if (output != nullptr) output->Write(piece);
    }
    if (output != nullptr) output->Write(LineEndBytes(input.LastLineEnd()));
    if (log != nullptr) log->Note(RewriteLog::Edit::kKept);
    scanner.PassOverLine();
  }
  scanner.Finish();
  return scanner.TakeScan();
}

}  // namespace

CodeScan ScanCodeInput(InputFile& input, const CodeScanOptions& options) {
  return PassCode(input, nullptr, options, nullptr);
}

CodeScan MendCodeInput(InputFile& input, OutputFile& output, const CodeScanOptions& options,
                       RewriteLog* log) {
  return PassCode(input, &output, options, log);
}

CodeScan ScanCodeFile(FileSystem& fs, const std::string& path, const CodeScanOptions& options) {
  std::unique_ptr<InputFile> input = fs.OpenInput(path);
  CodeScan scan = ScanCodeInput(*input, options);
  input->Close();
  return scan;
}

std::string MendCodeText(std::string_view bytes, const CodeScanOptions& options, CodeScan* scan) {
  CodeScanner scanner(options);
  std::string mended;
  mended.reserve(bytes.size());
  ForEachLine(bytes, [&](std::string_view line, std::string_view line_end) {
    scanner.TakeLine(line);
    mended.append(scanner.line_mended() ? std::string_view(scanner.mended_line()) : line);
    mended.append(line_end);
  });
  scanner.Finish();
  if (scan != nullptr) *scan = scanner.TakeScan();
  return mended;
}

}  // namespace xpconv

// Finds the code lines of a module that name a class the conversion
// replaces (a check box of the form becomes a qorCheck, and
// "TypeOf x Is CheckBox" turns False for it), and mends the type tests,
// which can be mended without changing the program's meaning:
//
//   If TypeOf .Controls(i) Is CheckBox Then
//   If (TypeOf .Controls(i) Is CheckBox Or TypeOf .Controls(i) Is qorXPControls.qorCheck) Then
//
// The mended test is true for the old and the new control alike, so the
// code keeps its meaning whether or not every control was converted. The
// new class is written with its library, as the form rewriter writes it:
// that name means our control whatever else the project defines or
// references. Declarations and class names in strings are only reported:
// their right form depends on which controls the code receives.
//
// A module is read once, line by line, in bounded memory: the scanner keeps
// one physical line and a small state of the statement it is in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/form_rewriter.h"

namespace xpconv {

// How a module's code is preceded. Form: a .frm, .ctl, .pag or .dob, whose
// code follows its designer block (Begin ... End) and its Attribute lines.
// Class: a .cls, after its VERSION / BEGIN ... END header and Attribute
// lines. Module: a .bas, after its Attribute lines.
enum class ModuleType : uint8_t { Form, Class, Module };

enum class CodeFindingForm : uint8_t {
  TypeTest,     // TypeOf x Is CheckBox
  Declaration,  // As CheckBox, As VB.Frame, As New ... (variables, parameters, results)
  TypeName,     // TypeName(x) = "CheckBox", Case "CheckBox" under Select Case TypeName(x),
                // Controls.Add("VB.CheckBox", ...)
  String,       // any other string literal that is exactly the class name
};

// What the fix does with a finding. Only type tests are ever mended.
enum class CodeFix : uint8_t {
  None,      // not a type test: reported, never rewritten
  Mendable,  // the fix mends it
  Mended,    // already of the mended form: the fix leaves it
  Manual,    // a type test the fix cannot mend: its parts stand on several
             // lines, its expression holds another type test, or the mended
             // line would be longer than the development environment allows
};

struct CodeFinding {
  int64_t line = 0;    // the physical line in the whole file, from 1
  int64_t column = 0;  // the byte in that line, from 1, where the class is
                       // named: its library when written ("VB.CheckBox"),
                       // the opening quote of a string
  ControlKind kind = ControlKind::Frame;
  CodeFindingForm form = CodeFindingForm::TypeTest;
  CodeFix fix = CodeFix::None;
  std::string text;  // the physical line without its line end (its first
                     // kFindingTextLimit bytes)
};

// German, as shown to the user: "Typprüfung", "Deklaration", "Typname",
// "Zeichenfolge".
std::string_view CodeFindingFormName(CodeFindingForm form);
// A stable key for machine-read output: "type_test", "declaration",
// "type_name", "string".
std::string_view CodeFindingFormKey(CodeFindingForm form);
// What the user should do about the finding, in German, naming the new
// class ("Typ prüfen: qorCheck oder Object").
std::string CodeFindingSuggestion(const CodeFinding& finding);

// The kinds a run replaces, indexed like ControlKind.
using ReplacedKinds = std::array<bool, 4>;
// The kinds whose option is exactly 1, as the form rewriter decides.
ReplacedKinds ReplacedKindsOf(const RewriteOptions& options);

// A line longer than this is not VB6 code (the development environment
// holds 1023 characters per line): it is passed over, counted, and the
// statement state starts afresh behind it.
inline constexpr size_t kCodeLineLimit = 64 * 1024;
// A mended line may be no longer than the development environment allows.
inline constexpr size_t kLongestCodeLine = 1023;
// Kept of a finding's line.
inline constexpr size_t kFindingTextLimit = 4096;
// Findings kept per module; the rest are only counted.
inline constexpr size_t kFindingLimit = 10000;

struct CodeScanOptions {
  ModuleType type = ModuleType::Module;
  ReplacedKinds kinds{true, true, true, true};
  size_t line_limit = kCodeLineLimit;
  size_t finding_limit = kFindingLimit;
};

struct CodeScan {
  std::vector<CodeFinding> findings;  // in the order of the file
  int64_t more_findings = 0;          // found beyond the limit, not kept
  int64_t mendable = 0;               // type tests the fix mends
  int64_t lines = 0;                  // physical lines read
  int64_t code_line = 0;              // the first line of code; 0 when there is none
  int64_t long_lines = 0;             // lines over the limit, passed over
};

// Takes a module's physical lines in order and finds what they name. Lines
// come without their line ends; writing them back, with the fix or
// without, is the caller's business.
class CodeScanner {
 public:
  explicit CodeScanner(const CodeScanOptions& options);
  ~CodeScanner();
  CodeScanner(const CodeScanner&) = delete;
  CodeScanner& operator=(const CodeScanner&) = delete;

  // The next physical line. A line over the limit counts as passed over.
  void TakeLine(std::string_view line);
  // A line over the limit that the caller did not keep.
  void PassOverLine();
  // The module's end: settles a string finding that waited for what
  // follows it (the "=" and TypeName of "CheckBox" = TypeName(x)).
  void Finish();

  // After TakeLine: the line with its type tests mended, when the fix
  // changes it; otherwise the caller writes the line as it was.
  bool line_mended() const;
  const std::string& mended_line() const;

  // What has been found so far; findings are appended as soon as they are
  // certain, all of them after Finish.
  const CodeScan& scan() const;
  // Hands the scan over, after Finish; the scanner is done with then.
  CodeScan TakeScan();

 private:
  class State;
  std::unique_ptr<State> state_;
};

// Scans a module from memory; its lines end as the file-system layer's do
// (CR LF, LF or CR).
CodeScan ScanCodeText(std::string_view bytes, const CodeScanOptions& options);
// Scans what input holds from its position to its end, line by line.
CodeScan ScanCodeInput(InputFile& input, const CodeScanOptions& options);
// Scans what input holds from its position to its end and writes it to
// output, every mendable type test mended and every other byte as it was:
// each line with the line end it had, a line over the limit unchanged. One
// line (up to the limit) in memory at a time. log, when given, is told of
// each line: kept, or removed and added when it was mended.
CodeScan MendCodeInput(InputFile& input, OutputFile& output, const CodeScanOptions& options,
                       RewriteLog* log = nullptr);
// Opens, scans and closes the module at path. The file system's errors
// (53 "Datei nicht gefunden", ...) pass to the caller.
CodeScan ScanCodeFile(FileSystem& fs, const std::string& path, const CodeScanOptions& options);
// bytes with every mendable type test mended, every other byte (line ends
// included) as it was. scan, when given, receives the findings of bytes.
std::string MendCodeText(std::string_view bytes, const CodeScanOptions& options,
                         CodeScan* scan = nullptr);

}  // namespace xpconv

#include "engine/code_scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/memory_files.h"

namespace xpconv {
namespace {

// "line:column class form [fix]" for each finding.
std::vector<std::string> Found(const CodeScan& scan) {
  static constexpr const char* kFix[] = {"", " mendable", " mended", " manual"};
  std::vector<std::string> found;
  for (const CodeFinding& f : scan.findings) {
    found.push_back(std::to_string(f.line) + ":" + std::to_string(f.column) + " " +
                    std::string(OriginalClassOf(f.kind)) + " " +
                    std::string(CodeFindingFormKey(f.form)) + kFix[static_cast<int>(f.fix)]);
  }
  return found;
}

CodeScanOptions Options(ModuleType type, ReplacedKinds kinds = {true, true, true, true}) {
  CodeScanOptions options;
  options.type = type;
  options.kinds = kinds;
  return options;
}

TEST(CodeScannerTest, FindsTheReplacedClassesInCodeOnly) {
  const struct {
    const char* code;
    std::vector<std::string> found;
    ReplacedKinds kinds = {true, true, true, true};
  } cases[] = {
      // Comments, Rem, strings and separators.
      {"' If TypeOf x Is CheckBox Then\nx = 1 ' Dim c As CheckBox\n' a _\nDim c As CheckBox", {}},
      {"Rem Dim c As Frame\nx = 1: REM As Frame\n10 Rem As Frame", {}},
      {"x = _\n  Rem: Dim c As Frame", {"2:17 VB.Frame declaration"}},
      {"Remark = 1: Dim c As Frame", {"1:22 VB.Frame declaration"}},
      {"s = \"a\"\"b\": Dim c As Frame\ns = \"it's\": Dim d As Frame",
       {"1:22 VB.Frame declaration", "2:22 VB.Frame declaration"}},
      {"x = \"a _\nDim c As Frame", {"2:10 VB.Frame declaration"}},
      {"MsgBox \"Frame 1\" & \"the CheckBox\"\n' the CheckBox", {}},
      // Whole names, letter case, libraries.
      {"Dim a As CheckBoxes, b As MyCheckBox, chkCheckBox As Object, d As Other.CheckBox\n"
       "Dim e As \304CheckBox, f As CheckBox\344, p As ComctlLib.ProgressBar, g As VB.Frame.Child",
       {}},
      {"dim c as checkbox\nDim p As MSComctlLib.ProgressBar",
       {"1:10 VB.CheckBox declaration", "2:10 MSComctlLib.ProgressBar declaration"}},
      // Declarations of every kind.
      {"Private WithEvents chk As VB.CheckBox\n"
       "Public Function Pick(Optional x As Frame) As OptionButton",
       {"1:27 VB.CheckBox declaration", "2:36 VB.Frame declaration",
        "2:46 VB.OptionButton declaration"}},
      {"Dim a() As Frame, n As New CheckBox",
       {"1:12 VB.Frame declaration", "1:28 VB.CheckBox declaration"}},
      {"Private Sub Fill(ByVal a As Long, _\n    chkContaGrupo As CheckBox)",
       {"2:22 VB.CheckBox declaration"}},
      // Type tests.
      {"If TypeOf .Controls(i) Is CheckBox Then", {"1:27 VB.CheckBox type_test mendable"}},
      {"If TYPEOF x IS vb.CHECKBOX Then", {"1:16 VB.CheckBox type_test mendable"}},
      {"If TypeOf Me.Controls(Idx(i, (j))) Is OptionButton Then",
       {"1:39 VB.OptionButton type_test mendable"}},
      {"If TypeOf Controls(\"a)b\") Is Frame Then", {"1:30 VB.Frame type_test mendable"}},
      {"If TypeOf Controls( _\n  i) Is CheckBox Then", {"2:9 VB.CheckBox type_test manual"}},
      {"If TypeOf x Is _\n  CheckBox Then", {"2:3 VB.CheckBox type_test manual"}},
      {"If TypeOf x Is TextBox Or TypeOf x Is Label Or x Is Nothing Then", {}},
      // Class names as strings.
      {"If TypeName(ctl) = \"CheckBox\" Then\nIf \"OptionButton\" <> TypeName(Controls(i)) Then",
       {"1:20 VB.CheckBox type_name", "2:4 VB.OptionButton type_name"}},
      {"If \"CheckBox\" = _\n  TypeName(c) Then", {"1:4 VB.CheckBox type_name"}},
      {"Set c = Controls.Add(\"VB.CheckBox\", \"chkNeu\")\n"
       "Me.Controls.Add \"MSComctlLib.ProgCtrl.2\", \"pb\"",
       {"1:22 VB.CheckBox type_name", "2:17 MSComctlLib.ProgressBar type_name"}},
      {"Select Case TypeName(ctl)\nCase \"CheckBox\", \"OptionButton\"\n"
       "  Select Case s\n  Case \"Frame\"\n  End Select\n"
       "Case \"Frame\": x = \"Frame\"\nEnd Select\nCase \"Frame\"",
       {"2:6 VB.CheckBox type_name", "2:18 VB.OptionButton type_name", "4:8 VB.Frame string",
        "6:6 VB.Frame type_name", "6:19 VB.Frame string", "8:6 VB.Frame string"}},
      {"s = \"checkbox\" & \"VB.Frame\" & \"CheckBox \" & \"Check\" & \"MSComctlLib.ProgCtrl.x\"",
       {"1:5 VB.CheckBox string", "1:18 VB.Frame string"}},
      {"Dim c As CheckBox, f As Frame: If TypeOf c Is CheckBox Then",
       {"1:25 VB.Frame declaration"},
       {true, false, true, true}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Found(ScanCodeText(c.code, Options(ModuleType::Module, c.kinds))), c.found) << c.code;
  }
}

TEST(CodeScannerTest, MendsTypeTestsAndNothingElseOnce) {
  const struct {
    std::string code;
    std::string mended;  // empty: left as it is
  } cases[] = {
      {"If TypeOf .Controls(i) Is CheckBox Then",
       "If (TypeOf .Controls(i) Is CheckBox Or TypeOf .Controls(i) Is qorXPControls.qorCheck) "
       "Then"},
      {"If typeof  x  is VB.checkbox _\r\n  And y Then",
       "If (typeof  x  is VB.checkbox Or typeof x is qorXPControls.qorCheck) _\r\n  And y Then"},
      {"If Not TypeOf x Is MSComctlLib.ProgressBar Then\n",
       "If Not (TypeOf x Is MSComctlLib.ProgressBar Or TypeOf x Is qorXPControls.qorProgressBar) "
       "Then\n"},
      {"If Not (TypeOf c(i) Is OptionButton) Or c(i) Then 'OptionButton\r",
       "If Not ((TypeOf c(i) Is OptionButton Or TypeOf c(i) Is qorXPControls.qorOption)) Or c(i) "
       "Then 'OptionButton\r"},
      {"b = TypeOf a Is Frame And TypeOf c(\"x\") Is Frame",
       "b = (TypeOf a Is Frame Or TypeOf a Is qorXPControls.qorFrame) And "
       "(TypeOf c(\"x\") Is Frame Or TypeOf c(\"x\") Is qorXPControls.qorFrame)"},
      {"If TypeOf IIf(TypeOf a Is Frame, b, c) Is Frame Then",
       "If TypeOf IIf((TypeOf a Is Frame Or TypeOf a Is qorXPControls.qorFrame), b, c) Is Frame "
       "Then"},
      // Left as they are.
      {"If (TypeOf x Is CheckBox Or TypeOf x Is qorCheck) Then", ""},
      {"If TypeOf Controls( _\n  i) Is CheckBox Then\r\nDim c As CheckBox\n' TypeOf x Is Frame",
       ""},
      {"If TypeName(c) = \"CheckBox\" Or TypeOf x Is TextBox Then", ""},
      {"If TypeOf x Is CheckBox Then '" + std::string(1000, '-'), ""},
  };
  for (const auto& c : cases) {
    const std::string expected = c.mended.empty() ? c.code : c.mended;
    const std::string once = MendCodeText(c.code, Options(ModuleType::Module));
    EXPECT_EQ(once, expected) << c.code;
    EXPECT_EQ(MendCodeText(once, Options(ModuleType::Module)), once) << c.code;
  }
}

TEST(CodeScannerTest, ReadsCodeOnlyAfterTheModulesHeader) {
  const struct {
    ModuleType type;
    std::string text;
    int64_t code_line;
    std::vector<std::string> found;
  } cases[] = {
      {ModuleType::Form,
       "VERSION 5.00\r\nObject = \"{831FDD16-0C5C}#2.0#0\"; \"MSCOMCTL.OCX\"\r\n"
       "Begin VB.Form frmKunde \r\n   Caption = \"CheckBox\"\r\n   BeginProperty Font \r\n"
       "      Name = \"End\"\r\n   EndProperty\r\n   Begin VB.CheckBox chk \r\n   End\r\nEnd\r\n"
       "Attribute VB_Name = \"frmKunde\"\r\nAttribute VB_Exposed = False\r\nOption Explicit\r\n"
       "Dim c As CheckBox\r\n",
       13,
       {"14:10 VB.CheckBox declaration"}},
      {ModuleType::Class,
       "VERSION 1.0 CLASS\nBEGIN\n  MultiUse = -1  'True\nEND\nAttribute VB_Name = \"CFoo\"\n"
       "Private m As VB.Frame\n",
       6,
       {"6:14 VB.Frame declaration"}},
      {ModuleType::Module,
       "Attribute VB_Name = \"basStart\"\nPublic gChk As CheckBox",
       2,
       {"2:16 VB.CheckBox declaration"}},
      {ModuleType::Module, "Begin\n  x = \"Frame\"\nEnd", 1, {"2:7 VB.Frame string"}},
  };
  for (const auto& c : cases) {
    const CodeScan scan = ScanCodeText(c.text, Options(c.type));
    EXPECT_EQ(scan.code_line, c.code_line) << c.text;
    EXPECT_EQ(Found(scan), c.found) << c.text;
  }
}

TEST(CodeScannerTest, StreamsAnyLineInBoundedPiecesAndPassesOverLongOnes) {
  const std::string text = "Dim a As Frame\r\nx = \"" + std::string(300, 'z') +
                           "\": Dim b As Frame _\nDim c As Frame\rDim d As Frame";
  CodeScanOptions options = Options(ModuleType::Module);
  options.line_limit = 100;
  // The long line's own findings are passed over, and the statement ends
  // with it, its " _" unseen.
  const std::vector<std::string> expected = {
      "1:10 VB.Frame declaration", "3:10 VB.Frame declaration", "4:10 VB.Frame declaration"};
  for (size_t piece : {size_t{1}, size_t{7}, size_t{100}, SIZE_MAX}) {
    testing::MemoryInputFile input(text, piece);
    const CodeScan scan = ScanCodeInput(input, options);
    EXPECT_EQ(Found(scan), expected) << piece;
    EXPECT_EQ(scan.lines, 4);
    EXPECT_EQ(scan.long_lines, 1);
  }
  EXPECT_EQ(Found(ScanCodeText(text, options)), expected);
  EXPECT_EQ(MendCodeText(text, options), text);

  options.finding_limit = 1;
  const CodeScan capped = ScanCodeText("Dim a As Frame, b As Frame, c As Frame", options);
  EXPECT_EQ(capped.findings.size(), 1u);
  EXPECT_EQ(capped.more_findings, 2);
}

}  // namespace
}  // namespace xpconv

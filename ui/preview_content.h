// What the preview window shows and offers, apart from how it is found: the
// rows of a preview run, the changes of one row's file as the patch shows
// them, and the two files the window saves. The wizard fills it from the
// engine's preview (wizard_preview.h); tests give their own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xpconv::ui {

// One row of the preview's list. Texts are UTF-8.
struct PreviewRow {
  enum class Kind { kEntry, kProjectFile, kQuestion };
  Kind kind = Kind::kEntry;
  std::string number;   // as the list counts the entries; empty for the other rows
  std::string file;     // the entry as the project file has it, the project file's name,
                        // or "Rückfrage"
  std::string outcome;  // "wird konvertiert", "unverändert", "Fehler 53: ...", the question
  // The headers a run replaces per kind (Frame, CheckBox, OptionButton,
  // ProgressBar); empty where the row converts nothing.
  std::array<std::string, 4> replaced;
};

// The changes of one file as the patch shows them, a line at a time without
// line ends (UTF-8), and what was left out.
struct DiffText {
  enum class Kind { kFileHeader, kHunkHeader, kContext, kRemoved, kAdded, kNoNewline };
  struct Line {
    Kind kind;
    std::string text;
  };
  std::vector<Line> lines;
  // Set when the patch goes on beyond the lines: it says how much follows.
  std::string more;
};

// The most lines the window shows of one file's changes: the first changes
// of a form of any size show at once, and the window says how many follow.
inline constexpr size_t kMostDiffLines = 2000;
// Of a very long line (a binary file listed as a form) the window shows the
// start.
inline constexpr size_t kMostDiffLineBytes = 1000;

// A line of the project's code that names a class a run replaces, or a
// note about a module whose code could not be read. Texts are UTF-8.
struct CodeLine {
  std::string file;   // the module as the project file names it
  std::string line;   // the line's number; empty for a note
  std::string text;   // the line without its indent, or the note
  std::string about;  // what the line names and how: "Typprüfung, CheckBox"
};

// What the preview found.
struct PreviewFacts {
  std::string project_path;  // the project file, ANSI, as the wizard names it
  std::string project_name;  // the project file's bare name, UTF-8
  std::string summary;       // "Ein Lauf würde 3 Datei(en) aktualisieren." and the like
  std::vector<PreviewRow> rows;
  // The project's code lines that name a class the run replaces, in the
  // project file's order; empty when there are none (the window then has
  // no part for them).
  std::vector<CodeLine> code;
  // What code holds, in a few words: "5 Zeile(n) in 2 Datei(en)".
  std::string code_count;
};

class PreviewContent {
 public:
  PreviewContent() = default;
  PreviewContent(const PreviewContent&) = delete;
  PreviewContent& operator=(const PreviewContent&) = delete;
  virtual ~PreviewContent() = default;

  virtual const PreviewFacts& Facts() const = 0;
  // The changes of the file of rows[row], at most kMostDiffLines lines;
  // nothing for a row that changes no file. Raises VbError.
  virtual DiffText DiffOf(size_t row) = 0;
  // The report `xpconvert run --dry-run --report` writes for the same
  // project and options: JSON when path (ANSI) ends in ".json", CSV
  // otherwise. Raises VbError.
  virtual void SaveReport(const std::string& path) = 0;
  // The patch `xpconvert run --dry-run --diff` writes, byte for byte.
  // Raises VbError.
  virtual void SavePatch(const std::string& path) = 0;
};

}  // namespace xpconv::ui

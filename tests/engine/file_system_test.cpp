#include "engine/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/file_system_detail.h"
#include "tests/support/error_of.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#endif

namespace xpconv {
namespace {

using fs_detail::kBufferSize;
using testing::ErrorOf;
using testing::FaultyFileSystem;
using testing::TempDir;

struct Line {
  std::string text;
  int64_t position;
  bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << "{" << line.text.size() << " bytes \"" << line.text.substr(0, 20) << "\" @"
             << line.position << "}";
}

// The lines of bytes as the reader must hand them out, with the position
// after each: an independent, byte-at-a-time statement of the line rules.
std::vector<Line> ExpectedLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    std::string text;
    while (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') text += bytes[i++];
    if (i < bytes.size() && bytes[i] == '\r') {
      ++i;
      if (i < bytes.size() && bytes[i] == '\n') ++i;
    } else if (i < bytes.size()) {
      ++i;
    }
    lines.push_back({text, static_cast<int64_t>(i)});
  }
  return lines;
}

class FileSystemTest : public ::testing::Test {
 protected:
  std::vector<Line> ReadLines(const std::string& bytes) {
    dir.WriteFile("in.txt", bytes);
    std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("in.txt"));
    EXPECT_EQ(in->Length(), static_cast<int64_t>(bytes.size()));
    std::vector<Line> lines;
    // Each line with the line end the reader says it had gives back the
    // file byte for byte.
    std::string rejoined;
    while (!in->AtEnd()) {
      std::string text = in->ReadLine();
      rejoined.append(text).append(LineEndBytes(in->LastLineEnd()));
      lines.push_back({text, in->Position()});
    }
    EXPECT_EQ(rejoined, bytes);
    EXPECT_EQ(ErrorOf([&] { in->ReadLine(); }), err::kInputPastEnd);
    in->Close();
    return lines;
  }

  std::string Written(const std::function<void(OutputFile&)>& write) {
    std::unique_ptr<OutputFile> out = fs->OpenOutput(dir.Path("out.txt"));
    write(*out);
    out->Close();
    return dir.ReadFile("out.txt");
  }

  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
};

// ------------------------------------------------------------ reading ---

TEST_F(FileSystemTest, LinesEndAtCrLfLoneLfAndLoneCr) {
  EXPECT_EQ(ReadLines("a\r\nbb\nc\rd"),
            (std::vector<Line>{{"a", 3}, {"bb", 6}, {"c", 8}, {"d", 9}}));
  // A CR followed by CR LF is an empty line, not one line end.
  EXPECT_EQ(ReadLines("x\r\r\ny\n\nz"),
            (std::vector<Line>{{"x", 2}, {"", 4}, {"y", 6}, {"", 7}, {"z", 8}}));
}

TEST_F(FileSystemTest, FinalLineEndMakesNoExtraEmptyLine) {
  EXPECT_EQ(ReadLines("a\r\n"), (std::vector<Line>{{"a", 3}}));
  EXPECT_EQ(ReadLines("a\n"), (std::vector<Line>{{"a", 2}}));
  EXPECT_EQ(ReadLines("a\r"), (std::vector<Line>{{"a", 2}}));
  EXPECT_EQ(ReadLines("a\r\n\r\n"), (std::vector<Line>{{"a", 3}, {"", 5}}));
  EXPECT_EQ(ReadLines("\n"), (std::vector<Line>{{"", 1}}));
}

TEST_F(FileSystemTest, EmptyFileIsAtEndAndHasNoLine) {
  EXPECT_TRUE(ReadLines("").empty());
  dir.WriteFile("empty.txt", "");
  std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("empty.txt"));
  EXPECT_EQ(in->ReadAll(), "");
  EXPECT_EQ(in->Position(), 0);
}

TEST_F(FileSystemTest, CrLfSplitByTheBufferBoundaryIsOneLineEnd) {
  std::string head(kBufferSize - 1, 'x');
  EXPECT_EQ(ReadLines(head + "\r\nnext"),
            (std::vector<Line>{{head, static_cast<int64_t>(kBufferSize + 1)},
                               {"next", static_cast<int64_t>(kBufferSize + 5)}}));
  // A lone CR as the buffer's last byte: the next buffer starts a new line.
  EXPECT_EQ(ReadLines(head + "\ry\n"),
            (std::vector<Line>{{head, static_cast<int64_t>(kBufferSize)},
                               {"y", static_cast<int64_t>(kBufferSize + 2)}}));
  // A CR that is the file's last byte and the buffer's last byte.
  EXPECT_EQ(ReadLines(head + "\r"), (std::vector<Line>{{head, static_cast<int64_t>(kBufferSize)}}));
  // An empty line right behind the boundary.
  EXPECT_EQ(ReadLines(head + "\r\r"),
            (std::vector<Line>{{head, static_cast<int64_t>(kBufferSize)},
                               {"", static_cast<int64_t>(kBufferSize + 1)}}));
}

TEST_F(FileSystemTest, LinesLongerThanTheBufferComeWhole) {
  std::string longest(3 * kBufferSize + 17, 'L');
  longest[kBufferSize] = 'M';  // so a repeated or skipped buffer shows
  std::string bytes = "short\r\n" + longest + "\r\n" + longest + "\nend";
  EXPECT_EQ(ReadLines(bytes), ExpectedLines(bytes));
}

TEST_F(FileSystemTest, MixedLineEndsOfEveryLengthMatchTheLineRules) {
  // Many lines whose ends fall on every offset around the buffer boundaries.
  std::mt19937 random(20240611);
  const char* ends[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\r"};
  for (int round = 0; round < 3; ++round) {
    std::string bytes;
    while (bytes.size() < 3 * kBufferSize) {
      size_t length = random() % 4 == 0 ? random() % 300 : random() % 40;
      for (size_t i = 0; i < length; ++i) bytes += static_cast<char>('a' + random() % 26);
      bytes += ends[random() % 5];
    }
    if (round == 1) bytes += "no line end";
    SCOPED_TRACE(round);
    EXPECT_EQ(ReadLines(bytes), ExpectedLines(bytes));
  }
}

TEST_F(FileSystemTest, LinePiecesJoinToTheLinesOfReadLine) {
  // Lines of every length around the piece sizes and the buffer, with line
  // ends on both sides of a piece's or a buffer's last byte.
  std::string bytes;
  const char* ends[] = {"\r\n", "\n", "\r"};
  for (size_t length : {size_t{0}, size_t{1}, size_t{6}, size_t{7}, size_t{8}, size_t{13},
                        kBufferSize - 1, kBufferSize, kBufferSize + 1, 2 * kBufferSize + 7}) {
    for (const char* end : ends)
      bytes += std::string(length, 'a' + static_cast<char>(length % 26)) + end;
  }
  bytes += std::string(kBufferSize - 1, 'z') + "\r";  // a CR LF cut by the buffer's end
  bytes += "\nlast line without an end";
  dir.WriteFile("in.txt", bytes);
  for (size_t limit : {size_t{1}, size_t{7}, kBufferSize, kBufferSize + 1, SIZE_MAX}) {
    SCOPED_TRACE(limit);
    std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("in.txt"));
    std::vector<Line> lines;
    std::string line;
    std::string piece;
    std::string rejoined;
    while (!in->AtEnd()) {
      const bool ends_line = in->ReadLinePiece(piece, limit);
      EXPECT_LE(piece.size(), limit);
      line += piece;
      if (!ends_line) {
        // A piece that leaves its line open leaves bytes of it to read.
        ASSERT_FALSE(in->AtEnd());
        continue;
      }
      rejoined.append(line).append(LineEndBytes(in->LastLineEnd()));
      lines.push_back({line, in->Position()});
      line.clear();
    }
    EXPECT_EQ(lines, ExpectedLines(bytes));
    EXPECT_EQ(rejoined, bytes);
    EXPECT_EQ(ErrorOf([&] { in->ReadLinePiece(piece, limit); }), err::kInputPastEnd);
  }
}

TEST_F(FileSystemTest, ReadLineIntoReplacesTheStringsContentByTheSameRules) {
  // Long lines take the path that joins buffers; short ones after them must
  // not keep any of their bytes.
  std::string longest(2 * kBufferSize + 5, 'L');
  longest[kBufferSize] = 'M';
  const std::string bytes = longest + "\r\nshort\nx\r\r" + longest + "\n" + "end";
  dir.WriteFile("in.txt", bytes);
  std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("in.txt"));
  std::string line = "what the string held before";
  std::vector<Line> lines;
  while (!in->AtEnd()) {
    in->ReadLineInto(line);
    lines.push_back({line, in->Position()});
  }
  EXPECT_EQ(lines, ExpectedLines(bytes));
  EXPECT_EQ(ErrorOf([&] { in->ReadLineInto(line); }), err::kInputPastEnd);
  in->Close();
  EXPECT_EQ(ErrorOf([&] { in->ReadLineInto(line); }), err::kBadFileNameOrNumber);
}

TEST_F(FileSystemTest, ReadAllHandsOutTheRestByteForByte) {
  std::string tail(2 * kBufferSize + 3, '\0');
  for (size_t i = 0; i < tail.size(); ++i) tail[i] = static_cast<char>(i * 7);
  std::string bytes = "first\n" + tail;
  dir.WriteFile("bin.dat", bytes);
  std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("bin.dat"));
  EXPECT_EQ(in->ReadLine(), "first");
  EXPECT_EQ(in->ReadAll(), tail);
  EXPECT_EQ(in->Position(), static_cast<int64_t>(bytes.size()));
  EXPECT_TRUE(in->AtEnd());
  EXPECT_EQ(in->ReadAll(), "");
}

TEST_F(FileSystemTest, ClosedInputRefusesFurtherReads) {
  dir.WriteFile("a.txt", "a\r\nb\r\n");
  std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("a.txt"));
  in->Close();
  EXPECT_EQ(ErrorOf([&] { in->ReadLine(); }), err::kBadFileNameOrNumber);
  EXPECT_EQ(ErrorOf([&] { in->AtEnd(); }), err::kBadFileNameOrNumber);
  EXPECT_EQ(ErrorOf([&] { in->Close(); }), 0);
}

// ------------------------------------------------------------ writing ---

TEST_F(FileSystemTest, WriterEndsEveryLineInCrLfAndWritesBytesAsGiven) {
  EXPECT_EQ(Written([](OutputFile& out) {
              out.WriteLine("Begin VB.Form Form1");
              out.WriteLine("");
              out.Write("raw\nbytes");
              out.WriteLine("!");
            }),
            "Begin VB.Form Form1\r\n\r\nraw\nbytes!\r\n");
  EXPECT_EQ(Written([](OutputFile&) {}), "");
}

TEST_F(FileSystemTest, WriterKeepsOrderAcrossBufferFlushes) {
  std::string expected;
  std::string big(kBufferSize + 5, 'B');
  std::string written = Written([&](OutputFile& out) {
    for (int i = 0; i < 5000; ++i) {
      std::string line = "line " + std::to_string(i);
      out.WriteLine(line);
      expected += line + "\r\n";
      if (i % 1000 == 999) {
        out.Write(big);
        expected += big;
        out.WriteLine(big);
        expected += big + "\r\n";
      }
    }
  });
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}

TEST_F(FileSystemTest, OpenOutputEmptiesAnExistingFile) {
  dir.WriteFile("out.txt", std::string(1000, 'o'));
  EXPECT_EQ(Written([](OutputFile& out) { out.WriteLine("new"); }), "new\r\n");
}

#ifndef _WIN32
TEST_F(FileSystemTest, FullDiskIsReportedAsError61) {
  // /dev/full takes every write and answers "no space left".
  std::unique_ptr<OutputFile> out = fs->OpenOutput("\\dev\\full");
  int32_t error = ErrorOf([&] {
    for (int i = 0; i < 10000; ++i) out->WriteLine("Begin VB.CheckBox Check1");
    out->Close();
  });
  EXPECT_EQ(error, err::kDiskFull);
  EXPECT_EQ(ErrorOf([&] { out->Close(); }), 0);
}
#endif

// -------------------------------------------------- replace and copy ---

TEST_F(FileSystemTest, ReplacePutsSourceInTargetsPlace) {
  dir.WriteFile("~form.tmp", "new\r\n");
  dir.WriteFile("frmA.frm", "old old old\r\n");
  fs->Replace(dir.Path("~form.tmp"), dir.Path("frmA.frm"));
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "new\r\n");
  EXPECT_FALSE(dir.Exists("~form.tmp"));

  // The target need not exist.
  dir.WriteFile("x.tmp", "x");
  fs->Replace(dir.Path("x.tmp"), dir.Path("fresh.frm"));
  EXPECT_EQ(dir.ReadFile("fresh.frm"), "x");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"fresh.frm", "frmA.frm"}));
}

TEST_F(FileSystemTest, ReplaceRefusesReadOnlyTargetAndKeepsBothFiles) {
  dir.WriteFile("~form.tmp", "new");
  dir.WriteFile("frmA.frm", "old");
  dir.SetReadOnly("frmA.frm", true);
  EXPECT_EQ(ErrorOf([&] { fs->Replace(dir.Path("~form.tmp"), dir.Path("frmA.frm")); }),
            err::kPermissionDenied);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "old");
  EXPECT_EQ(dir.ReadFile("~form.tmp"), "new");
  EXPECT_TRUE(dir.IsReadOnly("frmA.frm"));
}

TEST_F(FileSystemTest, ReplaceReportsMissingSourceAndMissingFolder) {
  dir.WriteFile("frmA.frm", "old");
  EXPECT_EQ(ErrorOf([&] { fs->Replace(dir.Path("none.tmp"), dir.Path("frmA.frm")); }),
            err::kFileNotFound);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "old");
  dir.WriteFile("a.tmp", "a");
  EXPECT_EQ(ErrorOf([&] { fs->Replace(dir.Path("a.tmp"), dir.Path("nofolder\\frmA.frm")); }),
            err::kPathNotFound);
  EXPECT_EQ(dir.ReadFile("a.tmp"), "a");
}

#ifndef _WIN32
mode_t ModeOf(const TempDir& dir, const std::string& name) {
  struct stat st;
  EXPECT_EQ(::stat((dir.native() + "/" + name).c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST_F(FileSystemTest, ReplacedFileKeepsTheTargetsPermissionBits) {
  dir.WriteFile("~form.tmp", "new");
  dir.WriteFile("frmA.frm", "old");
  ASSERT_EQ(::chmod((dir.native() + "/~form.tmp").c_str(), 0600), 0);
  ASSERT_EQ(::chmod((dir.native() + "/frmA.frm").c_str(), 0754), 0);
  fs->Replace(dir.Path("~form.tmp"), dir.Path("frmA.frm"));
  EXPECT_EQ(ModeOf(dir, "frmA.frm"), 0754u);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "new");
}
#endif

TEST_F(FileSystemTest, CopyOverCreatesOrOverwritesTheTarget) {
  std::string bytes = "VERSION 5.00\r\n" + std::string(kBufferSize * 2 + 1, 'c');
  dir.WriteFile("frmA.frm", bytes);
  fs->CopyOver(dir.Path("frmA.frm"), dir.Path("copy.frm"));
  EXPECT_TRUE(dir.ReadFile("copy.frm") == bytes);
  // A longer old target must not leave its tail behind.
  dir.WriteFile("short.frm", "short");
  fs->CopyOver(dir.Path("short.frm"), dir.Path("copy.frm"));
  EXPECT_EQ(dir.ReadFile("copy.frm"), "short");
  EXPECT_TRUE(dir.ReadFile("frmA.frm") == bytes);
}

TEST_F(FileSystemTest, CopyOverFailsWithoutHarmingAnyFile) {
  dir.WriteFile("frmA.frm", "form");
  EXPECT_EQ(ErrorOf([&] { fs->CopyOver(dir.Path("none.frm"), dir.Path("frmA.frm")); }),
            err::kFileNotFound);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "form");
  EXPECT_NE(ErrorOf([&] { fs->CopyOver(dir.Path("frmA.frm"), dir.Path("frmA.frm")); }), 0);
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "form");
  dir.WriteFile("ro.frm", "read-only");
  dir.SetReadOnly("ro.frm", true);
  EXPECT_EQ(ErrorOf([&] { fs->CopyOver(dir.Path("frmA.frm"), dir.Path("ro.frm")); }),
            err::kPermissionDenied);
  EXPECT_EQ(dir.ReadFile("ro.frm"), "read-only");
}

// ------------------------------------------- files, folders and errors ---

TEST_F(FileSystemTest, MissingFileIs53AndMissingFolderIs76) {
  dir.WriteFile("plain.txt", "p");
  EXPECT_EQ(ErrorOf([&] { fs->OpenInput(dir.Path("none.frm")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->OpenInput(dir.Path("none\\a.frm")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->OpenOutput(dir.Path("none\\a.frm")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->FileLength(dir.Path("none.frm")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->FileLength(dir.Path("none\\a.frm")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->Remove(dir.Path("none.frm")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->Remove(dir.Path("none\\a.frm")); }), err::kPathNotFound);
  // A file used as a folder.
  EXPECT_EQ(ErrorOf([&] { fs->OpenInput(dir.Path("plain.txt\\a.frm")); }), err::kPathNotFound);
}

TEST_F(FileSystemTest, FoldersAreNotFiles) {
  dir.MakeDir("Forms");
  EXPECT_EQ(ErrorOf([&] { fs->FileLength(dir.Path("Forms")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs->OpenInput(dir.Path("Forms")); }), err::kPathFileAccess);
  EXPECT_NE(ErrorOf([&] { fs->OpenOutput(dir.Path("Forms")); }), 0);
  EXPECT_TRUE(dir.Exists("Forms"));
}

TEST_F(FileSystemTest, FileLengthAndRemove) {
  dir.WriteFile("a.frm", "12345");
  EXPECT_EQ(fs->FileLength(dir.Path("a.frm")), 5);
  fs->Remove(dir.Path("a.frm"));
  EXPECT_FALSE(dir.Exists("a.frm"));
  // Windows will not delete a read-only file, and neither do we.
  dir.WriteFile("ro.frm", "ro");
  dir.SetReadOnly("ro.frm", true);
  EXPECT_EQ(ErrorOf([&] { fs->Remove(dir.Path("ro.frm")); }), err::kPermissionDenied);
  EXPECT_TRUE(dir.Exists("ro.frm"));
}

TEST_F(FileSystemTest, CreateFolderMakesOneLevel) {
  fs->CreateFolder(dir.Path("_Backup"));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"_Backup"}));
  EXPECT_EQ(ErrorOf([&] { fs->CreateFolder(dir.Path("_Backup")); }), err::kPathFileAccess);
  EXPECT_EQ(ErrorOf([&] { fs->CreateFolder(dir.Path("a\\b")); }), err::kPathNotFound);
  EXPECT_FALSE(dir.Exists("a"));
  fs->CreateFolder(dir.Path("sub\\"));
  EXPECT_TRUE(dir.Exists("sub"));
}

TEST_F(FileSystemTest, FirstPlainFileSkipsFolders) {
  dir.MakeDir("_Backup\\inner");
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("_Backup\\")), std::nullopt);
  dir.WriteFile("_Backup\\inner\\deep.frm", "d");
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("_Backup\\")), std::nullopt);
  dir.WriteFile("_Backup\\README", "no extension");
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("_Backup\\")), "README");
  EXPECT_NE(ErrorOf([&] { fs->FirstPlainFile(dir.Path("none\\")); }), 0);
}

#ifndef _WIN32
TEST_F(FileSystemTest, FirstPlainFileSkipsHiddenFilesAndIsStable) {
  dir.WriteFile("_Backup\\.gitkeep", "");
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("_Backup\\")), std::nullopt);
  dir.WriteFile("_Backup\\b.frm", "");
  dir.WriteFile("_Backup\\a.vbp", "");
  dir.WriteFile("_Backup\\c.frm", "");
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("_Backup\\")), "a.vbp");
}
#endif

#ifdef _WIN32
bool IsHidden(const TempDir& dir, const std::string& name) {
  DWORD attributes = GetFileAttributesA((dir.native() + "\\" + name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileSystemTest, HiddenFilesAreNotListedAndStayHiddenWhenReplaced) {
  dir.WriteFile("frmA.frm", "old");
  ASSERT_TRUE(SetFileAttributesA((dir.native() + "\\frmA.frm").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(IsHidden(dir, "frmA.frm"));
  EXPECT_EQ(fs->FirstPlainFile(dir.path()), std::nullopt);
  dir.WriteFile("~form.tmp", "new");
  fs->Replace(dir.Path("~form.tmp"), dir.Path("frmA.frm"));
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "new");
  EXPECT_TRUE(IsHidden(dir, "frmA.frm"));
}
#endif

// ------------------------------------------- the POSIX name look-up ---

#ifndef _WIN32
TEST_F(FileSystemTest, FolderAndFileFoundIgnoringCase) {
  dir.WriteFile("Forms\\frmA.frm", "Begin\r\n");
  std::unique_ptr<InputFile> in = fs->OpenInput(dir.Path("FORMS\\FRMA.FRM"));
  EXPECT_EQ(in->ReadLine(), "Begin");
  EXPECT_EQ(fs->FileLength(dir.Path("forms\\frma.frm")), 7);
  EXPECT_EQ(fs->FirstPlainFile(dir.Path("FORMS\\")), "frmA.frm");
}

TEST_F(FileSystemTest, AnsiNameFindsItsUtf8File) {
  dir.WriteFile("Swift_Op\xC3\xA9ration.frm", "utf8 name");
  EXPECT_EQ(fs->FileLength(dir.Path("Swift_Op\xE9ration.frm")), 9);
  // Case is ignored beyond ASCII too: "É" finds "é".
  EXPECT_EQ(fs->FileLength(dir.Path("SWIFT_OP\xC9RATION.FRM")), 9);
  EXPECT_EQ(fs->FileLength(dir.Path("SWIFT_OP\xC3\x89RATION.FRM")), 9);
  // A name the disk keeps in ANSI bytes is matched ignoring case as well.
  const std::string on_disk = std::string("Gr\xFC\xDF") + "e.frm";
  const std::string in_project = std::string("GR\xDC\xDF") + "E.FRM";
  dir.WriteFile(on_disk, "ansi name");
  EXPECT_EQ(fs->FileLength(dir.Path(in_project)), 9);
}

// Paths as the disk spells them: names found as the look-up finds them, a
// new name as it would be made; absolute, dots and folder links resolved.
TEST_F(FileSystemTest, PathsSpelledAsOnDisk) {
  dir.WriteFile("Forms\\frmA.frm", "x");
  ASSERT_EQ(::symlink((dir.native() + "/Forms").c_str(), (dir.native() + "/Link").c_str()), 0);
  std::string real = std::filesystem::canonical(dir.native()).string();
  std::replace(real.begin(), real.end(), '/', '\\');
  const struct {
    const char* path;
    const char* spelled;
    const char* absolute;
  } cases[] = {
      {"FORMS\\FRMA.FRM", "Forms\\frmA.frm", "\\Forms\\frmA.frm"},
      {"forms\\_Backup\\", "Forms\\_Backup\\", "\\Forms\\_Backup"},
      {"forms\\.\\..\\FORMS\\frma.frm", "Forms\\.\\..\\Forms\\frmA.frm", "\\Forms\\frmA.frm"},
      {"LINK\\frmA.frm", "Link\\frmA.frm", "\\Forms\\frmA.frm"},
      {"Link\\Neu\\..\\x.frm", "Link\\Neu\\..\\x.frm", "\\Forms\\x.frm"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fs->SpelledPath(dir.Path(c.path)), dir.Path(c.spelled)) << c.path;
    EXPECT_EQ(fs->AbsolutePath(dir.Path(c.path)), real + c.absolute) << c.path;
  }
}

TEST_F(FileSystemTest, ExactNameWinsOverCaseVariant) {
  dir.WriteFile("frmA.frm", "lower");
  dir.WriteFile("FRMA.FRM", "upper");
  EXPECT_EQ(fs->OpenInput(dir.Path("FRMA.FRM"))->ReadLine(), "upper");
  EXPECT_EQ(fs->OpenInput(dir.Path("frmA.frm"))->ReadLine(), "lower");
}

TEST_F(FileSystemTest, NewFilesGoIntoTheFoundFolderUnderTheGivenName) {
  dir.WriteFile("Forms\\frmA.frm", "old");
  auto out = fs->OpenOutput(dir.Path("FORMS\\~form.tmp"));
  out->WriteLine("new");
  out->Close();
  EXPECT_EQ(dir.List("Forms"), (std::vector<std::string>{"frmA.frm", "~form.tmp"}));
  fs->CreateFolder(dir.Path("FORMS\\_Backup"));
  fs->CopyOver(dir.Path("forms\\FRMA.frm"), dir.Path("FORMS\\_BACKUP\\frmA.frm"));
  EXPECT_EQ(dir.ReadFile("Forms\\_Backup\\frmA.frm"), "old");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Forms"}));
}

TEST_F(FileSystemTest, ExistingFileIsReusedRatherThanDuplicatedInAnotherCase) {
  // As on Windows: the project names "FRMA.FRM", the disk holds "frmA.frm";
  // the converted form must take that file's place, not sit beside it.
  dir.WriteFile("frmA.frm", "old");
  dir.WriteFile("~form.tmp", "new");
  fs->Replace(dir.Path("~form.tmp"), dir.Path("FRMA.FRM"));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"frmA.frm"}));
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "new");
  fs->CreateFolder(dir.Path("_Backup"));
  EXPECT_EQ(ErrorOf([&] { fs->CreateFolder(dir.Path("_BACKUP")); }), err::kPathFileAccess);
}

// A component that names nothing is created under its ANSI bytes converted
// to UTF-8, exactly as Wine names a file a Windows program creates, and the
// look-up finds it again under the ANSI name.
TEST_F(FileSystemTest, NewNamesAreTheAnsiNameInUtf8AsWineNamesThem) {
  struct Case {
    const char* what;
    std::string given;    // in the project file (Windows-1252)
    std::string on_disk;  // the name the layer creates
  };
  const std::vector<Case> cases = {
      {"Windows-1252 letter", "Swift_Op\xE9ration.frm", "Swift_Op\xC3\xA9ration.frm"},
      {"already UTF-8", "Caf\xC3\xA9.frm", "Caf\xC3\xA9.frm"},
      {"plain ASCII", "frmA.frm", "frmA.frm"},
      // 0x81 is unassigned in Windows-1252; Windows and Wine name it U+0081.
      {"unassigned byte", "A\x81z.frm", "A\xC2\x81z.frm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tree;
    tree.WriteFile("src.frm", "original");
    tree.WriteFile("~backup.tmp", "backup");
    // Every operation that creates a name: a file, a folder, a copy, a rename.
    auto out = fs->OpenOutput(tree.Path(c.given));
    out->Write("output");
    out->Close();
    fs->CreateFolder(tree.Path("_Backup"));
    fs->Replace(tree.Path("~backup.tmp"), tree.Path("_Backup\\" + c.given));
    fs->CreateFolder(tree.Path("Neu"));
    fs->CreateFolder(tree.Path("Neu\\" + c.given));
    fs->CopyOver(tree.Path("src.frm"), tree.Path("Neu\\" + c.given + "\\" + c.given));
    std::vector<std::string> top = {c.on_disk, "Neu", "_Backup", "src.frm"};
    std::sort(top.begin(), top.end());
    EXPECT_EQ(tree.List(), top);
    EXPECT_EQ(tree.List("_Backup"), (std::vector<std::string>{c.on_disk}));
    EXPECT_EQ(tree.List("Neu"), (std::vector<std::string>{c.on_disk}));
    EXPECT_EQ(tree.List("Neu\\" + c.on_disk), (std::vector<std::string>{c.on_disk}));
    EXPECT_EQ(tree.ReadFile(c.on_disk), "output");
    EXPECT_EQ(tree.ReadFile("_Backup\\" + c.on_disk), "backup");
    // A second run, with a fresh look-up, finds every one of them again.
    std::unique_ptr<FileSystem> again = MakeNativeFileSystem();
    EXPECT_EQ(again->FileLength(tree.Path(c.given)), 6);
    EXPECT_EQ(again->FileLength(tree.Path("_BACKUP\\" + c.given)), 6);
    EXPECT_EQ(again->FirstPlainFile(tree.Path("neu\\" + c.given + "\\")), c.on_disk);
    again->OpenOutput(tree.Path(c.given))->Close();
    EXPECT_EQ(tree.List(), top);
  }
}

TEST_F(FileSystemTest, NameTheCodePageCannotConvertIsNotCreated) {
  // 0xAA is unassigned in Windows-1253, outside the bytes Windows maps to
  // controls; in Shift-JIS 0x81 starts a character that never ends.
  struct Case {
    const char* codepage;
    std::string name;
  };
  for (const Case& c : {Case{"WINDOWS-1253", "x\xAA.frm"}, Case{"CP932", "x.fr\x81"}}) {
    SCOPED_TRACE(c.codepage);
    std::unique_ptr<FileSystem> greek = MakeNativeFileSystem(c.codepage);
    dir.WriteFile("src.frm", "original");
    EXPECT_EQ(ErrorOf([&] { greek->OpenOutput(dir.Path(c.name)); }), err::kBadFileNameOrNumber);
    EXPECT_EQ(ErrorOf([&] { greek->CopyOver(dir.Path("src.frm"), dir.Path(c.name)); }),
              err::kBadFileNameOrNumber);
    EXPECT_EQ(ErrorOf([&] { greek->CreateFolder(dir.Path(c.name)); }), err::kBadFileNameOrNumber);
    // Looking it up just finds nothing.
    EXPECT_EQ(ErrorOf([&] { greek->FileLength(dir.Path(c.name)); }), err::kFileNotFound);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"src.frm"}));
  }
}

TEST_F(FileSystemTest, NewFolderOnTheWayIsNamedInUtf8Too) {
  fs->CreateFolder(dir.Path("Gr\xFC\337e"));
  fs->CreateFolder(dir.Path("GR\xDC\337E\\Neu\xE9"));
  fs->OpenOutput(dir.Path("gr\xFC\337e\\NEU\xC9\\\xC4.frm"))->Close();
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"Gr\xC3\xBC\xC3\237e"}));
  EXPECT_EQ(dir.List("Gr\xC3\xBC\xC3\237e\\Neu\xC3\xA9"),
            (std::vector<std::string>{"\xC3\x84.frm"}));
  // Below a folder that is missing, nothing is made; the error names the path.
  EXPECT_EQ(ErrorOf([&] { fs->OpenOutput(dir.Path("Fehlt\xE9\\\xC4.frm")); }), err::kPathNotFound);
}

// A symbolic link names the file it points to; the file is replaced where
// it lives, and the link stays a link.
TEST_F(FileSystemTest, FinalPathFollowsLinksToWhereTheFileLives) {
  dir.WriteFile("shared\\a.frm", "shared");
  dir.WriteFile("plain.frm", "plain");
  dir.MakeDir("app");
  auto link = [&](const std::string& from, const std::string& to) {
    ASSERT_EQ(::symlink(to.c_str(), (dir.native() + "/" + from).c_str()), 0);
  };
  link("app/a.frm", "../shared/a.frm");
  link("app/chain.frm", "a.frm");
  link("app/dangling.frm", "../shared/none.frm");
  char* real = ::realpath((dir.native() + "/shared").c_str(), nullptr);
  std::string shared = real;
  std::free(real);
  std::replace(shared.begin(), shared.end(), '/', '\\');

  EXPECT_EQ(fs->FinalPath(dir.Path("app\\a.frm")), shared + "\\a.frm");
  EXPECT_EQ(fs->FinalPath(dir.Path("APP\\CHAIN.FRM")), shared + "\\a.frm");
  // No link, a dangling link, nothing: the path as given.
  EXPECT_EQ(fs->FinalPath(dir.Path("PLAIN.FRM")), dir.Path("PLAIN.FRM"));
  EXPECT_EQ(fs->FinalPath(dir.Path("app\\dangling.frm")), dir.Path("app\\dangling.frm"));
  EXPECT_EQ(fs->FinalPath(dir.Path("none.frm")), dir.Path("none.frm"));
  // A link that points nowhere is a missing file.
  EXPECT_EQ(ErrorOf([&] { fs->OpenInput(dir.Path("app\\dangling.frm")); }), err::kFileNotFound);
  // A copy through a link copies the content.
  fs->CopyOver(dir.Path("app\\a.frm"), dir.Path("copy.frm"));
  struct stat st;
  ASSERT_EQ(::lstat((dir.native() + "/copy.frm").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(dir.ReadFile("copy.frm"), "shared");
}

TEST_F(FileSystemTest, RunLockIsHeldOncePerFileWhateverTheWayToIt) {
  dir.WriteFile("App.vbp", "Type=Exe\r\n");
  ASSERT_EQ(::symlink("App.vbp", (dir.native() + "/Link.vbp").c_str()), 0);
  std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
  {
    std::unique_ptr<RunLock> held = fs->LockRun(dir.Path("App.vbp"));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(other->LockRun(dir.Path("APP.VBP")), nullptr);
    EXPECT_EQ(other->LockRun(dir.Path("Link.vbp")), nullptr);
    EXPECT_EQ(fs->LockRun(dir.Path("App.vbp")), nullptr)
        << "one run per project, in one process too";
    // Replaced by the run that holds it, the new content is held at once.
    dir.WriteFile("~project.tmp", "Type=Exe\r\nObject=x\r\n");
    fs->Replace(dir.Path("~project.tmp"), dir.Path("App.vbp"));
    EXPECT_EQ(other->LockRun(dir.Path("App.vbp")), nullptr);
    EXPECT_EQ(dir.ReadFile("App.vbp"), "Type=Exe\r\nObject=x\r\n");
  }
  // Let go with the object; no file is left behind.
  EXPECT_NE(other->LockRun(dir.Path("Link.vbp")), nullptr);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"App.vbp", "Link.vbp"}));
  EXPECT_EQ(ErrorOf([&] { fs->LockRun(dir.Path("Fehlt.vbp")); }), err::kFileNotFound);
}

// The look-up keeps each folder's listing; these prove that it never answers
// from a listing the folder no longer matches.

void SetModified(const TempDir& dir, const std::string& relative, time_t seconds, long nanos) {
  struct timespec times[2];
  times[0].tv_sec = seconds;
  times[0].tv_nsec = nanos;
  times[1] = times[0];
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir.native() + "/" + relative).c_str(), times, 0), 0);
}

TEST_F(FileSystemTest, LookUpSeesChangesMadeBehindItsBack) {
  dir.WriteFile("Forms\\frmA.frm", "a");
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMA.FRM")), 1);
  // Created by someone else right after the look-up listed the folder ...
  dir.WriteFile("Forms\\frmB.frm", "bb");
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMB.FRM")), 2);
  // ... and right after a change of our own to it.
  fs->OpenOutput(dir.Path("FORMS\\~form.tmp"))->Close();
  dir.WriteFile("Forms\\frmC.frm", "ccc");
  EXPECT_EQ(fs->FileLength(dir.Path("forms\\FRMC.frm")), 3);
  // Removed by someone else: a file opened for output in another case now
  // gets the name given, not the name of the file that is gone.
  ASSERT_EQ(::unlink((dir.native() + "/Forms/frmA.frm").c_str()), 0);
  EXPECT_EQ(ErrorOf([&] { fs->FileLength(dir.Path("FORMS\\FRMA.FRM")); }), err::kFileNotFound);
  fs->OpenOutput(dir.Path("FORMS\\FRMA.FRM"))->Close();
  EXPECT_EQ(dir.List("Forms"),
            (std::vector<std::string>{"FRMA.FRM", "frmB.frm", "frmC.frm", "~form.tmp"}));
}

TEST_F(FileSystemTest, LookUpNoticesChangesThatLeaveTheFoldersTime) {
  // Another folder put in the place of the listed one, given the same time:
  // only its identity tells it apart.
  dir.WriteFile("Forms\\frmA.frm", "a");
  SetModified(dir, "Forms", 1000000000, 123456789);
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMA.FRM")), 1);
  ASSERT_EQ(::rename((dir.native() + "/Forms").c_str(), (dir.native() + "/Old").c_str()), 0);
  dir.WriteFile("Forms\\frmB.frm", "bb");
  SetModified(dir, "Forms", 1000000000, 123456789);
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMB.FRM")), 2);

  // A file system that keeps whole seconds gives a change in the same
  // second the same time.
  const time_t now = ::time(nullptr);
  SetModified(dir, "Forms", now, 0);
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMB.FRM")), 2);
  dir.WriteFile("Forms\\frmC.frm", "ccc");
  SetModified(dir, "Forms", now, 0);
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMC.FRM")), 3);
}

TEST_F(FileSystemTest, LookUpFollowsItsOwnChanges) {
  dir.WriteFile("Forms\\frmA.frm", "old");
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\FRMA.FRM")), 3);
  auto out = fs->OpenOutput(dir.Path("Forms\\~form.tmp"));
  out->WriteLine("new");
  out->Close();
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\~FORM.TMP")), 5);

  // Renamed into another folder: gone from the one, there in the other.
  fs->CreateFolder(dir.Path("FORMS\\_Backup"));
  fs->Replace(dir.Path("FORMS\\~FORM.TMP"), dir.Path("FORMS\\_BACKUP\\frmA.frm"));
  EXPECT_EQ(dir.List("Forms"), (std::vector<std::string>{"_Backup", "frmA.frm"}));
  EXPECT_EQ(dir.ReadFile("Forms\\_Backup\\frmA.frm"), "new\r\n");
  EXPECT_EQ(fs->FileLength(dir.Path("forms\\_backup\\FRMA.FRM")), 5);
  EXPECT_EQ(ErrorOf([&] { fs->FileLength(dir.Path("FORMS\\~FORM.TMP")); }), err::kFileNotFound);

  // Created again under another case, found under a third, then removed.
  fs->OpenOutput(dir.Path("FORMS\\~FORM.TMP"))->Close();
  EXPECT_EQ(dir.List("Forms"), (std::vector<std::string>{"_Backup", "frmA.frm", "~FORM.TMP"}));
  fs->Remove(dir.Path("forms\\~Form.tmp"));
  EXPECT_EQ(dir.List("Forms"), (std::vector<std::string>{"_Backup", "frmA.frm"}));
  EXPECT_EQ(ErrorOf([&] { fs->Remove(dir.Path("forms\\~Form.tmp")); }), err::kFileNotFound);

  fs->CopyOver(dir.Path("FORMS\\FRMA.FRM"), dir.Path("Forms\\Copy.frm"));
  EXPECT_EQ(fs->FileLength(dir.Path("FORMS\\COPY.FRM")), 3);
}

TEST_F(FileSystemTest, UnknownCodePageIsRefused) {
  EXPECT_THROW(MakeNativeFileSystem("NO-SUCH-CODEPAGE-42"), VbError);
  auto cyrillic = MakeNativeFileSystem("WINDOWS-1251");
  EXPECT_EQ(cyrillic->ToDisplayText("\xCF\xF0\xE8"), "\xD0\x9F\xD1\x80\xD0\xB8");  // "При"
}

TEST_F(FileSystemTest, DisplayTextKeepsUtf8AndMarksUndefinedBytes) {
  EXPECT_EQ(fs->ToDisplayText("Op\xC3\xA9ration"), "Op\xC3\xA9ration");
  // 0x81 means nothing in Windows-1252.
  EXPECT_EQ(fs->ToDisplayText("a\x81z\xE9"), "a\xEF\xBF\xBDz\xC3\xA9");
}
#endif

TEST_F(FileSystemTest, DisplayTextConvertsAnsiToUtf8) {
  EXPECT_EQ(fs->ToDisplayText("Swift_Op\xE9ration.frm"), "Swift_Op\xC3\xA9ration.frm");
  const std::string ansi = std::string("C:\\Projekte\\Gr\xF6\xDF") + "e.vbp";
  const std::string utf8 = std::string("C:\\Projekte\\Gr\xC3\xB6\xC3\x9F") + "e.vbp";
  EXPECT_EQ(fs->ToDisplayText(ansi), utf8);
  EXPECT_EQ(fs->ToDisplayText(""), "");
}

// ---------------------------------------------- the failing file system ---

TEST_F(FileSystemTest, FaultyFileSystemCountsEveryOperationInOrder) {
  dir.WriteFile("a.frm", "1\r\n2\r\n");
  FaultyFileSystem faulty(*fs);
  {
    auto in = faulty.OpenInput(dir.Path("a.frm"));
    auto out = faulty.OpenOutput(dir.Path("b.tmp"));
    EXPECT_EQ(in->Length(), 6);
    while (!in->AtEnd()) out->WriteLine(in->ReadLine());
    in->Position();
    out->Write("x");
    in->Close();
    out->Close();
  }
  faulty.Replace(dir.Path("b.tmp"), dir.Path("a.frm"));
  EXPECT_EQ(faulty.ToDisplayText("a"), "a");  // converts only, not counted
  EXPECT_EQ(faulty.log(),
            (std::vector<std::string>{"OpenInput", "OpenOutput", "Length", "AtEnd", "ReadLine",
                                      "WriteLine", "AtEnd", "ReadLine", "WriteLine", "AtEnd",
                                      "Position", "Write", "Close", "Close", "Replace"}));
  EXPECT_EQ(faulty.operations(), 15);
  EXPECT_EQ(dir.ReadFile("a.frm"), "1\r\n2\r\nx");
  faulty.Reset();
  EXPECT_EQ(faulty.operations(), 0);
  EXPECT_TRUE(faulty.log().empty());
}

TEST_F(FileSystemTest, FaultyFileSystemCountsReadLineIntoAsReadLine) {
  dir.WriteFile("a.frm", "1\r\n2\r\n");
  FaultyFileSystem faulty(*fs);
  faulty.FailAt(3);
  auto in = faulty.OpenInput(dir.Path("a.frm"));
  std::string line;
  in->ReadLineInto(line);
  EXPECT_EQ(line, "1");
  EXPECT_EQ(ErrorOf([&] { in->ReadLineInto(line); }), err::kPathFileAccess);
  EXPECT_EQ(line, "1");  // the failed read did not run
  in->ReadLineInto(line);
  EXPECT_EQ(line, "2");
  EXPECT_EQ(faulty.log(),
            (std::vector<std::string>{"OpenInput", "ReadLine", "ReadLine", "ReadLine"}));
}

TEST_F(FileSystemTest, FaultyFileSystemFailsOnlyTheChosenOperationWithoutRunningIt) {
  dir.WriteFile("a.frm", "old");
  dir.WriteFile("b.tmp", "new");
  FaultyFileSystem faulty(*fs);
  faulty.FailAt(2, err::kDiskFull);
  EXPECT_EQ(faulty.FileLength(dir.Path("a.frm")), 3);
  try {
    faulty.Replace(dir.Path("b.tmp"), dir.Path("a.frm"));
    ADD_FAILURE() << "the second operation did not fail";
  } catch (const VbError& error) {
    EXPECT_EQ(error.number(), err::kDiskFull);
    EXPECT_EQ(error.description(), "Datenträger voll");
  }
  EXPECT_TRUE(faulty.failed());
  EXPECT_EQ(dir.ReadFile("a.frm"), "old");  // the failed Replace did not run
  faulty.Replace(dir.Path("b.tmp"), dir.Path("a.frm"));
  EXPECT_EQ(dir.ReadFile("a.frm"), "new");
  EXPECT_EQ(faulty.operations(), 3);

  // A number outside the table still fails, with a neutral description,
  // and file operations count like the others.
  faulty.Reset();
  faulty.FailAt(3, 1234);
  auto in = faulty.OpenInput(dir.Path("a.frm"));
  EXPECT_FALSE(in->AtEnd());
  try {
    in->ReadLine();
    ADD_FAILURE() << "ReadLine did not fail";
  } catch (const VbError& error) {
    EXPECT_EQ(error.number(), 1234);
    EXPECT_EQ(error.description(), "Injected failure");
  }
  EXPECT_EQ(in->ReadLine(), "new");  // the failed read consumed nothing
}

}  // namespace
}  // namespace xpconv

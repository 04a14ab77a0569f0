// Every file operation of the engine goes through this small interface. Paths
// are engine path strings: bytes in the projects' ANSI code page with "\" as
// the separator, as project files hold them. Only the implementation turns
// them into native paths (see file_system_posix.cpp with name_lookup_posix.h,
// and file_system_win32.cpp).
//
// Every failure raises VbError with the runtime table's number and German
// description (engine/error.h). Destructors never throw: a file that is still
// open when its object dies is closed quietly; Close() reports failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace xpconv {

// How a line ended: the bytes the reader consumed behind it.
enum class LineEnd : uint8_t { kNone, kCrLf, kLf, kCr };

// The bytes of a line end: "", "\r\n", "\n" or "\r".
std::string_view LineEndBytes(LineEnd end);

// A file opened for reading: line by line ("Line Input") or whole ("Get").
class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  virtual ~InputFile() = default;

  // The next line without its line end. A line ends at CR LF, at a lone LF
  // or at a lone CR; a last line without a line end is still a line, and a
  // line end at the very end of the file makes no further empty line.
  // Raises 62 "Einlesen hinter Dateiende" when the input is at its end.
  virtual std::string ReadLine() = 0;
  // ReadLine into line, whose old content is replaced: a caller that reads
  // many lines through one string reuses its capacity instead of allocating
  // a string per line. The same rules and errors as ReadLine; on an error
  // line's content is unspecified.
  virtual void ReadLineInto(std::string& line) { line = ReadLine(); }
  // The next piece of a line, for a caller that must pass lines of any
  // length in bounded memory. Replaces part's content with the next bytes of
  // the current line; when the previous piece ended its line, a new line
  // starts, and raises 62 at the end of the file as ReadLine does. Returns
  // true when the piece ends its line (its line end, if any, is consumed);
  // false when more of the same line follows, which the next call hands
  // out. A piece holds at most limit bytes (limit > 0) in this layer's
  // files; other implementations may hand out less, and the default hands
  // out the whole line. The line ends and positions are those of ReadLine.
  virtual bool ReadLinePiece(std::string& part, size_t limit) {
    static_cast<void>(limit);
    ReadLineInto(part);
    return true;
  }
  // The line end behind the last line handed out: that of the last
  // ReadLine, ReadLineInto or ReadLinePiece that ended its line; kNone for
  // a last line without one, and before the first line. Lets a caller that
  // passes lines on write each with the line end it had (ReadLine's byte
  // count is 1 for LF and for CR alike). Touches no file and never raises.
  virtual LineEnd LastLineEnd() const = 0;
  // The next bytes of the file as they are, line ends included, for a
  // caller that passes a file of any size on in bounded memory: replaces
  // chunk's content with at most limit bytes (limit > 0) in this layer's
  // files; the default hands out everything that is left. False, with chunk
  // empty, at the end of the file.
  virtual bool ReadChunk(std::string& chunk, size_t limit) {
    static_cast<void>(limit);
    chunk = ReadAll();
    return !chunk.empty();
  }
  // True when every byte of the file has been consumed.
  virtual bool AtEnd() = 0;
  // Bytes consumed so far (the lines handed out with their line ends).
  virtual int64_t Position() = 0;
  // The file's length in bytes.
  virtual int64_t Length() = 0;
  // Every byte from the current position to the end, unchanged.
  virtual std::string ReadAll() = 0;
  virtual void Close() = 0;
};

// A file opened for writing: created, or emptied if it exists.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  virtual ~OutputFile() = default;

  // Writes the line followed by CR LF.
  virtual void WriteLine(std::string_view line) = 0;
  // Writes the bytes as they are.
  virtual void Write(std::string_view bytes) = 0;
  // Flushes and closes; a failure to write the buffered bytes raises here.
  virtual void Close() = 0;
};

// The lock a run holds on its project file (FileSystem::LockRun): released
// when the object dies, and by the operating system when the process ends,
// however it ends (kill -9 included). No file is left behind.
class RunLock {
 public:
  RunLock() = default;
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;
  virtual ~RunLock() = default;
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  virtual std::unique_ptr<InputFile> OpenInput(const std::string& path) = 0;
  virtual std::unique_ptr<OutputFile> OpenOutput(const std::string& path) = 0;
  // Length of the file at path ("FileLen"): raises when it cannot be queried.
  virtual int64_t FileLength(const std::string& path) = 0;
  // Deletes one file ("Kill").
  virtual void Remove(const std::string& path) = 0;
  // Copies the bytes of source over target, creating or overwriting it
  // ("FileCopy").
  virtual void CopyOver(const std::string& source, const std::string& target) = 0;
  // Puts source in the place of target in one atomic step (a rename over
  // it), so that target is at every moment either its old or its new
  // content. An existing target keeps its permission bits; a read-only
  // target is refused with 70 "Zugriff verweigert" and both files stay.
  // Source's data is flushed to disk before the rename: that one flush is
  // what keeps a system crash from leaving target empty or half written,
  // since after a crash the folder names either the old file or the new
  // one, and both are complete. Whether the rename itself has reached the
  // disk when Replace returns differs by platform (Windows writes it
  // through; POSIX leaves it to the file system's next commit): a crash
  // right after Replace may bring back the old content, never a broken one.
  virtual void Replace(const std::string& source, const std::string& target) = 0;
  // Creates one folder level ("MkDir"); the parent must exist.
  virtual void CreateFolder(const std::string& path) = 0;
  // The name of the first plain file of folder (which ends in "\"): not a
  // folder, not hidden, not a system file ("Dir(folder & "*.*")"). nullopt
  // when there is none; raises when the folder cannot be listed.
  virtual std::optional<std::string> FirstPlainFile(const std::string& folder) = 0;
  // Converts bytes of the ANSI code page (a path, a name) to UTF-8 for
  // display. Bytes that are already valid UTF-8 stay as they are on POSIX.
  virtual std::string ToDisplayText(std::string_view ansi) = 0;

  // Where the file at path really lives: the path of the file a symbolic
  // link points to (through every link of a chain), so that the file can be
  // replaced there and the link stays a link; path itself when it is no
  // link. A link that points nowhere, or a path that names nothing, comes
  // back as it is, and opening it reports 53 "Datei nicht gefunden". This
  // default suits a file system without links.
  virtual std::string FinalPath(const std::string& path) { return path; }
  // Takes the lock of one run on the file at path (a project file, through
  // any links), for as long as the returned object lives. nullptr when
  // another run holds it, in this process or in any other of our programs;
  // raises when the file cannot be opened. The lock stays with the file
  // when this file system Replaces it: the new content is locked before it
  // takes the name. This default suits a file system no other process sees.
  virtual std::unique_ptr<RunLock> LockRun(const std::string& path);
  // True when path names an existing file that Replace, CopyOver and
  // OpenOutput refuse as read-only. Never raises: a file that cannot be
  // asked about is not known to be read-only. Lets a preview predict the
  // refusal without trying the write; a stand-in that has no such files
  // keeps the default.
  virtual bool IsReadOnly(const std::string& /*path*/) { return false; }

  // The names a path has on disk, for showing or writing it: every name that
  // exists as the look-up finds it (its letter case, and the disk's encoding
  // where the look-up converts), every name that does not exist yet as an
  // operation would create it. A relative path stays relative, "." and ".."
  // stay. Never raises. The engine itself keeps the paths it was given. This
  // default suits a file system that spells each name one way only.
  virtual std::string SpelledPath(const std::string& path) { return path; }
  // The same names as an absolute path, "." and ".." resolved and (on POSIX)
  // the folders followed through links, the last name staying a link's own,
  // so that every way of naming one file gives one result: for naming files
  // relative to a folder. Never raises. This default resolves "." and ".."
  // only, and keeps a relative path relative.
  virtual std::string AbsolutePath(const std::string& path);
};

// The real file system of this platform. codepage names the projects' ANSI
// code page for the POSIX look-up of names (an iconv name such as
// "WINDOWS-1252"); on Windows the system's own code page is used and the
// argument is ignored. Raises VbError when the code page is unknown.
std::unique_ptr<FileSystem> MakeNativeFileSystem(const std::string& codepage = "WINDOWS-1252");

}  // namespace xpconv

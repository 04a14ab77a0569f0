#include "tests/fuzz/fuzz_checks.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "engine/conversion_job.h"
#include "engine/error.h"
#include "engine/form_rewriter.h"
#include "engine/project_file.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_files.h"
#include "tests/support/recording_host.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "engine/name_lookup_posix.h"
#endif

namespace xpconv::fuzz {

namespace {

void Check(bool condition, const char* what) {
  if (!condition) throw CheckFailure(what);
}

// ------------------------------------------------------------- the form ---

// The lines of bytes by the file-system layer's rules: CR LF, LF or CR end
// a line, a last line needs no line end, and a final line end makes no
// empty line after it.
std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t end = i;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    lines.emplace_back(bytes.substr(i, end - i));
    i = end;
    if (i == bytes.size()) break;
    ++i;
    if (bytes[i - 1] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
  }
  return lines;
}

size_t Spaces(std::string_view line) {
  size_t count = 0;
  while (count < line.size() && line[count] == ' ') ++count;
  return count;
}

std::string_view Trimmed(std::string_view line) {
  line.remove_prefix(Spaces(line));
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

struct Converted {
  bool ok = true;
  bool replaced = false;
  std::string bytes;
};

// The conversion's line rules in their plainest form, whole lines in a
// vector: the reference the job is held to. Every line that is not a
// replaced header or a line of a dropped font block comes out as it came
// in, in order.
Converted ConvertByTheRules(std::string_view form, const RewriteOptions& options) {
  static constexpr std::string_view kPrefixes[] = {"Begin VB.Frame", "Begin VB.CheckBox",
                                                   "Begin VB.OptionButton",
                                                   "Begin MSComctlLib.ProgressBar"};
  const std::vector<std::string> lines = SplitLines(form);
  Converted result;
  auto fail = [&result] {
    result.ok = false;
    return result;
  };
  auto emit = [&result](std::string_view line) {
    result.bytes.append(line);
    result.bytes.append("\r\n");
  };
  size_t next = 0;
  std::optional<std::string> pending;
  while (pending || next < lines.size()) {
    const std::string line = pending ? *pending : lines[next++];
    pending.reset();
    const size_t indentation = Spaces(line);
    if (indentation > 32767) return fail();
    std::optional<ControlKind> kind;
    for (size_t k = 0; k < 4; ++k) {
      if (options.replace[k] == 1 &&
          std::string_view(line).substr(indentation).starts_with(kPrefixes[k])) {
        kind = static_cast<ControlKind>(k);
      }
    }
    if (!kind) {
      emit(line);
      continue;
    }
    if (indentation + 3 > 32767) return fail();
    result.replaced = true;
    for (const std::string& header :
         BuildReplacementHeader(line, *kind, static_cast<int16_t>(indentation), options)) {
      emit(header);
    }
    // The control's own properties, up to a line of another indentation, a
    // nested control or the font block, which is dropped.
    for (;;) {
      if (next == lines.size()) return fail();
      const std::string& property = lines[next++];
      if (Trimmed(property) == "BeginProperty Font") {
        do {
          if (next == lines.size()) return fail();
        } while (Trimmed(lines[next++]) != "EndProperty");
        break;
      }
      const bool nested = Trimmed(property).starts_with("Begin ");
      if (!nested) emit(property);
      if (Spaces(property) > 32767) return fail();
      if (nested) {
        pending = property;
        break;
      }
      if (Spaces(property) != indentation + 3 || next == lines.size()) break;
    }
  }
  return result;
}

const std::string kFolder = "Formulare\\";
const std::string kFormName = "frmTest.frm";

// The scripted host without the record of the calls made per line and per
// piece, which would cost the fuzzer most of its time.
class QuietHost : public testing::RecordingHost {
 public:
  void SetFileCaption(const std::string&) override {}
  void SetFileBar(int32_t) override {}
  void PumpMessages() override {}
};

int32_t RunJob(FileSystem& fs, const RewriteOptions& options, size_t* messages) {
  QuietHost host;
  host.replace = options.replace;
  host.xp_style = options.xp_style;
  AbortFlag abort;
  EngineContext ctx{host, fs, abort};
  const int32_t result = ConvertFormFile(ctx, kFolder, kFormName);
  if (messages != nullptr) *messages = host.messages.size();
  return result;
}

// ---------------------------------------------------------- the project ---

bool MentionsLibrary(std::string_view bytes) {
  std::string lower(bytes);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower.find(kLibrarySearchKey) != std::string::npos;
}

}  // namespace

void CheckFormConversion(std::string_view data) {
  if (data.size() < 2) return;
  const auto control = static_cast<uint8_t>(data[0]);
  const auto fail_at = static_cast<uint8_t>(data[1]);
  const std::string form(data.substr(2));
  // Pieces of 1 to 16 bytes, or whole lines.
  const size_t piece_limit = (control & 0x10) != 0 ? SIZE_MAX : size_t{1} + (control & 0x0F);
  const std::string path = kFolder + kFormName;

  for (int setting = 0; setting < 32; ++setting) {
    RewriteOptions options;
    for (size_t k = 0; k < 4; ++k) options.replace[k] = (setting >> k) & 1;
    options.xp_style = (setting >> 4) & 1;
    const Converted expected = ConvertByTheRules(form, options);

    testing::MemoryFileSystem memory(piece_limit);
    memory.files[path] = form;
    testing::FaultyFileSystem faulty(memory);
    faulty.FailAt(fail_at);
    size_t messages = 0;
    const int32_t result =
        RunJob(fail_at != 0 ? static_cast<FileSystem&>(faulty) : memory, options, &messages);
    const std::string& stored = memory.files[path];

    if (result == kFormFailed) {
      Check(stored == form, "a failed conversion changed the form");
      Check(faulty.failed() || !expected.ok, "the conversion failed where the rules do not");
      Check(messages == 1, "a failure was not reported with one message");
      continue;
    }
    // The job asks for the length of a left-over temporary file only to see
    // whether one is there; a failure to answer counts as "not there", so
    // that one injected failure may pass without a trace.
    const bool probe_failed = faulty.failed() && faulty.log().at(fail_at - 1) == "FileLength";
    Check(!faulty.failed() || probe_failed, "an injected failure went unnoticed");
    Check(messages == 0, "a message without a failure");
    Check(expected.ok, "the conversion succeeded where the rules fail");
    if (result == kFormUnchanged) {
      Check(!expected.replaced, "a form with replaceable controls was left unchanged");
      Check(stored == form, "an unchanged form lost bytes");
    } else {
      Check(result == kFormConverted, "an unknown result");
      Check(expected.replaced, "a form without replaceable controls was converted");
      Check(stored == expected.bytes, "the converted form is not what the line rules give");
      // A second conversion finds nothing left to replace.
      testing::MemoryFileSystem again(piece_limit);
      again.files[path] = stored;
      Check(RunJob(again, options, nullptr) == kFormUnchanged,
            "converting the converted form again changed it");
      Check(again.files[path] == stored, "converting the converted form again changed its bytes");
    }
    Check(memory.files.size() <= 2, "the conversion left files other than its temporary file");
  }
}

void CheckProjectFile(std::string_view data) {
  const std::string path = "C:\\Projekte\\App.vbp";
  const std::string backup = "C:\\Projekte\\_Backup\\";
  testing::MemoryFileSystem fs;
  fs.files[path] = std::string(data);

  const std::vector<std::string> entries = ReadFormEntries(fs, path);
  size_t form_lines = 0;
  for (const std::string& line : SplitLines(data)) {
    if (line.starts_with("Form=")) ++form_lines;
  }
  Check(entries.size() == form_lines, "not one entry per Form= line");
  for (const std::string& entry : entries) {
    Check(entry.empty() || (entry.front() != ' ' && entry.back() != ' '),
          "an entry kept outer spaces");
  }

  AddLibraryReference(fs, path, backup, true);
  const std::string once = fs.files[path];
  Check(fs.files[backup + "App.vbp"] == data, "the backup is not the project as it was");
  if (MentionsLibrary(data)) {
    Check(once == data, "a project naming the library was changed");
  } else {
    Check(once.find(kLibraryReferenceLine) != std::string::npos, "the library line is missing");
  }
  Check(ReadFormEntries(fs, path) == entries, "inserting the library line changed the entries");

  AddLibraryReference(fs, path, backup, false);
  Check(fs.files[path] == once, "inserting the library line twice differs from once");
  Check(fs.files.size() == 2, "the insertion left a temporary file");
}

void CheckCommandLine(std::string_view data) {
  std::vector<std::string> args;
  size_t start = 0;
  while (start <= data.size() && !data.empty()) {
    size_t end = data.find('\0', start);
    if (end == std::string_view::npos) end = data.size();
    args.emplace_back(data.substr(start, end - start));
    start = end + 1;
  }
  cli::CommandLine line;
  try {
    line = cli::ParseCommandLine(args);
  } catch (const cli::UsageError& error) {
    Check(std::strlen(error.what()) > 0, "a usage error without a message");
    return;
  }
  for (const cli::SelectRange& range : line.select) {
    Check(range.first >= 1 && range.first <= range.last, "a selection range out of order");
  }
  for (int32_t count : {0, 1, 7, 40000}) {
    std::vector<bool> selected;
    try {
      selected = cli::ResolveSelection(line.select, count);
    } catch (const cli::UsageError&) {
      continue;
    }
    Check(selected.size() == static_cast<size_t>(count), "not one flag per entry");
    for (int32_t i = 0; i < count; ++i) {
      bool named = line.select.empty();
      for (const cli::SelectRange& range : line.select) {
        if (i + 1 >= range.first && i + 1 <= range.last) named = true;
      }
      Check(selected[static_cast<size_t>(i)] == named, "a selection flag differs from the ranges");
    }
  }
}

#ifndef _WIN32

namespace {

// The letters the generated names are made of, in Windows-1252: both cases
// of ASCII and Latin-1 letters, a letter without a capital, and a dot.
constexpr unsigned char kAlphabet[] = {'a', 'B', 'c', 0xC4, 0xE4, 0xDC, 0xFC, 0xDF, '.'};

std::string Utf8Of1252(std::string_view ansi) {
  std::string utf8;
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

// Small letters for the alphabet above (Windows-1252 bytes).
std::string Folded(std::string_view ansi) {
  std::string folded(ansi);
  for (char& c : folded) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
      c = static_cast<char>(byte + 0x20);
    }
  }
  return folded;
}

std::string OtherCase(std::string_view ansi, uint8_t pattern) {
  std::string other(ansi);
  for (size_t i = 0; i < other.size(); ++i) {
    if (((pattern >> (i % 8)) & 1) == 0) continue;
    const auto byte = static_cast<unsigned char>(other[i]);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
      other[i] = static_cast<char>(byte - 0x20);
    } else if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
      other[i] = static_cast<char>(byte + 0x20);
    }
  }
  return other;
}

struct GeneratedFile {
  std::vector<std::string> names;  // Windows-1252
  bool raw = false;                // stored under its Windows-1252 bytes, not UTF-8
  std::string id;
};

std::string DiskName(const std::string& ansi, bool raw) {
  return raw ? ansi : Utf8Of1252(ansi);
}

// A folder of this process's own in /tmp, removed when the process ends
// normally (a crash leaves it for the finding's inspection). The path lives
// in a plain array: the exit handler runs after static strings are gone.
const char* FuzzRoot() {
  static char root[] = "/tmp/xpc-fuzz-names.XXXXXX";
  static const bool made = [] {
    if (::mkdtemp(root) == nullptr) throw CheckFailure("no temporary folder");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
    });
    return true;
  }();
  static_cast<void>(made);
  return root;
}

std::string EnginePath(const std::string& native) {
  std::string path = native;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

void CheckPosixNames(std::string_view data) {
  const std::string run = std::string(FuzzRoot()) + "/run";
  std::filesystem::remove_all(run);
  std::filesystem::create_directory(run);

  // Each file takes a byte of layout (depth, UTF-8 or Windows-1252 on disk,
  // name lengths) and a byte per letter.
  std::vector<GeneratedFile> files;
  std::map<std::string, size_t> by_disk_path;
  // Per folder on disk: folded name -> the names on disk that fold to it.
  std::map<std::string, std::map<std::string, std::set<std::string>>> siblings;
  auto note = [&siblings](const std::string& parent, const std::string& ansi, bool raw) {
    siblings[parent][Folded(ansi)].insert(DiskName(ansi, raw));
  };
  size_t i = 0;
  while (i < data.size() && files.size() < 24) {
    const auto layout = static_cast<uint8_t>(data[i++]);
    GeneratedFile file;
    file.raw = (layout & 1) != 0;
    const size_t depth = 1 + ((layout >> 1) & 1);
    for (size_t level = 0; level < depth; ++level) {
      const size_t length = 1 + ((layout >> (2 + 3 * level)) & 3);
      std::string name;
      for (size_t k = 0; k < length && i < data.size(); ++k) {
        name += static_cast<char>(kAlphabet[static_cast<uint8_t>(data[i++]) % sizeof(kAlphabet)]);
      }
      if (name.empty() || name == "." || name == "..") break;
      file.names.push_back(name);
    }
    if (file.names.size() != depth) break;
    std::string disk = run;
    for (size_t level = 0; level + 1 < depth; ++level) {
      const std::string folder = disk + '/' + DiskName(file.names[level], file.raw);
      if (::mkdir(folder.c_str(), 0755) == 0) {
        note(disk, file.names[level], file.raw);
      }
      disk.append("/").append(DiskName(file.names[level], file.raw));
    }
    const std::string parent = disk;
    disk.append("/").append(DiskName(file.names.back(), file.raw));
    file.id = std::to_string(files.size());
    const int fd = ::open(disk.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) continue;  // a folder of that name, or a file in its place
    note(parent, file.names.back(), file.raw);
    const bool written =
        ::write(fd, file.id.data(), file.id.size()) == static_cast<ssize_t>(file.id.size());
    ::close(fd);
    if (!written) continue;
    by_disk_path[disk] = files.size();
    files.push_back(file);
  }

  PosixNameLookup names("WINDOWS-1252");
  // The file a path finds, by the id it holds; nullopt when none. Where
  // names differ in case alone (which Windows does not allow) the look-up
  // may pick a folder for a file, so any error may come; otherwise only
  // "not found" (no such file, or a folder on the way that is none).
  auto found = [&](const std::string& engine_path,
                   bool names_unique) -> std::optional<std::string> {
    const std::string native = names.Resolve(engine_path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      Check(!names_unique || errno == ENOENT || errno == ENOTDIR,
            "a look-up failed with an error other than \"not found\"");
      return std::nullopt;
    }
    std::string bytes;
    char buffer[64];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof(buffer))) > 0) {
      bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    // A folder opens but cannot be read.
    Check(!names_unique || got == 0, "a look-up found a folder for a file");
    if (got != 0) return std::nullopt;
    return bytes;
  };
  const std::string base = EnginePath(run);
  uint8_t pattern = 0x5A;
  for (const auto& [disk, index] : by_disk_path) {
    const GeneratedFile& file = files[index];
    // Its own bytes find the file itself.
    Check(found(EnginePath(disk), true) == file.id, "a file was not found under its own name");

    // The Windows-1252 name in another letter case finds a file of the
    // same name but for case; always when the names on disk are UTF-8 and
    // no sibling differs from them in case alone, as on Windows.
    std::string query = base;
    std::string folded_query;
    std::string parent = run;
    bool unique = !file.raw;
    for (const std::string& name : file.names) {
      query.append("\\").append(OtherCase(name, pattern++));
      folded_query.append("\\").append(Folded(name));
      unique = unique && siblings[parent][Folded(name)].size() == 1;
      parent.append("/").append(DiskName(name, file.raw));
    }
    const std::optional<std::string> id = found(query, unique);
    if (unique) Check(id.has_value(), "a name in another letter case was not found");
    if (id) {
      const GeneratedFile& hit = files.at(std::stoul(*id));
      std::string folded_hit;
      for (const std::string& name : hit.names) folded_hit.append("\\").append(Folded(name));
      Check(folded_hit == folded_query, "a look-up found a file of another name");
    }
  }
  std::filesystem::remove_all(run);
}

#else

void CheckPosixNames(std::string_view) {}

#endif

}  // namespace xpconv::fuzz

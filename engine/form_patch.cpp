#include "engine/form_patch.h"

#include <algorithm>
#include <cstring>

#include "engine/paths.h"

namespace xpconv {
namespace {

// The diff's operations on lines, as KindRuns kinds.
constexpr uint8_t kContext = 0;
constexpr uint8_t kRemoved = 1;
constexpr uint8_t kAdded = 2;

constexpr uint8_t kKeptLine = static_cast<uint8_t>(RewriteLog::Edit::kKept);
constexpr uint8_t kRemovedLine = static_cast<uint8_t>(RewriteLog::Edit::kRemoved);
constexpr uint8_t kAddedLine = static_cast<uint8_t>(RewriteLog::Edit::kAdded);

// A line of a mend (MendEdits::lines) that was mended; a kept one is
// kKeptLine.
constexpr uint8_t kMendedLine = 1;

constexpr int64_t kContextLines = 3;
constexpr size_t kChunkSize = 64 * 1024;

// A file's bytes, a chunk at a time.
class Chunks {
 public:
  explicit Chunks(InputFile& in) : in_(in) {}

  // True while bytes are left; they start at data()[pos].
  bool Ready() {
    if (pos < chunk_.size()) return true;
    pos = 0;
    next_cr = next_lf = kUnknown;
    return in_.ReadChunk(chunk_, kChunkSize);
  }
  const char* data() const { return chunk_.data(); }
  size_t size() const { return chunk_.size(); }
  // The index of the next c at or after pos in this chunk; size() when none.
  size_t Next(char c, size_t& known) {
    if (known != kUnknown && known >= pos) return known;
    const void* at = std::memchr(chunk_.data() + pos, c, chunk_.size() - pos);
    known = at != nullptr ? static_cast<size_t>(static_cast<const char*>(at) - chunk_.data())
                          : chunk_.size();
    return known;
  }

  static constexpr size_t kUnknown = static_cast<size_t>(-1);
  size_t pos = 0;
  // Where Next found the next CR and LF, or kUnknown.
  size_t next_cr = kUnknown;
  size_t next_lf = kUnknown;

 private:
  InputFile& in_;
  std::string chunk_;
};

// How a line of the rewriter (InputFile's line rules) ends.
enum class End { kCrLf, kLf, kCr, kNone };

// Steps over the next line by InputFile's rules: a line ends at CR LF, at a
// lone LF or at a lone CR. False at the end of the file.
bool NextRewriterLine(Chunks& in, End& end) {
  if (!in.Ready()) return false;
  for (;;) {
    const size_t n = in.size();
    const size_t i = std::min(in.Next('\r', in.next_cr), in.Next('\n', in.next_lf));
    if (i < n) {
      in.pos = i + 1;
      if (in.data()[i] == '\n') {
        end = End::kLf;
      } else if (in.Ready() && in.data()[in.pos] == '\n') {
        ++in.pos;
        end = End::kCrLf;
      } else {
        end = End::kCr;
      }
      return true;
    }
    in.pos = n;
    if (!in.Ready()) {
      end = End::kNone;
      return true;
    }
  }
}

// Passes the next diff line (up to and including its LF) to out with its
// prefix, or steps over it when out is null; a last line without LF gets one
// and the marker, as UnifiedDiff writes it. Returns the line's length in the
// file.
size_t CopyLine(Chunks& in, PatchOut* out, DiffLine::Kind kind, char prefix) {
  if (!in.Ready()) return 0;
  if (out != nullptr) out->Piece(kind, std::string_view(&prefix, 1), false);
  size_t length = 0;
  for (;;) {
    const char* data = in.data() + in.pos;
    const size_t left = in.size() - in.pos;
    const void* lf = std::memchr(data, '\n', left);
    const size_t take =
        lf != nullptr ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : left;
    in.pos += take;
    length += take;
    if (out != nullptr) out->Piece(kind, std::string_view(data, take), lf != nullptr);
    if (lf != nullptr) return length;
    if (!in.Ready()) {
      if (out != nullptr) {
        out->Piece(kind, "\n", true);
        out->Piece(DiffLine::Kind::kNoNewline, "\\ No newline at end of file\n", true);
      }
      return length;
    }
  }
}

// Steps over length bytes: a context line of the new file, as long as the
// old file's.
void Skip(Chunks& in, size_t length) {
  while (length > 0 && in.Ready()) {
    const size_t take = std::min(length, in.size() - in.pos);
    in.pos += take;
    length -= take;
  }
}

// The diff's operations from the edits and the old file's line ends: a line
// the rewriter kept is context when it is a whole diff line ending in CR LF
// (what the rewriter writes); every other old line is removed and every
// other new line added, the removed ones of a change first. False when the
// edits do not take exactly the old file's lines.
bool DiffOperations(const FormEdits& edits, InputFile& old_file, KindRuns& ops, bool& changed) {
  Chunks old(old_file);
  int64_t removed = 0;
  int64_t added = 0;
  changed = false;
  auto flush = [&] {
    if (removed + added > 0) changed = true;
    ops.Add(kRemoved, removed);
    ops.Add(kAdded, added);
    removed = added = 0;
  };
  bool at_line_start = true;
  KindRuns::Cursor cursor(edits.runs());
  uint8_t edit = 0;
  while (cursor.Next(edit)) {
    if (edit == kAddedLine) {
      ++added;
      continue;
    }
    End end = End::kNone;
    if (!NextRewriterLine(old, end)) return false;
    const bool whole = at_line_start && end == End::kCrLf;
    // A lone CR ends a line of the rewriter, not one of the diff.
    at_line_start = end != End::kCr;
    if (edit == kKeptLine && whole) {
      flush();
      ops.Add(kContext, 1);
      continue;
    }
    if (edit == kKeptLine) ++added;
    if (at_line_start) ++removed;
  }
  End end = End::kNone;
  if (NextRewriterLine(old, end)) return false;
  if (!at_line_start) ++removed;
  flush();
  return true;
}

std::string Range(int64_t start, int64_t count) {
  // git's form: "s" for one line, "s,n" otherwise; an empty range names the
  // line before it.
  const int64_t first = count == 0 ? start : start + 1;
  if (count == 1) return std::to_string(first);
  return std::to_string(first) + "," + std::to_string(count);
}

// The hunks of ops, grouped as UnifiedDiff groups them, with the lines read
// from both files as they go by.
void WriteHunks(const KindRuns& ops, Chunks& old, Chunks& now, PatchOut& out) {
  KindRuns::Cursor scan(ops);
  int64_t scan_index = 0;
  uint8_t kind = 0;
  bool have = scan.Next(kind);
  KindRuns::Cursor write(ops);
  int64_t write_index = 0;
  int64_t old_at = 0;
  int64_t new_at = 0;
  for (;;) {
    while (have && kind == kContext) {
      ++scan_index;
      have = scan.Next(kind);
    }
    if (!have) break;
    const int64_t first = std::max<int64_t>(scan_index - kContextLines, 0);
    const int64_t before = scan_index - first;
    // The hunk runs on while the next change is close enough for the two
    // contexts to meet.
    int64_t last = scan_index;
    int64_t context = 0;
    int64_t context_since_last = 0;
    int64_t removed = 0;
    int64_t added = 0;
    while (have) {
      if (kind != kContext) {
        context += context_since_last;
        context_since_last = 0;
        last = scan_index;
        ++(kind == kRemoved ? removed : added);
      } else if (scan_index - last > 2 * kContextLines) {
        break;
      } else {
        ++context_since_last;
      }
      ++scan_index;
      have = scan.Next(kind);
    }
    const int64_t end =
        have ? last + 1 + kContextLines : std::min(scan_index, last + 1 + kContextLines);
    const int64_t after = end - last - 1;

    uint8_t op = 0;
    for (; write_index < first; ++write_index, ++old_at, ++new_at) {
      write.Next(op);
      Skip(now, CopyLine(old, nullptr, DiffLine::Kind::kContext, ' '));
    }
    const std::string header = "@@ -" + Range(old_at, before + context + removed + after) + " +" +
                               Range(new_at, before + context + added + after) + " @@\n";
    out.Piece(DiffLine::Kind::kHunkHeader, header, true);
    for (; write_index < end; ++write_index) {
      write.Next(op);
      if (op == kAdded) {
        CopyLine(now, &out, DiffLine::Kind::kAdded, '+');
        ++new_at;
      } else if (op == kRemoved) {
        CopyLine(old, &out, DiffLine::Kind::kRemoved, '-');
        ++old_at;
      } else {
        Skip(now, CopyLine(old, &out, DiffLine::Kind::kContext, ' '));
        ++old_at;
        ++new_at;
      }
    }
  }
}

}  // namespace

void KindRuns::AddRuns(uint8_t kind, int64_t count) {
  while (count > 0) {
    if (!runs_.empty() && runs_.back() >> 6 == kind && (runs_.back() & 63) < 63) {
      const int64_t room = 63 - (runs_.back() & 63);
      const int64_t take = std::min(room, count);
      runs_.back() = static_cast<uint8_t>(runs_.back() + take);
      count -= take;
    } else {
      runs_.push_back(static_cast<uint8_t>(kind << 6));
    }
  }
}

bool KindRuns::Cursor::Next(uint8_t& kind) {
  if (run_ < runs_->runs_.size() && used_ == (runs_->runs_[run_] & 63)) {
    ++run_;
    used_ = 0;
  }
  if (run_ >= runs_->runs_.size()) return false;
  kind = static_cast<uint8_t>(runs_->runs_[run_] >> 6);
  ++used_;
  return true;
}

void MendEdits::Note(Edit edit) {
  if (edit == Edit::kKept) lines_.Add(kKeptLine, 1);
  // A mended line is told as removed, then added: the removal counts it.
  if (edit == Edit::kRemoved) lines_.Add(kMendedLine, 1);
}

bool ComposeEdits(const FormEdits& form, const MendEdits& mend, FormEdits& out) {
  KindRuns::Cursor edits(form.runs());
  KindRuns::Cursor lines(mend.lines());
  uint8_t edit = 0;
  uint8_t line = 0;
  while (edits.Next(edit)) {
    // A removed line wrote nothing the mend could see.
    if (edit == kRemovedLine) {
      out.Note(RewriteLog::Edit::kRemoved);
      continue;
    }
    if (!lines.Next(line)) return false;
    if (line != kMendedLine) {
      out.Note(static_cast<RewriteLog::Edit>(edit));
      continue;
    }
    if (edit == kKeptLine) out.Note(RewriteLog::Edit::kRemoved);
    out.Note(RewriteLog::Edit::kAdded);
  }
  return !lines.Next(line);
}

namespace {

// The diff's operations of a mend: the lines of old_file grouped into the
// diff's lines (up to each LF), each context or changed, the changed ones
// of a run as removed lines, then as many added. False when the edits do
// not take exactly the old file's lines.
bool MendOperations(const MendEdits& edits, InputFile& old_file, KindRuns& ops, bool& changed) {
  Chunks old(old_file);
  changed = false;
  int64_t run = 0;            // changed diff lines in a row
  bool open = false;          // a diff line has begun and not ended
  bool open_changed = false;  // it holds a mended line
  auto end_diff_line = [&] {
    if (open_changed) {
      ++run;
      changed = true;
    } else {
      ops.Add(kRemoved, run);
      ops.Add(kAdded, run);
      run = 0;
      ops.Add(kContext, 1);
    }
    open = open_changed = false;
  };
  KindRuns::Cursor cursor(edits.lines());
  uint8_t line = 0;
  while (cursor.Next(line)) {
    End end = End::kNone;
    if (!NextRewriterLine(old, end)) return false;
    open = true;
    open_changed = open_changed || line == kMendedLine;
    // A lone CR ends a line of the mend, not one of the diff.
    if (end != End::kCr) end_diff_line();
  }
  End end = End::kNone;
  if (NextRewriterLine(old, end)) return false;
  if (open) end_diff_line();
  ops.Add(kRemoved, run);
  ops.Add(kAdded, run);
  return true;
}

// The header and the hunks of ops over the two files.
void WritePatch(const KindRuns& ops, FileSystem& old_fs, FileSystem& new_fs,
                const std::string& file, const std::string& path, PatchOut& out) {
  out.Piece(DiffLine::Kind::kFileHeader, "diff --git a/" + path + " b/" + path + "\n", true);
  out.Piece(DiffLine::Kind::kFileHeader, "--- a/" + path + "\n", true);
  out.Piece(DiffLine::Kind::kFileHeader, "+++ b/" + path + "\n", true);
  std::unique_ptr<InputFile> old_file = old_fs.OpenInput(file);
  std::unique_ptr<InputFile> new_file = new_fs.OpenInput(file);
  Chunks old(*old_file);
  Chunks now(*new_file);
  WriteHunks(ops, old, now, out);
  old_file->Close();
  new_file->Close();
}

}  // namespace

bool WriteFormPatch(const FormEdits& edits, FileSystem& old_fs, FileSystem& new_fs,
                    const std::string& file, const std::string& path, PatchOut& out) {
  KindRuns ops;
  bool changed = false;
  {
    std::unique_ptr<InputFile> old_file = old_fs.OpenInput(file);
    if (!DiffOperations(edits, *old_file, ops, changed)) return false;
    old_file->Close();
  }
  if (changed) WritePatch(ops, old_fs, new_fs, file, path, out);
  return true;
}

bool WriteMendPatch(const MendEdits& edits, FileSystem& old_fs, FileSystem& new_fs,
                    const std::string& file, const std::string& path, PatchOut& out) {
  KindRuns ops;
  bool changed = false;
  {
    std::unique_ptr<InputFile> old_file = old_fs.OpenInput(file);
    if (!MendOperations(edits, *old_file, ops, changed)) return false;
    old_file->Close();
  }
  if (changed) WritePatch(ops, old_fs, new_fs, file, path, out);
  return true;
}

RewriteLog* FormEditsBook::Start(const std::string& form_path) {
  current_.reset();
  if (overlay_.Holds(form_path)) return nullptr;
  current_key_ = PathKey(form_path);
  current_ = std::make_unique<FormEdits>();
  return current_.get();
}

void FormEditsBook::Finish(bool replaced) {
  if (current_ && replaced) kept_[current_key_] = std::move(current_);
  current_.reset();
}

const FormEdits* FormEditsBook::EditsOf(const std::string& path) const {
  const auto it = kept_.find(PathKey(path));
  return it == kept_.end() ? nullptr : it->second.get();
}

RewriteLog* FormEditsBook::StartMend(const std::string& path) {
  mend_.reset();
  mend_key_ = PathKey(path);
  if (kept_.count(mend_key_) == 0 && overlay_.Holds(path)) return nullptr;
  mend_ = std::make_unique<MendEdits>();
  return mend_.get();
}

void FormEditsBook::FinishMend(bool replaced) {
  std::unique_ptr<MendEdits> mend = std::move(mend_);
  if (!mend || !replaced) return;
  const auto form = kept_.find(mend_key_);
  if (form == kept_.end()) {
    mends_kept_[mend_key_] = std::move(mend);
    return;
  }
  auto composed = std::make_unique<FormEdits>();
  if (ComposeEdits(*form->second, *mend, *composed)) {
    form->second = std::move(composed);
  } else {
    // The texts are compared instead.
    kept_.erase(form);
  }
}

const MendEdits* FormEditsBook::MendEditsOf(const std::string& path) const {
  const auto it = mends_kept_.find(PathKey(path));
  return it == mends_kept_.end() ? nullptr : it->second.get();
}

}  // namespace xpconv

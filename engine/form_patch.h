// The patch of a form a preview converts, written from the rewriter's own
// account of its edits (RewriteLog) rather than from a comparison of the old
// and the new text: one pass over the old form, then one over both, holding
// no line, only about a byte per run of equal edits and of equal line
// operations (some 5 % of a heavily converted form's size). Lines are those
// of UnifiedDiff (the pieces up to each LF), so a kept line whose line end is
// not CR LF is a changed line there; within a change the removed lines come
// before the added ones, and hunks carry three lines of context, as
// UnifiedDiff writes them. For the forms the development environment saves,
// whose edits are the shortest ones, the two patches are the same bytes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_system.h"
#include "engine/form_rewriter.h"
#include "engine/overlay_file_system.h"
#include "engine/unified_diff.h"

namespace xpconv {

// A sequence of kinds kept as runs, about a byte per run.
class KindRuns {
 public:
  // kind < 4, count >= 0.
  void Add(uint8_t kind, int64_t count) {
    if (!runs_.empty() && runs_.back() >> 6 == kind && (runs_.back() & 63) + count <= 63) {
      runs_.back() = static_cast<uint8_t>(runs_.back() + count);
    } else {
      AddRuns(kind, count);
    }
  }
  // Walks the kinds one at a time.
  class Cursor {
   public:
    explicit Cursor(const KindRuns& runs) : runs_(&runs) {}
    // The next kind; false at the end.
    bool Next(uint8_t& kind);

   private:
    const KindRuns* runs_;
    size_t run_ = 0;
    uint8_t used_ = 0;
  };

 private:
  void AddRuns(uint8_t kind, int64_t count);

  std::vector<uint8_t> runs_;  // kind in the top two bits, count (1..63) below
};

// Where a patch goes: each line of it in one or more pieces, the last with
// ends set.
class PatchOut {
 public:
  PatchOut() = default;
  PatchOut(const PatchOut&) = delete;
  PatchOut& operator=(const PatchOut&) = delete;
  virtual ~PatchOut() = default;
  virtual void Piece(DiffLine::Kind kind, std::string_view bytes, bool ends) = 0;
};

// The edits of one form job.
class FormEdits final : public RewriteLog {
 public:
  void Note(Edit edit) override { runs_.Add(static_cast<uint8_t>(edit), 1); }
  const KindRuns& runs() const { return runs_; }

 private:
  KindRuns runs_;
};

// The edits of a code mend (engine/code_check.h), line by line: kept as it
// is, line end included, or mended (noted as removed and added).
class MendEdits final : public RewriteLog {
 public:
  void Note(Edit edit) override;
  // 0 for a kept line, 1 for a mended one.
  const KindRuns& lines() const { return lines_; }

 private:
  KindRuns lines_;
};

// The edits of a form job followed by those of a mend of the text it wrote,
// as one account of what became of the form's old lines, into out (empty).
// False when the mend's lines are not the lines the job wrote.
bool ComposeEdits(const FormEdits& form, const MendEdits& mend, FormEdits& out);

// Writes the patch that turns old_file (the form on disk) into new_file (what
// the job left) by edits; path names the file after "a/" and "b/". False,
// with nothing written, when the edits do not fit old_file's lines; the
// caller then compares the texts instead.
bool WriteFormPatch(const FormEdits& edits, FileSystem& old_fs, FileSystem& new_fs,
                    const std::string& file, const std::string& path, PatchOut& out);

// The same for a module a mend changed, whose old_file (on disk) and new_file
// have the same lines with the same line ends: a line of the diff that holds
// a mended line is changed, every other is context.
bool WriteMendPatch(const MendEdits& edits, FileSystem& old_fs, FileSystem& new_fs,
                    const std::string& file, const std::string& path, PatchOut& out);

// The edits of every form a preview converts, by the form's key in the
// overlay: only of jobs that read the file on disk, since the patch is made
// against that. The mends of the code check join them: a mend of a form
// the preview converted becomes part of that form's edits, a mend of a
// file on disk is kept on its own.
class FormEditsBook {
 public:
  explicit FormEditsBook(OverlayFileSystem& overlay) : overlay_(overlay) {}

  // The log for a job starting on form_path; null when the overlay holds the
  // form already.
  RewriteLog* Start(const std::string& form_path);
  // The current job has ended; its edits are kept when its text took the
  // form's place.
  void Finish(bool replaced);
  // The kept edits of the form at path; null when there are none.
  const FormEdits* EditsOf(const std::string& path) const;

  // The log for a mend starting on the module at path: null when the
  // overlay holds the module but no edits of it (its patch then comes from
  // comparing the texts).
  RewriteLog* StartMend(const std::string& path);
  // The current mend has ended; replaced tells whether its text took the
  // module's place.
  void FinishMend(bool replaced);
  // The kept edits of a mend of the file on disk at path; null when there
  // are none.
  const MendEdits* MendEditsOf(const std::string& path) const;

 private:
  OverlayFileSystem& overlay_;
  std::string current_key_;
  std::unique_ptr<FormEdits> current_;
  std::map<std::string, std::unique_ptr<FormEdits>> kept_;
  std::string mend_key_;
  std::unique_ptr<MendEdits> mend_;
  std::map<std::string, std::unique_ptr<MendEdits>> mends_kept_;
};

}  // namespace xpconv

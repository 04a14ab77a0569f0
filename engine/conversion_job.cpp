#include "engine/conversion_job.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "engine/error.h"
#include "engine/file_helpers.h"
#include "engine/form_rewriter.h"
#include "engine/messages.h"
#include "engine/paths.h"

namespace xpconv {

namespace {

// Numbers of the classic runtime table for failures that are not file
// operations; they keep the message layout our users know.
constexpr int32_t kOutOfMemory = 7;
constexpr int32_t kInternalError = 51;

// On Windows "~FORM.TMP" and "~form.tmp. " name the same file as the
// temporary file; a form of that name would be deleted at the job's start and
// then overwritten, so such a name is refused on every platform alike.
bool IsTemporaryFileName(std::string_view name) {
  return NamesFile(name, kTempFormName);
}

// The file name as shown to the user; the raw bytes when they cannot be
// converted, since the message must still name the file.
std::string DisplayName(FileSystem& fs, const std::string& file_name) {
  try {
    return fs.ToDisplayText(file_name);
  } catch (const std::exception&) {
    return file_name;
  }
}

// The per-file percent: the position in whole 128-byte units, as a 32-bit
// value, over the length, rounded half up. Most lines stay inside the same
// 128-byte unit, so the last result is kept instead of dividing per line.
class FilePercent {
 public:
  explicit FilePercent(int64_t length) : length_(length) {}

  int16_t At(int64_t position) {
    const int64_t units = position / 128;
    if (units == last_units_) return last_percent_;
    const int32_t whole_units = ToInt32(units * 128);
    const double percent =
        std::floor(static_cast<double>(whole_units) / static_cast<double>(length_) * 100.0 + 0.5);
    // The loop only runs with bytes left, so length is positive; a file that
    // grew or shrank behind our back must still not turn into undefined
    // behaviour (NaN or a value outside 16 bits).
    if (!(percent >= INT16_MIN && percent <= INT16_MAX)) throw MakeError(err::kOverflow);
    last_units_ = units;
    last_percent_ = static_cast<int16_t>(percent);
    return last_percent_;
  }

 private:
  int64_t length_;
  int64_t last_units_ = -1;
  int16_t last_percent_ = 0;
};

template <typename File>
void CloseQuietly(std::unique_ptr<File>& file) {
  if (!file) return;
  std::unique_ptr<File> closing = std::move(file);
  try {
    closing->Close();
  } catch (const std::exception&) {
    // The error that led here is the one the user has been shown.
  }
}

// Closes explicitly so that a failure (for example the last buffered bytes
// not fitting on the disk) reaches the error path; the object is released
// first so the error path does not close it a second time.
template <typename File>
void CloseOrRaise(std::unique_ptr<File>& file) {
  std::unique_ptr<File> closing = std::move(file);
  closing->Close();
}

}  // namespace

int32_t ConvertFormFile(EngineContext& ctx, const std::string& folder, const std::string& file_name,
                        FormJobDetails* details) {
  FormJobDetails ignored;
  FormJobDetails& told = details != nullptr ? *details : ignored;
  told = FormJobDetails{};
  std::unique_ptr<InputFile> input;
  std::unique_ptr<OutputFile> output;
  int32_t error_number = 0;
  std::string error_description;
  try {
    bool changed = false;
    const RewriteOptions options = RewriteOptions::FromHost(ctx.host);
    if (IsTemporaryFileName(file_name)) throw MakeError(err::kPathFileAccess);

    // A form that is a symbolic link is converted where it really lives:
    // the temporary file goes beside the file the link points to and is
    // renamed over it, so the link stays a link.
    const std::string form_path = ctx.fs.FinalPath(folder + file_name);
    if (IsTemporaryFileName(NameOf(form_path))) throw MakeError(err::kPathFileAccess);
    const std::string temp_path = FolderOf(form_path) + kTempFormName;
    RemoveIfThere(ctx.fs, temp_path);

    ctx.host.SetFileCaption(ctx.fs.ToDisplayText(file_name));
    ctx.host.SetFileBar(0);
    ctx.host.PumpMessages();

    // The input first: a missing form then leaves no temporary file behind.
    input = ctx.fs.OpenInput(form_path);
    output = ctx.fs.OpenOutput(temp_path);
    FilePercent percent(input->Length());

    // The rewriter carries every line of the form through one string, and
    // a line it hands back (a nested header) stays in it: no allocation per
    // line. A line longer than a piece passes through in pieces, with the
    // file bar moving and the windows answering while it does.
    FormRewriter rewriter(options);
    if (ctx.observer != nullptr) rewriter.log = ctx.observer->RewriteLogFor(form_path);
    rewriter.on_piece = [&] {
      ctx.host.SetFileBar(percent.At(input->Position()));
      ctx.host.PumpMessages();
    };
    bool pending = false;
    for (;;) {
      if (!pending && input->AtEnd()) break;
      if (!pending) rewriter.ReadLine(*input);
      ctx.host.SetFileBar(percent.At(input->Position()));
      ctx.host.PumpMessages();
      if (ctx.abort.raised()) break;

      const FormRewriter::Outcome outcome = rewriter.Rewrite(*input, *output);
      if (outcome.replaced) changed = true;
      pending = outcome.pending;
    }

    CloseOrRaise(input);
    CloseOrRaise(output);
    told.replaced = rewriter.replaced();

    bool replaced = false;
    if (changed && !ctx.abort.raised()) {
      // One atomic rename: the form is at every moment either its old or its
      // converted text, and a read-only form is refused and stays as it was.
      ctx.fs.Replace(temp_path, form_path);
      replaced = true;
      told.form_replaced = true;
      ctx.host.PumpMessages();
    }
    if (!replaced) ctx.fs.Remove(temp_path);

    told.result = ctx.abort.raised() ? kFormFailed : changed ? kFormConverted : kFormUnchanged;
    return told.result;
  } catch (const VbError& e) {
    error_number = e.number();
    error_description = e.description();
  } catch (const std::bad_alloc&) {
    // Memory running out is reported like any other failure of this form;
    // what the job held has been released by now.
    error_number = kOutOfMemory;
    error_description = "Nicht genügend Speicher";
  } catch (const std::exception&) {
    error_number = kInternalError;
    error_description = "Interner Fehler";
  }

  // The temporary file is left as the failure left it: deleting it could fail
  // in turn and hide the first error, and the next job in this folder
  // removes it at its start.
  const std::string message =
      msg::FileErrorPrompt(error_number, error_description, DisplayName(ctx.fs, file_name));
  told.result = kFormFailed;
  told.error_number = error_number;
  told.error_text = error_description;
  if (ctx.observer != nullptr) ctx.observer->ShowingError(error_number, error_description);
  ctx.host.ShowMessage(message, mb::kOk, "");
  CloseQuietly(input);
  CloseQuietly(output);
  return kFormFailed;
}

}  // namespace xpconv

// The patch written from the rewriter's edits, checked against the patch of
// the two texts (UnifiedDiff, which wrote every form's patch before): the
// same bytes for the forms the tests, the fuzz corpus and the sample hold,
// with every kind of line end, lines longer than a read, and the options
// that change what is inserted.
#include "engine/form_patch.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/conversion_job.h"
#include "engine/engine_context.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"

namespace xpconv {
namespace {

class Logger final : public RunObserver {
 public:
  void ProjectFileDone(bool, const std::string&) override {}
  void EntryStarted(int16_t, const std::string&) override {}
  void EntryDone(int16_t, const FormJobDetails&, const std::string&) override {}
  void RunFailed(const VbError&) override {}
  RewriteLog* RewriteLogFor(const std::string&) override { return &edits; }

  FormEdits edits;
};

class TextOut final : public PatchOut {
 public:
  void Piece(DiffLine::Kind, std::string_view bytes, bool) override { text.append(bytes); }
  std::string text;
};

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The form's lines with line ends taken in turn from ends.
std::string WithLineEnds(const std::string& crlf_text, const std::vector<std::string>& ends) {
  std::string out;
  size_t line = 0;
  for (size_t i = 0; i < crlf_text.size(); ++i) {
    if (crlf_text.compare(i, 2, "\r\n") == 0) {
      out += ends[line++ % ends.size()];
      ++i;
    } else {
      out += crlf_text[i];
    }
  }
  return out;
}

TEST(FormPatchTest, IsThePatchOfTheTwoTexts) {
  const std::string form = testing::ConvertibleForm("frmA");
  std::vector<std::pair<std::string, std::string>> inputs = {
      {"CR LF", form},
      {"LF", WithLineEnds(form, {"\n"})},
      {"CR", WithLineEnds(form, {"\r"})},
      {"mixed", WithLineEnds(form, {"\n", "\r\n", "\r", "\r\n", "\r\n"})},
      {"no last line end", form.substr(0, form.size() - 2)},
      {"last line ends in CR", form.substr(0, form.size() - 1)},
      // Lines longer than a read of the patch (64 KiB), one whose CR LF
      // falls across two reads, a replaced header's long tail.
      {"long lines",
       "VERSION 5.00\r\n" + std::string(65521, 'v') + "\r\nBegin VB.Frame fra" +
           std::string(70000, ' ') + "x\r\n   Caption = \"" + std::string(140000, 'y') +
           "\"\r\n   BeginProperty Font \r\n      Name = \"Arial\"\r\n   EndProperty\r\nEnd"},
  };
  for (const char* folder : {XPC_SAMPLES_DIR "/Kundenverwaltung", XPC_FUZZ_DIR "/corpus/form"}) {
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
      const std::string ext = item.path().extension().string();
      if (item.is_regular_file() && ext != ".vbp" && ext != ".vbg" && ext != ".bas") {
        inputs.emplace_back(item.path().filename().string(), FileText(item.path()));
      }
    }
  }
  const struct {
    std::array<int32_t, 4> replace;
    int32_t xp_style;
  } options[] = {{{1, 1, 1, 1}, 1}, {{1, 1, 1, 1}, 0}, {{0, 1, 0, 1}, 1}};

  const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  int converted = 0;
  for (const auto& [name, text] : inputs) {
    for (const auto& option : options) {
      SCOPED_TRACE(name + " / xp " + std::to_string(option.xp_style));
      testing::TempDir dir;
      testing::TempDir scratch;
      dir.WriteFile("f.frm", text);
      OverlayFileSystem overlay(*native, scratch.path() + "s");
      scratch.MakeDir("s");
      testing::RecordingHost host;
      host.replace = option.replace;
      host.xp_style = option.xp_style;
      AbortFlag abort;
      Logger logger;
      EngineContext ctx{host, overlay, abort, &logger};
      if (ConvertFormFile(ctx, dir.path(), "f.frm") != kFormConverted) continue;
      ++converted;
      const std::string after = *overlay.ContentOf(dir.Path("f.frm")).bytes;
      EXPECT_EQ(scratch.List("s").size(), 1u);

      TextOut out;
      ASSERT_TRUE(WriteFormPatch(logger.edits, *native, overlay, dir.Path("f.frm"), "f.frm", out));
      EXPECT_EQ(out.text, PatchText(UnifiedDiff(text, after, "f.frm")));

      // Edits that do not fit the file write nothing: the caller compares.
      dir.WriteFile("f.frm", text + "\r\nEnd\r\n");
      TextOut none;
      EXPECT_FALSE(WriteFormPatch(logger.edits, *native, overlay, dir.Path("f.frm"), "f", none));
      EXPECT_EQ(none.text, "");
    }
  }
  EXPECT_GT(converted, 20);
}

}  // namespace
}  // namespace xpconv

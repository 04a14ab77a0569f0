#include "engine/overlay_file_system.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/error.h"
#include "tests/support/error_of.h"
#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::ErrorOf;

// Every change stays in memory and reads back as the run wrote it; the
// disk never sees one.
TEST(OverlayFileSystemTest, ChangesStayInMemoryAndReadBack) {
  testing::TempDir dir;
  dir.WriteFile("a.frm", "one\r\ntwo\nthree");
  const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  OverlayFileSystem fs(*native);
  const std::string a = dir.Path("a.frm");
  const std::string folder = dir.Path("_Backup");

  fs.CreateFolder(folder);
  fs.CopyOver(a, folder + "\\a.frm");
  {
    std::unique_ptr<OutputFile> out = fs.OpenOutput(dir.Path("~form.tmp"));
    out->WriteLine("new");
    out->Close();
  }
  fs.Replace(dir.Path("~form.tmp"), dir.Path("A.FRM"));

  EXPECT_EQ(fs.FileLength(a), 5);
  std::unique_ptr<InputFile> in = fs.OpenInput(a);
  EXPECT_EQ(in->ReadLine(), "new");
  EXPECT_EQ(in->LastLineEnd(), LineEnd::kCrLf);
  EXPECT_TRUE(in->AtEnd());
  std::unique_ptr<InputFile> backup = fs.OpenInput(folder + "\\a.frm");
  EXPECT_EQ(backup->ReadLine(), "one");
  EXPECT_EQ(backup->ReadLine(), "two");
  EXPECT_EQ(backup->ReadLine(), "three");
  EXPECT_EQ(ErrorOf([&] { backup->ReadLine(); }), err::kInputPastEnd);
  EXPECT_EQ(fs.FirstPlainFile(folder + "\\"), "a.frm");
  EXPECT_EQ(ErrorOf([&] { fs.FileLength(dir.Path("~form.tmp")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs.CreateFolder(folder); }), err::kPathFileAccess);

  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.frm"}));
  EXPECT_EQ(dir.ReadFile("a.frm"), "one\r\ntwo\nthree");
}

// Given a scratch folder, the bytes the run writes go into files there, and
// copies and renames of real files into none; all are gone with the overlay.
TEST(OverlayFileSystemTest, WrittenBytesGoToTheScratchFolderUntilTheEnd) {
  testing::TempDir dir;
  testing::TempDir scratch;
  dir.WriteFile("a.frm", "old\r\n");
  const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  {
    OverlayFileSystem fs(*native, scratch.path() + "s");
    scratch.MakeDir("s");
    fs.CopyOver(dir.Path("a.frm"), dir.Path("copy.frm"));
    {
      std::unique_ptr<OutputFile> out = fs.OpenOutput(dir.Path("~form.tmp"));
      out->WriteLine("new");
      out->Close();
    }
    fs.Replace(dir.Path("~form.tmp"), dir.Path("a.frm"));
    EXPECT_EQ(scratch.List("s").size(), 1u);
    EXPECT_EQ(fs.ContentOf(dir.Path("a.frm")).bytes, "new\r\n");
    EXPECT_EQ(fs.ContentOf(dir.Path("copy.frm")).bytes, "old\r\n");
    EXPECT_EQ(fs.FileLength(dir.Path("a.frm")), 5);
    fs.Remove(dir.Path("a.frm"));
    EXPECT_EQ(scratch.List("s").size(), 0u);
    std::unique_ptr<OutputFile> left = fs.OpenOutput(dir.Path("b.frm"));
    left->Write("x");
    left->Close();
  }
  EXPECT_EQ(scratch.List("s").size(), 0u);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.frm"}));
  EXPECT_EQ(dir.ReadFile("a.frm"), "old\r\n");
}

// The refusals a real run would meet are met without trying the write.
TEST(OverlayFileSystemTest, RefusesWhatTheRealSystemWouldRefuse) {
  testing::TempDir dir;
  dir.WriteFile("ro.frm", "x");
  dir.WriteFile("tmp.frm", "y");
  dir.SetReadOnly("ro.frm", true);
  const std::unique_ptr<FileSystem> native = MakeNativeFileSystem();
  OverlayFileSystem fs(*native);

  EXPECT_EQ(ErrorOf([&] { fs.Replace(dir.Path("tmp.frm"), dir.Path("ro.frm")); }),
            err::kPermissionDenied);
  EXPECT_EQ(ErrorOf([&] { fs.OpenOutput(dir.Path("missing\\x.tmp")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fs.CreateFolder(dir.Path("a\\b")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorOf([&] { fs.Remove(dir.Path("none.frm")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorOf([&] { fs.OpenInput(dir.Path("none.frm")); }), err::kFileNotFound);
  fs.Remove(dir.Path("tmp.frm"));
  EXPECT_EQ(ErrorOf([&] { fs.Remove(dir.Path("tmp.frm")); }), err::kFileNotFound);
  EXPECT_TRUE(dir.Exists("tmp.frm"));
  dir.SetReadOnly("ro.frm", false);
}

}  // namespace
}  // namespace xpconv

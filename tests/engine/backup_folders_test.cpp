#include "engine/backup_folders.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/error.h"
#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::TempDir;

// Records the folder operations it is asked for and fails them in the way a
// test chooses; every other operation is out of bounds for these probes.
class FolderSpy : public FileSystem {
 public:
  enum class Failure { kNone, kVbError, kOtherException };

  Failure failure = Failure::kNone;
  std::optional<std::string> first_file;
  std::vector<std::string> created;
  std::vector<std::string> listed;

  std::unique_ptr<InputFile> OpenInput(const std::string&) override { return Unexpected(); }
  std::unique_ptr<OutputFile> OpenOutput(const std::string&) override {
    Unexpected();
    return nullptr;
  }
  int64_t FileLength(const std::string&) override {
    Unexpected();
    return 0;
  }
  void Remove(const std::string&) override { Unexpected(); }
  void CopyOver(const std::string&, const std::string&) override { Unexpected(); }
  void Replace(const std::string&, const std::string&) override { Unexpected(); }
  void CreateFolder(const std::string& path) override {
    created.push_back(path);
    Fail();
  }
  std::optional<std::string> FirstPlainFile(const std::string& folder) override {
    listed.push_back(folder);
    Fail();
    return first_file;
  }
  std::string ToDisplayText(std::string_view ansi) override { return std::string(ansi); }

 private:
  std::unique_ptr<InputFile> Unexpected() {
    ADD_FAILURE() << "a folder probe used a file operation";
    return nullptr;
  }
  void Fail() {
    if (failure == Failure::kVbError) throw MakeError(err::kPathNotFound);
    if (failure == Failure::kOtherException) throw std::runtime_error("kaputt");
  }
};

TEST(MakeFolderTest, CutsOneTrailingBackslashAndLeavesBareDrivesAlone) {
  FolderSpy spy;
  MakeFolder(spy, "C:\\Proj\\_Backup\\");
  MakeFolder(spy, "C:\\Proj\\Forms\\_Backup");
  MakeFolder(spy, "C:\\Proj\\Doppelt\\\\");
  MakeFolder(spy, "C:");
  MakeFolder(spy, "C:\\");
  MakeFolder(spy, "");
  MakeFolder(spy, "\\");
  const std::vector<std::string> expected = {"C:\\Proj\\_Backup", "C:\\Proj\\Forms\\_Backup",
                                             "C:\\Proj\\Doppelt\\"};
  EXPECT_EQ(spy.created, expected);
}

TEST(MakeFolderTest, SwallowsEveryKindOfFailure) {
  FolderSpy spy;
  spy.failure = FolderSpy::Failure::kVbError;
  EXPECT_NO_THROW(MakeFolder(spy, "C:\\Proj\\_Backup\\"));
  spy.failure = FolderSpy::Failure::kOtherException;
  EXPECT_NO_THROW(MakeFolder(spy, "C:\\Proj\\_Backup\\"));
  EXPECT_EQ(spy.created.size(), 2u);
}

TEST(MakeFolderTest, CreatesTheLastLevelOnDiskAndIgnoresWhatItCannotDo) {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();

  MakeFolder(*fs, dir.Path("_Backup\\"));
  ASSERT_TRUE(dir.Exists("_Backup"));
  dir.WriteFile("_Backup\\Kunden.vbp", "Type=Exe\r\n");
  // Again: the folder and what it holds stay, and nothing is reported.
  EXPECT_NO_THROW(MakeFolder(*fs, dir.Path("_Backup\\")));
  EXPECT_EQ(dir.ReadFile("_Backup\\Kunden.vbp"), "Type=Exe\r\n");

  // Only one level: a missing parent is not made either.
  EXPECT_NO_THROW(MakeFolder(*fs, dir.Path("Fehlt\\_Backup\\")));
  EXPECT_FALSE(dir.Exists("Fehlt"));

  // A file in the way of the folder.
  dir.WriteFile("Datei", "x");
  EXPECT_NO_THROW(MakeFolder(*fs, dir.Path("Datei\\")));
  EXPECT_EQ(dir.ReadFile("Datei"), "x");
}

TEST(BackupPathTest, ABackupLiesInTheBackupFolderBesideItsFileUnderItsName) {
  EXPECT_EQ(BackupFolderIn("C:\\P\\"), "C:\\P\\_Backup\\");
  EXPECT_EQ(BackupFolderIn(""), "_Backup\\");
  EXPECT_EQ(BackupPathOf("C:\\P\\Forms\\frmA.frm"), "C:\\P\\Forms\\_Backup\\frmA.frm");
  EXPECT_EQ(BackupPathOf("App.vbp"), "_Backup\\App.vbp");
}

TEST(FolderHasFilesTest, ListsTheFolderWithExactlyOneTrailingBackslash) {
  FolderSpy spy;
  spy.first_file = "Kunden.vbp";
  EXPECT_TRUE(FolderHasFiles(spy, "C:\\Proj\\_Backup"));
  EXPECT_TRUE(FolderHasFiles(spy, "C:\\Proj\\_Backup\\"));
  const std::vector<std::string> expected = {"C:\\Proj\\_Backup\\", "C:\\Proj\\_Backup\\"};
  EXPECT_EQ(spy.listed, expected);

  spy.first_file.reset();
  EXPECT_FALSE(FolderHasFiles(spy, "C:\\Proj\\_Backup\\"));
}

TEST(FolderHasFilesTest, TurnsEveryFailureIntoFalse) {
  FolderSpy spy;
  spy.first_file = "Kunden.vbp";
  spy.failure = FolderSpy::Failure::kVbError;
  EXPECT_FALSE(FolderHasFiles(spy, "C:\\Proj\\_Backup\\"));
  spy.failure = FolderSpy::Failure::kOtherException;
  EXPECT_FALSE(FolderHasFiles(spy, "C:\\Proj\\_Backup\\"));
}

TEST(FolderHasFilesTest, SeesPlainFilesOnlyOnDisk) {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();

  EXPECT_FALSE(FolderHasFiles(*fs, dir.Path("_Backup")));  // missing
  dir.MakeDir("_Backup");
  EXPECT_FALSE(FolderHasFiles(*fs, dir.Path("_Backup")));
  EXPECT_FALSE(FolderHasFiles(*fs, dir.Path("_Backup\\")));

  dir.MakeDir("_Backup\\Forms");
  EXPECT_FALSE(FolderHasFiles(*fs, dir.Path("_Backup\\")));

  // A name without an extension counts like any other.
  dir.WriteFile("_Backup\\LIESMICH", "");
  EXPECT_TRUE(FolderHasFiles(*fs, dir.Path("_Backup")));
  EXPECT_TRUE(FolderHasFiles(*fs, dir.Path("_Backup\\")));
}

}  // namespace
}  // namespace xpconv

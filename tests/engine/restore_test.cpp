#include "engine/restore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/error.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::TempDir;

TEST(RestoreTest, PlanComparesEachFileWithItsBackup) {
  const struct {
    const char* name;
    const char* file;    // nullptr: not there
    const char* backup;  // nullptr: not there
    RestoreState state;
  } cases[] = {
      {"no backup", "x", nullptr, RestoreState::kNoBackup},
      {"neither", nullptr, nullptr, RestoreState::kNoBackup},
      {"equal", "same\r\n", "same\r\n", RestoreState::kUnchanged},
      {"line ends differ", "a\r\n", "a\n", RestoreState::kRestore},
      {"converted", "new", "old", RestoreState::kRestore},
      {"file gone", nullptr, "old", RestoreState::kRestore},
  };
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.MakeDir("Forms\\_Backup");
    if (c.file != nullptr) dir.WriteFile("Forms\\frmA.frm", c.file);
    if (c.backup != nullptr) dir.WriteFile("Forms\\_Backup\\frmA.frm", c.backup);
    const RestoreItem item = PlanRestore(*fs, dir.Path("Forms\\frmA.frm"));
    EXPECT_EQ(item.state, c.state);
    EXPECT_EQ(item.backup, dir.Path("Forms\\_Backup\\frmA.frm"));
  }
}

TEST(RestoreTest, RestoreTakesTheBackupsBytesAndLeavesTheBackup) {
  TempDir dir;
  dir.WriteFile("frmA.frm", "converted\r\n");
  dir.WriteFile("_Backup\\frmA.frm", "original\n");
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();

  RestoreFile(*fs, PlanRestore(*fs, dir.Path("frmA.frm")));

  EXPECT_EQ(dir.ReadFile("frmA.frm"), "original\n");
  EXPECT_EQ(dir.ReadFile("_Backup\\frmA.frm"), "original\n");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"_Backup", "frmA.frm"}));
}

#ifndef _WIN32
// A run converts a linked form where it lives and backs it up beside the
// link; the restore puts the backup there and the link stays a link.
TEST(RestoreTest, ALinkedFileIsRestoredWhereItLives) {
  TempDir dir;
  dir.WriteFile("Shared\\frmA.frm", "converted\r\n");
  dir.WriteFile("_Backup\\frmA.frm", "original\n");
  std::filesystem::create_symlink("Shared/frmA.frm", dir.native() + "/frmA.frm");
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();

  RestoreFile(*fs, PlanRestore(*fs, dir.Path("frmA.frm")));

  EXPECT_TRUE(std::filesystem::is_symlink(dir.native() + "/frmA.frm"));
  EXPECT_EQ(dir.ReadFile("Shared\\frmA.frm"), "original\n");
}
#endif

TEST(RestoreTest, AReadOnlyFileIsRefusedAndStays) {
  TempDir dir;
  dir.WriteFile("frmA.frm", "converted\r\n");
  dir.WriteFile("_Backup\\frmA.frm", "original\n");
  dir.SetReadOnly("frmA.frm", true);
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();

  try {
    RestoreFile(*fs, PlanRestore(*fs, dir.Path("frmA.frm")));
    ADD_FAILURE() << "no error";
  } catch (const VbError& error) {
    EXPECT_EQ(error.number(), err::kPermissionDenied);
  }
  EXPECT_EQ(dir.ReadFile("frmA.frm"), "converted\r\n");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"_Backup", "frmA.frm"}));
  dir.SetReadOnly("frmA.frm", false);
}

// A restore does not start on a project another program holds, and holds it
// itself from its plan to its end, past the project file's replacement.
TEST(RestoreTest, AProjectRestoreHoldsTheRunLockFromPlanToEnd) {
  TempDir dir;
  for (const std::string file : {"frmA.frm", "App.vbp"}) {
    dir.WriteFile(file, "converted\r\n");
    dir.WriteFile("_Backup\\" + file, "original\n");
  }
  const std::string project = dir.Path("App.vbp");
  const std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  const std::unique_ptr<FileSystem> other = MakeNativeFileSystem();
  std::unique_ptr<RunLock> held = other->LockRun(project);
  EXPECT_EQ(ProjectRestore::Begin(*fs, project), nullptr);
  held.reset();

  std::unique_ptr<ProjectRestore> restore = ProjectRestore::Begin(*fs, project);
  ASSERT_NE(restore, nullptr);
  for (const std::string file : {"frmA.frm", "App.vbp"}) {
    restore->Restore(restore->Plan(dir.Path(file)));
    EXPECT_EQ(other->LockRun(project), nullptr) << file;
  }
  restore.reset();
  EXPECT_NE(other->LockRun(project), nullptr);
}

// A failure at each file operation of restoring two files, one after the
// other: every file is either as it was or exactly restored, and the
// backups are untouched.
TEST(RestoreTest, AFailureAtAnyOperationLosesNothing) {
  const std::vector<std::string> files = {"App.vbp", "Forms\\frmA.frm"};
  auto setup = [&](const TempDir& dir) {
    for (const std::string& file : files) {
      const size_t slash = file.rfind('\\');
      const std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
      const std::string name = file.substr(slash == std::string::npos ? 0 : slash + 1);
      dir.WriteFile(file, "converted " + file + "\r\n");
      dir.WriteFile(folder + "_Backup\\" + name, "original " + file + "\n");
    }
  };
  auto restore_all = [&](FileSystem& fs, const TempDir& dir) {
    for (const std::string& file : files) RestoreFile(fs, PlanRestore(fs, dir.Path(file)));
  };

  int total = 0;
  {
    TempDir dir;
    setup(dir);
    testing::FaultyFileSystem fs;
    restore_all(fs, dir);
    total = fs.operations();
  }
  ASSERT_GT(total, 6);
  for (int n = 1; n <= total; ++n) {
    SCOPED_TRACE("failure at operation " + std::to_string(n));
    TempDir dir;
    setup(dir);
    testing::FaultyFileSystem fs;
    fs.FailAt(n);
    try {
      restore_all(fs, dir);
    } catch (const VbError&) {
    }
    EXPECT_TRUE(fs.failed());
    for (const std::string& file : files) {
      const std::string now = dir.ReadFile(file);
      EXPECT_TRUE(now == "converted " + file + "\r\n" || now == "original " + file + "\n") << now;
    }
    EXPECT_EQ(dir.ReadFile("_Backup\\App.vbp"), "original App.vbp\n");
    EXPECT_EQ(dir.ReadFile("Forms\\_Backup\\frmA.frm"), "original Forms\\frmA.frm\n");
  }
}

}  // namespace
}  // namespace xpconv

#include "engine/file_helpers.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace xpconv {
namespace {

using testing::TempDir;

TEST(FileExistsTest, IsTrueOnlyForAFileWhoseLengthCanBeRead) {
  TempDir dir;
  auto fs = MakeNativeFileSystem();
  dir.WriteFile("frmA.frm", "VERSION 5.00\r\n");
  dir.WriteFile("leer.frm", "");
  EXPECT_TRUE(FileExists(*fs, dir.Path("frmA.frm")));
  EXPECT_TRUE(FileExists(*fs, dir.Path("leer.frm")));
  EXPECT_FALSE(FileExists(*fs, dir.Path("frmB.frm")));
  EXPECT_FALSE(FileExists(*fs, dir.Path("Fehlt\\frmA.frm")));
  EXPECT_FALSE(FileExists(*fs, ""));
}

}  // namespace
}  // namespace xpconv

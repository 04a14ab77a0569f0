#include "engine/paths.h"

#include <gtest/gtest.h>

namespace xpconv {
namespace {

TEST(PathsTest, TheLastBackslashSplitsFolderFromName) {
  const struct {
    const char* path;
    const char* folder;
    const char* name;
  } cases[] = {
      {"\\home\\u\\frmA.frm", "\\home\\u\\", "frmA.frm"},
      {"C:\\Proj\\App.vbp", "C:\\Proj\\", "App.vbp"},
      {"\\\\server\\share\\Kunden.vbp", "\\\\server\\share\\", "Kunden.vbp"},
      {"frmA.frm", "", "frmA.frm"},
      {"C:App.vbp", "", "C:App.vbp"},
      {"Sub\\", "Sub\\", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(NameOf(c.path), c.name) << c.path;
  }
}

TEST(PathsTest, EntriesResolveAgainstTheFolderUnlessAbsolute) {
  const struct {
    const char* entry;
    const char* folder;
    const char* name;
    bool in_folder;
  } cases[] = {
      {"frmA.frm", "P\\", "frmA.frm", true},
      {"Forms\\frmA.frm", "P\\Forms\\", "frmA.frm", false},
      {"..\\Shared\\frmA.frm", "P\\..\\Shared\\", "frmA.frm", false},
      {"C:\\Other\\frmA.frm", "C:\\Other\\", "frmA.frm", false},
      {"C:frmA.frm", "", "C:frmA.frm", false},
      {"\\\\server\\share\\frmA.frm", "\\\\server\\share\\", "frmA.frm", false},
  };
  for (const auto& c : cases) {
    const EntryLocation where = ResolveEntryIn("P\\", c.entry);
    EXPECT_EQ(where.folder, c.folder) << c.entry;
    EXPECT_EQ(where.name, c.name) << c.entry;
    EXPECT_EQ(where.in_folder, c.in_folder) << c.entry;
  }
}

TEST(PathsTest, KeysFoldCaseAndResolveDots) {
  const struct {
    const char* path;
    const char* key;
  } cases[] = {
      {"\\p\\App\\..\\Shared\\frmA.frm", "\\p\\shared\\frma.frm"},
      {"\\p\\App\\.\\FORMS\\x.frm", "\\p\\app\\forms\\x.frm"},
      {"C:\\..\\a.frm", "c:\\..\\a.frm"},
      {"..\\..\\a.frm", "..\\..\\a.frm"},
      {"frmA.frm", "frma.frm"},
  };
  for (const auto& c : cases) EXPECT_EQ(PathKey(c.path), c.key) << c.path;
}

TEST(PathsTest, WithoutDotsStepsOutOfNamedFoldersOnly) {
  const struct {
    const char* path;
    const char* plain;
  } cases[] = {
      {"\\p\\App\\..\\Shared\\.\\frmA.frm", "\\p\\Shared\\frmA.frm"},
      {".\\App.vbp", "App.vbp"},
      {"..\\..\\a.frm", "..\\..\\a.frm"},
      {"C:\\..\\a.frm", "C:\\..\\a.frm"},
      {"\\..\\a.frm", "\\a.frm"},
      {"a\\\\b\\", "a\\b\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutDots(c.path), c.plain) << c.path;
}

TEST(PathsTest, LowerCaseAndEndingsTouchAsciiLettersOnly) {
  EXPECT_EQ(AsciiLower("FRM\xC4\xE9 Ab.VBP"), "frm\xC4\xE9 ab.vbp");
  EXPECT_TRUE(HasEnding("Gruppe.VBG", ".vbg"));
  EXPECT_TRUE(HasEnding("r.json", ".json"));
  EXPECT_FALSE(HasEnding("vbg", ".vbg"));
  EXPECT_FALSE(HasEnding("App.vbp", ".vbg"));
  EXPECT_TRUE(SameIgnoringCase("~FORM.tmp", "~form.TMP"));
  EXPECT_FALSE(SameIgnoringCase("\xC4", "\xE4"));
  EXPECT_FALSE(SameIgnoringCase("ab", "abc"));
}

}  // namespace
}  // namespace xpconv

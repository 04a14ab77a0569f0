#include "cli/command.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cli/app.h"
#include "tests/support/xpconvert_test.h"

namespace xpconv::cli {
namespace {

// The group G.vbg names App.vbp and Sub\B.vbp beside it; Empty.vbg names
// nothing; Missing.vbg is not there.
class ExpandProjectsTest : public testing::XpconvertTest {
 protected:
  void SetUp() override {
    dir.WriteFile("G.vbg", "VBGROUP 5.0\r\nStartupProject=App.vbp\r\nProject=Sub\\B.vbp\r\n");
    dir.WriteFile("Empty.vbg", "VBGROUP 5.0\r\n");
  }

  // A project of a group is shown as the disk's path of it: on POSIX with
  // "/" separators, on Windows with "\".
  std::string ShownMember(const std::string& relative) const {
#ifdef _WIN32
    return ToEnginePath(Arg(relative));
#else
    return Arg(relative);
#endif
  }
};

TEST_F(ExpandProjectsTest, ProjectsCarryTheirEnginePathAndTheirShownPath) {
  struct Case {
    std::vector<std::string> args;  // relative to the folder; "--keep-going" as is
    // Each project as relative path and whether it is shown as an argument.
    std::vector<std::pair<std::string, bool>> projects;
    int status;
    const char* err;  // a part of stderr, "" for none
  };
  const Case cases[] = {
      {{"App.vbp"}, {{"App.vbp", true}}, kExitOk, ""},
      {{"G.vbg"}, {{"App.vbp", false}, {"Sub/B.vbp", false}}, kExitOk, ""},
      // A project the arguments name as well is shown as the argument.
      {{"App.vbp", "G.vbg"}, {{"App.vbp", true}, {"App.vbp", true}, {"Sub/B.vbp", false}},
       kExitOk, ""},
      // A group that names nothing or cannot be read ends the call before
      // anything runs, unless --keep-going.
      {{"Empty.vbg", "App.vbp"}, {}, kExitFailed, "nennt kein Projekt"},
      {{"Missing.vbg", "App.vbp"}, {}, kExitFailed, "Fehler"},
      {{"Empty.vbg", "App.vbp", "--keep-going"}, {{"App.vbp", true}}, kExitFailed, "kein Projekt"},
      {{"Missing.vbg", "App.vbp", "--keep-going"}, {{"App.vbp", true}}, kExitFailed, "Fehler"},
  };
  std::unique_ptr<FileSystem> fs = MakeNativeFileSystem();
  for (const Case& c : cases) {
    std::vector<std::string> args{"restore"};
    for (const std::string& arg : c.args) args.push_back(arg.starts_with("--") ? arg : Arg(arg));
    const CommandLine line = ParseCommandLine(args);
    err.str("");
    const ProjectList list = ExpandProjects(CommandCall{line, *fs, Streams{in, out, err}, terminal});
    SCOPED_TRACE(args[1]);
    EXPECT_EQ(list.status, c.status);
    ASSERT_EQ(list.projects.size(), c.projects.size());
    for (size_t i = 0; i < c.projects.size(); ++i) {
      const auto& [relative, as_argument] = c.projects[i];
      EXPECT_EQ(list.projects[i].path, ToEnginePath(Arg(relative)));
      EXPECT_EQ(list.projects[i].shown, as_argument ? Arg(relative) : ShownMember(relative));
    }
    if (*c.err == '\0') {
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    }
  }
}

}  // namespace
}  // namespace xpconv::cli

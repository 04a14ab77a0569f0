// A fixture for tests that run whole xpconvert commands against real files
// in a temporary folder, with a fake console.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "tests/support/fake_terminal.h"
#include "tests/support/temp_dir.h"
#include "tests/support/vb6_project.h"

namespace xpconv::testing {

class XpconvertTest : public ::testing::Test {
 protected:
  // A path as a user types it: the system's folder, then "/" separators.
  std::string Arg(const std::string& relative) const {
    std::string path = dir.native() + "/" + relative;
    for (char& c : path) {
      if (c == '\\') c = '/';
    }
    return path;
  }

  // Runs the command with fresh out and err; returns its exit status.
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::RunXpconvert(args, in, out, err, terminal);
  }

  // App.vbp listing frmA.frm, Forms\frmB.frm and frmC.frm: frmA and frmC
  // hold every replaceable kind, Forms\frmB nothing.
  void MakeProject(const std::string& eol = "\r\n") {
    dir.WriteFile("App.vbp", ProjectText({"frmA.frm", "Forms\\frmB.frm", "frmC.frm"}, eol));
    dir.WriteFile("frmA.frm", ConvertibleForm("frmA", eol));
    dir.WriteFile("Forms\\frmB.frm", PlainForm("frmB", eol));
    dir.WriteFile("frmC.frm", ConvertibleForm("frmC", eol));
  }

  TempDir dir;
  FakeTerminal terminal;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
};

}  // namespace xpconv::testing

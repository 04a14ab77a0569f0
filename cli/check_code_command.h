// xpconvert check-code: the check of the projects' code on its own, for a
// project that was converted earlier; with --fix-code it mends the type
// tests, and nothing else is touched.
#pragma once

#include "cli/command_line.h"
#include "cli/project_commands.h"
#include "engine/file_system.h"

namespace xpconv::cli {

// Checks every project the arguments name, groups expanded. Returns the exit
// status: 1 when a project or a module could not be checked or mended, else
// 3 with --fail-on-code-references when code names a replaced class, else 0.
int RunCheckCode(const CommandLine& line, FileSystem& fs, Streams io);

}  // namespace xpconv::cli

// What the fuzz targets check, one function per target. Each takes arbitrary
// bytes, runs one part of the program on them and raises CheckFailure when a
// property does not hold; any other exception or a crash is a finding too.
// The libFuzzer targets (built with XPC_FUZZ) call them, and so does the
// replay test of every build, over the seed corpora and the regression files
// in tests/fuzz/.
#pragma once

#include <stdexcept>
#include <string_view>

namespace xpconv::fuzz {

class CheckFailure : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// The conversion job on an in-memory file system, for every one of the 32
// option settings. Byte 0 chooses the piece size of the input (how long
// lines are cut), byte 1 the file operation that fails (0: none); the rest
// is the form. Checks that the result is what the plain line rules give,
// that converting the result again changes nothing, and that a failure
// leaves the form untouched.
void CheckFormConversion(std::string_view data);

// The project file: reading its form entries and inserting the library
// line; inserting twice gives the same bytes as inserting once, and the
// entries stay the same.
void CheckProjectFile(std::string_view data);

// The command line of xpconvert: the arguments are the NUL-separated parts
// of data. Either a command line or a usage error, and a selection resolves
// to exactly the entries it names.
void CheckCommandLine(std::string_view data);

// The POSIX name look-up on a folder tree generated from data (names in
// mixed letter case, in UTF-8 and in Windows-1252 bytes): a name is found
// in any letter case, and never a file of another name. POSIX only.
void CheckPosixNames(std::string_view data);

// The code scanner on a module: byte 0 chooses the module type, the kinds
// replaced and the line limit; the rest is the module. Checks that reading
// in pieces finds what reading whole lines finds, that no finding stands in
// a comment (against a plain model of comments and strings) or inside a
// longer name, that mending twice gives what mending once gives, and that
// mending changes exactly the lines with mendable type tests.
void CheckCodeScanner(std::string_view data);

}  // namespace xpconv::fuzz

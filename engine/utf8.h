// UTF-8 as the engine and its programs check and compare it: whether bytes
// are well-formed, and letter case folded the way Windows compares file names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace xpconv {

// The length (1 to 4) of the well-formed UTF-8 sequence text starts with; 0
// when it starts with none (an overlong form, a surrogate, a code point past
// U+10FFFF, a cut-off sequence) or is empty.
size_t Utf8SequenceLength(std::string_view text);

// True when bytes is well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view bytes);

// Case folding for name comparison the way Windows compares file names:
// ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals become small
// letters. Input and output are UTF-8; invalid sequences are kept byte by byte.
std::string FoldCaseUtf8(std::string_view utf8);

}  // namespace xpconv

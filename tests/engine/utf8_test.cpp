#include "engine/utf8.h"

#include <gtest/gtest.h>

namespace xpconv {
namespace {

TEST(Utf8Test, ValidationRejectsMalformedSequences) {
  EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xE9"));              // a Windows-1252 byte
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut off
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_EQ(FoldCaseUtf8("ÀÉÎ ŒŠŸ ÄÖÜ ĄŁŻ ΑΩ ДЯЁ x\xFF"), "àéî œšÿ äöü ąłż αω дяё x\xFF");
}

TEST(Utf8Test, SequenceLengthIsThatOfTheFirstWellFormedSequence) {
  const struct {
    const char* text;
    size_t length;
  } cases[] = {
      {"a\xE9", 1},
      {"\xC3\xA9x", 2},
      {"\xE2\x82\xAC", 3},
      {"\xF0\x9F\x98\x80", 4},
      {"\xE9 ", 0},             // a Windows-1252 byte
      {"\xC0\xAF", 0},          // overlong
      {"\xED\xA0\x80", 0},      // surrogate
      {"\xE2\x82", 0},          // cut off
      {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8SequenceLength(c.text), c.length) << c.text;
}

}  // namespace
}  // namespace xpconv

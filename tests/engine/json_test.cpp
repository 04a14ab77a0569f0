#include "engine/json.h"

#include <gtest/gtest.h>

#include <string>

namespace xpconv {
namespace {

TEST(JsonStringTest, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(JsonString(""), "\"\"");
  EXPECT_EQ(JsonString("Forms\\frmA.frm"), R"("Forms\\frmA.frm")");
  EXPECT_EQ(JsonString("Ordner \"_BACKUP\"\r\nZeile"), R"("Ordner \"_BACKUP\"\r\nZeile")");
  EXPECT_EQ(JsonString("a\tb\bc\fd"), R"("a\tb\bc\fd")");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\x7f\"");
  EXPECT_EQ(JsonString(std::string("a\0b", 3)), R"("a\u0000b")");
}

TEST(JsonStringTest, KeepsValidUtf8AndReplacesEveryInvalidByte) {
  EXPECT_EQ(JsonString("Übersicht € 𝄞"), "\"Übersicht € 𝄞\"");
  const std::string replacement = "\xEF\xBF\xBD";
  // A Windows-1252 byte, a cut sequence at the end, an overlong form, a
  // surrogate, a lead byte past U+10FFFF, a stray continuation byte.
  EXPECT_EQ(JsonString("M\xfcller"), "\"M" + replacement + "ller\"");
  EXPECT_EQ(JsonString("ab\xE2\x82"), "\"ab" + replacement + replacement + "\"");
  EXPECT_EQ(JsonString("\xC0\xAF"), "\"" + replacement + replacement + "\"");
  EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"" + replacement + replacement + replacement + "\"");
  EXPECT_EQ(JsonString("\xF5\x80\x80\x80").substr(0, 4), "\"" + replacement);
  EXPECT_EQ(JsonString("\x80x"), "\"" + replacement + "x\"");
}

}  // namespace
}  // namespace xpconv

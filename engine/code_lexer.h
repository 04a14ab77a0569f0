// The lexical rules of VB6 code, one physical line at a time: names,
// string literals, numbers and symbols; comments left out; statements
// separated by ":"; a line ending in " _" continued on the next one. The
// bytes are never decoded: the rules look only at ASCII, and every byte
// above it counts as a letter, so names in a national code page stay whole.
// Double-byte code pages never use '"' or '\'' as a trailing byte, so no
// character of theirs opens a string or a comment.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace xpconv {

struct CodeToken {
  enum class Type : unsigned char {
    Name,       // a letter, then letters, digits and "_"
    String,     // from '"' to its closing '"' ("" inside is a quote), or to the line end
    Number,     // a digit, then letters, digits and points ("&H1F" is a symbol and a name)
    Symbol,     // one character; "<>", "<=", ">=" and ":=" as one
    Separator,  // ":" between two statements
  };
  Type type;
  size_t begin;  // byte offsets in the line; a string's include its quotes
  size_t end;
};

class CodeLexer {
 public:
  // The tokens of the next physical line, into tokens (emptied first). A
  // comment ("'", or "Rem" as the first word of a statement) is left out, as
  // is the " _" of a continued line.
  void Lex(std::string_view line, std::vector<CodeToken>& tokens);

  // Forgets what the previous lines left open: the next line starts a new
  // statement. For a line the caller passes over unread.
  void Reset();

  // After Lex: the statement goes on on the next line ("x = a _").
  bool statement_continues() const { return statement_continues_; }
  // After Lex: the line holds a comment, from this offset to its end.
  bool has_comment() const { return comment_begin_ != std::string_view::npos; }
  size_t comment_begin() const { return comment_begin_; }

 private:
  bool statement_continues_ = false;
  // The line ended in a comment with " _": in VB6 the next line is comment
  // too.
  bool comment_continues_ = false;
  // The next token would be the first of a statement (a line number in
  // front of it does not count), where "Rem" opens a comment.
  bool at_statement_start_ = true;
  size_t comment_begin_ = std::string_view::npos;
};

// The line ends in a continuation: " _" or a lone "_" (a blank or tab, or
// the line start, before it), then only blanks and tabs. Whether it is
// outside a string is the lexer's to say.
bool EndsInContinuation(std::string_view line);

}  // namespace xpconv

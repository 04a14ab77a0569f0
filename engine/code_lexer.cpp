#include "engine/code_lexer.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace xpconv {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_';
}

bool IsRem(std::string_view word) {
  return word.size() == 3 && (word[0] | 0x20) == 'r' && (word[1] | 0x20) == 'e' &&
         (word[2] | 0x20) == 'm';
}

// The end of the string literal that opens at begin: behind its closing
// quote, or the line end for a literal that is never closed.
size_t StringEnd(std::string_view line, size_t begin) {
  size_t at = begin + 1;
  for (;;) {
    const size_t quote = line.find('"', at);
    if (quote == std::string_view::npos) return line.size();
    if (quote + 1 < line.size() && line[quote + 1] == '"') {
      at = quote + 2;
      continue;
    }
    return quote + 1;
  }
}

}  // namespace

bool EndsInContinuation(std::string_view line) {
  const size_t last = line.find_last_not_of(" \t");
  if (last == std::string_view::npos || line[last] != '_') return false;
  return last == 0 || IsBlank(line[last - 1]);
}

void CodeLexer::Reset() {
  statement_continues_ = false;
  comment_continues_ = false;
  at_statement_start_ = true;
  comment_begin_ = std::string_view::npos;
}

void CodeLexer::Lex(std::string_view line, std::vector<CodeToken>& tokens) {
  tokens.clear();
  comment_begin_ = std::string_view::npos;
  if (comment_continues_) {
    comment_begin_ = 0;
    comment_continues_ = EndsInContinuation(line);
    statement_continues_ = false;
    at_statement_start_ = true;
    return;
  }

  bool at_start = at_statement_start_;
  const size_t size = line.size();
  size_t i = 0;
  while (i < size) {
    const char c = line[i];
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (c == '\'') {
      comment_begin_ = i;
      break;
    }
    CodeToken token{CodeToken::Type::Symbol, i, i + 1};
    if (c == '"') {
      token = {CodeToken::Type::String, i, StringEnd(line, i)};
    } else if (IsLetter(c)) {
      size_t end = i + 1;
      while (end < size && IsNameChar(line[end])) ++end;
      // "Rem" opens a comment only as a statement's first word and followed
      // by a blank; "Remark" or "x = Rem" are names.
      if (at_start && IsRem(line.substr(i, end - i)) && (end == size || IsBlank(line[end]))) {
        comment_begin_ = i;
        break;
      }
      token = {CodeToken::Type::Name, i, end};
    } else if (IsDigit(c)) {
      size_t end = i + 1;
      while (end < size && (IsNameChar(line[end]) || line[end] == '.')) ++end;
      token = {CodeToken::Type::Number, i, end};
    } else if (c == ':' && (i + 1 == size || line[i + 1] != '=')) {
      token.type = CodeToken::Type::Separator;
    } else if (i + 1 < size && ((c == '<' && (line[i + 1] == '>' || line[i + 1] == '=')) ||
                                ((c == '>' || c == ':') && line[i + 1] == '='))) {
      token.end = i + 2;
    }
    tokens.push_back(token);
    i = token.end;
    // A line number keeps the statement at its start ("10 Rem ..."); a
    // separator starts the next one.
    if (token.type == CodeToken::Type::Separator) {
      at_start = true;
    } else if (token.type != CodeToken::Type::Number) {
      at_start = false;
    }
  }

  if (has_comment()) {
    comment_continues_ = EndsInContinuation(line);
    statement_continues_ = false;
    at_statement_start_ = true;
    return;
  }
  // The "_" of a continuation is a symbol token of its own: one closing a
  // string or ending a name ("a_") is not a continuation.
  statement_continues_ = !tokens.empty() && tokens.back().type == CodeToken::Type::Symbol &&
                         line[tokens.back().begin] == '_' && EndsInContinuation(line);
  if (statement_continues_) tokens.pop_back();
  // A continued line leaves its statement past the start: its " _" was a
  // token of it.
  at_statement_start_ = !statement_continues_;
}

}  // namespace xpconv

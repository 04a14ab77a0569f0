#include "tests/support/memory_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/error.h"

namespace xpconv::testing {

std::string MemoryInputFile::ReadLine() {
  EXPECT_FALSE(closed_) << "ReadLine on a closed file";
  if (AtEnd()) throw MakeError(err::kInputPastEnd);
  in_line_ = false;
  const size_t end = bytes_.find_first_of("\r\n", position_);
  if (end == std::string::npos) {
    std::string line = bytes_.substr(position_);
    position_ = bytes_.size();
    ++lines_read_;
    return line;
  }
  std::string line = bytes_.substr(position_, end - position_);
  position_ = end + 1;
  if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
  ++lines_read_;
  return line;
}

bool MemoryInputFile::ReadLinePiece(std::string& part, size_t limit) {
  EXPECT_FALSE(closed_) << "ReadLinePiece on a closed file";
  EXPECT_GT(limit, 0u);
  if (!in_line_) {
    if (AtEnd()) throw MakeError(err::kInputPastEnd);
    ++lines_read_;
  }
  limit = std::min(limit, piece_limit_);
  const size_t end = std::min(bytes_.find_first_of("\r\n", position_), bytes_.size());
  const size_t size = std::min(end - position_, limit);
  part.assign(bytes_, position_, size);
  position_ += size;
  in_line_ = position_ < end;
  if (in_line_) return false;
  if (position_ < bytes_.size()) {
    // The line end, CR LF as one.
    ++position_;
    if (bytes_[end] == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
  }
  return true;
}

std::string MemoryInputFile::ReadAll() {
  std::string rest = bytes_.substr(position_);
  position_ = bytes_.size();
  return rest;
}

void MemoryOutputFile::WriteLine(std::string_view line) {
  EXPECT_FALSE(closed_) << "WriteLine on a closed file";
  bytes_.append(line);
  bytes_.append("\r\n");
}

void MemoryOutputFile::Write(std::string_view bytes) {
  EXPECT_FALSE(closed_) << "Write on a closed file";
  bytes_.append(bytes);
}

std::string CrLfLines(std::initializer_list<std::string_view> lines) {
  std::string out;
  for (std::string_view line : lines) {
    out.append(line);
    out.append("\r\n");
  }
  return out;
}

}  // namespace xpconv::testing

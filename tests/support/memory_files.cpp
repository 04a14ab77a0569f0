#include "tests/support/memory_files.h"

#include <gtest/gtest.h>

#include "engine/error.h"

namespace xpconv::testing {

std::string MemoryInputFile::ReadLine() {
  EXPECT_FALSE(closed_) << "ReadLine on a closed file";
  if (AtEnd()) throw MakeError(err::kInputPastEnd);
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

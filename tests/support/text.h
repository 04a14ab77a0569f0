// Small questions tests ask of text output.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace xpconv::testing {

inline bool Contains(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

// The lines of text, without their "\n".
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace xpconv::testing

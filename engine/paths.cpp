#include "engine/paths.h"

#include <string>
#include <string_view>
#include <vector>

namespace xpconv {

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('\\');
  if (slash == std::string_view::npos) return {};
  return std::string(path.substr(0, slash + 1));
}

std::string NameOf(std::string_view path) {
  const size_t slash = path.rfind('\\');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool NamesFile(std::string_view name, std::string_view file) {
  const size_t end = name.find_last_not_of(". ");
  return SameIgnoringCase(
      end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1), file);
}

bool HasEnding(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() &&
         SameIgnoringCase(text.substr(text.size() - ending.size()), ending);
}

bool IsAbsoluteEntry(std::string_view entry) {
  return entry.find("\\\\") != std::string_view::npos || entry.find(':') != std::string_view::npos;
}

EntryLocation ResolveEntryIn(const std::string& folder, const std::string& entry) {
  if (IsAbsoluteEntry(entry)) return {FolderOf(entry), NameOf(entry), false};
  if (entry.find('\\') != std::string::npos) {
    return {folder + FolderOf(entry), NameOf(entry), false};
  }
  return {folder, entry, true};
}

std::string WithoutDots(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string_view part = path.substr(start, end - start);
    // Only a named folder can be stepped out of: a leading ".." stays, and
    // so does one above the root (an empty first part, or a drive "C:").
    if (part == ".." && !parts.empty() && !parts.back().empty() && parts.back() != ".." &&
        parts.back().back() != ':') {
      parts.pop_back();
    } else if (part == "..") {
      if (parts.size() != 1 || !parts.back().empty()) parts.push_back(part);
    } else if (part != "." && (!part.empty() || parts.empty() || end == std::string_view::npos)) {
      parts.push_back(part);
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '\\';
    out.append(parts[i]);
  }
  return out;
}

std::string PathKey(std::string_view path) {
  return AsciiLower(WithoutDots(path));
}

}  // namespace xpconv

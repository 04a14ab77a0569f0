#include "engine/unified_diff.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace xpconv {
namespace {

std::vector<std::string> Pieces(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return lines;
}

// Applies the hunks to old as patch does, strictly: every context and
// removed line must match where the hunk header says.
std::string Apply(const std::string& old_bytes, const std::vector<DiffLine>& diff) {
  const std::vector<std::string> old_lines = Pieces(old_bytes);
  std::string result;
  size_t next = 0;  // next old line not yet copied
  std::string* last = nullptr;
  for (const DiffLine& line : diff) {
    if (line.kind == DiffLine::Kind::kHunkHeader) {
      size_t start = std::stoul(line.text.substr(4));
      const size_t comma = line.text.find(',');
      const bool empty = comma < line.text.find(' ', 4) && line.text[comma + 1] == '0';
      if (!empty) --start;
      for (; next < start; ++next) result += old_lines.at(next);
    } else if (line.kind == DiffLine::Kind::kNoNewline) {
      EXPECT_NE(last, nullptr);
      if (last != nullptr && !last->empty() && last->back() == '\n') last->pop_back();
    } else if (line.kind != DiffLine::Kind::kFileHeader) {
      std::string text = line.text.substr(1);
      if (line.kind != DiffLine::Kind::kAdded) {
        std::string old_line = old_lines.at(next++);
        if (old_line.empty() || old_line.back() != '\n') old_line += '\n';
        EXPECT_EQ(text, old_line);
      }
      if (line.kind != DiffLine::Kind::kRemoved) {
        result += text;
        last = &result;
      } else {
        last = &text;  // a removed line's marker changes nothing in the result
      }
      if (line.kind == DiffLine::Kind::kRemoved) last = nullptr;
    }
  }
  for (; next < old_lines.size(); ++next) result += old_lines[next];
  return result;
}

size_t LcsLength(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::vector<size_t>> t(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;) {
    for (size_t j = b.size(); j-- > 0;) {
      t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    }
  }
  return t[0][0];
}

TEST(UnifiedDiffTest, EqualBytesGiveNoDiff) {
  EXPECT_TRUE(UnifiedDiff("a\r\nb\r\n", "a\r\nb\r\n", "f.frm").empty());
}

TEST(UnifiedDiffTest, HunksCarryThreeLinesOfContextAndGitsHeaders) {
  // Seven unchanged lines apart: the two contexts do not meet. Six apart
  // they would, and git would write one hunk.
  const std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n";
  const std::string after = "1\n2\n3\n4\nfive\n6\n7\n8\n9\n10\n11\n12\nthirteen\n";
  EXPECT_EQ(PatchText(UnifiedDiff(before, after, "Forms/f.frm")),
            "diff --git a/Forms/f.frm b/Forms/f.frm\n"
            "--- a/Forms/f.frm\n"
            "+++ b/Forms/f.frm\n"
            "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"
            "@@ -10,4 +10,4 @@\n 10\n 11\n 12\n-13\n+thirteen\n");
}

TEST(UnifiedDiffTest, KeepsLineEndsAndMarksAMissingLastOne) {
  const auto diff = UnifiedDiff("a\r\nb", "a\r\nb\r\n", "f.frm");
  EXPECT_EQ(PatchText(diff),
            "diff --git a/f.frm b/f.frm\n--- a/f.frm\n+++ b/f.frm\n"
            "@@ -1,2 +1,2 @@\n a\r\n-b\n\\ No newline at end of file\n+b\r\n");
}

// Random texts over a few lines: the patch turns the old text into the new
// one and changes no more lines than it must.
TEST(UnifiedDiffTest, RandomTextsGiveMinimalPatchesThatApply) {
  std::mt19937 random(12345);
  const std::vector<std::string> alphabet = {"a\n", "b\n", "c\r\n", "d\n", "a\r\n"};
  for (int round = 0; round < 500; ++round) {
    std::string before, after;
    const int n = static_cast<int>(random() % 12);
    const int m = static_cast<int>(random() % 12);
    for (int i = 0; i < n; ++i) before += alphabet[random() % alphabet.size()];
    for (int i = 0; i < m; ++i) after += alphabet[random() % alphabet.size()];
    if (random() % 4 == 0 && !after.empty()) after.pop_back();
    SCOPED_TRACE(before + "|" + after);
    const auto diff = UnifiedDiff(before, after, "f", static_cast<int>(random() % 4));
    EXPECT_EQ(Apply(before, diff), after);
    size_t removed = 0, added = 0;
    for (const DiffLine& line : diff) {
      removed += line.kind == DiffLine::Kind::kRemoved;
      added += line.kind == DiffLine::Kind::kAdded;
    }
    const auto a = Pieces(before);
    const auto b = Pieces(after);
    const size_t common = LcsLength(a, b);
    EXPECT_EQ(removed, a.size() - common);
    EXPECT_EQ(added, b.size() - common);
  }
}

// Long texts are first cut at lines unique to both sides: the patch must
// still apply exactly, whatever the mix of unique and repeated lines.
TEST(UnifiedDiffTest, LongTextsCutAtUniqueLinesStillGivePatchesThatApply) {
  std::mt19937 random(777);
  for (int round = 0; round < 40; ++round) {
    std::string before, after;
    const int n = 300 + static_cast<int>(random() % 700);
    for (int i = 0; i < n; ++i) {
      // A third of the lines unique (a control's name), the rest repeated.
      const std::string line = random() % 3 == 0
                                   ? "Begin VB.Frame fra" + std::to_string(i) + "\r\n"
                                   : "   Height = " + std::to_string(random() % 5) + "\n";
      before += line;
      const unsigned change = random() % 10;
      if (change == 0) continue;                           // dropped
      if (change == 1) after += "   BorderColor = 1\r\n";  // inserted
      if (change == 2 && line.rfind("Begin", 0) == 0) {
        after += "Begin qor" + line.substr(6);  // replaced header
        continue;
      }
      after += line;
    }
    if (round % 2 == 0) std::swap(before, after);
    SCOPED_TRACE(round);
    const auto diff = UnifiedDiff(before, after, "f");
    EXPECT_EQ(Apply(before, diff), after);
    // Not always the shortest edit, but close to it: every line both sides
    // keep in the longest common chain but the patch changes costs two.
    size_t changed = 0;
    for (const DiffLine& line : diff) {
      changed += line.kind == DiffLine::Kind::kRemoved || line.kind == DiffLine::Kind::kAdded;
    }
    const auto a = Pieces(before);
    const auto b = Pieces(after);
    const size_t shortest = a.size() + b.size() - 2 * LcsLength(a, b);
    EXPECT_LE(changed, shortest + shortest / 10 + 2);
  }
}

}  // namespace
}  // namespace xpconv

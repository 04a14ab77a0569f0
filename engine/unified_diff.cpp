#include "engine/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace xpconv {
namespace {

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find('\n', start);
    const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, next - start));
    start = next;
  }
  return lines;
}

// The lines both sides keep, by Myers' linear-space method (memory grows
// with the length only) after cutting long ranges at lines unique to both
// sides (see SplitAtUniqueLines). Marks the lines of each side it keeps.
class Lcs {
 public:
  // Line ids run from 0 to id_count - 1.
  Lcs(const std::vector<int32_t>& a, const std::vector<int32_t>& b, size_t id_count)
      : a_(a), b_(b), keep_a_(a.size(), false), keep_b_(b.size(), false), seen_(id_count) {
    Compare(0, static_cast<int64_t>(a.size()), 0, static_cast<int64_t>(b.size()));
  }

  const std::vector<bool>& keep_a() const { return keep_a_; }
  const std::vector<bool>& keep_b() const { return keep_b_; }

 private:
  int32_t A(int64_t i) const { return a_[static_cast<size_t>(i)]; }
  int32_t B(int64_t i) const { return b_[static_cast<size_t>(i)]; }

  void Compare(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    while (a0 < a1 && b0 < b1 && A(a0) == B(b0)) {
      keep_a_[static_cast<size_t>(a0++)] = true;
      keep_b_[static_cast<size_t>(b0++)] = true;
    }
    while (a0 < a1 && b0 < b1 && A(a1 - 1) == B(b1 - 1)) {
      keep_a_[static_cast<size_t>(--a1)] = true;
      keep_b_[static_cast<size_t>(--b1)] = true;
    }
    if (a0 == a1 || b0 == b1) return;
    if ((a1 - a0) + (b1 - b0) > kSmallRange && SplitAtUniqueLines(a0, a1, b0, b1)) return;
    int64_t x = 0;
    int64_t y = 0;
    // Without a split point the two ranges share no line at all.
    if (!Bisect(a0, a1, b0, b1, x, y)) return;
    Compare(a0, x, b0, y);
    Compare(x, a1, y, b1);
  }

  // Ranges up to this many lines go to Myers' method directly: its result
  // is a shortest edit. Longer ones are cut first at the lines that occur
  // exactly once on both sides, in an order both sides share (the longest
  // such chain): a converted form changes many lines but keeps most control
  // names, so the pieces between those anchors are short, and the time no
  // longer grows with the product of length and changes. The edit is then
  // not always the shortest, but always correct.
  static constexpr int64_t kSmallRange = 512;

  bool SplitAtUniqueLines(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    // Counted per line id in one table for the whole diff; the entries this
    // range touched are cleared again before returning.
    for (int64_t i = a0; i < a1; ++i) {
      Seen& line = seen_[static_cast<size_t>(A(i))];
      ++line.in_a;
      line.at_a = i;
    }
    for (int64_t j = b0; j < b1; ++j) {
      Seen& line = seen_[static_cast<size_t>(B(j))];
      ++line.in_b;
      line.at_b = j;
    }
    // Pairs in the old side's order; the longest chain increasing in the new
    // side's order by patience sorting.
    std::vector<std::pair<int64_t, int64_t>> pairs;
    for (int64_t i = a0; i < a1; ++i) {
      const Seen& line = seen_[static_cast<size_t>(A(i))];
      if (line.in_a == 1 && line.in_b == 1) pairs.emplace_back(i, line.at_b);
    }
    for (int64_t i = a0; i < a1; ++i) seen_[static_cast<size_t>(A(i))] = Seen{};
    for (int64_t j = b0; j < b1; ++j) seen_[static_cast<size_t>(B(j))] = Seen{};
    if (pairs.empty()) return false;
    std::vector<size_t> tops;  // index into pairs of each pile's top
    std::vector<int64_t> back(pairs.size(), -1);
    for (size_t k = 0; k < pairs.size(); ++k) {
      const auto pile =
          std::lower_bound(tops.begin(), tops.end(), pairs[k].second,
                           [&pairs](size_t top, int64_t j) { return pairs[top].second < j; });
      if (pile != tops.begin()) back[k] = static_cast<int64_t>(*(pile - 1));
      if (pile == tops.end()) {
        tops.push_back(k);
      } else {
        *pile = k;
      }
    }
    std::vector<std::pair<int64_t, int64_t>> chain;
    for (int64_t k = static_cast<int64_t>(tops.back()); k >= 0; k = back[static_cast<size_t>(k)]) {
      chain.push_back(pairs[static_cast<size_t>(k)]);
    }
    int64_t from_a = a0;
    int64_t from_b = b0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      Compare(from_a, it->first, from_b, it->second);
      keep_a_[static_cast<size_t>(it->first)] = true;
      keep_b_[static_cast<size_t>(it->second)] = true;
      from_a = it->first + 1;
      from_b = it->second + 1;
    }
    Compare(from_a, a1, from_b, b1);
    return true;
  }

  // Finds where a shortest edit path crosses its middle, searching from
  // both ends at once; (x, y) is that point in absolute coordinates.
  bool Bisect(int64_t a0, int64_t a1, int64_t b0, int64_t b1, int64_t& x_out, int64_t& y_out) {
    const int64_t n = a1 - a0;
    const int64_t m = b1 - b0;
    const int64_t max_d = (n + m + 1) / 2;
    const int64_t offset = max_d + 1;
    const int64_t length = 2 * max_d + 3;
    std::vector<int64_t> v1(static_cast<size_t>(length), -1);
    std::vector<int64_t> v2(static_cast<size_t>(length), -1);
    auto at = [](std::vector<int64_t>& v, int64_t i) -> int64_t& {
      return v[static_cast<size_t>(i)];
    };
    at(v1, offset + 1) = 0;
    at(v2, offset + 1) = 0;
    const int64_t delta = n - m;
    const bool front = (delta % 2) != 0;
    int64_t k1start = 0, k1end = 0, k2start = 0, k2end = 0;
    for (int64_t d = 0; d < max_d; ++d) {
      for (int64_t k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
        const int64_t k1o = offset + k1;
        int64_t x1 = (k1 == -d || (k1 != d && at(v1, k1o - 1) < at(v1, k1o + 1)))
                         ? at(v1, k1o + 1)
                         : at(v1, k1o - 1) + 1;
        int64_t y1 = x1 - k1;
        while (x1 < n && y1 < m && A(a0 + x1) == B(b0 + y1)) ++x1, ++y1;
        at(v1, k1o) = x1;
        if (x1 > n) {
          k1end += 2;
        } else if (y1 > m) {
          k1start += 2;
        } else if (front) {
          const int64_t k2o = offset + delta - k1;
          if (k2o >= 0 && k2o < length && at(v2, k2o) != -1 && x1 >= n - at(v2, k2o)) {
            x_out = a0 + x1;
            y_out = b0 + y1;
            return true;
          }
        }
      }
      for (int64_t k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
        const int64_t k2o = offset + k2;
        int64_t x2 = (k2 == -d || (k2 != d && at(v2, k2o - 1) < at(v2, k2o + 1)))
                         ? at(v2, k2o + 1)
                         : at(v2, k2o - 1) + 1;
        int64_t y2 = x2 - k2;
        while (x2 < n && y2 < m && A(a1 - x2 - 1) == B(b1 - y2 - 1)) ++x2, ++y2;
        at(v2, k2o) = x2;
        if (x2 > n) {
          k2end += 2;
        } else if (y2 > m) {
          k2start += 2;
        } else if (!front) {
          const int64_t k1o = offset + delta - k2;
          if (k1o >= 0 && k1o < length && at(v1, k1o) != -1) {
            const int64_t x1 = at(v1, k1o);
            const int64_t y1 = offset + x1 - k1o;
            if (x1 >= n - x2) {
              x_out = a0 + x1;
              y_out = b0 + y1;
              return true;
            }
          }
        }
      }
    }
    return false;
  }

  const std::vector<int32_t>& a_;
  const std::vector<int32_t>& b_;
  struct Seen {
    int32_t in_a = 0;
    int32_t in_b = 0;
    int64_t at_a = 0;
    int64_t at_b = 0;
  };

  std::vector<bool> keep_a_;
  std::vector<bool> keep_b_;
  std::vector<Seen> seen_;
};

struct Op {
  char kind;  // ' ', '-', '+'
  size_t a;   // line index in the old file (the next one for '+')
  size_t b;   // line index in the new file (the next one for '-')
};

std::string Range(size_t start, size_t count) {
  // git's form: "s" for one line, "s,n" otherwise; an empty range names the
  // line before it.
  const size_t first = count == 0 ? start : start + 1;
  if (count == 1) return std::to_string(first);
  return std::to_string(first) + "," + std::to_string(count);
}

}  // namespace

std::vector<DiffLine> UnifiedDiff(std::string_view old_bytes, std::string_view new_bytes,
                                  const std::string& path, int context) {
  std::vector<DiffLine> out;
  if (old_bytes == new_bytes) return out;
  const std::vector<std::string_view> a = SplitLines(old_bytes);
  const std::vector<std::string_view> b = SplitLines(new_bytes);

  std::unordered_map<std::string_view, int32_t> ids;
  auto ids_of = [&ids](const std::vector<std::string_view>& lines) {
    std::vector<int32_t> result;
    result.reserve(lines.size());
    for (std::string_view line : lines) {
      result.push_back(ids.emplace(line, static_cast<int32_t>(ids.size())).first->second);
    }
    return result;
  };
  const std::vector<int32_t> ia = ids_of(a);
  const std::vector<int32_t> ib = ids_of(b);
  const Lcs lcs(ia, ib, ids.size());

  std::vector<Op> ops;
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && !lcs.keep_a()[i]) {
      ops.push_back({'-', i++, j});
    } else if (j < b.size() && !lcs.keep_b()[j]) {
      ops.push_back({'+', i, j++});
    } else {
      ops.push_back({' ', i++, j++});
    }
  }

  out.push_back({DiffLine::Kind::kFileHeader, "diff --git a/" + path + " b/" + path + "\n"});
  out.push_back({DiffLine::Kind::kFileHeader, "--- a/" + path + "\n"});
  out.push_back({DiffLine::Kind::kFileHeader, "+++ b/" + path + "\n"});

  const size_t reach = static_cast<size_t>(std::max(context, 0));
  size_t pos = 0;
  while (pos < ops.size()) {
    while (pos < ops.size() && ops[pos].kind == ' ') ++pos;
    if (pos == ops.size()) break;
    const size_t first = pos >= reach ? pos - reach : 0;
    // The hunk runs on while the next change is close enough for the two
    // contexts to meet.
    size_t last = pos;
    for (size_t k = pos; k < ops.size(); ++k) {
      if (ops[k].kind != ' ') {
        last = k;
      } else if (k - last > 2 * reach) {
        break;
      }
    }
    const size_t end = std::min(ops.size(), last + 1 + reach);
    size_t old_count = 0;
    size_t new_count = 0;
    for (size_t k = first; k < end; ++k) {
      if (ops[k].kind != '+') ++old_count;
      if (ops[k].kind != '-') ++new_count;
    }
    out.push_back({DiffLine::Kind::kHunkHeader, "@@ -" + Range(ops[first].a, old_count) + " +" +
                                                    Range(ops[first].b, new_count) + " @@\n"});
    for (size_t k = first; k < end; ++k) {
      const Op& op = ops[k];
      const std::string_view line = op.kind == '+' ? b[op.b] : a[op.a];
      const DiffLine::Kind kind = op.kind == '+'   ? DiffLine::Kind::kAdded
                                  : op.kind == '-' ? DiffLine::Kind::kRemoved
                                                   : DiffLine::Kind::kContext;
      std::string text(1, op.kind);
      text.append(line);
      const bool ends = !line.empty() && line.back() == '\n';
      if (!ends) text += '\n';
      out.push_back({kind, std::move(text)});
      if (!ends) out.push_back({DiffLine::Kind::kNoNewline, "\\ No newline at end of file\n"});
    }
    pos = end;
  }
  return out;
}

std::string PatchText(const std::vector<DiffLine>& lines) {
  std::string text;
  for (const DiffLine& line : lines) text += line.text;
  return text;
}

}  // namespace xpconv

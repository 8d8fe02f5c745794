#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// Aligns two sequences as `diff` aligns lines: Myers' O((N+M)·D) search for
// the shortest edit script, in linear memory (the middle snake, halving the
// problem each time). A list that would cost more than `editLimit` edits is
// aligned up to the furthest point the limited search reaches and paired
// by position from there: an unrelated list costs O(limit²), not O(N·M).
namespace tarvo::content {

// What Align reports, in order of both sequences:
//   Keep(a, b)  equal items kept;
//   Remove(a) / Add(b)  items of one side only;
//   Pair(a, b)  items paired by position after the limit ran out.
template <class Equal, class Sink>
class Aligner {
 public:
  Aligner(const Equal& equal, Sink& sink, std::size_t editLimit) : equal_(equal), sink_(sink), limit_(editLimit) {}

  // Returns false when the limit ran out (the rest was paired by position).
  bool Run(std::size_t n, std::size_t m) {
    std::size_t a0 = 0;
    std::size_t b0 = 0;
    while (a0 < n && b0 < m && equal_(a0, b0)) sink_.Keep(a0++, b0++);
    std::size_t a1 = n;
    std::size_t b1 = m;
    while (a1 > a0 && b1 > b0 && equal_(a1 - 1, b1 - 1)) --a1, --b1;
    std::size_t x = a1;
    std::size_t y = b1;
    const bool whole = Reach(a0, a1, b0, b1, x, y);
    Solve(a0, x, b0, y);
    if (!whole) {
      for (; x < a1 && y < b1; ++x, ++y) sink_.Pair(x, y);
      for (; x < a1; ++x) sink_.Remove(x);
      for (; y < b1; ++y) sink_.Add(y);
    }
    for (; a1 < n; ++a1, ++b1) sink_.Keep(a1, b1);
    return whole;
  }

 private:
  // Whether the box is aligned within the limit; if not, (x, y) is the
  // furthest point (most items passed) that `limit_` edits reach.
  bool Reach(std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1, std::size_t& x, std::size_t& y) {
    const std::int64_t n = static_cast<std::int64_t>(a1 - a0);
    const std::int64_t m = static_cast<std::int64_t>(b1 - b0);
    if (n == 0 || m == 0 || static_cast<std::uint64_t>(n + m) <= limit_) return true;
    const std::int64_t maxD = static_cast<std::int64_t>(limit_);
    const std::int64_t offset = maxD + 1;
    std::vector<std::int64_t> v(static_cast<std::size_t>(2 * maxD + 3), -1);
    v[static_cast<std::size_t>(offset + 1)] = 0;
    std::int64_t bestX = 0;
    std::int64_t bestY = 0;
    std::int64_t bestScore = -2 * std::abs(n - m);
    std::int64_t kStart = 0;
    std::int64_t kEnd = 0;
    for (std::int64_t d = 0; d <= maxD; ++d) {
      for (std::int64_t k = -d + kStart; k <= d - kEnd; k += 2) {
        const std::size_t at = static_cast<std::size_t>(offset + k);
        std::int64_t px = k == -d || (k != d && v[at - 1] < v[at + 1]) ? v[at + 1] : v[at - 1] + 1;
        std::int64_t py = px - k;
        while (px < n && py < m && equal_(a0 + static_cast<std::size_t>(px), b0 + static_cast<std::size_t>(py)))
          ++px, ++py;
        v[at] = px;
        if (px > n) {
          kEnd += 2;
        } else if (py > m) {
          kStart += 2;
        } else {
          if (px == n && py == m) return true;
          // The furthest point, but off the diagonal that ends where the
          // lists end only as far as that pays: each step off it is an item
          // left unpaired at the end.
          const std::int64_t off = std::abs(k - (n - m));
          if (px + py - 2 * off > bestScore) bestScore = px + py - 2 * off, bestX = px, bestY = py;
        }
      }
    }
    x = a0 + static_cast<std::size_t>(bestX);
    y = b0 + static_cast<std::size_t>(bestY);
    return false;
  }

  // The shortest edit script of a box known to cost at most the limit.
  void Solve(std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1) {
    while (a0 < a1 && b0 < b1 && equal_(a0, b0)) sink_.Keep(a0++, b0++);
    std::size_t suffix = 0;
    while (a1 > a0 && b1 > b0 && equal_(a1 - 1, b1 - 1)) --a1, --b1, ++suffix;
    if (a0 == a1) {
      for (std::size_t b = b0; b < b1; ++b) sink_.Add(b);
    } else if (b0 == b1) {
      for (std::size_t a = a0; a < a1; ++a) sink_.Remove(a);
    } else {
      std::size_t x = 0;
      std::size_t y = 0;
      // A split at a corner would not make the problem smaller.
      if (Split(a0, a1, b0, b1, x, y) && !(x == a0 && y == b0) && !(x == a1 && y == b1)) {
        Solve(a0, x, b0, y);
        Solve(x, a1, y, b1);
      } else {
        for (std::size_t a = a0; a < a1; ++a) sink_.Remove(a);
        for (std::size_t b = b0; b < b1; ++b) sink_.Add(b);
      }
    }
    for (std::size_t i = 0; i < suffix; ++i) sink_.Keep(a1 + i, b1 + i);
  }

  // The middle snake: searches from both ends until the paths meet.
  bool Split(std::size_t a0, std::size_t a1, std::size_t b0, std::size_t b1, std::size_t& sx, std::size_t& sy) {
    const std::int64_t n = static_cast<std::int64_t>(a1 - a0);
    const std::int64_t m = static_cast<std::int64_t>(b1 - b0);
    const std::int64_t maxD = std::min<std::int64_t>((n + m + 1) / 2, static_cast<std::int64_t>(limit_) + 2);
    const std::int64_t offset = maxD;
    const std::int64_t length = 2 * maxD + 2;
    std::vector<std::int64_t> v1(static_cast<std::size_t>(length), -1);
    std::vector<std::int64_t> v2(static_cast<std::size_t>(length), -1);
    v1[static_cast<std::size_t>(offset + 1)] = 0;
    v2[static_cast<std::size_t>(offset + 1)] = 0;
    const std::int64_t delta = n - m;
    const bool front = delta % 2 != 0;
    std::int64_t k1start = 0, k1end = 0, k2start = 0, k2end = 0;
    const auto at = [](std::int64_t i) { return static_cast<std::size_t>(i); };
    for (std::int64_t d = 0; d < maxD; ++d) {
      for (std::int64_t k1 = -d + k1start; k1 <= d - k1end; k1 += 2) {
        const std::int64_t k1o = offset + k1;
        std::int64_t x1 = k1 == -d || (k1 != d && v1[at(k1o - 1)] < v1[at(k1o + 1)]) ? v1[at(k1o + 1)]
                                                                                      : v1[at(k1o - 1)] + 1;
        std::int64_t y1 = x1 - k1;
        while (x1 < n && y1 < m && equal_(a0 + at(x1), b0 + at(y1))) ++x1, ++y1;
        v1[at(k1o)] = x1;
        if (x1 > n) {
          k1end += 2;
        } else if (y1 > m) {
          k1start += 2;
        } else if (front) {
          const std::int64_t k2o = offset + delta - k1;
          if (k2o >= 0 && k2o < length && v2[at(k2o)] != -1 && x1 >= n - v2[at(k2o)]) {
            sx = a0 + at(x1);
            sy = b0 + at(y1);
            return true;
          }
        }
      }
      for (std::int64_t k2 = -d + k2start; k2 <= d - k2end; k2 += 2) {
        const std::int64_t k2o = offset + k2;
        std::int64_t x2 = k2 == -d || (k2 != d && v2[at(k2o - 1)] < v2[at(k2o + 1)]) ? v2[at(k2o + 1)]
                                                                                      : v2[at(k2o - 1)] + 1;
        std::int64_t y2 = x2 - k2;
        while (x2 < n && y2 < m && equal_(a0 + at(n - x2 - 1), b0 + at(m - y2 - 1))) ++x2, ++y2;
        v2[at(k2o)] = x2;
        if (x2 > n) {
          k2end += 2;
        } else if (y2 > m) {
          k2start += 2;
        } else if (!front) {
          const std::int64_t k1o = offset + delta - k2;
          if (k1o >= 0 && k1o < length && v1[at(k1o)] != -1) {
            const std::int64_t x1 = v1[at(k1o)];
            const std::int64_t y1 = offset + x1 - k1o;
            if (x1 >= n - x2) {
              sx = a0 + at(x1);
              sy = b0 + at(y1);
              return true;
            }
          }
        }
      }
    }
    return false;
  }

  const Equal& equal_;
  Sink& sink_;
  std::size_t limit_;
};

template <class Equal, class Sink>
bool Align(std::size_t n, std::size_t m, const Equal& equal, Sink& sink, std::size_t editLimit) {
  return Aligner<Equal, Sink>(equal, sink, editLimit).Run(n, m);
}

}  // namespace tarvo::content

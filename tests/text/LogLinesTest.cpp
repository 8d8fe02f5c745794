#include "text/LogLines.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/Format.h"

namespace tarvo {
namespace {

TLogLines Store(const std::vector<std::string>& lines) {
  TLogLines store;
  for (const std::string& line : lines) {
    store.Append(line);
  }
  return store;
}

std::vector<std::string> Collect(const TLogLines& store, std::size_t first) {
  std::vector<std::string> lines;
  store.ForEach([&lines](std::string_view line) { lines.emplace_back(line); }, first);
  return lines;
}

// Every way of reading the store must give the reference lines.
void ExpectLines(const TLogLines& store, const std::vector<std::string>& expected) {
  ASSERT_EQ(store.Size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(store.Line(i), expected[i]) << "line " << i;
  }
  EXPECT_EQ(store.ToVector(), expected);
  for (const std::size_t first :
       {std::size_t{1}, std::size_t{31}, std::size_t{32}, std::size_t{33}, expected.size() / 2, expected.size() - 1}) {
    if (first < expected.size()) {
      EXPECT_EQ(Collect(store, first), std::vector<std::string>(expected.begin() + first, expected.end()))
          << "from " << first;
    }
  }
}

// Random bytes with zeros, empty lines, and repeats, edits, extensions and
// cuts of the last few lines, so that every kind of entry occurs.
std::vector<std::string> MixedLines(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  auto below = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  std::vector<std::string> lines;
  while (lines.size() < count) {
    std::string line = lines.empty() ? "" : lines[lines.size() - 1 - below(std::min<std::size_t>(lines.size(), 6))];
    const std::size_t at = below(line.size() + 1);
    switch (below(6)) {
      case 0:
        line.assign(below(300), '\0');
        for (char& c : line) {
          c = static_cast<char>(below(3) == 0 ? 'a' + below(3) : below(256));
        }
        break;
      case 1:
        line.replace(at, below(line.size() - at + 1), std::string(below(5), static_cast<char>('a' + below(3))));
        break;
      case 2:  // overlapping repeats such as "aaaa" after "aa"
        line += line.substr(at);
        break;
      case 3:
        line = below(2) == 0 ? line.substr(at) : line.substr(0, at);
        break;
      case 4:
        line.clear();
        break;
      default:  // unchanged
        break;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string ChunkLine(std::uint64_t offset) {
  return Format("%8.8x Chunk id: %8.8x (%s), skipping data: %d", {offset, 0x12345678u, "?\?\?\?", 0});
}

TEST(LogLinesTest, EmptyAndSmallStores) {
  const TLogLines empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.HeapBytes(), 0u);
  EXPECT_TRUE(empty.ToVector().empty());
  EXPECT_TRUE(Collect(empty, 0).empty());
  EXPECT_THROW(empty.Line(0), std::out_of_range);

  const TLogLines small = Store({"one", "two", "three"});
  EXPECT_FALSE(small.Empty());
  EXPECT_LT(small.HeapBytes(), 1024u);  // not a whole data block
  EXPECT_TRUE(Collect(small, 3).empty());
  EXPECT_TRUE(Collect(small, 10).empty());
  EXPECT_THROW(small.Line(3), std::out_of_range);
}

TEST(LogLinesTest, RoundTrip) {
  using namespace std::string_literals;
  const std::vector<std::string> overlapping = {"aa",   "aaaa",  "aa",  "a",       "",       "",    "aaa",
                                                "abab", "ab",    "b",   "bab",     "abcabc", "abc", "abcabc",
                                                "x",    "\0\0"s, "\0"s, "abcXabc", "abc"};
  ExpectLines(Store(overlapping), overlapping);
  for (const unsigned seed : {1u, 2u, 3u}) {
    const std::vector<std::string> lines = MixedLines(3000, seed);
    ExpectLines(Store(lines), lines);
  }
}

TEST(LogLinesTest, LinesLongerThanADataBlock) {
  std::string longLine(200 * 1024, 'x');
  for (std::size_t i = 0; i < longLine.size(); i += 997) {
    longLine[i] = static_cast<char>(i);
  }
  std::string cut = longLine;
  cut.replace(1000, 150000, "middle");
  std::string grown = longLine;
  grown.insert(50000, std::string(70000, '\0'));
  std::vector<std::string> lines = {longLine, "short", longLine, cut, grown, "", longLine};
  for (std::uint64_t i = 0; i < 100; ++i) {
    lines.push_back(ChunkLine(i * 8));
  }
  lines.push_back(grown);
  ExpectLines(Store(lines), lines);
}

TEST(LogLinesTest, CopyMoveAndClear) {
  // The copy and the move happen inside a group, so the lines appended
  // after them are stored against lines from before them.
  std::vector<std::string> longer = MixedLines(497, 7);
  for (std::uint64_t i = 0; i < 6; ++i) {
    longer.push_back(ChunkLine(i * 8));
  }
  const std::vector<std::string> lines(longer.begin(), longer.end() - 3);
  auto appendRest = [&](TLogLines& store) {
    for (std::size_t i = lines.size(); i < longer.size(); ++i) {
      store.Append(longer[i]);
    }
  };
  TLogLines original = Store(lines);

  TLogLines copy(original);
  EXPECT_EQ(copy, original);
  appendRest(copy);
  ExpectLines(copy, longer);
  ExpectLines(original, lines);  // the copy owns its data

  TLogLines assigned = Store({"old"});
  assigned = original;
  const TLogLines& alias = assigned;
  assigned = alias;
  EXPECT_EQ(assigned, original);

  TLogLines moved(std::move(assigned));
  EXPECT_TRUE(assigned.Empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(assigned.HeapBytes(), 0u);
  assigned.Append("again");
  ExpectLines(assigned, {"again"});

  TLogLines target = Store({"a", "b"});
  target = std::move(moved);
  EXPECT_TRUE(moved.Empty());  // NOLINT(bugprone-use-after-move)
  appendRest(target);
  EXPECT_EQ(target, copy);

  target.Clear();
  EXPECT_TRUE(target.Empty());
  EXPECT_EQ(target.HeapBytes(), 0u);
  for (const std::string& line : lines) {
    target.Append(line);
  }
  EXPECT_EQ(target, original);
}

TEST(LogLinesTest, Equality) {
  EXPECT_EQ(Store({"a", "b", "c"}), Store({"a", "b", "c"}));
  EXPECT_FALSE(Store({"a", "b", "c"}) == Store({"a", "b", "d"}));
  EXPECT_FALSE(Store({"a", "b", "c"}) == Store({"a", "b"}));
  EXPECT_FALSE(Store({"a", "bb"}) == Store({"a", "b"}));
  EXPECT_FALSE(Store({std::string("\0", 1)}) == Store({""}));
}

TEST(LogLinesTest, RepetitiveLogsTakeAFewBytesPerLine) {
  constexpr std::size_t Count = 1'000'000;
  TLogLines chunks;
  for (std::uint64_t i = 0; i < Count; ++i) {
    chunks.Append(ChunkLine(0xA3B2C0 + i * 8));
  }
  EXPECT_LE(chunks.HeapBytes(), 8 * Count);
  EXPECT_EQ(chunks.Line(Count - 1), ChunkLine(0xA3B2C0 + (Count - 1) * 8));

  auto moduleLine = [](std::uint64_t pair) {
    return Format("%8.8x Chunk id: %8.8x (%s), skipping data: %d", {0x40 + pair * 40, 0x1104u, "Module", 0});
  };
  TLogLines alternating;
  for (std::uint64_t pair = 0; pair < Count / 2; ++pair) {
    alternating.Append(moduleLine(pair));
    alternating.Append(" Obj: Some Type Name");
  }
  EXPECT_LE(alternating.HeapBytes(), 8 * Count);
  EXPECT_EQ(alternating.Line(Count - 2), moduleLine(Count / 2 - 1));
  EXPECT_EQ(alternating.Line(Count - 1), " Obj: Some Type Name");
}

TEST(LogLinesTest, UnrelatedLinesCostLittleMoreThanTheirText) {
  constexpr std::size_t Count = 100'000;
  std::mt19937 random(11);
  TLogLines store;
  std::size_t textBytes = 0;
  for (std::size_t i = 0; i < Count; ++i) {
    std::string line(random() % 120, '\0');
    for (char& c : line) {
      c = static_cast<char>(random());
    }
    textBytes += line.size();
    store.Append(line);
  }
  EXPECT_LE(store.HeapBytes(), textBytes + 5 * Count + 64 * 1024);
}

}  // namespace
}  // namespace tarvo

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "content/map/ByteSearch.h"
#include "content/map/DataInspector.h"
#include "content/map/OffsetText.h"

namespace {

namespace content = tarvo::content;
using content::SearchPattern;

bool NaiveMatch(const std::vector<std::uint8_t>& bytes, const SearchPattern& pattern, std::size_t at) {
  if (at + pattern.size() > bytes.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (!pattern.any[i] && bytes[at + i] != pattern.bytes[i]) return false;
  return true;
}

// The match a byte-by-byte scan from `start` around the file finds first.
std::optional<std::uint64_t> NaiveFind(const std::vector<std::uint8_t>& bytes, const SearchPattern& pattern,
                                       std::size_t start, bool forward) {
  const std::size_t size = bytes.size();
  for (std::size_t step = 0; step < size; ++step) {
    const std::size_t at = forward ? (start + step) % size : (start + size - 1 - step) % size;
    if (NaiveMatch(bytes, pattern, at)) return at;
  }
  return std::nullopt;
}

TEST(ByteSearch, FindsWhatAByteByByteScanFindsInBothDirectionsAndWraps) {
  std::mt19937 random(7);
  // Few distinct bytes, so that partial matches and false anchor hits abound.
  std::vector<std::uint8_t> bytes(3000);
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() % 4);
  for (const char* const hex : {"01 02 03", "03??00", "?? 02 ?? ?? 01", "????", "00 00 00 00 00 00 00 00 00",
                                "04", "01 02 03 00 01 02 03 00 01 02 04",
                                "03 ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? ?? 01"}) {
    const std::optional<SearchPattern> pattern = content::ParseHexPattern(hex);
    ASSERT_TRUE(pattern) << hex;
    for (const std::size_t start : {std::size_t{0}, std::size_t{1}, std::size_t{1499}, std::size_t{2999}}) {
      for (const bool forward : {true, false}) {
        content::SteppedSearch search(bytes, *pattern, start, forward);
        while (!search.Step(97)) {
        }
        EXPECT_EQ(search.Result(), NaiveFind(bytes, *pattern, start, forward))
            << hex << " from " << start << (forward ? " forward" : " backward");
      }
    }
  }
}

// One fixed byte goes through memchr/memrchr: a match on a step's first or
// last start, or ending at the file's last byte, is found from either side.
TEST(ByteSearch, FindsOneFixedByteAtAStepsEdgesAndAtTheFilesEnd) {
  constexpr std::uint64_t Slice = content::SteppedSearch::SliceBytes;
  const std::size_t size = 2 * Slice + 5;
  for (const std::uint64_t place : {Slice - 1, Slice, Slice + 1, std::uint64_t{size - 1}}) {
    std::vector<std::uint8_t> bytes(size, 0x20);
    bytes[place] = 0x4B;
    for (const char* const hex : {"4B", "?? 4B"}) {
      const SearchPattern pattern = *content::ParseHexPattern(hex);
      for (const std::size_t start : {std::size_t{0}, std::size_t{Slice / 2}, size - 1, std::size_t{place}}) {
        for (const bool forward : {true, false}) {
          const std::optional<std::uint64_t> expected = NaiveFind(bytes, pattern, start, forward);
          ASSERT_TRUE(expected.has_value());
          content::SteppedSearch bySlices(bytes, pattern, start, forward);
          while (!bySlices.StepFor(std::chrono::steady_clock::duration::zero())) {
          }
          EXPECT_EQ(bySlices.Result(), expected) << hex << " at " << place << " from " << start << " " << forward;
          // Steps that end exactly on the byte, and one before and after it.
          for (const std::uint64_t budget : {place - start % Slice, Slice - 1, Slice + 1}) {
            content::SteppedSearch byBytes(bytes, pattern, start, forward);
            while (!byBytes.Step(budget)) {
            }
            EXPECT_EQ(byBytes.Result(), expected) << hex << " at " << place << " budget " << budget;
          }
        }
      }
    }
  }
}

TEST(ByteSearch, ReportsAWrapAndCanFindNothing) {
  const std::vector<std::uint8_t> bytes = {'K', 'V', 'S', 0, 0, 'x', 'y'};
  content::SteppedSearch wrapped(bytes, content::TextPattern("KV"), 2, true);
  while (!wrapped.Step(1)) {
  }
  EXPECT_EQ(wrapped.Result(), 0u);
  EXPECT_TRUE(wrapped.Wrapped());
  // A pattern may end at the last byte, never past it.
  content::SteppedSearch atEnd(bytes, content::TextPattern("xy"), 0, true);
  atEnd.Step(100);
  EXPECT_EQ(atEnd.Result(), 5u);
  content::SteppedSearch absent(bytes, content::TextPattern("yz"), 3, false);
  while (!absent.Step(2)) {
  }
  EXPECT_FALSE(absent.Result());
  EXPECT_EQ(absent.Scanned(), bytes.size());
}

TEST(ByteSearch, ParsesHexPatternsAndOffsetsAndTheOffsetOfALogLine) {
  const std::optional<SearchPattern> pattern = content::ParseHexPattern(" 4b56 ??\t53 ");
  ASSERT_TRUE(pattern);
  EXPECT_EQ(pattern->bytes, (std::vector<std::uint8_t>{0x4B, 0x56, 0, 0x53}));
  EXPECT_EQ(pattern->any, (std::vector<bool>{false, false, true, false}));
  for (const char* const bad : {"", "  ", "4", "4g", "4b5", "?4", "0x4b"})
    EXPECT_FALSE(content::ParseHexPattern(bad)) << bad;

  EXPECT_EQ(content::ParseOffset("0x1A2c"), 0x1A2Cu);
  EXPECT_EQ(content::ParseOffset(" 6700 "), 6700u);
  EXPECT_EQ(content::ParseOffset("18446744073709551615"), UINT64_MAX);
  for (const char* const bad : {"", "0x", "12a", "-1", "0x1g", "18446744073709551616", "0x10000000000000000"})
    EXPECT_FALSE(content::ParseOffset(bad)) << bad;
  EXPECT_EQ(content::LeadingOffset("00001a2c Chunk id: 53545645 (EVTS), skipping data: 0"), 0x1A2Cu);
  for (const char* const line : {" File Version: 6105", "Module Track Count Mismatch", "1a2c Chunk"})
    EXPECT_FALSE(content::LeadingOffset(line)) << line;
}

TEST(DataInspector, ReadsEachTypeInBothOrdersAndOnlyTheBytesThatAreThere) {
  const std::uint8_t bytes[] = {0x47, 0x4C, 0x4F, 0x42, 0x00, 0x00, 0x80, 0xBF};
  const auto little = content::InspectBytes(bytes, sizeof bytes, false);
  const auto big = content::InspectBytes(bytes, sizeof bytes, true);
  auto value = [](const std::vector<content::InspectorRow>& rows, const char* type) {
    for (const content::InspectorRow& row : rows)
      if (row.type == type) return row.value;
    return std::string("no such row");
  };
  EXPECT_EQ(value(little, "uint16"), "19527");
  EXPECT_EQ(value(big, "uint16"), "18252");
  EXPECT_EQ(value(little, "int32"), "1112493127");
  EXPECT_EQ(value(little, "chunk id"), "GLOB");
  EXPECT_EQ(value(big, "chunk id"), "GLOB");
  EXPECT_EQ(value(little, "text"), "GLOB");
  const std::uint8_t minusOne[] = {0x00, 0x00, 0x80, 0xBF};
  EXPECT_EQ(value(content::InspectBytes(minusOne, 4, false), "float32"), "-1");
  EXPECT_EQ(value(content::InspectBytes(minusOne, 4, false), "float64"), "");
  const std::uint8_t control[] = {'a', '\n', 0x9B, 'b'};
  EXPECT_EQ(value(content::InspectBytes(control, 4, false), "text"), "a\\x0A\\x9Bb");
}

}  // namespace

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Counting one field down a run of equal records: the same bytes at the
// same offset, `stride` bytes apart. A chunk may hold millions of events;
// counting them a column at a time keeps the inner loops to a load and an
// increment, where a region at a time costs a place lookup each.
namespace tarvo::kvsdump {

class ColumnCounter {
 public:
  ColumnCounter();

  // The whole values (up to 8 bytes, first byte lowest) of `count` fields
  // from `first`, with their counts, in the order each first occurs. Stops
  // before the record whose value would be the (`limit` + 1)th distinct
  // one; returns the records counted.
  std::uint64_t CountValues(const std::uint8_t* first, std::size_t stride, std::size_t size, std::uint64_t count,
                            std::size_t limit);
  const std::vector<std::pair<std::uint64_t, std::uint64_t>>& Values() const { return values_; }

  // Per byte position (up to 256) the count of each byte value, over
  // `count` fields from `first`. Counts fit 32 bits: at most MaxRun records.
  void CountBytes(const std::uint8_t* first, std::size_t stride, std::size_t positions, std::uint64_t count);
  const std::uint32_t* Bytes(std::size_t position) const { return bytes_.get() + position * 256; }

  static constexpr std::uint64_t MaxRun = std::uint64_t{1} << 30;

 private:
  std::uint64_t CountSmall(const std::uint8_t* first, std::size_t stride, std::size_t size, std::uint64_t count);
  std::uint64_t CountHashed(const std::uint8_t* first, std::size_t stride, std::size_t size, std::uint64_t count,
                            std::size_t limit);

  std::vector<std::pair<std::uint64_t, std::uint64_t>> values_;
  // Values of 1 or 2 bytes: a counter for each, and which are in use.
  std::unique_ptr<std::uint32_t[]> small_;
  std::vector<std::uint16_t> touched_;
  // Longer values: open addressing, index + 1 into values_ (0: free).
  static constexpr std::size_t TableSize = 2048;
  std::array<std::uint64_t, TableSize> keys_{};
  std::array<std::uint16_t, TableSize> slots_{};
  std::unique_ptr<std::uint32_t[]> bytes_;  // [position][value]
  std::size_t bytesUsed_ = 0;               // positions whose counters may be non-zero
};

}  // namespace tarvo::kvsdump

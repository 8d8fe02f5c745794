#include "tools/kvsdump/ValueColumns.h"

#include <algorithm>
#include <cstring>

namespace tarvo::kvsdump {

namespace {

std::uint64_t LoadValue(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return value;
}

}  // namespace

ColumnCounter::ColumnCounter() = default;

std::uint64_t ColumnCounter::CountValues(const std::uint8_t* first, std::size_t stride, std::size_t size,
                                         std::uint64_t count, std::size_t limit) {
  values_.clear();
  count = std::min(count, MaxRun);
  // Two bytes take at most 65,536 values: one counter each costs less than
  // any lookup, and the limit is applied by the caller from the counts.
  if (size <= 2) return CountSmall(first, stride, size, count);
  return CountHashed(first, stride, size, count, std::min<std::size_t>(limit, TableSize / 4));
}

std::uint64_t ColumnCounter::CountSmall(const std::uint8_t* first, std::size_t stride, std::size_t size,
                                        std::uint64_t count) {
  if (!small_) small_ = std::make_unique<std::uint32_t[]>(65536);
  std::uint32_t* const counts = small_.get();
  touched_.clear();
  const std::uint8_t* bytes = first;
  if (size == 1) {
    for (std::uint64_t i = 0; i < count; ++i, bytes += stride)
      if (counts[bytes[0]]++ == 0) touched_.push_back(bytes[0]);
  } else {
    for (std::uint64_t i = 0; i < count; ++i, bytes += stride) {
      const auto value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
      if (counts[value]++ == 0) touched_.push_back(value);
    }
  }
  values_.reserve(touched_.size());
  for (const std::uint16_t value : touched_) {
    values_.emplace_back(value, counts[value]);
    counts[value] = 0;
  }
  return count;
}

std::uint64_t ColumnCounter::CountHashed(const std::uint8_t* first, std::size_t stride, std::size_t size,
                                         std::uint64_t count, std::size_t limit) {
  constexpr std::size_t Mask = TableSize - 1;
  const std::uint8_t* bytes = first;
  std::uint64_t last = 0;
  std::size_t lastIndex = SIZE_MAX;
  std::uint64_t i = 0;
  for (; i < count; ++i, bytes += stride) {
    const std::uint64_t value = LoadValue(bytes, size);
    // Runs of one value are common (zeros, a flag): no lookup for them.
    if (value == last && lastIndex != SIZE_MAX) {
      ++values_[lastIndex].second;
      continue;
    }
    std::size_t at = static_cast<std::size_t>((value * 0x9E3779B97F4A7C15ULL) >> 53) & Mask;
    while (slots_[at] != 0 && keys_[at] != value) at = (at + 1) & Mask;
    if (slots_[at] == 0) {
      if (values_.size() >= limit) break;
      keys_[at] = value;
      values_.emplace_back(value, 0);
      slots_[at] = static_cast<std::uint16_t>(values_.size());
    }
    lastIndex = slots_[at] - 1U;
    last = value;
    ++values_[lastIndex].second;
  }
  // Emptied by the values it holds: fewer than the table's slots.
  for (const auto& [value, n] : values_) {
    std::size_t at = static_cast<std::size_t>((value * 0x9E3779B97F4A7C15ULL) >> 53) & Mask;
    while (keys_[at] != value || slots_[at] == 0) at = (at + 1) & Mask;
    slots_[at] = 0;
  }
  return i;
}

void ColumnCounter::CountBytes(const std::uint8_t* first, std::size_t stride, std::size_t positions,
                               std::uint64_t count) {
  if (!bytes_) bytes_ = std::make_unique<std::uint32_t[]>(256 * 256);
  std::memset(bytes_.get(), 0, bytesUsed_ * 256 * sizeof(std::uint32_t));
  bytesUsed_ = positions;
  count = std::min(count, MaxRun);
  std::uint32_t* const counts = bytes_.get();
  const std::uint8_t* bytes = first;
  if (positions == 4) {
    for (std::uint64_t i = 0; i < count; ++i, bytes += stride) {
      ++counts[bytes[0]];
      ++counts[256 + bytes[1]];
      ++counts[512 + bytes[2]];
      ++counts[768 + bytes[3]];
    }
    return;
  }
  for (std::uint64_t i = 0; i < count; ++i, bytes += stride)
    for (std::size_t p = 0; p < positions; ++p) ++counts[p * 256 + bytes[p]];
}

}  // namespace tarvo::kvsdump

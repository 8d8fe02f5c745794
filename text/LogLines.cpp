#include "text/LogLines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Encoding. The first line of a group:
//   varint length, the bytes.
// Every other line, against the line `distance` (1..MaxReference) before it:
//   header byte: (distance - 1) in bits 0-1, code in bits 2-7;
//     code 0..61: length of the middle,
//     code 62:    middle length follows as a varint after the suffix length,
//     code 63:    the line equals the reference; nothing follows;
//   varint prefix length, varint suffix length, [varint middle length], middle bytes.
// The line is reference[0, prefix) + middle + the reference's last `suffix`
// bytes. Varints are little-endian base 128.

namespace tarvo {
namespace {

constexpr unsigned DistanceBits = 2;
constexpr unsigned LongMiddle = 62;
constexpr unsigned SameAsReference = 63;
constexpr std::size_t MaxVarintBytes = 10;

std::size_t VarintBytes(std::uint64_t value) {
  std::size_t count = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++count;
  }
  return count;
}

char* PutVarint(char* out, std::uint64_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  *out++ = static_cast<char>(value);
  return out;
}

// Word-at-a-time comparison: Append compares each line with several
// others, and this is most of its work.
std::size_t CommonPrefix(std::string_view a, std::string_view b) {
  const std::size_t limit = std::min(a.size(), b.size());
  std::size_t count = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; count + 8 <= limit; count += 8) {
      std::uint64_t x;
      std::uint64_t y;
      std::memcpy(&x, a.data() + count, 8);
      std::memcpy(&y, b.data() + count, 8);
      if (x != y) {
        return count + static_cast<std::size_t>(std::countr_zero(x ^ y)) / 8;
      }
    }
  }
  while (count < limit && a[count] == b[count]) {
    ++count;
  }
  return count;
}

// At most `limit` bytes, so that the suffix never overlaps the prefix.
std::size_t CommonSuffix(std::string_view a, std::string_view b, std::size_t limit) {
  const char* const endA = a.data() + a.size();
  const char* const endB = b.data() + b.size();
  std::size_t count = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; count + 8 <= limit; count += 8) {
      std::uint64_t x;
      std::uint64_t y;
      std::memcpy(&x, endA - count - 8, 8);
      std::memcpy(&y, endB - count - 8, 8);
      if (x != y) {
        // The last bytes in memory are the most significant ones.
        return count + static_cast<std::size_t>(std::countl_zero(x ^ y)) / 8;
      }
    }
  }
  while (count < limit && *(endA - count - 1) == *(endB - count - 1)) {
    ++count;
  }
  return count;
}

}  // namespace

// Reads the encoded bytes sequentially across block boundaries.
class TLogLines::Reader {
 public:
  Reader(const std::vector<std::unique_ptr<char[]>>& blocks, std::uint64_t position)
      : blocks_(blocks),
        block_(static_cast<std::size_t>(position / BlockBytes)),
        offset_(static_cast<std::size_t>(position % BlockBytes)) {}

  unsigned char Byte() {
    NextBlockIfAtEnd();
    return static_cast<unsigned char>(blocks_[block_][offset_++]);
  }

  std::uint64_t Varint() {
    std::uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
      const unsigned char byte = Byte();
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) {
        return value;
      }
    }
  }

  void AppendTo(std::string& out, std::size_t count) {
    while (count > 0) {
      NextBlockIfAtEnd();
      const std::size_t chunk = std::min(count, BlockBytes - offset_);
      out.append(blocks_[block_].get() + offset_, chunk);
      offset_ += chunk;
      count -= chunk;
    }
  }

 private:
  void NextBlockIfAtEnd() {
    if (offset_ == BlockBytes) {
      ++block_;
      offset_ = 0;
    }
  }

  const std::vector<std::unique_ptr<char[]>>& blocks_;
  std::size_t block_;
  std::size_t offset_;
};

TLogLines::TLogLines() = default;

TLogLines::TLogLines(const TLogLines& other)
    : lastBlockCapacity_(other.lastBlockCapacity_),
      bytes_(other.bytes_),
      groupStarts_(other.groupStarts_),
      size_(other.size_),
      recent_(other.recent_) {
  blocks_.reserve(other.blocks_.size());
  for (std::size_t i = 0; i < other.blocks_.size(); ++i) {
    const bool last = i + 1 == other.blocks_.size();
    const std::size_t capacity = last ? lastBlockCapacity_ : BlockBytes;
    const std::size_t used = last ? static_cast<std::size_t>(bytes_ - i * BlockBytes) : BlockBytes;
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity));
    std::memcpy(blocks_.back().get(), other.blocks_[i].get(), used);
  }
}

TLogLines::TLogLines(TLogLines&& other) noexcept { Swap(other); }

TLogLines& TLogLines::operator=(const TLogLines& other) {
  if (this != &other) {
    TLogLines copy(other);
    Swap(copy);
  }
  return *this;
}

TLogLines& TLogLines::operator=(TLogLines&& other) noexcept {
  if (this != &other) {
    TLogLines taken(std::move(other));
    Swap(taken);
  }
  return *this;
}

TLogLines::~TLogLines() = default;

void TLogLines::Swap(TLogLines& other) noexcept {
  blocks_.swap(other.blocks_);
  std::swap(lastBlockCapacity_, other.lastBlockCapacity_);
  std::swap(bytes_, other.bytes_);
  groupStarts_.swap(other.groupStarts_);
  std::swap(size_, other.size_);
  recent_.swap(other.recent_);
}

void TLogLines::Clear() {
  TLogLines empty;
  Swap(empty);
}

void TLogLines::Append(std::string_view line) {
  // The entry is a head of at most a byte and three varints, then `body`.
  char head[1 + 3 * MaxVarintBytes];
  char* out = head;
  std::string_view body = line;
  const bool startsGroup = size_ % GroupLines == 0;
  if (startsGroup) {
    out = PutVarint(out, line.size());
  } else {
    // The cheapest encoding against any of the recent lines of this group.
    static_assert(MaxReference <= (1u << DistanceBits));
    std::size_t bestDistance = 0;
    std::size_t bestCost = 0;
    std::size_t bestPrefix = 0;
    std::size_t bestSuffix = 0;
    bool same = false;
    const std::size_t reach = std::min(MaxReference, size_ % GroupLines);
    for (std::size_t distance = 1; distance <= reach && !same; ++distance) {
      const std::string& reference = recent_[(size_ - distance) % MaxReference];
      const std::size_t prefix = CommonPrefix(reference, line);
      const std::size_t suffix = CommonSuffix(reference, line, std::min(reference.size(), line.size()) - prefix);
      const std::size_t middle = line.size() - prefix - suffix;
      same = middle == 0 && reference.size() == line.size();
      const std::size_t cost = same ? 1
                                    : 1 + VarintBytes(prefix) + VarintBytes(suffix) + middle +
                                          (middle >= LongMiddle ? VarintBytes(middle) : 0);
      if (bestDistance == 0 || cost < bestCost) {
        bestDistance = distance;
        bestCost = cost;
        bestPrefix = prefix;
        bestSuffix = suffix;
      }
    }
    body = line.substr(bestPrefix, line.size() - bestPrefix - bestSuffix);
    unsigned code = SameAsReference;
    ++out;
    if (!same) {
      code = body.size() < LongMiddle ? static_cast<unsigned>(body.size()) : LongMiddle;
      out = PutVarint(out, bestPrefix);
      out = PutVarint(out, bestSuffix);
      if (code == LongMiddle) {
        out = PutVarint(out, body.size());
      }
    }
    head[0] = static_cast<char>((bestDistance - 1) | (code << DistanceBits));
  }

  if (startsGroup) {
    groupStarts_.push_back(bytes_);
  }
  const std::uint64_t start = bytes_;
  try {
    Put(head, static_cast<std::size_t>(out - head));
    Put(body.data(), body.size());
    Remember(line);
  } catch (...) {
    // Out of memory: leave the store as it was, so that it stays usable.
    bytes_ = start;
    const auto usedBlocks = static_cast<std::size_t>((bytes_ + BlockBytes - 1) / BlockBytes);
    if (blocks_.size() > usedBlocks) {
      blocks_.resize(usedBlocks);
      lastBlockCapacity_ = usedBlocks == 0 ? 0 : BlockBytes;
    }
    if (startsGroup) {
      groupStarts_.pop_back();
    }
    throw;
  }
  ++size_;
}

void TLogLines::Remember(std::string_view line) {
  std::string& slot = recent_[size_ % MaxReference];
  // After a very long line, do not keep its buffer for short ones. Either
  // branch leaves the slot unchanged when it throws.
  if (slot.capacity() > BlockBytes && line.size() < slot.capacity() / 4) {
    slot = std::string(line);
  } else {
    slot.assign(line);
  }
}

void TLogLines::Put(const char* data, std::size_t count) {
  while (count > 0) {
    const auto block = static_cast<std::size_t>(bytes_ / BlockBytes);
    const auto offset = static_cast<std::size_t>(bytes_ % BlockBytes);
    if (block == blocks_.size()) {
      const std::size_t capacity = blocks_.empty() ? FirstBlockBytes : BlockBytes;
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity));
      lastBlockCapacity_ = capacity;
    } else if (offset == lastBlockCapacity_) {
      GrowFirstBlock(offset + count);
    }
    const std::size_t chunk = std::min(count, lastBlockCapacity_ - offset);
    std::memcpy(blocks_[block].get() + offset, data, chunk);
    bytes_ += chunk;
    data += chunk;
    count -= chunk;
  }
}

// Only the first block is ever short of BlockBytes, so only it is copied,
// and at most BlockBytes in all.
void TLogLines::GrowFirstBlock(std::size_t needed) {
  const std::size_t capacity = std::min(BlockBytes, std::max(2 * lastBlockCapacity_, needed));
  std::unique_ptr<char[]> grown = std::make_unique_for_overwrite<char[]>(capacity);
  std::memcpy(grown.get(), blocks_[0].get(), static_cast<std::size_t>(bytes_));
  blocks_[0] = std::move(grown);
  lastBlockCapacity_ = capacity;
}

void TLogLines::Decode(std::size_t first, std::size_t end, const std::function<void(std::string_view)>& visit) const {
  end = std::min(end, size_);
  if (first >= end) {
    return;
  }
  const std::size_t group = first / GroupLines;
  Reader reader(blocks_, groupStarts_[group]);
  std::array<std::string, MaxReference> recent;
  std::string line;
  for (std::size_t index = group * GroupLines; index < end; ++index) {
    line.clear();
    if (index % GroupLines == 0) {
      reader.AppendTo(line, static_cast<std::size_t>(reader.Varint()));
    } else {
      const unsigned header = reader.Byte();
      const std::size_t distance = (header & ((1u << DistanceBits) - 1)) + 1;
      const unsigned code = header >> DistanceBits;
      const std::string& reference = recent[(index - distance) % MaxReference];
      if (code == SameAsReference) {
        line.assign(reference);
      } else {
        const auto prefix = static_cast<std::size_t>(reader.Varint());
        const auto suffix = static_cast<std::size_t>(reader.Varint());
        const auto middle = code == LongMiddle ? static_cast<std::size_t>(reader.Varint()) : code;
        line.reserve(prefix + middle + suffix);
        line.assign(reference, 0, prefix);
        reader.AppendTo(line, middle);
        line.append(reference, reference.size() - suffix, suffix);
      }
    }
    // The reference may be the slot being replaced, hence the separate
    // buffer; swapping keeps both allocations for the next lines.
    std::string& slot = recent[index % MaxReference];
    slot.swap(line);
    if (index >= first) {
      visit(slot);
    }
  }
}

std::string TLogLines::Line(std::size_t index) const {
  if (index >= size_) {
    throw std::out_of_range("TLogLines::Line: index out of range");
  }
  std::string result;
  Decode(index, index + 1, [&result](std::string_view line) { result.assign(line); });
  return result;
}

void TLogLines::ForEach(const std::function<void(std::string_view)>& visit, std::size_t first,
                        std::size_t end) const {
  Decode(first, end, visit);
}

std::vector<std::string> TLogLines::ToVector() const {
  std::vector<std::string> lines;
  lines.reserve(size_);
  Decode(0, size_, [&lines](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::size_t TLogLines::HeapBytes() const {
  std::size_t total = 0;
  if (!blocks_.empty()) {
    total += (blocks_.size() - 1) * BlockBytes + lastBlockCapacity_;
  }
  total += blocks_.capacity() * sizeof(blocks_[0]) + groupStarts_.capacity() * sizeof(groupStarts_[0]);
  const std::size_t inlineCapacity = std::string().capacity();
  for (const std::string& line : recent_) {
    if (line.capacity() > inlineCapacity) {
      total += line.capacity() + 1;
    }
  }
  return total;
}

// The encoding is a function of the line sequence alone, so equal lines
// give equal bytes and the bytes can be compared without decoding.
bool operator==(const TLogLines& a, const TLogLines& b) {
  if (a.size_ != b.size_ || a.bytes_ != b.bytes_) {
    return false;
  }
  for (std::size_t i = 0; i < a.blocks_.size(); ++i) {
    const std::size_t used = std::min<std::uint64_t>(TLogLines::BlockBytes, a.bytes_ - i * TLogLines::BlockBytes);
    if (std::memcmp(a.blocks_[i].get(), b.blocks_[i].get(), used) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace tarvo

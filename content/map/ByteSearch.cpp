#include "content/map/ByteSearch.h"

#include "content/map/OffsetText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

namespace tarvo::content {
namespace {

// How often each byte value occurs in a few samples of the file.
std::array<std::uint32_t, 256> SampledCounts(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t SampleSize = 16 * 1024;
  std::array<std::uint32_t, 256> seen{};
  const std::size_t size = bytes.size();
  for (const std::size_t start : {std::size_t{0}, size / 2, size > SampleSize ? size - SampleSize : 0}) {
    const std::size_t end = std::min(size, start + SampleSize);
    for (std::size_t i = start; i < end; ++i) ++seen[bytes[i]];
  }
  return seen;
}

// The fixed byte of the pattern seen least, other than `not`; the pattern's
// size when there is none. Rare bytes make the scan stop rarely.
std::size_t RarestFixedByte(const SearchPattern& pattern, const std::array<std::uint32_t, 256>& seen,
                            std::size_t not_ = SIZE_MAX) {
  std::size_t best = pattern.size();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.any[i] || i == not_) continue;
    if (best == pattern.size() || seen[pattern.bytes[i]] < seen[pattern.bytes[best]]) best = i;
  }
  return best;
}

#if defined(__SSE2__)
// The places among the 16 at `at` where both scanned bytes are found, one
// bit each.
inline unsigned BothAt(const std::uint8_t* at, std::size_t first, std::size_t second, __m128i wantFirst,
                       __m128i wantSecond) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + first));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + second));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, wantFirst), _mm_cmpeq_epi8(b, wantSecond))));
}
#endif

}  // namespace

std::optional<SearchPattern> ParseHexPattern(std::string_view text) {
  SearchPattern pattern;
  std::size_t i = 0;
  while (i < text.size()) {
    if (Blank(text[i])) {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return std::nullopt;
    if (text[i] == '?' && text[i + 1] == '?') {
      pattern.bytes.push_back(0);
      pattern.any.push_back(true);
    } else {
      const int high = HexDigit(text[i]);
      const int low = HexDigit(text[i + 1]);
      if (high < 0 || low < 0) return std::nullopt;
      pattern.bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
      pattern.any.push_back(false);
    }
    i += 2;
  }
  if (pattern.empty()) return std::nullopt;
  return pattern;
}

SearchPattern TextPattern(std::string_view latin1) {
  SearchPattern pattern;
  pattern.bytes.assign(latin1.begin(), latin1.end());
  pattern.any.assign(latin1.size(), false);
  return pattern;
}

ByteSearch::ByteSearch(std::span<const std::uint8_t> bytes, SearchPattern pattern)
    : bytes_(bytes), pattern_(std::move(pattern)) {
  const std::array<std::uint32_t, 256> seen = SampledCounts(bytes_);
  anchor_ = RarestFixedByte(pattern_, seen);
  anyAnchor_ = anchor_ == pattern_.size();
  if (!anyAnchor_) second_ = RarestFixedByte(pattern_, seen, anchor_);
  twoAnchors_ = !anyAnchor_ && second_ < pattern_.size();
}

bool ByteSearch::MatchesAt(std::uint64_t position) const {
  if (pattern_.empty() || position > bytes_.size() || bytes_.size() - position < pattern_.size()) return false;
  const std::uint8_t* const at = bytes_.data() + position;
  for (std::size_t i = 0; i < pattern_.size(); ++i)
    if (!pattern_.any[i] && at[i] != pattern_.bytes[i]) return false;
  return true;
}

std::optional<std::uint64_t> ByteSearch::FirstIn(std::uint64_t from, std::uint64_t to) const {
  if (pattern_.empty() || pattern_.size() > bytes_.size()) return std::nullopt;
  to = std::min<std::uint64_t>(to, bytes_.size() - pattern_.size() + 1);
  if (from >= to) return std::nullopt;
  if (anyAnchor_) return from;
  if (twoAnchors_) return ScanForward(from, to);
  const std::uint8_t* const base = bytes_.data();
  const std::uint8_t wanted = pattern_.bytes[anchor_];
  std::uint64_t position = from;
  while (position < to) {
    const void* const hit = std::memchr(base + position + anchor_, wanted, to - position);
    if (hit == nullptr) return std::nullopt;
    const std::uint64_t start = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - base) - anchor_;
    if (MatchesAt(start)) return start;
    position = start + 1;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> ByteSearch::LastIn(std::uint64_t from, std::uint64_t to) const {
  if (pattern_.empty() || pattern_.size() > bytes_.size()) return std::nullopt;
  to = std::min<std::uint64_t>(to, bytes_.size() - pattern_.size() + 1);
  if (from >= to) return std::nullopt;
  if (anyAnchor_) return to - 1;
  if (twoAnchors_) return ScanBackward(from, to);
  const std::uint8_t* const base = bytes_.data();
  const std::uint8_t wanted = pattern_.bytes[anchor_];
  std::uint64_t end = to;
  while (end > from) {
    const void* const hit = memrchr(base + from + anchor_, wanted, end - from);
    if (hit == nullptr) return std::nullopt;
    const std::uint64_t start = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - base) - anchor_;
    if (MatchesAt(start)) return start;
    end = start;
  }
  return std::nullopt;
}

// Start positions p in [from, to) read bytes up to p + pattern size - 1, all
// inside the file since `to` is at most size - pattern size + 1.
std::optional<std::uint64_t> ByteSearch::ScanForward(std::uint64_t from, std::uint64_t to) const {
  const std::uint8_t* const base = bytes_.data();
  const std::uint8_t first = pattern_.bytes[anchor_];
  const std::uint8_t second = pattern_.bytes[second_];
  std::uint64_t position = from;
#if defined(__SSE2__)
  const __m128i wantFirst = _mm_set1_epi8(static_cast<char>(first));
  const __m128i wantSecond = _mm_set1_epi8(static_cast<char>(second));
  for (; to - position >= 16; position += 16) {
    unsigned found = BothAt(base + position, anchor_, second_, wantFirst, wantSecond);
    while (found != 0) {
      const std::uint64_t start = position + static_cast<unsigned>(__builtin_ctz(found));
      if (MatchesAt(start)) return start;
      found &= found - 1;
    }
  }
#endif
  for (; position < to; ++position)
    if (base[position + anchor_] == first && base[position + second_] == second && MatchesAt(position))
      return position;
  return std::nullopt;
}

std::optional<std::uint64_t> ByteSearch::ScanBackward(std::uint64_t from, std::uint64_t to) const {
  const std::uint8_t* const base = bytes_.data();
  const std::uint8_t first = pattern_.bytes[anchor_];
  const std::uint8_t second = pattern_.bytes[second_];
  std::uint64_t end = to;
#if defined(__SSE2__)
  const __m128i wantFirst = _mm_set1_epi8(static_cast<char>(first));
  const __m128i wantSecond = _mm_set1_epi8(static_cast<char>(second));
  for (; end - from >= 16; end -= 16) {
    unsigned found = BothAt(base + end - 16, anchor_, second_, wantFirst, wantSecond);
    while (found != 0) {
      const unsigned bit = 31u - static_cast<unsigned>(__builtin_clz(found));
      const std::uint64_t start = end - 16 + bit;
      if (MatchesAt(start)) return start;
      found &= ~(1u << bit);
    }
  }
#endif
  while (end > from) {
    --end;
    if (base[end + anchor_] == first && base[end + second_] == second && MatchesAt(end)) return end;
  }
  return std::nullopt;
}

SteppedSearch::SteppedSearch(std::span<const std::uint8_t> bytes, SearchPattern pattern, std::uint64_t start,
                             bool forward)
    : search_(bytes, std::move(pattern)),
      size_(bytes.size()),
      start_(std::min<std::uint64_t>(start, bytes.size())),
      forward_(forward),
      next_(start_),
      end_(forward ? size_ : 0) {}

bool SteppedSearch::Step(std::uint64_t budget) {
  if (done_) return true;
  budget = std::max<std::uint64_t>(budget, 1);
  if (forward_) {
    const std::uint64_t to = next_ + std::min(budget, end_ - next_);
    result_ = search_.FirstIn(next_, to);
    scanned_ += to - next_;
    next_ = to;
  } else {
    const std::uint64_t from = next_ - std::min(budget, next_ - end_);
    result_ = search_.LastIn(from, next_);
    scanned_ += next_ - from;
    next_ = from;
  }
  if (result_) {
    wrapped_ = secondPart_;
    done_ = true;
  } else if (next_ == end_) {
    if (secondPart_) {
      done_ = true;
    } else {
      // The rest of the file, on the other side of the start.
      secondPart_ = true;
      next_ = forward_ ? 0 : size_;
      end_ = start_;
    }
  }
  return done_;
}

bool SteppedSearch::StepFor(std::chrono::steady_clock::duration time) {
  // Sized by the clock, not by bytes: a pattern whose anchors occur
  // everywhere costs many times more a byte than an absent one.
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (!Step(SliceBytes))
    if (std::chrono::steady_clock::now() >= deadline) return false;
  return true;
}

}  // namespace tarvo::content

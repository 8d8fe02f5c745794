#include "content/map/ByteSearch.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace tarvo::content {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Which fixed byte of the pattern to scan for: the one seen least in a few
// samples of the file, so that the scan stops rarely at a false hit.
std::size_t RarestFixedByte(std::span<const std::uint8_t> bytes, const SearchPattern& pattern) {
  constexpr std::size_t SampleSize = 16 * 1024;
  std::array<std::uint32_t, 256> seen{};
  const std::size_t size = bytes.size();
  for (const std::size_t start : {std::size_t{0}, size / 2, size > SampleSize ? size - SampleSize : 0}) {
    const std::size_t end = std::min(size, start + SampleSize);
    for (std::size_t i = start; i < end; ++i) ++seen[bytes[i]];
  }
  std::size_t best = pattern.size();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.any[i]) continue;
    if (best == pattern.size() || seen[pattern.bytes[i]] < seen[pattern.bytes[best]]) best = i;
  }
  return best;
}

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
  anchor_ = RarestFixedByte(bytes_, pattern_);
  anyAnchor_ = anchor_ == pattern_.size();
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

}  // namespace tarvo::content

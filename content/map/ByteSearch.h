#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// Finding bytes in a whole loaded file, for the File Map window. Qt-free so
// that it can be measured against a plain memchr pass.
namespace tarvo::content {

// Bytes to find; a byte whose `any` is set matches every byte (a ?? in hex).
struct SearchPattern {
  std::vector<std::uint8_t> bytes;
  std::vector<bool> any;

  std::size_t size() const { return bytes.size(); }
  bool empty() const { return bytes.empty(); }
};

// "4B 56 ?? 53" or "4b56??53": pairs of hex digits or "??", blanks between
// pairs allowed. Nothing for an empty text, an odd digit count or any other
// character.
std::optional<SearchPattern> ParseHexPattern(std::string_view text);
// The text's bytes as they are (8-bit), no wildcards.
SearchPattern TextPattern(std::string_view latin1);

// Where a pattern occurs in a file. A match lies wholly inside the bytes.
// The search scans for the two fixed bytes of the pattern that are rarest in
// a sample of the file, 16 places at a time, and compares the rest only
// where both are found; a pattern of one fixed byte is scanned with
// memchr/memrchr. So an absent pattern costs about one memchr pass.
class ByteSearch {
 public:
  ByteSearch(std::span<const std::uint8_t> bytes, SearchPattern pattern);

  // The first match starting in [from, to).
  std::optional<std::uint64_t> FirstIn(std::uint64_t from, std::uint64_t to) const;
  // The last match starting in [from, to).
  std::optional<std::uint64_t> LastIn(std::uint64_t from, std::uint64_t to) const;

  std::size_t PatternSize() const { return pattern_.size(); }
  bool MatchesAt(std::uint64_t position) const;

 private:
  std::span<const std::uint8_t> bytes_;
  SearchPattern pattern_;
  std::optional<std::uint64_t> ScanForward(std::uint64_t from, std::uint64_t to) const;
  std::optional<std::uint64_t> ScanBackward(std::uint64_t from, std::uint64_t to) const;

  // The indices in the pattern of the scanned bytes; `second_` only when
  // `twoAnchors_`.
  std::size_t anchor_ = 0;
  std::size_t second_ = 0;
  bool anyAnchor_ = true;  // the pattern has no fixed byte
  bool twoAnchors_ = false;
};

// One search from a start position around the whole file, done a bounded
// number of bytes at a time so that a window stays responsive between steps.
// Forward finds the first match starting at or after `start`, then wraps to
// the file's start; backward finds the last match starting before `start`,
// then wraps to the file's end. The result is the one a byte-by-byte scan in
// the same order finds.
class SteppedSearch {
 public:
  SteppedSearch(std::span<const std::uint8_t> bytes, SearchPattern pattern, std::uint64_t start, bool forward);

  // Bytes a timed step scans between looks at the clock: well under a
  // millisecond even where every place needs a full compare.
  static constexpr std::uint64_t SliceBytes = 64 * 1024;

  // Scans up to `budget` more start positions; true once the search is over.
  bool Step(std::uint64_t budget);
  // Scans for about `time` (at least one slice, whatever the pattern costs
  // a byte); true once the search is over.
  bool StepFor(std::chrono::steady_clock::duration time);
  bool Done() const { return done_; }
  bool Wrapped() const { return wrapped_; }
  std::optional<std::uint64_t> Result() const { return result_; }
  // Start positions scanned so far, of Total().
  std::uint64_t Scanned() const { return scanned_; }
  std::uint64_t Total() const { return size_; }

 private:
  ByteSearch search_;
  std::uint64_t size_;
  std::uint64_t start_;
  bool forward_;
  // The part still to scan: forward [next_, end_), backward [end_, next_).
  std::uint64_t next_;
  std::uint64_t end_;
  bool secondPart_ = false;
  bool wrapped_ = false;
  bool done_ = false;
  std::uint64_t scanned_ = 0;
  std::optional<std::uint64_t> result_;
};

}  // namespace tarvo::content

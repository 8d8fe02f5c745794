#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "content/compare/SongCompare.h"

namespace tarvo::content {

// Counts the work of a comparison and asks, at bounded intervals of it,
// whether to stop: two gigabyte files that differ in ten bytes give no
// difference for a long time, and Cancel must still act at once.
class WorkPacer {
 public:
  // Units of work between two questions: a byte compared or hashed is one,
  // an alignment step or a difference counts as many.
  static constexpr std::uint64_t Interval = std::uint64_t{1} << 20;
  static constexpr std::uint64_t StepCost = 256;

  void SetStop(std::function<bool()> stop) {
    stop_ = std::move(stop);
    done_ = 0;
  }
  // Throws CompareCancelled when the question, due after `units` more, says stop.
  void Add(std::uint64_t units) {
    if (!stop_) return;
    done_ += units;
    if (done_ >= Interval) Ask();
  }

 private:
  void Ask();

  std::function<bool()> stop_;
  std::uint64_t done_ = 0;
};

// A hash of bytes for telling items apart before comparing them: fast, not
// cryptographic (equal hashes are confirmed by the bytes).
std::uint64_t HashBytes(const std::uint8_t* bytes, std::size_t size, WorkPacer* pacer = nullptr);

// Bytes as upper-case hexadecimal digits, two a byte ("" for none).
std::string HexBytes(std::string_view bytes);

// Whether two runs of bytes are equal (sizes included).
bool SameBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize,
               WorkPacer* pacer = nullptr);

// Fills `difference`'s bytesDiffer, runs and runsMore from the two regions'
// bytes; positions past the shorter side differ.
void DiffBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize,
               CompareDifference& difference, WorkPacer* pacer = nullptr);

}  // namespace tarvo::content

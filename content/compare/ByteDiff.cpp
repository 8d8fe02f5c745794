#include "content/compare/ByteDiff.h"

#include <algorithm>
#include <cstring>

namespace tarvo::content {

std::string HexBytes(std::string_view bytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += Digits[byte >> 4];
    hex += Digits[byte & 15];
  }
  return hex;
}

std::uint64_t HashBytes(const std::uint8_t* bytes, std::size_t size, WorkPacer* pacer) {
  constexpr std::uint64_t Multiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = 0xCBF29CE484222325ULL ^ (size * Multiplier);
  std::size_t i = 0;
  while (i + 8 <= size) {
    const std::size_t pieceEnd = std::min<std::size_t>(size, i + WorkPacer::Interval);
    const std::size_t pieceStart = i;
    for (; i + 8 <= pieceEnd; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      hash = (hash ^ word) * Multiplier;
      hash ^= hash >> 29;
    }
    if (pacer != nullptr) pacer->Add(i - pieceStart);
  }
  std::uint64_t tail = 0;
  if (i < size) std::memcpy(&tail, bytes + i, size - i);
  hash = (hash ^ tail) * Multiplier;
  return hash ^ (hash >> 32);
}

bool SameBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize,
               WorkPacer* pacer) {
  if (aSize != bSize) return false;
  // In pieces, so that a gigabyte can be stopped between two of them.
  for (std::uint64_t at = 0; at < aSize; at += WorkPacer::Interval) {
    const std::uint64_t piece = std::min(WorkPacer::Interval, aSize - at);
    if (std::memcmp(a + at, b + at, piece) != 0) return false;
    if (pacer != nullptr) pacer->Add(piece);
  }
  return true;
}

void WorkPacer::Ask() {
  done_ = 0;
  if (stop_()) throw CompareCancelled{};
}

void DiffBytes(const std::uint8_t* a, std::uint64_t aSize, const std::uint8_t* b, std::uint64_t bSize,
               CompareDifference& difference, WorkPacer* pacer) {
  constexpr std::uint64_t Block = 4096;
  const std::uint64_t common = std::min(aSize, bSize);
  const std::uint64_t total = std::max(aSize, bSize);
  difference.bytesDiffer = 0;
  difference.runs.clear();
  difference.runsMore = 0;
  std::uint64_t i = 0;
  while (i < total) {
    // Equal stretches are passed a block at a time: a region may be a
    // gigabyte with a few bytes changed.
    while (i < common) {
      if (i % Block == 0) {
        if (pacer != nullptr) pacer->Add(Block);
        if (i + Block <= common && std::memcmp(a + i, b + i, Block) == 0) {
          i += Block;
          continue;
        }
      }
      if (a[i] != b[i]) break;
      ++i;
    }
    if (i >= total) break;
    const std::uint64_t start = i;
    while (i < total && (i >= common || a[i] != b[i])) {
      ++i;
      if (pacer != nullptr && i % Block == 0) pacer->Add(Block);
    }
    difference.bytesDiffer += i - start;
    if (difference.runs.size() >= CompareDifference::MaxRuns) {
      ++difference.runsMore;
      continue;
    }
    ByteRun run;
    run.offset = start;
    run.length = i - start;
    const std::uint64_t shown = std::min<std::uint64_t>(run.length, CompareDifference::MaxRunBytes);
    if (start < aSize) run.oldBytes.assign(reinterpret_cast<const char*>(a + start), std::min(shown, aSize - start));
    if (start < bSize) run.newBytes.assign(reinterpret_cast<const char*>(b + start), std::min(shown, bSize - start));
    difference.runs.push_back(std::move(run));
  }
}

}  // namespace tarvo::content

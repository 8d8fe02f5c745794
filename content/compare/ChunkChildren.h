#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "content/map/RegionMap.h"

// The children of one chunk as a comparison needs them, without making a
// region: the list items (a chunk may hold millions: 12 bytes each) and the
// children with names (few).
namespace tarvo::content {

// A list item as the comparison sees it.
struct ListItem {
  std::uint64_t start;
  std::uint32_t size;
  std::uint32_t hash;
};

// The items of a chunk's list, 12 bytes each: offsets are kept from the
// chunk's start (a chunk's size field is 32 bits).
class ItemList {
 public:
  explicit ItemList(std::uint64_t base = 0) : base_(base) {}

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  ListItem operator[](std::size_t i) const { return Unpack(items_[i]); }
  ListItem front() const { return Unpack(items_.front()); }
  ListItem back() const { return Unpack(items_.back()); }

  // Whether an item starting at `start` can be kept.
  bool Fits(std::uint64_t start) const { return start >= base_ && start - base_ <= UINT32_MAX; }
  void Push(std::uint64_t start) { items_.push_back({static_cast<std::uint32_t>(start - base_), 0, 0}); }
  void SetLast(std::uint32_t size, std::uint32_t hash) {
    items_.back().size = size;
    items_.back().hash = hash;
  }

 private:
  struct Packed {
    std::uint32_t offset;  // from base_
    std::uint32_t size;
    std::uint32_t hash;
  };
  static_assert(sizeof(Packed) == 12);
  ListItem Unpack(const Packed& item) const { return {base_ + item.offset, item.size, item.hash}; }

  std::uint64_t base_;
  std::deque<Packed> items_;  // a deque: growing never copies millions
};

struct NamedChild {
  std::string step;  // "" for the chunk's own regions (its header)
  std::uint64_t start;
  std::uint64_t end;
};

struct ChunkChildren {
  std::vector<NamedChild> named;
  ItemList items;
};

// Reads top-level chunk `index` of `map` again (`data`: the file's bytes).
// `pacer`, when given, counts the work (and may stop it).
class WorkPacer;
ChunkChildren ListChunkChildren(const RegionMap& map, std::size_t index, const std::uint8_t* data,
                                WorkPacer* pacer = nullptr);

}  // namespace tarvo::content

#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <stdexcept>

namespace tarvo {

// A chunk's bytes: a view of the loader's copy of the file. The loader owns
// the bytes; a chunk lives no longer. Without bytes there is no size.
class TKvsByteStream {
 public:
  TKvsByteStream() = default;
  TKvsByteStream(const std::uint8_t* data, std::int64_t size) : data_(data), size_(data != nullptr ? size : 0) {}

  const std::uint8_t* data() const { return data_; }
  // The bytes actually held, which may be fewer than the chunk's DataSize.
  std::int64_t Size() const { return size_; }

 private:
  const std::uint8_t* data_ = nullptr;
  std::int64_t size_ = 0;
};

// A chunk kept whole: an unknown chunk, or the data of a module (ChunkId 0).
// A value made on request by TKvsChunkList; its Data views the loader's
// copy of the file.
class TKvsChunk {
 public:
  TKvsChunk(std::int32_t chunkId, std::int32_t dataSize) : ChunkId(chunkId), DataSize(dataSize) {}

  TKvsByteStream Data;
  std::int32_t ChunkId;
  std::int32_t DataSize;
  std::int64_t Offset = 0;  // file offset of the first payload byte
};

// The kept chunks of a load, in file order. A file can hold a chunk every
// 8 bytes, so each is kept in 16 bytes and made into a TKvsChunk when asked
// for; the entries never move once added, and adding never copies them.
class TKvsChunkList {
 public:
  // `base` is the first byte of the file's copy; it must outlive the list.
  explicit TKvsChunkList(const std::uint8_t* base = nullptr) : base_(base) {}

  // The chunk whose `held` bytes start at file offset `offset`. Its
  // DataSize is the low 32 bits of `held`, as the size field or the module
  // data's length reads in 32 bits.
  void Add(std::int32_t chunkId, std::int64_t offset, std::uint64_t held) {
    entries_.push_back({static_cast<std::uint64_t>(offset) | (held >> 32) << OffsetBits, chunkId,
                        static_cast<std::uint32_t>(held)});
  }

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }
  TKvsChunk operator[](std::size_t index) const { return Make(entries_[index]); }
  TKvsChunk at(std::size_t index) const {
    if (index >= entries_.size()) throw std::out_of_range("TKvsChunkList::at");
    return Make(entries_[index]);
  }
  TKvsChunk back() const { return Make(entries_.back()); }

  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = TKvsChunk;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TKvsChunk;
    const_iterator(const TKvsChunkList* list, std::size_t index) : list_(list), index_(index) {}
    TKvsChunk operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }

   private:
    const TKvsChunkList* list_;
    std::size_t index_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, entries_.size()}; }

 private:
  // File offsets stay below 2^48; the bits above hold the high part of a
  // module's data length, which only a file over 4 GiB can need.
  static constexpr int OffsetBits = 48;
  struct Entry {
    std::uint64_t offsetAndHeldHigh;
    std::int32_t chunkId;
    std::uint32_t heldLow;
  };
  static_assert(sizeof(Entry) == 16);

  TKvsChunk Make(const Entry& entry) const {
    const std::uint64_t offset = entry.offsetAndHeldHigh & ((std::uint64_t{1} << OffsetBits) - 1);
    const std::uint64_t held = (entry.offsetAndHeldHigh >> OffsetBits) << 32 | entry.heldLow;
    TKvsChunk chunk(entry.chunkId, static_cast<std::int32_t>(entry.heldLow));
    chunk.Offset = static_cast<std::int64_t>(offset);
    chunk.Data = TKvsByteStream(base_ + offset, static_cast<std::int64_t>(held));
    return chunk;
  }

  const std::uint8_t* base_;
  std::deque<Entry> entries_;
};

}  // namespace tarvo

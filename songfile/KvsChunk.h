#pragma once

#include <cstdint>
#include <cstring>

namespace tarvo {

// A chunk's bytes: a view of the loader's copy of the file, with a read
// position of its own. The loader owns the bytes; a chunk lives no longer.
class TKvsByteStream {
 public:
  TKvsByteStream() = default;
  TKvsByteStream(const std::uint8_t* data, std::int64_t size) : data_(data), size_(size) {}

  const std::uint8_t* data() const { return data_; }
  std::int64_t Size() const { return size_; }
  std::int64_t Position() const { return position_; }
  void SetPosition(std::int64_t position) { position_ = position; }

  // Reads up to count bytes at the position and moves past them; a position
  // outside the data reads nothing.
  std::int64_t Read(void* out, std::int64_t count) {
    if (position_ < 0 || position_ >= size_ || count <= 0) return 0;
    const std::int64_t got = count < size_ - position_ ? count : size_ - position_;
    std::memcpy(out, data_ + position_, static_cast<std::size_t>(got));
    position_ += got;
    return got;
  }

 private:
  const std::uint8_t* data_ = nullptr;
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
};

// A chunk kept whole: an unknown chunk, or the data of a module (ChunkId 0).
class TKvsChunk {
 public:
  TKvsChunk(std::int32_t chunkId, std::int32_t dataSize) : ChunkId(chunkId), DataSize(dataSize) {}

  TKvsByteStream Data;
  std::int32_t ChunkId;
  std::int32_t DataSize;
  std::int64_t Offset = 0;  // file offset of the first payload byte
};

}  // namespace tarvo

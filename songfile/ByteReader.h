#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "songfile/LittleEndian.h"

namespace tarvo {

// A read cursor over bytes that someone else owns. It never reads outside
// them: a read that wants more than remains takes what is there, zeroes the
// rest of the caller's buffer and stops at the end. That is the song
// format's own rule for records cut short, so no record reader repeats it.
class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t position() const { return pos_; }
  std::size_t remaining() const { return size_ - pos_; }
  bool atEnd() const { return pos_ >= size_; }

  // Whether n more bytes are there; written so that it cannot overflow.
  bool has(std::size_t n) const { return n <= size_ && pos_ <= size_ - n; }

  // Positions past the end are held at the end.
  void seek(std::size_t pos) { pos_ = pos < size_ ? pos : size_; }
  void skip(std::size_t n) { pos_ = has(n) ? pos_ + n : size_; }
  void back(std::size_t n) { pos_ = n < pos_ ? pos_ - n : 0; }

  // Copies up to n bytes to out, zero-fills the rest of out[0..n), and
  // returns how many bytes came from the data.
  std::size_t read(void* out, std::size_t n) {
    const std::size_t got = n < remaining() ? n : remaining();
    if (got > 0) std::memcpy(out, data_ + pos_, got);
    if (got < n) std::memset(static_cast<std::uint8_t*>(out) + got, 0, n - got);
    pos_ += got;
    return got;
  }

  std::uint32_t readUInt32() {
    std::uint8_t b[4];
    read(b, 4);
    return le::U32(b);
  }
  std::int32_t readInt32() { return static_cast<std::int32_t>(readUInt32()); }

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
};

}  // namespace tarvo

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// An append-only store of 8-bit text lines (any bytes, zero bytes included),
// held compactly: the loader's log of a large or hostile file has a hundred
// million near-identical lines, which as separate strings would cost many
// times the file.
//
// Lines come in groups of GroupLines. The first line of a group is stored
// as is; every other line as the difference to one of the few lines before
// it in the same group (common prefix and suffix lengths plus the bytes in
// between). A line is rebuilt by decoding its group from the start, so
// random access costs at most one group's work.
class TLogLines {
 public:
  TLogLines();  // allocates nothing until the first Append
  TLogLines(const TLogLines& other);
  TLogLines(TLogLines&& other) noexcept;  // leaves other empty
  TLogLines& operator=(const TLogLines& other);
  TLogLines& operator=(TLogLines&& other) noexcept;  // leaves other empty
  ~TLogLines();

  void Append(std::string_view line);
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  // The line at `index`; throws std::out_of_range when index >= Size().
  std::string Line(std::size_t index) const;

  // Calls visit for the lines [first, min(end, Size())) in order. The view
  // is valid only during the call.
  void ForEach(const std::function<void(std::string_view)>& visit, std::size_t first = 0,
               std::size_t end = static_cast<std::size_t>(-1)) const;

  std::vector<std::string> ToVector() const;

  // Empties the store and gives its memory back.
  void Clear();

  // Bytes held on the heap (data blocks, index, the encoder's recent lines).
  std::size_t HeapBytes() const;

  // Same lines in the same order.
  friend bool operator==(const TLogLines& a, const TLogLines& b);

 private:
  static constexpr std::size_t GroupLines = 32;
  // How far back a line may look for the line it is stored against.
  static constexpr std::size_t MaxReference = 4;
  // Encoded bytes live in blocks of this size; an entry may span blocks, so
  // nothing is wasted at block ends and nothing stored is ever moved.
  static constexpr std::size_t BlockBytes = 64 * 1024;
  // The first block starts this small and grows to BlockBytes, so that a
  // short log does not cost a whole block.
  static constexpr std::size_t FirstBlockBytes = 256;

  class Reader;

  void Swap(TLogLines& other) noexcept;
  void Put(const char* data, std::size_t count);
  void GrowFirstBlock(std::size_t needed);
  void Remember(std::string_view line);
  // Decodes from the start of first's group, calls visit for [first, end).
  void Decode(std::size_t first, std::size_t end, const std::function<void(std::string_view)>& visit) const;

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t lastBlockCapacity_ = 0;       // allocated size of blocks_.back()
  std::uint64_t bytes_ = 0;                 // encoded bytes in all blocks
  std::vector<std::uint64_t> groupStarts_;  // byte position of each group's first line
  std::size_t size_ = 0;
  // The last MaxReference lines appended, line n in recent_[n % MaxReference].
  std::array<std::string, MaxReference> recent_;
};

}  // namespace tarvo

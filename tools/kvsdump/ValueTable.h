#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The whole values of one place with their counts. A place keeps at most a
// few hundred, and every song's are added to the collection's: one array
// of entries and one of slots, rather than a node per value, so adding,
// walking and freeing them take a few allocations per place, not one per
// value.
namespace tarvo::kvsdump {

// A whole value of up to 8 bytes: its bytes, first byte lowest.
struct ValueKey {
  std::uint64_t bytes = 0;
  std::uint8_t size = 0;
  bool operator==(const ValueKey&) const = default;
};
struct ValueKeyHash {
  std::size_t operator()(const ValueKey& key) const {
    return std::hash<std::uint64_t>{}(key.bytes * 0x9E3779B97F4A7C15ULL ^ key.size);
  }
};

struct ValueCount {
  std::uint64_t count = 0;
  std::string text;  // a field's value as the map shows it, 8-bit
  bool hasText = false;
};

// Entries in the order they were first added.
class ValueTable {
 public:
  using Entry = std::pair<ValueKey, ValueCount>;
  using iterator = std::vector<Entry>::iterator;
  using const_iterator = std::vector<Entry>::const_iterator;

  ValueTable() = default;
  ValueTable(ValueTable&&) noexcept = default;
  ValueTable& operator=(ValueTable&&) noexcept = default;

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

  iterator find(const ValueKey& key);
  const_iterator find(const ValueKey& key) const;
  bool contains(const ValueKey& key) const { return find(key) != end(); }
  // The key's entry, added with no count when new.
  ValueCount& operator[](const ValueKey& key);
  // Adds the entry unless its key is there already.
  void emplace(const ValueKey& key, ValueCount&& value);

  // The memory it holds: its arrays, and each value's text as a string's
  // capacity beside it.
  std::size_t Cost() const;

 private:
  std::size_t Slot(const ValueKey& key) const;  // where the key is, or the free slot it would take
  void Grow();

  std::vector<Entry> entries_;
  std::unique_ptr<std::uint32_t[]> slots_;  // index + 1 into entries_; 0: free
  std::size_t slotCount_ = 0;               // a power of two, more than twice the entries
};

}  // namespace tarvo::kvsdump

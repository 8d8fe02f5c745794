#include "tools/kvsdump/ValueTable.h"

namespace tarvo::kvsdump {

namespace {

constexpr std::size_t FirstSlots = 8;

}  // namespace

std::size_t ValueTable::Slot(const ValueKey& key) const {
  const std::size_t mask = slotCount_ - 1;
  for (std::size_t slot = ValueKeyHash{}(key) & mask;; slot = (slot + 1) & mask) {
    const std::uint32_t index = slots_[slot];
    if (index == 0 || entries_[index - 1].first == key) return slot;
  }
}

ValueTable::iterator ValueTable::find(const ValueKey& key) {
  if (slotCount_ == 0) return end();
  const std::uint32_t index = slots_[Slot(key)];
  return index == 0 ? end() : entries_.begin() + (index - 1);
}

ValueTable::const_iterator ValueTable::find(const ValueKey& key) const {
  if (slotCount_ == 0) return end();
  const std::uint32_t index = slots_[Slot(key)];
  return index == 0 ? end() : entries_.begin() + (index - 1);
}

void ValueTable::Grow() {
  const std::size_t count = slotCount_ == 0 ? FirstSlots : 2 * slotCount_;
  slots_ = std::make_unique<std::uint32_t[]>(count);  // zeroed: all free
  slotCount_ = count;
  for (std::size_t i = 0; i < entries_.size(); ++i) slots_[Slot(entries_[i].first)] = static_cast<std::uint32_t>(i + 1);
}

ValueCount& ValueTable::operator[](const ValueKey& key) {
  // Kept under half full, so that a probe ends soon.
  if (2 * (entries_.size() + 1) > slotCount_) Grow();
  const std::size_t slot = Slot(key);
  if (slots_[slot] != 0) return entries_[slots_[slot] - 1].second;
  entries_.emplace_back(key, ValueCount{});
  slots_[slot] = static_cast<std::uint32_t>(entries_.size());
  return entries_.back().second;
}

void ValueTable::emplace(const ValueKey& key, ValueCount&& value) {
  if (contains(key)) return;
  (*this)[key] = std::move(value);
}

std::size_t ValueTable::Cost() const {
  std::size_t cost = entries_.capacity() * sizeof(Entry) + slotCount_ * sizeof(std::uint32_t);
  for (const Entry& entry : entries_) cost += entry.second.text.capacity();
  return cost;
}

}  // namespace tarvo::kvsdump

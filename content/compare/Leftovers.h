#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

// What is left over between two items that an alignment kept is paired in
// order, the n-th removed with the n-th added: a pair is a changed item,
// the rest removed or added.
namespace tarvo::content {

// Keeps every step (a node's children, the file's chunks: few). Leftovers
// pair only with leftovers of the same key (chunks: the chunk id), the n-th
// of a key with the n-th.
class LeftoverPairing {
 public:
  struct Step {
    std::optional<std::size_t> a;
    std::optional<std::size_t> b;
    bool kept = false;
  };
  using Key = std::function<std::uint64_t(bool newSide, std::size_t index)>;

  explicit LeftoverPairing(Key key = {}) : key_(std::move(key)) {}

  void Keep(std::size_t a, std::size_t b) {
    Flush();
    steps_.push_back({a, b, true});
  }
  void Remove(std::size_t a) { removed_.push_back(a); }
  void Add(std::size_t b) { added_.push_back(b); }
  void Pair(std::size_t a, std::size_t b) {
    Flush();
    steps_.push_back({a, b, false});
  }
  std::vector<Step> Finish() {
    Flush();
    return std::move(steps_);
  }

 private:
  void Flush() {
    std::unordered_map<std::uint64_t, std::deque<std::size_t>> waiting;  // added ones by key
    for (const std::size_t b : added_) waiting[key_ ? key_(true, b) : 0].push_back(b);
    std::vector<bool> used(added_.size(), false);
    std::unordered_map<std::size_t, std::size_t> position;  // of each added one in added_
    for (std::size_t k = 0; k < added_.size(); ++k) position[added_[k]] = k;
    for (const std::size_t a : removed_) {
      std::deque<std::size_t>& partners = waiting[key_ ? key_(false, a) : 0];
      std::optional<std::size_t> partner;
      if (!partners.empty()) {
        partner = partners.front();
        partners.pop_front();
        used[position[*partner]] = true;
      }
      steps_.push_back({a, partner, false});
    }
    for (std::size_t k = 0; k < added_.size(); ++k)
      if (!used[k]) steps_.push_back({std::nullopt, added_[k], false});
    removed_.clear();
    added_.clear();
  }

  Key key_;
  std::vector<Step> steps_;
  std::vector<std::size_t> removed_;
  std::vector<std::size_t> added_;
};

// The same for a list of any length, passing each step on at once in the
// order of both lists; what waits for a partner is held as runs of indices.
class StreamedPairing {
 public:
  // (a, b, kept): a only for removed, b only for added, both for a pair.
  using OnStep = std::function<void(std::optional<std::size_t>, std::optional<std::size_t>, bool)>;

  explicit StreamedPairing(OnStep onStep) : onStep_(std::move(onStep)) {}

  void Keep(std::size_t a, std::size_t b) {
    Finish();
    onStep_(a, b, true);
  }
  void Remove(std::size_t a) {
    Push(removed_, a);
    Match();
  }
  void Add(std::size_t b) {
    Push(added_, b);
    Match();
  }
  void Pair(std::size_t a, std::size_t b) {
    Finish();
    onStep_(a, b, false);
  }
  // Passes on what is still waiting: removed, then added.
  void Finish() {
    while (!removed_.empty()) onStep_(Pop(removed_), std::nullopt, false);
    while (!added_.empty()) onStep_(std::nullopt, Pop(added_), false);
  }

 private:
  using Runs = std::deque<std::pair<std::size_t, std::size_t>>;  // first, count

  static void Push(Runs& runs, std::size_t index) {
    if (!runs.empty() && runs.back().first + runs.back().second == index) {
      ++runs.back().second;
    } else {
      runs.emplace_back(index, 1);
    }
  }
  static std::size_t Pop(Runs& runs) {
    const std::size_t index = runs.front().first++;
    if (--runs.front().second == 0) runs.pop_front();
    return index;
  }
  void Match() {
    while (!removed_.empty() && !added_.empty()) {
      const std::size_t a = Pop(removed_);
      onStep_(a, Pop(added_), false);
    }
  }

  OnStep onStep_;
  Runs removed_;
  Runs added_;
};

}  // namespace tarvo::content

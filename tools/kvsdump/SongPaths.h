#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvo::kvsdump {

// Which file a path reaches: its device and inode; zero when unknown.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// The paths of a walk, packed: a collection of millions of files costs the
// paths' own bytes and at most 32 more per file, never a string object and
// its heap block per path. Byte order needs every path before the first
// song, so this is what the walk holds.
class SongPaths {
 public:
  void Add(std::string_view path, FileIdentity identity);
  // Sorts the paths by their bytes and keeps each file once, at its first
  // path in that order; paths of an unknown identity count as one file
  // only when they are the same bytes.
  void Finish();

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string_view operator[](std::size_t index) const;

 private:
  char* Room(std::size_t bytes);

  // Each entry: the identity (16 bytes) then the path and a zero byte, in
  // blocks that never move.
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t left_ = 0;
  std::deque<const char*> entries_;
};

}  // namespace tarvo::kvsdump

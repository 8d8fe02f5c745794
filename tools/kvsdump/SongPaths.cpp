#include "tools/kvsdump/SongPaths.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <tuple>

namespace tarvo::kvsdump {

namespace {

constexpr std::size_t BlockBytes = 1 << 16;
constexpr std::size_t IdentityBytes = 16;

FileIdentity IdentityOf(const char* entry) {
  FileIdentity identity;
  std::memcpy(&identity.device, entry, 8);
  std::memcpy(&identity.inode, entry + 8, 8);
  return identity;
}

std::string_view PathOf(const char* entry) { return entry + IdentityBytes; }

}  // namespace

char* SongPaths::Room(std::size_t bytes) {
  if (bytes > left_) {
    // A path longer than a block gets a block of its own; the current one
    // keeps its room for the next.
    if (bytes > BlockBytes / 4) {
      blocks_.push_back(std::make_unique<char[]>(bytes));
      return blocks_.back().get();
    }
    blocks_.push_back(std::make_unique<char[]>(BlockBytes));
    free_ = blocks_.back().get();
    left_ = BlockBytes;
  }
  char* room = free_;
  free_ += bytes;
  left_ -= bytes;
  return room;
}

void SongPaths::Add(std::string_view path, FileIdentity identity) {
  char* entry = Room(IdentityBytes + path.size() + 1);
  std::memcpy(entry, &identity.device, 8);
  std::memcpy(entry + 8, &identity.inode, 8);
  std::memcpy(entry + IdentityBytes, path.data(), path.size());
  entry[IdentityBytes + path.size()] = '\0';
  entries_.push_back(entry);
}

void SongPaths::Finish() {
  // Paths of one file side by side, the first in byte order leading.
  const auto key = [](const char* entry) {
    const FileIdentity identity = IdentityOf(entry);
    return std::make_tuple(identity.device, identity.inode, PathOf(entry));
  };
  std::sort(entries_.begin(), entries_.end(), [&](const char* a, const char* b) { return key(a) < key(b); });
  const auto sameFile = [](const char* a, const char* b) {
    const FileIdentity x = IdentityOf(a);
    const FileIdentity y = IdentityOf(b);
    if (x.device != y.device || x.inode != y.inode) return false;
    return (x.device != 0 || x.inode != 0) || PathOf(a) == PathOf(b);
  };
  entries_.erase(std::unique(entries_.begin(), entries_.end(), sameFile), entries_.end());
  std::sort(entries_.begin(), entries_.end(), [](const char* a, const char* b) { return PathOf(a) < PathOf(b); });
  entries_.shrink_to_fit();
}

std::string_view SongPaths::operator[](std::size_t index) const { return PathOf(entries_[index]); }

}  // namespace tarvo::kvsdump

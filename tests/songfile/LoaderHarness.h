#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"

namespace tarvo::testing {

// One load and everything it left: the loader, the messages in order, the
// error text handed back, and the text of a raised KvsError if any.
struct LoadedSong {
  std::unique_ptr<TKvsLoader> loader;
  std::vector<std::string> messages;
  std::string errorText;
  std::optional<std::string> raised;
  int pendingEventCalls = 0;

  const TKvsLoader& operator*() const { return *loader; }
  const TKvsLoader* operator->() const { return loader.get(); }
};

LoadedSong LoadSong(const Bytes& bytes);
LoadedSong LoadSong(const SongBuilder& song);
LoadedSong LoadSongFile(const std::string& path);

// The last message, or "" when there is none.
std::string LastMessage(const LoadedSong& song);
// The last n messages, or all of them when there are fewer.
std::vector<std::string> LastMessages(const LoadedSong& song, std::size_t n);

// The chunk trace line as the log shows it.
std::string Trace(std::uint64_t offset, std::uint32_t id, std::string_view idText, std::int32_t size);

// Bytes from a text, for comparing kept data.
Bytes ToBytes(std::string_view text);
// A chunk's kept data.
Bytes ChunkBytes(const TKvsChunk& chunk);

}  // namespace tarvo::testing

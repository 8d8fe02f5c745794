#include "tests/songfile/LoaderHarness.h"

#include <cinttypes>
#include <cstdio>
#include <functional>

#include "songfile/KvsError.h"

namespace tarvo::testing {

namespace {

// The sink and the pending-events callback outlive nothing: they write into
// shared state that the result keeps.
struct Recorder {
  std::vector<std::string> messages;
  int pendingEventCalls = 0;
};

LoadedSong Run(const std::function<void(TKvsLoader&, std::string&)>& load) {
  auto recorder = std::make_shared<Recorder>();
  LoadedSong result;
  result.loader = std::make_unique<TKvsLoader>(
      [recorder](std::string_view message) { recorder->messages.emplace_back(message); },
      [recorder] { ++recorder->pendingEventCalls; });
  try {
    load(*result.loader, result.errorText);
  } catch (const KvsError& error) {
    result.raised = error.what();
  }
  result.messages = recorder->messages;
  result.pendingEventCalls = recorder->pendingEventCalls;
  return result;
}

}  // namespace

LoadedSong LoadSong(const Bytes& bytes) {
  return Run([&bytes](TKvsLoader& loader, std::string& errorText) {
    loader.LoadFromMemory(bytes.data(), bytes.size(), errorText);
  });
}

LoadedSong LoadSong(const SongBuilder& song) { return LoadSong(song.Build()); }

LoadedSong LoadSongFile(const std::string& path) {
  return Run([&path](TKvsLoader& loader, std::string& errorText) { loader.LoadFromFile(path, errorText); });
}

std::string LastMessage(const LoadedSong& song) {
  return song.messages.empty() ? std::string() : song.messages.back();
}

std::vector<std::string> LastMessages(const LoadedSong& song, std::size_t n) {
  const std::size_t from = song.messages.size() > n ? song.messages.size() - n : 0;
  return std::vector<std::string>(song.messages.begin() + static_cast<long>(from), song.messages.end());
}

std::string Trace(std::uint64_t offset, std::uint32_t id, std::string_view idText, std::int32_t size) {
  char head[64];
  std::snprintf(head, sizeof head, "%08" PRIX64 " Chunk id: %08" PRIX32 " (", offset, id);
  return std::string(head) + std::string(idText) + "), skipping data: " + std::to_string(size);
}

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes ChunkBytes(const TKvsChunk& chunk) {
  const std::uint8_t* data = chunk.Data.data();
  if (data == nullptr) return {};
  return Bytes(data, data + chunk.Data.Size());
}

}  // namespace tarvo::testing

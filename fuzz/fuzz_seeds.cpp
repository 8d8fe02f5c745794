// Writes the seed inputs of the fuzz targets into a folder: a song with
// every chunk kind and module kind, each kind alone, two songs in one input,
// and every hostile song of the robustness tests.
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "songbuilder/HostileSongs.h"
#include "songbuilder/SongBuilder.h"

namespace {

using namespace tarvo::testing;

std::string FileName(const std::string& name) {
  std::string file;
  for (const char c : name) file += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return file + ".kvs";
}

std::vector<HostileSong> ValidSongs() {
  std::vector<HostileSong> songs;
  songs.push_back({"every chunk", EveryChunkSong().Build()});
  songs.push_back({"minimal", MinimalSong().Build()});
  const std::vector<std::pair<const char*, std::function<void(SongBuilder&)>>> kinds{
      {"objects", [](SongBuilder& s) { s.Objects(3); }},
      {"events", [](SongBuilder& s) { s.Events({EventRecord(0, 0x1000, 1, 2, 3), EventRecord(1, 5, 6, 7, 8)}); }},
      {"patterns", [](SongBuilder& s) { s.Patterns({EventRecord(0, 0x3007, 1, 9)}); }},
      {"send fx", [](SongBuilder& s) { s.SendFx(SendFxRecord().AssignCount(3).AssignModule(0, 0).AssignModule(2, -1)); }},
      {"windows", [](SongBuilder& s) { s.Windows({WindowRecord(1, 2, 3, 4, 0x01010101)}); }},
      {"glob", [](SongBuilder& s) { s.Glob(hostile::SmallGlob()); }},
      {"channels", [](SongBuilder& s) { s.Channels({ChannelEntry("C").OwnerModule(0).Stereo(1).Flags(0x60)}); }},
      {"return channels", [](SongBuilder& s) { s.ReturnChannels({ChannelEntry("R").Extra({1, 2, 3})}); }},
      {"audio clips", [](SongBuilder& s) { s.AudioClips({AudioClipEntry("Kick", "kick.wav")}); }},
      {"unknown chunk", [](SongBuilder& s) { s.Chunk(FourCC("XTRA"), std::string_view("hello")); }},
  };
  for (const auto& [name, add] : kinds) {
    SongBuilder song;
    song.Version(0x6105);
    add(song);
    song.EndOfSong();
    songs.push_back({name, song.Build()});
  }
  // Two songs in one input: the views target compares them.
  Bytes pair = MinimalSong().Build();
  const Bytes every = EveryChunkSong().Build();
  pair.insert(pair.end(), every.begin(), every.end());
  songs.push_back({"minimal then every chunk", pair});
  for (const std::uint32_t type : hostile::ModuleTypes()) {
    SongBuilder song;
    song.Version(0x6105).Module(hostile::PlainModule(type)).EndOfSong();
    songs.push_back({"module " + std::to_string(type), song.Build()});
  }
  return songs;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: fuzz_seeds FOLDER\n");
    return 64;
  }
  try {
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    std::vector<HostileSong> songs = ValidSongs();
    for (HostileSong& song : HostileSongs()) songs.push_back(std::move(song));
    for (const HostileSong& song : songs) {
      std::ofstream out(folder / FileName(song.name), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(song.bytes.data()), static_cast<std::streamsize>(song.bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + song.name);
    }
    std::printf("%zu seeds in %s\n", songs.size(), argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", error.what());
    return 1;
  }
  return 0;
}

// tarvo_tiny_songs MIB DIRECTORY: writes one song of about MIB MiB for each
// kind of smallest record (tests/robustness/TinyRecords.h) into DIRECTORY, as
// KIND-MIBm.kvs, and prints their paths and sizes. scripts/memory-bound
// measures kvsdump --json on them.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include "songbuilder/TinyRecords.h"

int main(int argc, char** argv) {
  using namespace tarvo::testing;
  if (argc != 3) {
    std::fprintf(stderr, "Usage: tarvo_tiny_songs MIB DIRECTORY\n");
    return 64;
  }
  try {
    const std::size_t mib = std::stoul(argv[1]);
    const std::filesystem::path directory = argv[2];
    std::filesystem::create_directories(directory);
    for (const TinyRecord kind : AllTinyRecords()) {
      const Bytes bytes = TinyRecordSong(kind, mib << 20);
      const auto path = directory / (std::string(TinyRecordName(kind)) + "-" + std::to_string(mib) + "m.kvs");
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
      std::printf("%s %zu\n", path.c_str(), bytes.size());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvo_tiny_songs: %s\n", error.what());
    return 1;
  }
  return 0;
}

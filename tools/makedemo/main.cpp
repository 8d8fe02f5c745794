// Writes the demo song: a plausible song with every chunk kind and all six
// module kinds, built from synthetic data. The output is the same on every
// run, so the file in examples/ only changes when this program does. With
// --take2 it writes the demo song as a user might save it again (a new
// tempo, a changed reserved byte, an inserted note, a longer song info):
// the two versions of the comparison example in the documentation.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "songbuilder/DemoSong.h"

int main(int argc, char** argv) {
  using namespace tarvo::testing;
  const bool take2 = argc > 1 && std::strcmp(argv[1], "--take2") == 0;
  const int first = take2 ? 2 : 1;
  const std::string path = argc > first ? argv[first] : "examples/demo.kvs";
  try {
    DemoEdits edits;
    if (take2) {
      edits.tempo = 128.0f;
      edits.reservedByte = 0x80;
      edits.insertEvent = true;
      edits.moreSongInfo = "\r\nSaved again with a new tempo.";
    }
    const SongBuilder song = DemoSong(edits);
    song.WriteToFile(path);
    std::printf("%s: %llu bytes\n", path.c_str(), static_cast<unsigned long long>(song.Size()));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "makedemo: %s\n", error.what());
    return 1;
  }
  return 0;
}

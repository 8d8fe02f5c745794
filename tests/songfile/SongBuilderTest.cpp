#include "songbuilder/SongBuilder.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace tarvo::testing {
namespace {

std::uint32_t U32At(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes.at(at)) | static_cast<std::uint32_t>(bytes.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(bytes.at(at + 2)) << 16 | static_cast<std::uint32_t>(bytes.at(at + 3)) << 24;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The module record byte by byte, as the format lays it out.
TEST(SongBuilder, ModuleRecordLayout) {
  ModuleRecord record(0x1104, "Chorus");
  record.Skip({0xEE, 0xEE}).Chans(2).Program(7).PluginText("Plug").Data({1, 2, 3});
  SongBuilder song;
  song.Module(record);
  const Bytes bytes = song.Build();

  ASSERT_EQ(bytes.size(), 8u + 2 + 8 + 68 + 5 + 3 + 24);
  EXPECT_EQ(U32At(bytes, 0), 0x1104u);
  EXPECT_EQ(U32At(bytes, 4), 2u);        // skip length
  EXPECT_EQ(U32At(bytes, 10), 2007u);    // sub-record tag
  EXPECT_EQ(U32At(bytes, 14), 68u + 5);  // its length: record and plug-in text
  const std::size_t info = 18;
  EXPECT_EQ(std::string(bytes.begin() + info + 4, bytes.begin() + info + 10), "Chorus");
  EXPECT_EQ(U32At(bytes, info + 44), 2u);
  EXPECT_EQ(U32At(bytes, info + 52), 7u);
  EXPECT_EQ(U32At(bytes, info + 56), 5u);  // plug-in text length, filled in
  EXPECT_EQ(std::string(bytes.begin() + info + 68, bytes.begin() + info + 73), std::string("Plug\0", 5));
  const std::size_t data = info + 73;
  EXPECT_EQ(song.Mark(0x1104).dataOffset, data);
  EXPECT_EQ(Bytes(bytes.begin() + data, bytes.begin() + data + 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(std::string(bytes.begin() + data + 3, bytes.begin() + data + 7), "ZMOD");
  EXPECT_EQ(U32At(bytes, data + 7), 16u);
  EXPECT_EQ(std::string(bytes.begin() + data + 11, bytes.begin() + data + 25), "EndTarvoModule");
}

TEST(SongBuilder, SizesAndCountsAreFilledInUnlessOverridden) {
  SongBuilder song;
  song.Events({EventRecord(), EventRecord()})
      .Windows({WindowRecord()})
      .Channels({ChannelEntry("a").Extra({1, 2}), ChannelEntry::BadTag(7)})
      .AudioClips({AudioClipEntry("c", "f.wav").NameLength(-1)})
      .Module(ModuleRecord(0x1000).Track("t").TrackBlockLength(130).SkipLength(-8));
  const Bytes bytes = song.Build();
  EXPECT_EQ(U32At(bytes, song.Mark(ids::EVTS).offset + 4), 32u);
  EXPECT_EQ(U32At(bytes, song.Mark(ids::WINP).offset + 4), 24u);
  EXPECT_EQ(U32At(bytes, song.Mark(ids::WINP).offset + 8), 1u);
  const ChunkMark& chan = song.Mark(ids::CHAN);
  EXPECT_EQ(U32At(bytes, chan.offset + 4), 2u);
  EXPECT_EQ(chan.dataSize, 8u + 68 + 8 + 2 + 8);
  EXPECT_EQ(U32At(bytes, chan.offset + 8 + 80), 2u);  // extra length
  EXPECT_EQ(U32At(bytes, song.Mark(ids::AUIO).offset + 8 + 104), 0xFFFFFFFFu);
  const ChunkMark& module = song.Mark(0x1000);
  EXPECT_EQ(U32At(bytes, module.offset + 4), 0xFFFFFFF8u);
  EXPECT_EQ(U32At(bytes, module.offset + 8 + 8 + 212), 5u);
  EXPECT_EQ(U32At(bytes, module.offset + 8 + 8 + 212 + 4), 130u);
}

// Fill and generated data go out in blocks; what is written must not depend
// on the way out.
TEST(SongBuilder, StreamedDataEqualsBuiltData) {
  const std::uint64_t big = (std::uint64_t{1} << 20) * 2 + 123;
  SongBuilder song;
  song.Version(0x6105)
      .Module(ModuleRecord(0x1100).DataFill(big, 0x5A))
      .Module(ModuleRecord(0x1101).DataGenerated(big, [](std::uint64_t at, std::uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((at + i) * 7);
      }))
      .Fill(5, 0xAB)
      .EndOfSong();
  const Bytes built = song.Build();
  ASSERT_EQ(built.size(), song.Size());
  const ChunkMark& generated = song.Mark(0x1101);
  EXPECT_EQ(built.at(generated.dataOffset + (std::uint64_t{1} << 20) + 1),
            static_cast<std::uint8_t>(((std::uint64_t{1} << 20) + 1) * 7));
  EXPECT_EQ(built.at(song.Mark(0x1100).dataOffset + big - 1), 0x5A);

  const TempSongFile file(song);
  EXPECT_EQ(ReadFile(file.Path()), built);
}

TEST(SongBuilder, TempFileIsRemoved) {
  std::string path;
  {
    const TempSongFile file(MinimalSong());
    path = file.Path();
    EXPECT_EQ(ReadFile(path), MinimalSong().Build());
  }
  EXPECT_FALSE(std::ifstream(path).good());
}

}  // namespace
}  // namespace tarvo::testing

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"
#include "content/viewers/ViewerContent.h"

namespace {

namespace tt = tarvo::testing;
namespace content = tarvo::content;
using tarvo::TKvsLoader;
using content::Page;
using content::Table;
using Rows = std::vector<std::vector<std::string>>;

Rows AllRows(const Table& table) {
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  return rows;
}

std::vector<std::string> Names(const Page& page) {
  std::vector<std::string> names;
  for (const auto& control : page.controls) names.push_back(control.name);
  return names;
}

const std::vector<std::string> ViewerControls = {
    "LblModule",         "LblType",           "LstChannels",           "LstPlaylistTracks",
    "EdtVSTSynthPluginName", "EdtVSTSynthProgram", "EdtVSTSynthTracks", "EdtVSTSynthAudioChans",
    "LstVSTSynthAudioChanPins", "Pages"};

TEST(ModuleViewer, BuiltInGeneratorShowsItsTracksAndNoPlugIn) {
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Piano").Tracks({"Left", "Right"}))
                               .EndOfSong());
  const Page page = content::ShowModule(loader, 0);
  EXPECT_EQ(Names(page), ViewerControls);
  EXPECT_EQ(page.Text("LblModule"), "Module: Piano (0x00001000)");
  EXPECT_EQ(page.Text("LblType"), "Synth");
  EXPECT_EQ(AllRows(page.List("LstPlaylistTracks")), (Rows{{"0", "Left", "44 bytes"}, {"1", "Right", "44 bytes"}}));
  EXPECT_EQ(page.Text("EdtVSTSynthPluginName"), "");
  EXPECT_EQ(page.Text("EdtVSTSynthAudioChans"), "");
  EXPECT_EQ(page.List("LstVSTSynthAudioChanPins").RowCount(), 0u);
  EXPECT_EQ(page.Text("Pages"), "Mixer && Playlist Tracks");
}

TEST(ModuleViewer, PlugInGeneratorShowsItsDetailsAndPins) {
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Module(tt::ModuleRecord(tt::moduletypes::VSTSynth, "Lead")
                                           .PluginText("Orchestra")
                                           .Program(-7)
                                           .ExpandedTracks(1)
                                           .AudioChanPins(3)
                                           .PinStereo(0, 1)
                                           .PinStereo(1, 0)
                                           .PinStereo(2, 2)
                                           .Tracks({"Violin", "Cello"}))
                               .EndOfSong());
  const Page page = content::ShowModule(loader, 0);
  EXPECT_EQ(Names(page), ViewerControls);
  EXPECT_EQ(page.Text("LblModule"), "Module: Lead (0x00001003)");
  EXPECT_EQ(page.Text("LblType"), "VST Synth");
  EXPECT_EQ(page.Text("EdtVSTSynthPluginName"), "Lead");
  EXPECT_EQ(page.Text("EdtVSTSynthProgram"), "-7");
  EXPECT_EQ(page.Text("EdtVSTSynthTracks"), "1");
  EXPECT_EQ(page.Text("EdtVSTSynthAudioChans"), "3");
  EXPECT_EQ(AllRows(page.List("LstVSTSynthAudioChanPins")), (Rows{{"0", "Yes"}, {"1", "no"}, {"2", "Yes"}}));
  EXPECT_EQ(page.List("LstPlaylistTracks").RowCount(), 2u);
  EXPECT_EQ(page.Text("Pages"), "VSTSynth");
}

TEST(ModuleViewer, PinRowsStayWithinTheRecord) {
  struct Case {
    std::int32_t pins;
    std::string shown;
    std::size_t rows;
  };
  const std::vector<Case> cases = {{0, "0", 0}, {-5, "-5", 0}, {128, "128", 128}, {200, "200", 128},
                                   {0x7FFFFFFF, "2147483647", 128}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pins);
    const auto loader = Load(tt::SongBuilder()
                                 .Version(0x6105)
                                 .Module(tt::ModuleRecord(tt::moduletypes::VSTSynth, "Pad").AudioChanPins(c.pins).PinStereo(127, 1))
                                 .EndOfSong());
    const Page page = content::ShowModule(loader, 0);
    EXPECT_EQ(page.Text("EdtVSTSynthAudioChans"), c.shown);
    const Table& pins = page.List("LstVSTSynthAudioChanPins");
    ASSERT_EQ(pins.RowCount(), c.rows);
    if (c.rows == 128) {
      EXPECT_EQ(pins.Row(126), (std::vector<std::string>{"126", "no"}));
      EXPECT_EQ(pins.Row(127), (std::vector<std::string>{"127", "Yes"}));
    }
  }
}

TEST(ModuleViewer, ListsTheChannelsTheModuleOwns) {
  std::vector<tt::ChannelEntry> channels;
  const std::vector<std::int16_t> owners = {0, -1, 2, 1, 0, -1, 65, 1};
  for (std::size_t i = 0; i < owners.size(); ++i)
    channels.push_back(tt::ChannelEntry("Chan " + std::to_string(i)).OwnerModule(owners[i]));
  channels[7].Name("ABCDEFGHIJKLMNOPQRSTUVWX");  // all 24 bytes, no zero
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Channels(channels)
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Piano"))
                               .Module(tt::ModuleRecord(tt::moduletypes::FirstFX, "Delay"))
                               .Module(tt::ModuleRecord(tt::moduletypes::Sampler, "Bass"))
                               .EndOfSong());
  ASSERT_EQ(loader->Modules().size(), 3u);
  const auto channelRows = [&](std::size_t module) {
    return AllRows(content::ShowModule(loader, module).List("LstChannels"));
  };
  EXPECT_EQ(channelRows(0), (Rows{{"0", "Chan 0"}, {"4", "Chan 4"}}));
  EXPECT_EQ(channelRows(1), (Rows{{"3", "Chan 3"}, {"7", "ABCDEFGHIJKLMNOPQRSTUVWX"}}));
  EXPECT_EQ(channelRows(2), (Rows{{"2", "Chan 2"}}));
  const Page effect = content::ShowModule(loader, 1);
  EXPECT_EQ(effect.Text("LblType"), "FX");
  EXPECT_EQ(effect.List("LstPlaylistTracks").RowCount(), 0u);
}

}  // namespace

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"

namespace {

namespace tt = tarvo::testing;
using Rows = std::vector<std::vector<std::string>>;

TEST(ModulesPage, OneRowPerModuleWithProgramOnlyForPlugins) {
  const auto loader = Load(tt::SongBuilder()
                               .Version(0x6105)
                               .Objects(9)
                               .Module(tt::ModuleRecord(0x1000, "Piano").Chans(2).Track("Piano"))
                               .Module(tt::ModuleRecord(0x1104, "Chorus").Program(-1).Chans(2).PluginText("ChorusPlug"))
                               .Module(tt::ModuleRecord(0x1003, "Strings")
                                           .Program(10)
                                           .PluginText("Orchestra")
                                           .AudioChanPins(3)
                                           .PinStereo(0, 1)
                                           .PinStereo(2, 2)
                                           .Track("Violin"))
                               .Module(tt::ModuleRecord(0x1012, "Organ").Chans(6))
                               .Module(tt::ModuleRecord(0x110D, "Flanger").Chans(2))
                               .Module(tt::ModuleRecord(0x100F, "Link").Chans(1).Track("Link"))
                               .Module(tt::ModuleRecord(0x1100, "Delay").Chans(-3))
                               .EndOfSong());
  const tarvo::content::Page page = tarvo::content::FillModulesPage(loader);
  // The count of modules read comes first, then the one the file states.
  EXPECT_EQ(page.Text("EdtNumberOfModules"), "7 (assumed 9)");

  const auto& modules = loader->Modules();
  ASSERT_EQ(modules.size(), 7u);
  const tarvo::content::Table& table = page.List("LstModules");
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  EXPECT_EQ(rows, (Rows{
                      {"0", "0x00001000", "Synth", "Piano", modules[0]->Generator(), "", "2"},
                      {"1", "0x00001104", "VST FX", "Chorus", modules[1]->Generator(), "-1 (0xFFFFFFFF)", "2"},
                      {"2", "0x00001003", "VST Synth", "Strings", modules[2]->Generator(), "10 (0xA)", "4"},
                      {"3", "0x00001012", "DX Synth", "Organ", modules[3]->Generator(), "", "6"},
                      {"4", "0x0000110D", "DX FX", "Flanger", modules[4]->Generator(), "", "2"},
                      {"5", "0x0000100F", "ReWire", "Link", modules[5]->Generator(), "", "1"},
                      {"6", "0x00001100", "FX", "Delay", modules[6]->Generator(), "", "-3"},
                  }));
  EXPECT_EQ(modules[1]->Generator(), "ChorusPlug");
}

}  // namespace

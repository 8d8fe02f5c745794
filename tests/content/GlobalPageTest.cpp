#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "tests/content/LoadSong.h"
#include "songbuilder/SongBuilder.h"

namespace {

namespace tt = tarvo::testing;
using tarvo::TKvsLoader;
using tarvo::content::Page;
using tarvo::content::Table;
using Rows = std::vector<std::vector<std::string>>;

std::shared_ptr<const TKvsLoader> LoadGlob(const tt::GlobChunk& glob) {
  return Load(tt::SongBuilder().Version(0x6105).Glob(glob).EndOfSong());
}

Rows AllRows(const Table& table) {
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) rows.push_back(table.Row(row));
  return rows;
}

struct GlobalCase {
  const char* what;
  tt::GlobChunk glob;
  const char* control;
  std::variant<std::string, bool> expected;
};

TEST(GlobalPage, ShowsEachSettingAsSpecified) {
  const std::vector<GlobalCase> cases = {
      {"tempo", tt::GlobChunk().Tempo(140.0f), "EdtTempo", std::string("140.00")},
      {"ppq", tt::GlobChunk().Ppq(384), "EdtPPQ", std::string("96 (384)")},
      {"ppq high bit", tt::GlobChunk().Ppq(0x80000000u), "EdtPPQ", std::string("536870912 (-2147483648)")},
      {"loop range", tt::GlobChunk().LoopStart(-4).LoopEnd(1536), "EdtLoopStartEnd", std::string("-4 - 1536")},
      {"no song length", tt::GlobChunk().LoopEnd(1536), "EdtSongLength", std::string("1536 (real 0)")},
      {"song length", tt::GlobChunk().LoopEnd(1536).SongLength(2048), "EdtSongLength",
       std::string("2048 (real 2048)")},
      {"flags 532 loop", tt::GlobChunk().SongFlags(532), "CbxLoopOn", true},
      {"flags 532 volume", tt::GlobChunk().SongFlags(532), "CbxGlobalVolumeDeactive", true},
      {"flags 532 mode", tt::GlobChunk().SongFlags(532), "EdtPlayMode", std::string("Song")},
      {"flags 532 zumbox", tt::GlobChunk().SongFlags(532), "CbxBundleZumbox", false},
      {"flags 0x43 zumbox", tt::GlobChunk().SongFlags(0x43), "CbxBundleZumbox", true},
      {"flags 0x43 sampler", tt::GlobChunk().SongFlags(0x43), "CbxBundleSampler", true},
      {"flags 0x43 visible", tt::GlobChunk().SongFlags(0x43), "CbxPlVisible", true},
      {"master volume", tt::GlobChunk().MasterVolume(300), "EdtMasterVolume", std::string("300")},
      {"clip mode 0", tt::GlobChunk().ClipMode(0), "EdtClipMode", std::string("Digital clipping")},
      {"clip mode 1", tt::GlobChunk().ClipMode(1), "EdtClipMode", std::string("1")},
      {"clip mode 2", tt::GlobChunk().ClipMode(2), "EdtClipMode", std::string("No clipping")},
      {"clip mode -1", tt::GlobChunk().ClipMode(-1), "EdtClipMode", std::string("-1")},
      {"root key 11", tt::GlobChunk().RootKey(11), "EdtRootKey", std::string("B")},
      {"root key 12", tt::GlobChunk().RootKey(12), "EdtRootKey", std::string("C")},
      {"root key -1", tt::GlobChunk().RootKey(-1), "EdtRootKey", std::string("C")},
      {"tuning name", tt::GlobChunk().TuningTableNumber(3).TuningTableName("Just"), "EdtTuningTableName",
       std::string("3: Just")},
      {"empty tuning name", tt::GlobChunk(), "EdtTuningTableName", std::string("0: ")},
      {"unterminated tuning name", tt::GlobChunk().TuningTableName(std::string(128, 'x')), "EdtTuningTableName",
       "0: " + std::string(128, 'x')},
      {"snap", tt::GlobChunk().PlSnap(255), "EdtPlSnap", std::string("255")},
      {"snap to grid", tt::GlobChunk().PlSnapToGrid(2), "CbxSnapToGrid", true},
      {"pl flags 0x13 text", tt::GlobChunk().PlFlags(0x13), "EdtPlFlags", std::string("0x13")},
      {"pl flags 0x13 notes", tt::GlobChunk().PlFlags(0x13), "CbxShowNotes", true},
      {"pl flags 0x13 modules", tt::GlobChunk().PlFlags(0x13), "CbxDragModuleEvents", true},
      {"pl flags 0x13 mixer", tt::GlobChunk().PlFlags(0x13), "CbxDragMixerEvents", true},
      {"pl flags 0x0C notes", tt::GlobChunk().PlFlags(0x0C), "CbxShowNotes", false},
      {"pl flags 0", tt::GlobChunk(), "EdtPlFlags", std::string("0x00")},
      {"zoom", tt::GlobChunk().PlZoomX(200).PlZoomY(7), "EdtPlZoom", std::string("200, 7")},
      {"position", tt::GlobChunk().PlPosX(255).PlPosY(3), "EdtPlPosition", std::string("255, 3")},
      {"signature", tt::GlobChunk().Signature(-3), "EdtSignature", std::string("-3")},
  };
  for (const GlobalCase& c : cases) {
    SCOPED_TRACE(c.what);
    const auto loader = LoadGlob(c.glob);
    const Page page = tarvo::content::FillGlobalPage(loader);
    if (const auto* text = std::get_if<std::string>(&c.expected)) {
      EXPECT_EQ(page.Text(c.control), *text);
    } else {
      EXPECT_EQ(page.Checked(c.control), std::get<bool>(c.expected));
    }
  }
}

TEST(GlobalPage, FileVersionIsUpperCaseHex) {
  const auto loader = Load(tt::SongBuilder().Version(0x61AB).EndOfSong());
  EXPECT_EQ(tarvo::content::FillGlobalPage(loader).Text("EdtFileVersion"), "61AB");
}

TEST(GlobalPage, TuningRowsMarkEntriesFromTuningInUse) {
  struct Case {
    std::int32_t inUse;
    std::size_t firstNotInUse;
  };
  // A negative count must compare signed: every entry is then out of use.
  for (const Case c : {Case{12, 12}, Case{0, 0}, Case{128, 128}, Case{0x7FFFFFFF, 128}, Case{-1, 0}}) {
    SCOPED_TRACE(c.inUse);
    const auto loader = LoadGlob(tt::GlobChunk().TuningInUse(c.inUse).Tuning(0, 440.0).Tuning(127, -1.5));
    const Table table = tarvo::content::FillGlobalPage(loader).List("LstTuningTable");
    ASSERT_EQ(table.RowCount(), 128u);
    for (std::size_t row = 0; row < 128; ++row) {
      const std::vector<std::string> cells = table.Row(row);
      ASSERT_EQ(cells.size(), 3u);
      EXPECT_EQ(cells[0], std::to_string(row));
      EXPECT_EQ(cells[2], row < c.firstNotInUse ? "" : "not in use") << row;
    }
    EXPECT_EQ(table.Row(0)[1], "440.00");
    EXPECT_EQ(table.Row(1)[1], "0.00");
    EXPECT_EQ(table.Row(127)[1], "-1.50");
  }
}

TEST(GlobalPage, WindowListHasPlaylistThenMaster) {
  const std::string zero = "0 (0x0)";
  const auto empty = LoadGlob(tt::GlobChunk());
  EXPECT_EQ(AllRows(tarvo::content::FillGlobalPage(empty).List("LstGWindowPosInfo")),
            (Rows{{"0", "Playlist", zero, zero, zero, zero, ""}, {"1", "Master", zero, zero, zero, zero, ""}}));

  const auto loader = LoadGlob(tt::GlobChunk()
                                   .PlaylistWindowPos(tt::WindowRecord(-1, 10, 255, 0, 0xFF02))
                                   .MasterWindowPos(tt::WindowRecord(1, 2, 3, 4, 0x01000000)));
  EXPECT_EQ(AllRows(tarvo::content::FillGlobalPage(loader).List("LstGWindowPosInfo")),
            (Rows{{"0", "Playlist", "-1 (0xFFFFFFFF)", "10 (0xA)", "255 (0xFF)", "0 (0x0)", "INFO_VALID, MINIMIZED"},
                  {"1", "Master", "1 (0x1)", "2 (0x2)", "3 (0x3)", "4 (0x4)", "FULLRECT"}}));
}

TEST(SongInfoPage, ShowsTextsUnchangedAndTheShowFlag) {
  // Line breaks and 8-bit characters stay as the file stores them.
  const std::string info = "Caf\xE9 song\r\nsecond line";
  const auto loader = LoadGlob(tt::GlobChunk().SongInfo(info).SongInfoUrl("http://example.org/").ShowSongInfo(2));
  const Page page = tarvo::content::FillSongInfoPage(loader);
  EXPECT_EQ(page.Text("MmoSongInfo"), info);
  EXPECT_EQ(page.Text("EdtSongInfoUrl"), "http://example.org/");
  EXPECT_TRUE(page.Checked("CbxShowSongInfo"));
}

// The lists of each page and of kvsdump --json depend on every page holding
// its controls in the window's order, filled or cleared alike.
struct PageCase {
  int group;
  std::vector<std::string> names;
};

std::vector<PageCase> PageCases() {
  return {
      {1,
       {"EdtFileVersion", "EdtTempo", "EdtPPQ", "EdtLoopStartEnd", "CbxLoopOn", "EdtSongLength", "EdtPlayMode",
        "EdtMasterVolume", "EdtClipMode", "CbxGlobalVolumeDeactive", "CbxBundleSampler", "CbxBundleZumbox",
        "EdtTuningTableName", "EdtRootKey", "LstTuningTable", "CbxPlVisible", "CbxDragModuleEvents",
        "CbxDragMixerEvents", "EdtPlSnap", "EdtPlHilite", "CbxSnapToGrid", "CbxShowNotes", "EdtSignature",
        "EdtPlZoom", "EdtPlPosition", "EdtPlFlags", "LstGWindowPosInfo"}},
      {2, {"MmoSongInfo", "EdtSongInfoUrl", "CbxShowSongInfo"}},
      {3, {"EdtNumberOfModules", "LstModules"}},
      {4,
       {"EdtChannelCount", "EdtReturnChannelCount", "LstChannels"}},
      {5, {"EdtAudioClipCount", "LstAudioClips"}},
      {6,
       {"EdtFXAssignDataSize", "LstSendFXAssigns"}},
      {9,
       {"EdtWindowDataSize", "EdtWindowCount", "LstWindowPosInfo"}},
  };
}

std::vector<std::string> Names(const Page& page) {
  std::vector<std::string> names;
  for (const auto& control : page.controls) names.push_back(control.name);
  return names;
}

bool SameColumns(const Table& a, const Table& b) {
  if (a.Columns().size() != b.Columns().size()) return false;
  for (std::size_t i = 0; i < a.Columns().size(); ++i)
    if (a.Columns()[i].caption != b.Columns()[i].caption || a.Columns()[i].width != b.Columns()[i].width)
      return false;
  return true;
}

TEST(MainPages, FilledAndClearedPagesHoldTheSameControlsInWindowOrder) {
  const auto loader = Load(tt::EveryChunkSong());
  for (const PageCase& c : PageCases()) {
    SCOPED_TRACE(c.group);
    const Page filled = tarvo::content::FillGroup(c.group, loader);
    const Page cleared = tarvo::content::FillGroup(c.group, nullptr);
    EXPECT_EQ(Names(filled), c.names);
    EXPECT_EQ(Names(cleared), c.names);
    for (std::size_t i = 0; i < filled.controls.size() && i < cleared.controls.size(); ++i) {
      const auto& fillValue = filled.controls[i].value;
      const auto& clearValue = cleared.controls[i].value;
      SCOPED_TRACE(filled.controls[i].name);
      ASSERT_EQ(fillValue.index(), clearValue.index());
      if (const auto* text = std::get_if<std::string>(&clearValue)) {
        EXPECT_EQ(*text, "");
      }
      if (const auto* ticked = std::get_if<bool>(&clearValue)) {
        EXPECT_FALSE(*ticked);
      }
      if (const auto* table = std::get_if<Table>(&clearValue)) {
        const Table& filledTable = std::get<Table>(fillValue);
        EXPECT_EQ(table->RowCount(), 0u);
        EXPECT_TRUE(SameColumns(*table, filledTable));
        EXPECT_EQ(filledTable.Columns().front().caption, "#");
        // Every row starts with its index and carries no more cells than columns.
        for (std::size_t row = 0; row < filledTable.RowCount(); ++row) {
          const std::vector<std::string> cells = filledTable.Row(row);
          ASSERT_FALSE(cells.empty());
          EXPECT_EQ(cells[0], std::to_string(row));
          EXPECT_LE(cells.size(), filledTable.Columns().size());
        }
      }
    }
  }
}

}  // namespace

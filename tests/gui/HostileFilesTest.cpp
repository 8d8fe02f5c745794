#include "tests/gui/GuiTestSupport.h"

#include "ui/ReportList.h"
#include "content/pages/MainContent.h"
#include "songfile/KvsLoader.h"
#include "songbuilder/HostileSongs.h"
#include "songbuilder/SongBuilder.h"
#include "content/viewers/ViewerContent.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QWindow>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

// Broken files through the real load flow, then every viewer the window
// offers on them: each shows what its content gives, and no error reaches
// the user but the documented ones.
class HostileFilesTest : public MainWindowTest {
 protected:
  QString WriteBytes(const Bytes& bytes) {
    const QString path = folder.filePath(QStringLiteral("hostile.kvs"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }

  // Through the button, as a click by the user goes, so that a raised
  // error takes the way to the error box.
  void LoadThroughTheButton(const QString& path) {
    dialogs.openAnswers.push_back(path);
    QTest::mouseClick(window->BtnLoadKvs, Qt::LeftButton);
  }

  // Every data set of the data viewer's chunk, picked in turn.
  static void PickEveryDataSet(QDialog& dialog, const TKvsChunk& chunk) {
    auto* const sets = dialog.findChild<QComboBox*>(QStringLiteral("CbxDataSet"));
    ASSERT_NE(sets, nullptr);
    for (int i = 0; i < sets->count(); ++i) {
      emit sets->activated(i);
      auto* const rows = dialog.findChild<QTableView*>(QStringLiteral("LstChunks"));
      ASSERT_NE(rows, nullptr);
      EXPECT_EQ(static_cast<std::size_t>(ReportModelOf(rows)->rowCount()),
                content::DataSetChange(nullptr, chunk, i).List("LstChunks").RowCount());
    }
  }

  void OpenEveryViewer() {
    const content::Song shared = window->Loader();
    const TKvsLoader& song = *shared;
    for (std::size_t row = 0; row < song.Modules().size(); ++row) {
      const TKvsModule& module = *song.Modules()[row];
      List("LstModules")->selectRow(static_cast<int>(row));
      dialogs.onExec = [&](QDialog& dialog) { ExpectShows(&dialog, content::ShowModule(shared, row)); };
      window->BtnViewModuleClick();
      if (module.ChunkIndex() < 0) continue;
      const TKvsChunk& chunk = song.Chunks().at(static_cast<std::size_t>(module.ChunkIndex()));
      dialogs.onExec = [&](QDialog& dialog) {
        ExpectShows(&dialog, content::ShowChunk(shared, chunk));
        PickEveryDataSet(dialog, chunk);
      };
      window->BtnViewModuleChunk->click();
    }
    for (std::size_t row = 0; row < song.Chunks().size(); ++row) {
      const TKvsChunk& chunk = song.Chunks()[row];
      List("LstChunks")->selectRow(static_cast<int>(row));
      dialogs.onExec = [&](QDialog& dialog) {
        ExpectShows(&dialog, content::ShowChunk(shared, chunk));
        PickEveryDataSet(dialog, chunk);
      };
      window->LstChunksDblClick();
    }
    dialogs.onExec = nullptr;
    for (int i = 0; i < window->CbxSongEventDataSet->count(); ++i) {
      emit window->CbxSongEventDataSet->activated(i);
      EXPECT_EQ(static_cast<std::size_t>(RowCount("LstSongEvents")),
                content::SongEventList(shared, static_cast<std::size_t>(i) * content::SongEventDataSetSize).RowCount());
    }
  }
};

// The broken shapes, and every size and count field at the two extremes
// the format's readers most often trip on.
std::vector<HostileSong> SongsForTheWindow() {
  std::vector<HostileSong> songs = BrokenShapeSongs();
  for (HostileSong& song : ExtremeFieldSongs())
    if (song.name.ends_with(" 0x7FFFFFFF") || song.name.ends_with(" 0xFFFFFFFF")) songs.push_back(std::move(song));
  return songs;
}

TEST_F(HostileFilesTest, EveryViewerOpensOnBrokenFiles) {
  for (const HostileSong& song : SongsForTheWindow()) {
    SCOPED_TRACE(song.name);
    dialogs.errors.clear();
    dialogs.messages.clear();
    const int execs = dialogs.execCount;
    LoadThroughTheButton(WriteBytes(song.bytes));

    ASSERT_NE(window->Loader(), nullptr);
    EXPECT_FALSE(window->IsBusy());
    EXPECT_TRUE(window->BtnLoadKvs->isEnabled());
    EXPECT_TRUE(window->Pages->isEnabled());
    if (song.raises) {
      EXPECT_EQ(dialogs.errors, std::vector<QString>{QStringLiteral("Stream read error.")});
      continue;
    }
    // A file may still run into a chunk that says it is longer than the
    // data: then the documented error, and the window shows nothing of it.
    if (!dialogs.errors.empty()) {
      EXPECT_EQ(dialogs.errors, std::vector<QString>{QStringLiteral("Stream read error.")});
      continue;
    }
    if (!dialogs.messages.empty()) {
      // A rejected version: its text, and the pages stay empty.
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_TRUE(dialogs.messages[0].startsWith("File version ") && dialogs.messages[0].endsWith(" too old!"))
          << dialogs.messages[0].toStdString();
      EXPECT_EQ(dialogs.execCount, execs);
      continue;
    }
    OpenEveryViewer();
    // One viewer per module, per module's data chunk and per chunk; only a
    // module without its data chunk has a message instead: no chunk to view.
    const TKvsLoader& loaded = *window->Loader();
    std::size_t viewers = loaded.Modules().size() + loaded.Chunks().size();
    for (const auto& module : loaded.Modules()) viewers += module->ChunkIndex() >= 0 ? 1 : 0;
    EXPECT_EQ(static_cast<std::size_t>(dialogs.execCount - execs), viewers);
    for (const QString& message : dialogs.messages) EXPECT_EQ(message, QStringLiteral("No chuck available."));
    EXPECT_TRUE(dialogs.errors.empty());
  }
}

// Song texts and file names are never markup, and the caption shows the
// file name as it is.
TEST_F(MainWindowTest, SongTextsAndFileNamesShowAsTheyAre) {
  SongBuilder song;
  song.Version(0x6105)
      .Module(ModuleRecord(0x1000, "<i>x</i> &y").Data(Bytes{1}))
      .Chunk(FourCC("<br>"), std::string_view("z"))
      .EndOfSong();
  PickAndLoad(WriteSong(song, QStringLiteral("take[*]<b>1.kvs")));
  ASSERT_NE(window->Loader(), nullptr);
  ASSERT_NE(window->windowHandle(), nullptr);
  EXPECT_EQ(window->windowHandle()->title(), "Tarvo Analyzer - take[*]<b>1.kvs");

  const TKvsLoader& loaded = *window->Loader();
  QStringList labels;
  dialogs.onExec = [&](QDialog& dialog) {
    ExpectShows(&dialog, content::ShowModule(window->Loader(), 0));
    labels << dialog.findChild<QLabel*>(QStringLiteral("LblModule"))->text();
  };
  List("LstModules")->selectRow(0);
  window->BtnViewModuleClick();
  std::size_t row = 0;
  while (row < loaded.Chunks().size() && static_cast<std::uint32_t>(loaded.Chunks()[row].ChunkId) != FourCC("<br>"))
    ++row;
  ASSERT_LT(row, loaded.Chunks().size());
  dialogs.onExec = [&](QDialog& dialog) {
    ExpectShows(&dialog, content::ShowChunk(window->Loader(), loaded.Chunks()[row]));
    labels << dialog.findChild<QLabel*>(QStringLiteral("LblChunk"))->text();
  };
  List("LstChunks")->selectRow(static_cast<int>(row));
  window->LstChunksDblClick();
  ASSERT_EQ(labels.size(), 2);
  EXPECT_TRUE(labels[0].contains("<i>x</i> &y")) << labels[0].toStdString();
  EXPECT_TRUE(labels[1].contains("<br>")) << labels[1].toStdString();
}

}  // namespace
}  // namespace tarvo::testing

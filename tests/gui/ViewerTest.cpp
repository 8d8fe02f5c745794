#include "tests/gui/GuiTestSupport.h"

#include "ui/ReportList.h"
#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"
#include "windows/DataViewer.h"
#include "windows/ModuleViewer.h"
#include "content/viewers/ViewerContent.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTableView>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tarvo::testing {
namespace {

// Module rows of EveryChunkSong.
constexpr int SamplerRow = 0;
constexpr int VstSynthRow = 2;

class ViewerTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    PickAndLoad(WriteSong(EveryChunkSong()));
    ASSERT_NE(window->Loader(), nullptr);
  }
  const TKvsLoader& Song() const { return *window->Loader(); }
  content::Song Shared() const { return window->Loader(); }
};

TEST_F(ViewerTest, PropertiesShowTheSelectedModuleAndDestroyTheViewerAfterwards) {
  QPointer<QDialog> shown;
  dialogs.onExec = [&](QDialog& dialog) {
    shown = &dialog;
    ASSERT_EQ(FrmModuleViewer, &dialog);
    ASSERT_EQ(dialog.parent(), window.get());
    EXPECT_EQ(dialog.windowTitle(), "Module");
    ExpectShows(&dialog, content::ShowModule(Shared(), VstSynthRow));
    auto* const pages = dialog.findChild<QTabWidget*>("Pages");
    EXPECT_EQ(pages->tabText(pages->currentIndex()), "VSTSynth");
    EXPECT_FALSE(pages->isTabVisible(2));
  };
  List("LstModules")->selectRow(VstSynthRow);
  window->BtnViewModuleClick();

  EXPECT_EQ(dialogs.execCount, 1);
  EXPECT_TRUE(shown.isNull());
  EXPECT_EQ(FrmModuleViewer, nullptr);
}

TEST_F(ViewerTest, BuiltInModuleShowsItsTracksPage) {
  dialogs.onExec = [&](QDialog& dialog) {
    ExpectShows(&dialog, content::ShowModule(Shared(), SamplerRow));
    auto* const pages = dialog.findChild<QTabWidget*>("Pages");
    EXPECT_EQ(pages->tabText(pages->currentIndex()), "Mixer && Playlist Tracks");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("EdtVSTSynthPluginName")->text(), "");
  };
  List("LstModules")->selectRow(SamplerRow);
  window->BtnViewModuleClick();
  EXPECT_EQ(dialogs.execCount, 1);
}

TEST_F(ViewerTest, ChunkListAndModuleDataOpenTheDataViewer) {
  std::vector<QDialog*> viewers;
  std::vector<TKvsChunk> expected;
  dialogs.onExec = [&](QDialog& dialog) {
    viewers.push_back(&dialog);
    ASSERT_EQ(FrmDataViewer, &dialog);
    EXPECT_EQ(dialog.windowTitle(), "Data");
    ExpectShows(&dialog, content::ShowChunk(Shared(), expected.back()));
  };

  const int lastChunk = static_cast<int>(Song().Chunks().size()) - 1;
  expected.push_back(Song().Chunks()[static_cast<std::size_t>(lastChunk)]);
  List("LstChunks")->selectRow(lastChunk);
  window->LstChunksDblClick();

  const TKvsModule& module = *Song().Modules()[VstSynthRow];
  expected.push_back(Song().Chunks()[static_cast<std::size_t>(module.ChunkIndex())]);
  List("LstModules")->selectRow(VstSynthRow);
  window->LstModulesDblClick();

  ASSERT_EQ(viewers.size(), 2u);
  EXPECT_EQ(FrmDataViewer, nullptr);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ViewerTest, ViewerIsDestroyedAlsoWhenShowingFails) {
  QPointer<QDialog> shown;
  dialogs.onExec = [&](QDialog& dialog) {
    shown = &dialog;
    throw std::runtime_error("showing failed");
  };
  List("LstChunks")->selectRow(0);
  EXPECT_THROW(window->LstChunksDblClick(), std::runtime_error);
  EXPECT_TRUE(shown.isNull());
  EXPECT_EQ(FrmDataViewer, nullptr);

  List("LstModules")->selectRow(SamplerRow);
  EXPECT_THROW(window->BtnViewModuleClick(), std::runtime_error);
  EXPECT_TRUE(shown.isNull());
  EXPECT_EQ(FrmModuleViewer, nullptr);
}

TEST(ViewerWindows, StartFromTheirDesignedLayout) {
  TestApplication();
  TFrmDataViewer data(nullptr);
  ExpectShows(&data, content::DataViewerDesigned());

  TFrmModuleViewer module(nullptr);
  ExpectShows(&module, content::ModuleViewerDesigned());
  ASSERT_EQ(module.Pages->count(), 5);
  EXPECT_EQ(module.Pages->tabText(3), "Mixer && Playlist Tracks");
  EXPECT_FALSE(module.Pages->isTabVisible(2));
}

TEST(ViewerWindows, DataSetPickShowsThatSetAndKeepsItemsAndLabels) {
  TestApplication();
  std::vector<std::uint8_t> bytes(40000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  TKvsChunk chunk(0, 40000);
  chunk.Data = TKvsByteStream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  chunk.Offset = 0x18;

  TFrmDataViewer viewer(nullptr);
  viewer.ShowChunk(nullptr, chunk);
  ExpectShows(&viewer, content::ShowChunk(nullptr, chunk));
  ASSERT_EQ(viewer.CbxDataSet->count(), 2);
  const QString chunkLabel = viewer.LblChunk->text();
  const QString sizeLabel = viewer.LblChunkSize->text();

  viewer.CbxDataSet->setCurrentIndex(1);
  emit viewer.CbxDataSet->activated(1);

  EXPECT_EQ(viewer.CbxDataSet->count(), 2);
  EXPECT_EQ(viewer.CbxDataSet->currentIndex(), 1);
  EXPECT_EQ(viewer.LblChunk->text(), chunkLabel);
  EXPECT_EQ(viewer.LblChunkSize->text(), sizeLabel);
  EXPECT_EQ(ReportModelOf(viewer.LstChunks)->rowCount(), 500);
  content::Page set = content::DataSetChange(nullptr, chunk, 1);
  std::erase_if(set.controls, [](const content::Control& control) { return control.name == "CbxDataSet"; });
  ExpectShows(&viewer, set);
}

// The data-set list drops down 25 items and scrolls to the others, whatever
// the style would do by itself.
TEST(ViewerWindows, DataSetListDropsDown25Items) {
  TestApplication();
  std::vector<std::uint8_t> bytes(40 * 32000);
  TKvsChunk chunk(0, static_cast<std::int32_t>(bytes.size()));
  chunk.Data = TKvsByteStream(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  TFrmDataViewer viewer(nullptr);
  viewer.show();
  viewer.ShowChunk(nullptr, chunk);
  ASSERT_EQ(viewer.CbxDataSet->count(), 40);
  viewer.CbxDataSet->showPopup();
  const QAbstractItemView* const list = viewer.CbxDataSet->view();
  const QModelIndex last = list->indexAt(QPoint(1, list->viewport()->height() - 1));
  viewer.CbxDataSet->hidePopup();
  EXPECT_EQ(last.row(), 24);
}

}  // namespace
}  // namespace tarvo::testing

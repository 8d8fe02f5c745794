#include "tests/gui/GuiTestSupport.h"

#include "ui/ReportList.h"
#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"
#include "windows/Compare.h"
#include "windows/DataViewer.h"
#include "windows/Progress.h"
#include "content/viewers/ViewerContent.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QUrl>

#include <memory>
#include <vector>

namespace tarvo::testing {
namespace {

constexpr Qt::DropActions CopyOrMove = Qt::CopyAction | Qt::MoveAction;

std::unique_ptr<QMimeData> Urls(const QList<QUrl>& urls) {
  auto mime = std::make_unique<QMimeData>();
  mime->setUrls(urls);
  return mime;
}

std::unique_ptr<QMimeData> LocalFile(const QString& path) { return Urls({QUrl::fromLocalFile(path)}); }

class DropTest : public MainWindowTest {
 protected:
  // Drags `mime` onto the window; true when the window takes it.
  bool Enter(const QMimeData& mime, Qt::DropActions actions = CopyOrMove) {
    QDragEnterEvent event(QPoint(20, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &event);
    if (event.isAccepted()) {
      EXPECT_EQ(event.dropAction(), Qt::CopyAction);
    }
    return event.isAccepted();
  }
  // Drops `mime` on the window; true when the window takes it.
  bool Drop(const QMimeData& mime, Qt::DropActions actions = CopyOrMove) {
    QDropEvent event(QPointF(20, 20), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    event.ignore();
    QCoreApplication::sendEvent(window.get(), &event);
    if (event.isAccepted()) {
      EXPECT_EQ(event.dropAction(), Qt::CopyAction);
    }
    return event.isAccepted();
  }
  // Drags a file in and drops it, then lets the load run.
  bool DragAndDrop(const QMimeData& mime) {
    const bool taken = Enter(mime) && Drop(mime);
    QCoreApplication::processEvents();
    return taken;
  }
};

TEST_F(DropTest, DroppedFileIsLoadedLikeOnePickedInTheOpenDialog) {
  const QString path = WriteSong(EveryChunkSong(), "dropped.kvs");
  ASSERT_TRUE(DragAndDrop(*LocalFile(path)));

  EXPECT_TRUE(dialogs.openCalls.empty());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - dropped.kvs");
  const auto dropped = Rows(List("LstModules"));
  const auto log = LogLines();
  EXPECT_FALSE(dropped.empty());

  PickAndLoad(path);
  EXPECT_EQ(Rows(List("LstModules")), dropped);
  EXPECT_EQ(LogLines(), log);
}

TEST_F(DropTest, TwoDroppedFilesAreComparedTheFirstAsTheOlder) {
  const QString first = WriteSong(EveryChunkSong(), "first.kvs");
  const QString second = WriteSong(EveryChunkSong(), "second.kvs");
  ASSERT_TRUE(DragAndDrop(*Urls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)})));
  const QList<TFrmCompare*> windows = window->findChildren<TFrmCompare*>();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_EQ(windows.front()->windowTitle(), "Compare - first.kvs -> second.kvs");
  // Nothing was loaded into the main window.
  EXPECT_EQ(window->Loader(), nullptr);
}

TEST_F(DropTest, EveryPartOfTheWindowLeavesTheDropToIt) {
  EXPECT_TRUE(window->acceptDrops());
  for (const QWidget* const child : window->findChildren<QWidget*>())
    EXPECT_FALSE(child->acceptDrops()) << child->objectName().toStdString();
}

TEST_F(DropTest, OneLocalFileIsTakenOrTwoToCompare) {
  const QString path = WriteSong(EveryChunkSong());
  EXPECT_FALSE(Enter(*Urls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)})));
  EXPECT_FALSE(Enter(*Urls({QUrl::fromLocalFile(path), QUrl("https://example.org/demo.kvs")})));
  EXPECT_FALSE(Enter(*Urls({QUrl("https://example.org/demo.kvs")})));
  EXPECT_FALSE(Enter(*LocalFile(folder.path())));
  QMimeData text;
  text.setText(path);
  EXPECT_FALSE(Enter(text));
  // A move would have the sender delete the file.
  EXPECT_FALSE(Enter(*LocalFile(path), Qt::MoveAction));
  EXPECT_FALSE(Drop(*LocalFile(path), Qt::MoveAction));

  // Any name: the loader tells what the file is.
  EXPECT_TRUE(Enter(*LocalFile(folder.filePath("notes.txt"))));
  QCoreApplication::processEvents();
  EXPECT_EQ(window->Loader(), nullptr);
}

TEST_F(DropTest, ErrorOfADroppedFileReachesTheErrorHandler) {
  const QString missing = folder.filePath("missing.kvs");
  ASSERT_TRUE(DragAndDrop(*LocalFile(missing)));
  EXPECT_EQ(dialogs.errors, std::vector<QString>{"Cannot open file " + missing + "."});
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer");
  EXPECT_FALSE(window->IsBusy());
}

TEST_F(DropTest, DropWhileALoadRunsIsIgnored) {
  const QString first = WriteSong(EveryChunkSong(), "first.kvs");
  const QString second = WriteSong(EveryChunkSong(), "second.kvs");
  std::vector<bool> taken;
  const QObject watch;
  QObject::connect(window->Progress->Bar, &QProgressBar::valueChanged, &watch, [&](int position) {
    if (position != 5) return;
    taken.push_back(Enter(*LocalFile(second)));
    taken.push_back(Drop(*LocalFile(second)));
  });
  PickAndLoad(first);
  QCoreApplication::processEvents();

  EXPECT_EQ(taken, (std::vector<bool>{false, false}));
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - first.kvs");
  EXPECT_EQ(dialogs.openCalls.size(), 1u);
}

// A drop is loaded once it has returned; a viewer opened meanwhile shows
// the current song, which the load must not take away.
TEST_F(DropTest, LoadIsRefusedWhileAViewerIsOpen) {
  PickAndLoad(WriteSong(EveryChunkSong(), "first.kvs"));
  const QString second = WriteSong(EveryChunkSong(), "second.kvs");
  ASSERT_TRUE(Enter(*LocalFile(second)) && Drop(*LocalFile(second)));
  dialogs.onExec = [&](QDialog& viewer) {
    viewer.setModal(true);
    viewer.show();
    QCoreApplication::processEvents();
    viewer.hide();
  };
  List("LstChunks")->selectRow(0);
  window->LstChunksDblClick();
  ASSERT_EQ(dialogs.execCount, 1);
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - first.kvs");
  EXPECT_TRUE(dialogs.errors.empty());
}

class KeysTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    PickAndLoad(WriteSong(EveryChunkSong()));
    ASSERT_NE(window->Loader(), nullptr);
  }
};

TEST_F(KeysTest, CtrlOIsLoadKvs) {
  // The offscreen platform activates no window by itself; a window-wide key
  // works only in the active window.
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(window->isActiveWindow());
  SongBuilder other;
  other.Version(0x6105).Module(ModuleRecord(0x1000, "Other").Data(Bytes{1})).EndOfSong();
  dialogs.openAnswers.push_back(WriteSong(other, "other.kvs"));

  // Also where a list holds the focus.
  QTest::keyClick(List("LstModules"), Qt::Key_O, Qt::ControlModifier);

  ASSERT_EQ(dialogs.openCalls.size(), 2u);
  EXPECT_EQ(dialogs.openCalls[1].title, "Open Kvs");
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - other.kvs");
}

TEST_F(KeysTest, EnterOnARowOpensWhatADoubleClickOpens) {
  const TKvsLoader& song = *window->Loader();
  std::vector<TKvsChunk> expected;
  dialogs.onExec = [&](QDialog& dialog) {
    ASSERT_EQ(FrmDataViewer, &dialog);
    ExpectShows(&dialog, content::ShowChunk(window->Loader(), expected.back()));
  };

  // Modules: "View Chunk...".
  constexpr int VstSynthRow = 2;
  expected.push_back(song.Chunks()[static_cast<std::size_t>(song.Modules()[VstSynthRow]->ChunkIndex())]);
  List("LstModules")->selectRow(VstSynthRow);
  QTest::keyClick(List("LstModules"), Qt::Key_Return);
  EXPECT_EQ(dialogs.execCount, 1);

  // Chunks: "View...", also with the keypad's Enter.
  const int lastChunk = static_cast<int>(song.Chunks().size()) - 1;
  expected.push_back(song.Chunks()[static_cast<std::size_t>(lastChunk)]);
  List("LstChunks")->selectRow(lastChunk);
  QTest::keyClick(List("LstChunks"), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(dialogs.execCount, 2);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(KeysTest, EnterGivesTheDoubleClicksRefusalAndNothingWithoutASelection) {
  QTest::keyClick(List("LstModules"), Qt::Key_Return);
  QTest::keyClick(List("LstChunks"), Qt::Key_Return);
  EXPECT_EQ(dialogs.execCount, 0);
  EXPECT_TRUE(dialogs.messages.empty());

  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(0x1100, "Lost").Data(Bytes{'n', 'o'}).EndMarker(false));
  PickAndLoad(WriteSong(song, "lost.kvs"));
  ASSERT_EQ(window->Loader()->Modules().at(0)->ChunkIndex(), -1);
  List("LstModules")->selectRow(0);
  QTest::keyClick(List("LstModules"), Qt::Key_Return);
  EXPECT_EQ(dialogs.messages, std::vector<QString>{"No chuck available."});
  EXPECT_EQ(dialogs.execCount, 0);
}

}  // namespace
}  // namespace tarvo::testing

#include "tests/gui/GuiTestSupport.h"

#include "content/map/RegionMap.h"
#include "songbuilder/SongBuilder.h"
#include "songfile/ChunkId.h"
#include "songfile/KvsLoader.h"
#include "ui/CoverageStrip.h"
#include "ui/HexView.h"
#include "ui/LoaderLog.h"
#include "ui/ReportList.h"
#include "windows/FileMap.h"
#include "windows/FileMapTree.h"
#include "windows/Progress.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QSplitter>
#include <QToolTip>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QTest>
#include <QTableView>
#include <QTreeView>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

constexpr std::uint32_t Events = chunkids::EVTS;

SongBuilder EventSong(int count, int tickStep = 10) {
  std::vector<EventRecord> events;
  for (int i = 0; i < count; ++i) events.emplace_back(0, 0x1000, i * tickStep, i);
  SongBuilder song;
  song.Version(0x6105).Events(events).Chunk(0x41525458 /* XTRA */, "tail!").EndOfSong();
  return song;
}

class FileMapTest : public MainWindowTest {
 protected:
  TFrmFileMap& OpenMap(const SongBuilder& song, const QString& name = QStringLiteral("demo.kvs")) {
    PickAndLoad(WriteSong(song, name));
    window->ShowFileMap();
    TFrmFileMap& map = *window->FileMap();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !map.Mapping(); }, 20000));
    return map;
  }
  static TFileMapTree& Tree(TFrmFileMap& map) { return *static_cast<TFileMapTree*>(map.TreRegions->model()); }
  // A left-button drag over the hex view from one byte to another.
  static void Drag(TFrmFileMap& map, std::uint64_t from, std::uint64_t to) {
    QWidget* const viewport = map.HexView->viewport();
    const QPoint start = *map.HexView->PointOf(from);
    const QPoint end = *map.HexView->PointOf(to);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, end, viewport->mapToGlobal(end), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, end);
  }
  static QString TreePath(TFrmFileMap& map) {
    const auto* const tree = static_cast<TFileMapTree*>(map.TreRegions->model());
    return tree->PathAndValue(map.TreRegions->currentIndex());
  }
  static QString Inspector(TFrmFileMap& map, const char* type) {
    const TReportModel* const model = ReportModelOf(map.LstInspector);
    for (int row = 0; row < model->rowCount(); ++row)
      if (model->CellText(row, 0) == QLatin1String(type)) return model->CellText(row, 1);
    return QStringLiteral("no such row");
  }
  static void Find(TFrmFileMap& map, const QString& mode, const QString& text, bool forward = true) {
    map.CbxFindMode->setCurrentText(mode);
    map.EdtFind->setText(text);
    forward ? map.FindNext() : map.FindPrevious();
    QTRY_VERIFY_WITH_TIMEOUT(!map.Searching(), 10000);
  }
};

TEST_F(FileMapTest, ATreeRowSelectsItsBytesAndAClickedByteSelectsItsDeepestRegion) {
  const SongBuilder song = EventSong(3);
  TFrmFileMap& map = OpenMap(song);
  EXPECT_EQ(map.windowTitle(), QStringLiteral("File Map - demo.kvs"));
  const std::uint64_t events = song.Mark(Events).dataOffset;

  // Event 1's TickTime: 4 bytes at 4 into its 16-byte record.
  auto* const tree = static_cast<TFileMapTree*>(map.TreRegions->model());
  const QModelIndex tick = tree->IndexAt(events + 16 + 4);
  ASSERT_TRUE(tick.isValid());
  map.TreRegions->setCurrentIndex(tick);
  EXPECT_EQ(map.HexView->SelectionStart(), events + 20);
  EXPECT_EQ(map.HexView->SelectionSize(), 4u);
  EXPECT_EQ(map.LblStatus->text(),
            QStringLiteral("0x%1  EVTS/1/TickTime = 10").arg(QString::number(events + 20, 16).toUpper(), 8, QLatin1Char('0')));

  // A click on the third byte of event 2's Data field.
  const std::uint64_t byte = events + 2 * 16 + 8 + 2;
  map.HexView->EnsureVisible(byte);
  const std::optional<QPoint> point = map.HexView->PointOf(byte);
  ASSERT_TRUE(point);
  QTest::mouseClick(map.HexView->viewport(), Qt::LeftButton, Qt::NoModifier, *point);
  EXPECT_EQ(map.HexView->Cursor(), byte);
  EXPECT_EQ(map.HexView->SelectionStart(), events + 2 * 16 + 8);
  EXPECT_EQ(map.HexView->SelectionSize(), 4u);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/2/Data = 2"));
  EXPECT_TRUE(map.TreRegions->isExpanded(map.TreRegions->currentIndex().parent()));
  EXPECT_TRUE(map.LblStatus->text().endsWith(QStringLiteral("EVTS/2/Data = 2")));
}

TEST_F(FileMapTest, GoesToATypedOffsetAndRefusesWhatIsNone) {
  const SongBuilder song = EventSong(3);
  TFrmFileMap& map = OpenMap(song);
  const std::uint64_t events = song.Mark(Events).dataOffset;
  map.EdtGoTo->setText(QStringLiteral("0x%1").arg(events + 4, 0, 16));
  map.EdtGoToReturn();
  EXPECT_EQ(map.HexView->Cursor(), events + 4);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/0/TickTime = 0"));
  EXPECT_EQ(Inspector(map, "int32"), QStringLiteral("0"));

  map.EdtGoTo->setText(QString::number(events + 16 + 8));
  map.EdtGoToReturn();
  EXPECT_EQ(map.HexView->Cursor(), events + 24);
  for (const QString& bad : {QStringLiteral("0xZZ"), QStringLiteral("-4"), QString::number(song.Size())}) {
    map.EdtGoTo->setText(bad);
    map.EdtGoToReturn();
    EXPECT_EQ(map.HexView->Cursor(), events + 24) << bad.toStdString();
    EXPECT_FALSE(map.LblStatus->text().isEmpty());
  }
}

TEST_F(FileMapTest, FindsAWildcardPatternAcrossAChunkBoundaryAndWrapsAround) {
  const SongBuilder song = EventSong(2, 0x01020304);
  TFrmFileMap& map = OpenMap(song);
  // The last event's Extra (zero), then the XTRA chunk's id with a wildcard.
  const std::uint64_t xtra = song.Mark(0x41525458).offset;
  Find(map, QStringLiteral("Hex"), QStringLiteral("00 00 58 ?? 52 41"));
  EXPECT_EQ(map.HexView->SelectionStart(), xtra - 2);
  EXPECT_EQ(map.HexView->SelectionSize(), 6u);
  EXPECT_EQ(map.HexView->Cursor(), xtra - 2);
  map.CopyHex();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("00 00 58 54 52 41"));
  map.CopyText();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("..XTRA"));

  // Next from there: the only other match is behind the cursor.
  Find(map, QStringLiteral("Text"), QStringLiteral("tail"));
  const std::uint64_t tail = song.Mark(0x41525458).dataOffset;
  EXPECT_EQ(map.HexView->SelectionStart(), tail);
  map.GoToOffset(tail + 1);
  Find(map, QStringLiteral("Text"), QStringLiteral("tail"));
  EXPECT_EQ(map.HexView->SelectionStart(), tail);
  EXPECT_TRUE(map.LblStatus->text().contains(QStringLiteral("wrapped")));
  // Previous from the start wraps to the end.
  map.GoToOffset(0);
  Find(map, QStringLiteral("Hex"), QStringLiteral("04 03 02 01"), false);
  EXPECT_EQ(map.HexView->SelectionStart(), song.Mark(Events).dataOffset + 16 + 4);

  Find(map, QStringLiteral("Hex"), QStringLiteral("DE AD BE EF"));
  EXPECT_EQ(map.LblStatus->text(), QStringLiteral("Not found."));
  Find(map, QStringLiteral("Hex"), QStringLiteral("4"));
  EXPECT_TRUE(map.LblStatus->text().startsWith(QStringLiteral("Not a hex pattern")));
  Find(map, QStringLiteral("Text"), QStringLiteral("tail\u20AC"));
  EXPECT_EQ(map.LblStatus->text(), QStringLiteral("Text mode finds Latin-1 characters only."));
}

TEST_F(FileMapTest, ShowingAModuleWhileTheViewsFillOpensNoMap) {
  const QObject watch;
  QObject::connect(window->Progress->Bar, &QProgressBar::valueChanged, &watch, [&](int) {
    if (List("LstModules")->model()->rowCount() == 0) return;
    List("LstModules")->selectRow(0);
    window->findChild<QAction*>(QStringLiteral("ActShowModuleInFileMap"))->trigger();
  });
  PickAndLoad(WriteSong(EveryChunkSong()));
  EXPECT_EQ(window->FileMap(), nullptr);
}

TEST_F(FileMapTest, GoesToTheNextAndPreviousRegionOfAKind) {
  SongBuilder song = EventSong(2);
  song.Raw("after the end");
  TFrmFileMap& map = OpenMap(song);
  const std::uint64_t end = song.Size() - 13;
  map.CbxRegionKind->setCurrentText(QStringLiteral("unread"));
  map.NextOfKind();
  EXPECT_EQ(map.HexView->Cursor(), end);
  EXPECT_EQ(map.HexView->SelectionSize(), 13u);
  map.NextOfKind();
  EXPECT_EQ(map.HexView->Cursor(), end);
  EXPECT_TRUE(map.LblStatus->text().startsWith(QStringLiteral("No more unread")));

  map.CbxRegionKind->setCurrentText(QStringLiteral("header"));
  map.PreviousOfKind();
  EXPECT_EQ(map.HexView->Cursor(), song.Marks().back().offset);  // the end-of-song header
  map.PreviousOfKind();
  EXPECT_EQ(map.HexView->Cursor(), song.Mark(0x41525458).offset);
}

TEST_F(FileMapTest, TheInspectorReadsTheBytesTheBuilderWrote) {
  SongBuilder song;
  std::vector<EventRecord> events = {EventRecord(0, 0x1000, -2, 0).Extra(0x3F800000)};
  song.Version(0x6105).Events(events).Chunk(chunkids::GLOB, "GLOB").EndOfSong();
  TFrmFileMap& map = OpenMap(song);
  const std::uint64_t event = song.Mark(Events).dataOffset;
  map.GoToOffset(event + 4);
  EXPECT_EQ(Inspector(map, "int32"), QStringLiteral("-2"));
  EXPECT_EQ(Inspector(map, "uint32"), QStringLiteral("4294967294"));
  EXPECT_EQ(Inspector(map, "int8"), QStringLiteral("-2"));
  map.GoToOffset(event + 12);
  EXPECT_EQ(Inspector(map, "float32"), QStringLiteral("1"));
  map.CbxBigEndian->setChecked(true);
  EXPECT_EQ(Inspector(map, "uint32"), QStringLiteral("32831"));
  map.GoToOffset(song.Mark(chunkids::GLOB).dataOffset);
  EXPECT_EQ(Inspector(map, "chunk id"), QStringLiteral("GLOB"));
  EXPECT_TRUE(Inspector(map, "text").startsWith(QStringLiteral("GLOB")));
}

TEST_F(FileMapTest, ARejectedLoadShowsWhereTheReadingStopped) {
  SongBuilder song;
  song.Version(0x5000).Events({EventRecord(0, 0x1000, 1, 1)}).EndOfSong();
  PickAndLoad(WriteSong(song, QStringLiteral("old.kvs")));
  ASSERT_FALSE(dialogs.messages.empty());  // "File version 5000 too old!"
  window->ShowFileMap();
  TFrmFileMap& map = *window->FileMap();
  EXPECT_EQ(map.windowTitle(), QStringLiteral("File Map - old.kvs"));
  EXPECT_EQ(map.HexView->Bytes().size(), song.Size());
  const std::uint64_t unread = song.Size() - song.Mark(Events).offset;
  EXPECT_TRUE(map.findChild<QLabel*>(QStringLiteral("LblKind_unread"))
                  ->text()
                  .endsWith(QStringLiteral("(%1)").arg(unread)));
  map.CbxRegionKind->setCurrentText(QStringLiteral("unread"));
  map.NextOfKind();
  EXPECT_EQ(map.HexView->Cursor(), song.Mark(Events).offset);
}

TEST_F(FileMapTest, FollowsEachNewLoadAndOpensAtALogLinesOffset) {
  TFrmFileMap& map = OpenMap(EventSong(1), QStringLiteral("first.kvs"));
  const SongBuilder second = EventSong(5);
  PickAndLoad(WriteSong(second, QStringLiteral("second.kvs")));
  EXPECT_EQ(window->FileMap(), &map);
  EXPECT_EQ(map.windowTitle(), QStringLiteral("File Map - second.kvs"));
  EXPECT_EQ(map.Song(), window->Loader());
  EXPECT_EQ(map.HexView->Bytes().size(), second.Size());

  // The chunk trace line of EVTS begins with an offset.
  auto* const log = LogModelOf(window->LoaderMessages);
  int row = 0;
  while (row < log->rowCount() && !log->index(row).data().toString().contains(QStringLiteral("(EVTS)"))) ++row;
  ASSERT_LT(row, log->rowCount());
  const QString line = log->index(row).data().toString();
  window->LoaderMessagesDblClick(log->index(row));
  // The line tells where the events end; the map opens at the chunk's header.
  EXPECT_GT(line.left(8).toULongLong(nullptr, 16), second.Mark(Events).offset);
  EXPECT_EQ(map.HexView->Cursor(), second.Mark(Events).offset);

  // A load that raises an error: the map shows the file up to where it stopped.
  SongBuilder failing;
  failing.Version(0x6105).Events({EventRecord(0, 0x1000, 1, 1)}).Chunk(0x41525458, "abc", 1000);
  EXPECT_THROW(PickAndLoad(WriteSong(failing, QStringLiteral("failing.kvs"))), std::exception);
  EXPECT_EQ(map.windowTitle(), QStringLiteral("File Map - failing.kvs"));
  map.CbxRegionKind->setCurrentText(QStringLiteral("unread"));
  map.GoToOffset(0);
  map.NextOfKind();
  // The chunk whose payload is missing is no chunk: unread from its header on.
  EXPECT_EQ(map.HexView->Cursor(), failing.Marks().back().offset);

  // A file that cannot be opened has no bytes to show.
  EXPECT_THROW(PickAndLoad(folder.filePath(QStringLiteral("missing.kvs"))), std::exception);
  EXPECT_EQ(map.windowTitle(), QStringLiteral("File Map - missing.kvs"));
  EXPECT_TRUE(map.HexView->Bytes().empty());
  map.FindNext();
  map.NextOfKind();
  map.GoToOffset(10);
}

TEST_F(FileMapTest, TheTreeIsModelTesterCleanABigChunkOpensIntoStretchesAndTheListsShowTheirRowsInTheMap) {
  // 5000 events: more regions than a branch shows directly, and records
  // that straddle the 16 KiB stretch boundaries.
  const SongBuilder song = EventSong(5000);
  TFrmFileMap& map = OpenMap(song);
  auto* const tree = static_cast<TFileMapTree*>(map.TreRegions->model());
  const QModelIndex evts = tree->index(1, 0);
  ASSERT_EQ(tree->data(evts.siblingAtColumn(TFileMapTree::ColName)).toString(), QStringLiteral("EVTS"));
  int records = 0;
  QString last;
  for (int s = 0; s < tree->rowCount(evts); ++s) {
    const QModelIndex stretch = tree->index(s, 0, evts);
    for (int r = 0; r < tree->rowCount(stretch); ++r) {
      const QString name = tree->data(tree->index(r, TFileMapTree::ColName, stretch)).toString();
      if (name == QStringLiteral("header")) continue;
      // The rest of the record that began in the stretch before is counted there.
      if (r == 0 && records > 0 && name == QString::number(records - 1)) continue;
      EXPECT_EQ(name, QString::number(records)) << "stretch " << s;
      ++records;
    }
  }
  EXPECT_EQ(records, 5000);
  for (const int event : {0, 1023, 1024, 1025, 4095, 4096, 4999}) {
    const QModelIndex data = tree->IndexAt(song.Mark(Events).dataOffset + 16 * event + 8);
    EXPECT_EQ(tree->PathAndValue(data), QStringLiteral("EVTS/%1/Data = %1").arg(event));
  }

  const SongBuilder every = EveryChunkSong();
  OpenMap(every);
  // "Show in File Map" on the lists: the kept chunk's bytes, the module's record.
  List("LstChunks")->selectRow(0);
  window->findChild<QAction*>(QStringLiteral("ActShowChunkInFileMap"))->trigger();
  EXPECT_EQ(map.HexView->Cursor(), window->Loader()->Chunks()[0].Offset);
  List("LstModules")->selectRow(1);
  window->findChild<QAction*>(QStringLiteral("ActShowModuleInFileMap"))->trigger();
  std::vector<std::uint64_t> modules;
  for (const ChunkMark& mark : every.Marks())
    if (mark.id >= chunkids::FirstModule && mark.id <= chunkids::LastModule) modules.push_back(mark.offset);
  ASSERT_GE(modules.size(), 2u);
  EXPECT_EQ(map.HexView->Cursor(), modules[1]);

  QAbstractItemModelTester tester(tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester inspector(ReportModelOf(map.LstInspector), QAbstractItemModelTester::FailureReportingMode::Fatal);
  map.GoToOffset(40);
}

TEST_F(FileMapTest, JumpsAboutABigChunkKeepTheTreeWithinItsBudget) {
  const SongBuilder song = EventSong(6000);
  TFrmFileMap& map = OpenMap(song);
  auto* const tree = static_cast<TFileMapTree*>(map.TreRegions->model());
  tree->SetRowBudget(1500);
  const std::uint64_t events = song.Mark(Events).dataOffset;
  // A hand-opened branch off the path goes too.
  map.TreRegions->expand(tree->index(0, 0));
  std::size_t most = 0;
  for (int event = 0; event < 6000; event += 555) {
    map.GoToOffset(events + 16 * event + 8);
    most = std::max(most, tree->MadeRows());
    EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/%1/Data = %1").arg(event));
  }
  // One jump opens the chunk's stretches and one stretch's records.
  EXPECT_LT(most, 1500u + 1100u);
  EXPECT_FALSE(map.TreRegions->isExpanded(tree->index(0, 0)));

  // The tester opens every row, so each jump now gives rows back.
  QAbstractItemModelTester tester(tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
  map.GoToOffset(events + 8);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/0/Data = 0"));
  map.GoToOffset(events + 16 * 5999 + 8);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/5999/Data = 5999"));
}

TEST_F(FileMapTest, ALongValueShowsBoundedAndNeverWidensTheWindow) {
  // 2 MiB of song info: a song this big is mapped off the window's thread.
  std::string info(2 * 1024 * 1024, 'i');
  info.replace(0, 6, "Long\r\n");
  SongBuilder song;
  song.Version(0x6105).Glob(GlobChunk().SongInfo(info)).EndOfSong();
  TFrmFileMap& map = OpenMap(song);
  map.show();
  const int width = map.width();
  Find(map, QStringLiteral("Text"), QStringLiteral("Long"));
  const QString ending = QChar(0x2026) + QStringLiteral(" (2097152 characters)");
  // The tree follows Find to the field; every line that shows it is bounded.
  EXPECT_TRUE(TreePath(map).startsWith(QStringLiteral("GLOB/"))) << TreePath(map).left(80).toStdString();
  EXPECT_TRUE(TreePath(map).endsWith(ending));
  EXPECT_TRUE(TreePath(map).contains(QStringLiteral(" = Long\\x0D\\x0Aiii")));
  EXPECT_LT(TreePath(map).size(), 300);
  map.HexView->setFocus();
  QTest::keyClick(map.HexView, Qt::Key_Right);
  EXPECT_TRUE(map.LblStatus->text().endsWith(ending));
  EXPECT_LT(map.LblStatus->text().size(), 300);
  EXPECT_LT(Tree(map).data(map.TreRegions->currentIndex().siblingAtColumn(TFileMapTree::ColValue)).toString().size(), 150);
  const QPoint point = *map.HexView->PointOf(map.HexView->Cursor());
  QHelpEvent help(QEvent::ToolTip, point, map.HexView->viewport()->mapToGlobal(point));
  QCoreApplication::sendEvent(map.HexView->viewport(), &help);
  EXPECT_TRUE(QToolTip::text().contains(ending.toHtmlEscaped()));
  EXPECT_LT(QToolTip::text().size(), 400);
  map.grab();
  QCoreApplication::processEvents();
  EXPECT_EQ(map.width(), width);

  // Escape stops a mapping under way; the bytes still show.
  map.ShowSong(window->Loader(), QStringLiteral("again.kvs"));
  EXPECT_TRUE(map.Mapping());
  map.Cancel();
  EXPECT_FALSE(map.Mapping());
  EXPECT_TRUE(map.LblStatus->text().startsWith(QStringLiteral("Mapping stopped")));
  EXPECT_EQ(map.HexView->Bytes().size(), song.Size());
  EXPECT_EQ(Tree(map).rowCount(), 0);
}

TEST_F(FileMapTest, ADragSelectsFromThePressedByteAndFindGoesOnFromItsMatch) {
  SongBuilder song;
  song.Version(0x6105).Chunk(0x41525458, "tail!+tail!AAAB--").EndOfSong();
  TFrmFileMap& map = OpenMap(song);
  const std::uint64_t d = song.Mark(0x41525458).dataOffset;
  // Backwards over the start of the Data region the click marked.
  Drag(map, d + 8, d - 2);
  EXPECT_EQ(map.HexView->SelectionStart(), d - 2);
  EXPECT_EQ(map.HexView->SelectionSize(), 11u);
  Drag(map, d + 3, d + 9);
  EXPECT_EQ(map.HexView->SelectionStart(), d + 3);
  EXPECT_EQ(map.HexView->SelectionSize(), 7u);

  // The cursor inside the second match: Previous finds it, then the first.
  map.GoToOffset(d + 8);
  Find(map, QStringLiteral("Text"), QStringLiteral("tail!"), false);
  EXPECT_EQ(map.HexView->SelectionStart(), d + 6);
  Find(map, QStringLiteral("Text"), QStringLiteral("tail!"), false);
  EXPECT_EQ(map.HexView->SelectionStart(), d);
  Find(map, QStringLiteral("Text"), QStringLiteral("tail!"));
  EXPECT_EQ(map.HexView->SelectionStart(), d + 6);
  // Overlapping matches, one after the other both ways.
  for (const std::uint64_t expected : {d + 11, d + 12}) {
    Find(map, QStringLiteral("Text"), QStringLiteral("AA"));
    EXPECT_EQ(map.HexView->SelectionStart(), expected);
  }
  Find(map, QStringLiteral("Text"), QStringLiteral("AA"), false);
  EXPECT_EQ(map.HexView->SelectionStart(), d + 11);

  // Right leaves one byte selected, Shift+Right two: exactly what Copy Hex copies.
  map.HexView->setFocus();
  QTest::keyClick(map.HexView, Qt::Key_Right);
  EXPECT_EQ(map.HexView->SelectionStart(), d + 12);
  EXPECT_EQ(map.HexView->SelectionSize(), 1u);
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(map.HexView->SelectionSize(), 2u);
  map.CopyHex();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("41 41"));
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  map.CopyHex();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("41 41 42"));
}

TEST_F(FileMapTest, EveryBytesDeepestRegionIsInTheTreeOfAStretchedModule) {
  std::vector<std::string> tracks(10000);
  for (std::size_t i = 0; i < tracks.size(); ++i) tracks[i] = "Track " + std::to_string(i);
  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(0x1000, "Synth").Tracks(tracks).DataFill(100000, 'Z')).EndOfSong();
  TFrmFileMap& map = OpenMap(song);
  TFileMapTree& tree = Tree(map);
  tree.SetRowBudget(SIZE_MAX);
  const content::RegionMap regions = content::RegionMap::Of(*window->Loader());
  std::size_t checked = 0;
  regions.ForEachRegion([&](const TKvsRegion& region) {
    for (const std::uint64_t byte : {region.offset, region.offset + region.size / 2, region.offset + region.size - 1}) {
      const QModelIndex index = tree.IndexAt(byte);
      ASSERT_EQ(tree.Offset(index), region.offset) << region.path << " at " << byte;
      ASSERT_EQ(tree.Size(index), region.size) << region.path;
      ASSERT_TRUE(tree.PathAndValue(index).startsWith(QString::fromLatin1(region.path))) << region.path;
    }
    ++checked;
  });
  EXPECT_GT(checked, 10000u);
  // A click deep inside the module's data selects the data, not the module.
  const std::uint64_t data = song.Mark(0x1000).dataOffset;
  map.GoToOffset(data + 60000);
  EXPECT_EQ(map.HexView->SelectionStart(), data);
  EXPECT_EQ(map.HexView->SelectionSize(), 100000u);
  EXPECT_EQ(map.HexView->Cursor(), data + 60000);
}

TEST_F(FileMapTest, KeysGoToAndFindMoveTheTreeAndTheHexViewKeepsItsColumns) {
  SongBuilder song = EventSong(3);
  song.Raw("abc");
  TFrmFileMap& map = OpenMap(song);
  map.show();
  const std::uint64_t events = song.Mark(Events).dataOffset;
  map.GoToOffset(events + 4);
  map.HexView->setFocus();
  QTest::keyClick(map.HexView, Qt::Key_Down);
  EXPECT_EQ(map.HexView->Cursor(), events + 20);
  EXPECT_EQ(map.HexView->SelectionSize(), 1u);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/1/TickTime = 10"));
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(map.HexView, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(map.HexView->SelectionSize(), 5u);
  EXPECT_EQ(TreePath(map), QStringLiteral("EVTS/1/Data = 1"));
  EXPECT_EQ(map.HexView->accessibleDescription(),
            QStringLiteral("Offset 0x%1, byte 01, selected 5 bytes from 0x%2: 0A 00 00 00 01")
                .arg(THexView::HexNumber(events + 24, 8), THexView::HexNumber(events + 20, 8)));
  // Down from the row above a shorter last row lands on the file's last byte.
  const std::uint64_t last = song.Size() - 1;
  ASSERT_NE(last % 16, 15u);
  map.GoToOffset(last - last % 16 - 1);
  QTest::keyClick(map.HexView, Qt::Key_Down);
  EXPECT_EQ(map.HexView->Cursor(), last);
  EXPECT_EQ(TreePath(map), QStringLiteral("unread"));

  // At the first size and narrower, the hex view shows its 16 bytes and their text.
  const auto whole = [&] { return map.HexView->width() >= map.HexView->minimumSizeHint().width(); };
  EXPECT_TRUE(whole());
  map.resize(700, map.height());
  QCoreApplication::processEvents();
  EXPECT_TRUE(whole());
  EXPECT_GE(map.HexView->viewport()->width(), map.HexView->PointOf(map.HexView->TopRow() * 16)->x());

  // Every caption that names a field is that field's buddy; the views have names.
  for (const char* const caption : {"Go to:", "Find:", "Region:"}) {
    const auto labels = map.findChildren<QLabel*>();
    const auto label = std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == QLatin1String(caption); });
    ASSERT_NE(label, labels.end()) << caption;
    EXPECT_NE((*label)->buddy(), nullptr) << caption;
  }
  EXPECT_FALSE(map.HexView->accessibleName().isEmpty());
  EXPECT_FALSE(map.Strip->accessibleName().isEmpty());
  // The main window's fields are named by their captions too.
  const auto labels = window->findChildren<QLabel*>();
  for (const QLineEdit* const edit : window->findChildren<QLineEdit*>()) {
    if (edit->objectName().isEmpty() || qobject_cast<const QComboBox*>(edit->parent()) != nullptr) continue;
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const QLabel* l) { return l->buddy() == edit; }))
        << edit->objectName().toStdString();
  }
}

TEST_F(FileMapTest, ThousandsOfChunksShowInRangesAndEachStillOpensAtItsBytes) {
  SongBuilder song;
  song.Version(0x6105);
  for (int i = 0; i < 5000; ++i) song.Chunk(0x41525458, "x");
  song.EndOfSong();
  TFrmFileMap& map = OpenMap(song);
  TFileMapTree& tree = Tree(map);
  EXPECT_LE(tree.rowCount(), static_cast<int>(TFileMapTree::MaxTopRows));
  const ChunkMark& mark = song.Mark(0x41525458, 4321);
  map.GoToOffset(mark.dataOffset);
  EXPECT_EQ(TreePath(map), QStringLiteral("XTRA#4322/Data"));
  EXPECT_EQ(map.HexView->SelectionStart(), mark.dataOffset);
  map.GoToOffset(mark.offset + 2);
  EXPECT_EQ(map.TreRegions->currentIndex().parent().parent().parent(), QModelIndex());
  EXPECT_EQ(tree.Offset(map.TreRegions->currentIndex().parent()), mark.offset);
  QAbstractItemModelTester tester(&tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
}

}  // namespace
}  // namespace tarvo::testing
#include "tests/gui/GuiTestSupport.h"

#include "content/compare/CompareJson.h"
#include "content/compare/CompareText.h"
#include "content/compare/SongCompare.h"
#include "content/map/RegionMap.h"
#include "songbuilder/SongBuilder.h"
#include "songfile/KvsLoader.h"
#include "tools/kvsdump/Diff.h"
#include "tools/kvsdump/KvsDump.h"
#include "ui/CoverageStrip.h"
#include "ui/HexView.h"
#include "ui/RowCopy.h"
#include "windows/Compare.h"
#include "windows/CompareList.h"
#include "windows/FileMap.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTest>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace tarvo::testing {
namespace {

using content::Side;

constexpr std::uint32_t XTRA = 0x41525458;

SongBuilder EventSong(int count, std::optional<int> insertAt = std::nullopt, int tempo = 140) {
  std::vector<EventRecord> events;
  for (int i = 0; i < count; ++i) {
    if (insertAt == i) events.emplace_back(1, 0x2000, i * 10 + 5, 777);
    events.emplace_back(0, 0x1000, i * 10, i);
  }
  SongBuilder song;
  GlobChunk glob;
  glob.Tempo(static_cast<float>(tempo));
  song.Version(0x6105).Glob(glob).Events(events).Chunk(XTRA, "tail!").EndOfSong();
  return song;
}

Bytes ReadFile(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const QString& path, const Bytes& bytes) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<TKvsLoader> LoadSong(const QString& path) {
  auto loader = std::make_unique<TKvsLoader>();
  std::string error;
  loader->LoadFromFile(QFile::encodeName(path).toStdString(), error);
  return loader;
}

// What the engine says of two files, one row per difference.
std::vector<content::CompareDifference> EngineDifferences(const QString& oldPath, const QString& newPath) {
  const auto oldSong = LoadSong(oldPath);
  const auto newSong = LoadSong(newPath);
  const content::RegionMap oldMap = content::RegionMap::Of(*oldSong);
  const content::RegionMap newMap = content::RegionMap::Of(*newSong);
  std::vector<content::CompareDifference> differences;
  content::SongComparison(oldMap, newMap).Run([&](const content::CompareDifference& d) { differences.push_back(d); });
  return differences;
}

class CompareWindowTest : public MainWindowTest {
 protected:
  static void WaitFor(TFrmCompare& compare) { QTRY_VERIFY_WITH_TIMEOUT(compare.Pair() != nullptr, 20000); }
  TFrmCompare& Open(const QString& oldPath, const QString& newPath) {
    window->OpenCompare(oldPath, newPath);
    const QList<TFrmCompare*> windows = window->findChildren<TFrmCompare*>();
    EXPECT_FALSE(windows.isEmpty());
    TFrmCompare& compare = *windows.back();
    WaitFor(compare);
    return compare;
  }
  TFrmCompare& OpenSongs(const SongBuilder& oldSong, const SongBuilder& newSong) {
    return Open(WriteSong(oldSong, QStringLiteral("old.kvs")), WriteSong(newSong, QStringLiteral("new.kvs")));
  }
  static TCompareListModel& Model(TFrmCompare& compare) {
    return *static_cast<TCompareListModel*>(compare.LstDifferences->model());
  }
  static QString Cell(TFrmCompare& compare, int row, int column) { return Model(compare).CellText(row, column); }
  static int CurrentRow(TFrmCompare& compare) { return compare.LstDifferences->currentIndex().row(); }
};

QString Hex8(std::optional<std::uint64_t> offset) {
  return offset ? THexView::HexNumber(*offset, 8) : QStringLiteral("-");
}

void ExpectRowsAreEngines(TFrmCompare& compare, const std::vector<content::CompareDifference>& expected) {
  const TCompareListModel& model = *static_cast<TCompareListModel*>(compare.LstDifferences->model());
  ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
  for (int row = 0; row < model.rowCount(); ++row) {
    const content::CompareDifference& d = expected[static_cast<std::size_t>(row)];
    QString path = QString::fromLatin1(d.path);
    if (!d.oldPath.empty() && d.oldPath != d.path) path += QStringLiteral(" (was ") + QString::fromLatin1(d.oldPath) + ')';
    QString size = QString::number(d.Size());
    if (d.change == content::ChangeKind::Changed && d.oldSize != d.newSize)
      size = QString::number(d.oldSize) + QStringLiteral("->") + QString::number(d.newSize);
    const QStringList want = {QLatin1String(content::ChangeName(d.change)), QLatin1String(content::DiffKindName(d.kind)),
                              path, Hex8(d.oldOffset), Hex8(d.newOffset), size};
    QStringList got;
    for (int column = 0; column < want.size(); ++column) got << model.CellText(row, column);
    EXPECT_EQ(got, want) << "row " << row;
    if (d.kind == content::DiffKind::Field && d.change == content::ChangeKind::Changed) {
      EXPECT_EQ(model.CellText(row, TCompareListModel::ColOld), QString::fromLatin1(d.oldValue));
      EXPECT_EQ(model.CellText(row, TCompareListModel::ColNew), QString::fromLatin1(d.newValue));
    }
  }
}

TEST_F(CompareWindowTest, RowsAreTheEnginesDifferencesForTheDemoSongAndForAnInsertedEvent) {
  // The demo song with a few bytes changed in place.
  const QString demo = QStringLiteral(TARVO_SOURCE_DIR "/examples/demo.kvs");
  Bytes edited = ReadFile(demo);
  ASSERT_GT(edited.size(), 4000u);
  edited[edited.size() / 3] ^= 0x5A;
  edited[edited.size() / 2] ^= 0x01;
  edited[edited.size() - 40] ^= 0xFF;
  const QString copy = folder.filePath(QStringLiteral("edited.kvs"));
  WriteFile(copy, edited);
  const std::vector<content::CompareDifference> demoDifferences = EngineDifferences(demo, copy);
  ASSERT_FALSE(demoDifferences.empty());
  ExpectRowsAreEngines(Open(demo, copy), demoDifferences);

  // An inserted event moves every later record: one added record, the
  // chunk's header changed, the tempo changed; paths of moved records are
  // not differences.
  const QString oldPath = WriteSong(EventSong(40), QStringLiteral("old.kvs"));
  const QString newPath = WriteSong(EventSong(40, 20, 128), QStringLiteral("new.kvs"));
  const std::vector<content::CompareDifference> inserted = EngineDifferences(oldPath, newPath);
  TFrmCompare& compare = Open(oldPath, newPath);
  ExpectRowsAreEngines(compare, inserted);
  int added = 0;
  for (int row = 0; row < Model(compare).rowCount(); ++row) added += Cell(compare, row, 0) == QStringLiteral("added");
  EXPECT_EQ(added, 1);
  QAbstractItemModelTester tester(&Model(compare), QAbstractItemModelTester::FailureReportingMode::Fatal);
  Model(compare).sort(TCompareListModel::ColSize, Qt::DescendingOrder);
  compare.CbxKinds[static_cast<std::size_t>(content::DiffKind::Field)]->setChecked(false);
  Model(compare).sort(-1);
}

TEST_F(CompareWindowTest, ShownDifferentlyHoldsTheDiffLinesOfThePairOrSaysTheyShowTheSame) {
  const QString demo = QStringLiteral(TARVO_SOURCE_DIR "/examples/demo.kvs");
  Bytes edited = ReadFile(demo);
  ASSERT_GT(edited.size(), 4000u);
  edited[edited.size() / 3] ^= 0x5A;
  edited[edited.size() / 2] ^= 0x01;
  edited[edited.size() - 40] ^= 0xFF;
  const QString copy = folder.filePath(QStringLiteral("edited.kvs"));
  WriteFile(copy, edited);
  std::ostringstream out;
  std::ostringstream err;
  const int status = kvsdump::RunDiff(QFile::encodeName(demo).toStdString(), QFile::encodeName(copy).toStdString(),
                                      false, out, err);
  ASSERT_EQ(status, kvsdump::ExitDifferent) << err.str();
  QString lines = QString::fromStdString(out.str());
  lines.chop(1);  // the last line break
  // The list comes first; the tab follows once what the songs show is
  // compared, on a thread of its own.
  TFrmCompare& compare = Open(demo, copy);
  EXPECT_EQ(compare.Tabs->tabText(1), QStringLiteral("Shown differently"));
  QTRY_VERIFY_WITH_TIMEOUT(!compare.ShownRunning(), 20000);
  EXPECT_EQ(compare.TxtShown->toPlainText(), lines);

  // A song compared with itself shows the same.
  TFrmCompare& same = Open(demo, demo);
  QTRY_VERIFY_WITH_TIMEOUT(!same.ShownRunning(), 20000);
  EXPECT_EQ(same.TxtShown->toPlainText(), QStringLiteral("The two songs show the same."));

  // Comparing again in the same window shows the new pair's lines.
  same.Start(demo, copy);
  QTRY_VERIFY_WITH_TIMEOUT(same.Pair() != nullptr && !same.ShownRunning(), 20000);
  EXPECT_EQ(same.TxtShown->toPlainText(), lines);
}

TEST_F(CompareWindowTest, ADifferenceSelectsItsBytesInBothViewsAndEachViewFollowsTheOtherByPlace) {
  const SongBuilder oldSong = EventSong(400);
  const SongBuilder newSong = EventSong(400, 20);
  TFrmCompare& compare = OpenSongs(oldSong, newSong);
  const std::uint64_t oldEvents = oldSong.Mark(ids::EVTS).dataOffset;
  const std::uint64_t newEvents = newSong.Mark(ids::EVTS).dataOffset;

  // The added event: its 16 bytes in NEW; OLD shows where it would stand.
  int addedRow = -1;
  for (int row = 0; row < Model(compare).rowCount(); ++row)
    if (Cell(compare, row, 0) == QStringLiteral("added")) addedRow = row;
  ASSERT_GE(addedRow, 0);
  compare.LstDifferences->setCurrentIndex(Model(compare).index(addedRow, 0));
  EXPECT_EQ(compare.HexNew->SelectionStart(), newEvents + 20 * 16);
  EXPECT_EQ(compare.HexNew->SelectionSize(), 16u);
  EXPECT_EQ(compare.HexOld->SelectionStart(), oldEvents + 20 * 16);
  EXPECT_TRUE(compare.LblStatus->text().startsWith(QStringLiteral("EVTS/20")));

  // Event 30 of OLD is event 31 of NEW: the views match by place, not offset.
  compare.HexOld->setFocus();
  compare.HexOld->Select(oldEvents + 30 * 16 + 4, 1);
  EXPECT_EQ(compare.HexNew->Cursor(), newEvents + 31 * 16 + 4);
  compare.HexNew->Select(newEvents + 5 * 16 + 8, 1);
  EXPECT_EQ(compare.HexOld->Cursor(), oldEvents + 5 * 16 + 8);
  // A byte only NEW has faces a gap in OLD.
  compare.HexNew->Select(newEvents + 20 * 16 + 3, 1);
  EXPECT_TRUE(compare.LblOldPlace->text().contains(QStringLiteral("gap")));
  // Differing bytes are marked, equal ones not (a moved event is equal).
  EXPECT_TRUE(compare.Pair()->differences.Differs(Side::New, newEvents + 20 * 16, compare.HexOld->Bytes().data(),
                                                  compare.HexNew->Bytes().data()));
  EXPECT_FALSE(compare.Pair()->differences.Differs(Side::New, newEvents + 31 * 16, compare.HexOld->Bytes().data(),
                                                   compare.HexNew->Bytes().data()));

  // Open in File Map: NEW's own map at the cursor.
  compare.BtnNewInFileMap->click();
  const QList<TFrmFileMap*> maps = compare.findChildren<TFrmFileMap*>();
  ASSERT_EQ(maps.size(), 1);
  EXPECT_EQ(maps.front()->windowTitle(), QStringLiteral("File Map - new.kvs"));
  EXPECT_EQ(maps.front()->HexView->Cursor(), compare.HexNew->Cursor());

  // Scrolling one view keeps the other on the matched row.
  compare.HexNew->verticalScrollBar()->setValue(static_cast<int>((newEvents + 300 * 16) / 16));
  EXPECT_EQ(compare.HexNew->TopRow(), (newEvents + 300 * 16) / 16);
  EXPECT_EQ(compare.HexOld->TopRow(), (oldEvents + 299 * 16) / 16);
}

TEST_F(CompareWindowTest, F8AndShiftF8WalkTheListInOrderAndWrap) {
  TFrmCompare& compare = OpenSongs(EventSong(10), EventSong(10, 3, 128));
  const int count = Model(compare).rowCount();
  ASSERT_GE(count, 3);
  EXPECT_EQ(CurrentRow(compare), 0);
  EXPECT_EQ(compare.LblCount->text(), QStringLiteral("difference 1 of ") + QString::number(count));
  QApplication::setActiveWindow(&compare);
  for (int step = 1; step < count; ++step) {
    QTest::keyClick(&compare, Qt::Key_F8);
    EXPECT_EQ(CurrentRow(compare), step);
  }
  QTest::keyClick(&compare, Qt::Key_F8);
  EXPECT_EQ(CurrentRow(compare), 0);
  QTest::keyClick(&compare, Qt::Key_F8, Qt::ShiftModifier);
  EXPECT_EQ(CurrentRow(compare), count - 1);
  EXPECT_EQ(compare.LblCount->text(),
            QStringLiteral("difference ") + QString::number(count) + QStringLiteral(" of ") + QString::number(count));
}

TEST_F(CompareWindowTest, FiltersByChangeAndByKindAndCopiesRowsAsTabSeparatedText) {
  TFrmCompare& compare = OpenSongs(EventSong(10), EventSong(10, 3, 128));
  const int all = Model(compare).rowCount();
  compare.CbxChanges[static_cast<std::size_t>(content::ChangeKind::Changed)]->setChecked(false);
  ASSERT_EQ(Model(compare).rowCount(), 1);
  EXPECT_EQ(Cell(compare, 0, 0), QStringLiteral("added"));
  compare.CbxChanges[static_cast<std::size_t>(content::ChangeKind::Changed)]->setChecked(true);
  for (QCheckBox* const box : compare.CbxKinds) box->setChecked(false);
  EXPECT_EQ(Model(compare).rowCount(), 0);
  compare.CbxKinds[static_cast<std::size_t>(content::DiffKind::Field)]->setChecked(true);
  ASSERT_GE(Model(compare).rowCount(), 1);
  for (int row = 0; row < Model(compare).rowCount(); ++row) EXPECT_EQ(Cell(compare, row, 1), QStringLiteral("field"));
  for (QCheckBox* const box : compare.CbxKinds) box->setChecked(true);
  EXPECT_EQ(Model(compare).rowCount(), all);

  // Sorted by size, largest first, then copied.
  Model(compare).sort(TCompareListModel::ColSize, Qt::DescendingOrder);
  compare.LstDifferences->selectionModel()->select(Model(compare).index(0, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_EQ(SelectedRows(*compare.LstDifferences), std::vector<int>{0});
  ASSERT_NE(RowCopyOf(compare.LstDifferences), nullptr);
  RowCopyOf(compare.LstDifferences)->CopySelectedClick();
  QStringList row0;
  for (int column = 0; column < TCompareListModel::ColumnCount; ++column) row0 << Cell(compare, 0, column);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            (QStringLiteral("Change\tKind\tPath\tOld offset\tNew offset\tSize\tOld\tNew\n") + row0.join('\t'))
                .toStdString());
  EXPECT_EQ(Cell(compare, 0, TCompareListModel::ColSize), QStringLiteral("16"));
}

// Rows in the order of their texts in `column`, equal ones in file order.
void ExpectSortedByText(TCompareListModel& model, int column, bool descending) {
  for (int row = 1; row < model.rowCount(); ++row) {
    const int by = QString::compare(model.CellText(row - 1, column), model.CellText(row, column));
    if (by == 0) {
      EXPECT_LT(model.DifferenceAt(row - 1), model.DifferenceAt(row)) << "row " << row;
    } else {
      EXPECT_EQ(by > 0, descending) << "row " << row << ": " << model.CellText(row, column).toStdString();
    }
    if (::testing::Test::HasFailure()) return;
  }
}

TEST_F(CompareWindowTest, PathOldAndNewSortByTheirTextsALongListInTheBackground) {
  TFrmCompare& compare = OpenSongs(EventSong(40), EventSong(40, 20, 128));
  TCompareListModel& model = Model(compare);
  model.sort(TCompareListModel::ColPath, Qt::AscendingOrder);
  EXPECT_FALSE(model.Sorting());
  ExpectSortedByText(model, TCompareListModel::ColPath, false);
  model.sort(TCompareListModel::ColOld, Qt::DescendingOrder);
  ExpectSortedByText(model, TCompareListModel::ColOld, true);

  // 30,000 events of other data: a difference each, sorted off the GUI
  // thread; the current difference stays current, and a filter change
  // meanwhile stops the sort and starts it again on the rows it leaves.
  const auto unrelated = [](int shift) {
    std::vector<EventRecord> events;
    for (int i = 0; i < 30000; ++i) events.emplace_back(0, 0x1000, i * 10, i + shift);
    SongBuilder song;
    song.Version(0x6105).Events(events).EndOfSong();
    return song;
  };
  TFrmCompare& large = OpenSongs(unrelated(0), unrelated(7));
  TCompareListModel& list = Model(large);
  ASSERT_GT(list.rowCount(), static_cast<int>(TCompareListModel::SortedAtOnce));
  large.LstDifferences->setCurrentIndex(list.index(1234, 0));
  const std::size_t current = list.DifferenceAt(1234);
  // Its shown differences fill their tab a stretch at a time, up to 20,000 lines.
  QTRY_VERIFY_WITH_TIMEOUT(!large.ShownRunning(), 60000);
  QTRY_COMPARE_WITH_TIMEOUT(large.TxtShown->blockCount(), 20001, 20000);
  EXPECT_TRUE(large.TxtShown->document()->lastBlock().text().startsWith(QStringLiteral("... ")));

  large.LstDifferences->sortByColumn(TCompareListModel::ColPath, Qt::DescendingOrder);
  EXPECT_TRUE(list.Sorting());
  EXPECT_TRUE(large.LblCount->text().endsWith(QStringLiteral("(sorting...)")));
  QTRY_VERIFY_WITH_TIMEOUT(!list.Sorting(), 60000);
  EXPECT_FALSE(large.LblCount->text().contains(QStringLiteral("sorting")));
  ExpectSortedByText(list, TCompareListModel::ColPath, true);
  EXPECT_EQ(list.DifferenceAt(CurrentRow(large)), current);

  large.LstDifferences->sortByColumn(TCompareListModel::ColNew, Qt::AscendingOrder);
  EXPECT_TRUE(list.Sorting());
  large.CbxKinds[static_cast<std::size_t>(content::DiffKind::Header)]->setChecked(false);
  QTRY_VERIFY_WITH_TIMEOUT(!list.Sorting(), 60000);
  for (int row = 0; row < list.rowCount(); ++row) ASSERT_NE(Cell(large, row, 1), QStringLiteral("header"));
  ExpectSortedByText(list, TCompareListModel::ColNew, false);
  large.LstDifferences->sortByColumn(TCompareListModel::ColPath, Qt::DescendingOrder);
  QTRY_VERIFY_WITH_TIMEOUT(!list.Sorting(), 60000);
  EXPECT_EQ(Cell(large, 0, TCompareListModel::ColPath), QStringLiteral("EVTS/9999/Data"));
}

TEST_F(CompareWindowTest, NamesAndErrorsShowAsPlainTextAndTheWindowKeepsItsSongsAcrossALoad) {
  const QString oldPath = WriteSong(EventSong(5), QStringLiteral("<b>old[*].kvs"));
  // NEW is rejected: a version too old. It is compared all the same.
  SongBuilder old;
  old.Version(0x4000).Events({EventRecord(0, 0x1000, 0, 1)}).EndOfSong();
  const QString newPath = WriteSong(old, QStringLiteral("<i>old-version.kvs"));
  TFrmCompare& compare = Open(oldPath, newPath);
  EXPECT_EQ(compare.windowTitle(), QStringLiteral("Compare - <b>old[*][*].kvs -> <i>old-version.kvs"));
  for (QLabel* const label : compare.findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_TRUE(compare.LblOld->text().startsWith(QStringLiteral("OLD: <b>old[*].kvs (loaded")));
  EXPECT_TRUE(compare.LblNew->text().startsWith(QStringLiteral("NEW: <i>old-version.kvs (rejected, ")))
      << compare.LblNew->text().toStdString();
  EXPECT_TRUE(compare.LblNew->text().contains(QStringLiteral("too old"))) << compare.LblNew->text().toStdString();
  EXPECT_GT(Model(compare).rowCount(), 0);

  // The main window loads another song: the comparison still reads its own.
  const content::ComparedPair* const pair = compare.Pair();
  const std::uint8_t* const bytes = compare.HexOld->Bytes().data();
  PickAndLoad(WriteSong(EventSong(2), QStringLiteral("other.kvs")));
  EXPECT_EQ(compare.Pair(), pair);
  EXPECT_EQ(compare.HexOld->Bytes().data(), bytes);
  EXPECT_EQ(pair->oldSide.loader.use_count(), 1);
  EXPECT_EQ(Cell(compare, 0, 0).isEmpty(), false);
}

TEST_F(CompareWindowTest, SaveWritesKvsdumpsBytesOffTheGuiThreadAndCancelOrAFailedWriteLeavesNoFile) {
  const QString oldPath = WriteSong(EventSong(10), QStringLiteral("old.kvs"));
  const QString newPath = WriteSong(EventSong(10, 3, 128), QStringLiteral("new.kvs"));
  TFrmCompare& compare = Open(oldPath, newPath);
  const auto save = [&compare, this](const QString& path) {
    dialogs.saveAnswers = {path};
    compare.SaveClick();
    QTRY_VERIFY_WITH_TIMEOUT(!compare.Saving(), 20000);
  };
  // The bytes of the writers `kvsdump --compare` uses, on the same pair.
  const auto expected = [&](bool json) {
    const auto oldSong = LoadSong(oldPath);
    const auto newSong = LoadSong(newPath);
    const content::RegionMap oldMap = content::RegionMap::Of(*oldSong);
    const content::RegionMap newMap = content::RegionMap::Of(*newSong);
    content::SongComparison comparison(oldMap, newMap);
    const content::ComparedFile oldFile{oldPath.toStdString(), "loaded", oldMap.FileSize()};
    const content::ComparedFile newFile{newPath.toStdString(), "loaded", newMap.FileSize()};
    std::ostringstream out;
    if (json) {
      content::WriteCompareJson(out, comparison, 0, oldFile, newFile);
    } else {
      content::WriteCompareText(out, comparison, oldFile, newFile);
    }
    const std::string text = out.str();
    return Bytes(text.begin(), text.end());
  };
  const QString text = folder.filePath(QStringLiteral("pair.txt"));
  const QString json = folder.filePath(QStringLiteral("pair.jsonl"));
  save(text);
  save(json);
  ASSERT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(ReadFile(text), expected(false));
  EXPECT_EQ(ReadFile(json), expected(true));
  EXPECT_TRUE(compare.BtnSave->isEnabled());

  // A write that fails says so and leaves neither a partial file nor an
  // older one changed; a full device stays what it is.
  {
    const FileSizeLimit full(64);
    save(folder.filePath(QStringLiteral("full.txt")));
    save(text);
  }
  EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("full.txt"))));
  EXPECT_EQ(ReadFile(text), expected(false));
  if (QFileInfo(QStringLiteral("/dev/full")).exists()) {
    save(QStringLiteral("/dev/full"));
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
    EXPECT_EQ(dialogs.messages.size(), 3u);
  }
  for (const QString& message : dialogs.messages) EXPECT_EQ(message, QStringLiteral("Error while saving!"));
  EXPECT_GE(dialogs.messages.size(), 2u);

  // Cancel ends a long save at once and leaves no file; the window answers
  // meanwhile and says nothing went wrong.
  const auto unrelated = [](int shift) {
    std::vector<EventRecord> events;
    for (int i = 0; i < 30000; ++i) events.emplace_back(0, 0x1000, i * 10, i + shift);
    SongBuilder song;
    song.Version(0x6105).Events(events).EndOfSong();
    return song;
  };
  TFrmCompare& large = OpenSongs(unrelated(0), unrelated(7));
  ASSERT_GT(Model(large).rowCount(), 1000);
  dialogs.messages.clear();
  dialogs.saveAnswers = {folder.filePath(QStringLiteral("cancelled.txt"))};
  large.SaveClick();
  EXPECT_TRUE(large.Saving());
  EXPECT_TRUE(large.Progress->isVisible());
  EXPECT_FALSE(large.BtnSave->isEnabled());
  large.BtnCancel->click();
  QTRY_VERIFY_WITH_TIMEOUT(!large.Saving(), 20000);
  EXPECT_FALSE(large.Progress->isVisible());
  EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("cancelled.txt"))));
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(CoverageStripTest, ACursorThatMovesDoesNotCountTheFileAgainANewFileOrSizeDoes) {
  TestApplication();
  TCoverageStrip strip(nullptr);
  strip.resize(200, 18);
  int asked = 0;
  const auto mix = [&asked](std::uint64_t from, std::uint64_t to, std::vector<std::pair<QColor, std::uint64_t>>& parts) {
    ++asked;
    parts.emplace_back(QColor(Qt::red), to - from);
  };
  strip.SetFile(100000, mix);
  const QImage first = strip.grab().toImage();
  EXPECT_EQ(asked, 200);
  strip.SetCursor(50000);
  const QImage moved = strip.grab().toImage();
  EXPECT_EQ(asked, 200);
  EXPECT_NE(first, moved);  // the cursor is drawn where it is now
  strip.resize(100, 18);
  strip.grab();
  EXPECT_EQ(asked, 300);
  strip.SetFile(100000, mix);
  strip.grab();
  EXPECT_EQ(asked, 400);
}

TEST_F(CompareWindowTest, CtrlDAndTwoDroppedFilesOpenAComparison) {
  const QString oldPath = WriteSong(EventSong(5), QStringLiteral("a.kvs"));
  const QString newPath = WriteSong(EventSong(6), QStringLiteral("b.kvs"));
  PickAndLoad(oldPath);
  dialogs.openAnswers.push_back(newPath);
  QApplication::setActiveWindow(window.get());
  QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
  const QList<TFrmCompare*> windows = window->findChildren<TFrmCompare*>();
  ASSERT_EQ(windows.size(), 1);
  EXPECT_EQ(windows.front()->windowTitle(), QStringLiteral("Compare - a.kvs -> b.kvs"));
  WaitFor(*windows.front());

  // Compare with... in the File Map: the map's file is OLD.
  window->ShowFileMap();
  dialogs.openAnswers.push_back(newPath);
  window->FileMap()->BtnCompareWith->click();
  const QList<TFrmCompare*> after = window->findChildren<TFrmCompare*>();
  ASSERT_EQ(after.size(), 2);
  EXPECT_EQ(after.back()->windowTitle(), QStringLiteral("Compare - a.kvs -> b.kvs"));
  WaitFor(*after.back());
}

}  // namespace
}  // namespace tarvo::testing

#include "tests/gui/GuiTestSupport.h"

#include "TarvoVersion.h"
#include "ui/LoaderLog.h"
#include "ui/ReportList.h"
#include "content/pages/MainContent.h"
#include "songfile/KvsError.h"
#include "songfile/KvsLoader.h"
#include "songbuilder/SongBuilder.h"
#include "windows/Progress.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

// What a loader of its own writes for the file: the log the window must show.
std::vector<std::string> LoaderLog(const QString& path) {
  std::vector<std::string> lines;
  TKvsLoader loader([&lines](std::string_view line) { lines.emplace_back(line); });
  std::string errorText;
  loader.LoadFromFile(QFile::encodeName(path).toStdString(), errorText);
  return lines;
}

SongBuilder SongWithEvents(int count) {
  std::vector<EventRecord> events;
  for (int i = 0; i < count; ++i) events.emplace_back(0, 0x3000, i, i);
  SongBuilder song;
  song.Version(0x6105).Module(ModuleRecord(0x1000, "Piano").Data(Bytes{1, 2, 3})).Events(events).EndOfSong();
  return song;
}

TEST_F(MainWindowTest, StartsWithEmptyPagesAndTheDesignedWindow) {
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer");
  EXPECT_EQ(FrmMain, window.get());
  EXPECT_EQ(window->Loader(), nullptr);

  const QStringList captions = {"Global",       "Song Info", "Modules",      "Channels", "Audio Clips",
                                "SendFX Assign", "Song Events", "Playlist", "Window State", "Chunks",
                                "Loader Messages"};
  ASSERT_EQ(window->Pages->count(), captions.size());
  for (int i = 0; i < captions.size(); ++i) EXPECT_EQ(window->Pages->tabText(i), captions[i]);
  ASSERT_EQ(window->PagesGlobal->count(), 3);
  EXPECT_EQ(window->PagesGlobal->tabText(0), "Song Settings");
  EXPECT_EQ(window->PagesGlobal->tabText(1), "Playlist Settings");
  EXPECT_EQ(window->PagesGlobal->tabText(2), "Global Window State");
  EXPECT_EQ(window->Pages->currentIndex(), 0);
  EXPECT_EQ(window->PagesGlobal->currentIndex(), 0);

  EXPECT_FALSE(window->CbxSkipSongEventDisplay->isVisible());
  EXPECT_FALSE(window->CbxSkipSongEventDisplay->isChecked());
  EXPECT_EQ(Text("EdtAudioClipCount"), "0");

  // The lists carry their columns before anything is loaded.
  for (const content::Page& page : content::ClearedPages()) {
    for (const content::Control& control : page.controls) {
      if (const auto* table = std::get_if<content::Table>(&control.value)) {
        EXPECT_EQ(ReportModelOf(List(control.name.c_str()))->columnCount(), static_cast<int>(table->Columns().size()))
            << control.name;
      }
    }
  }
}

TEST_F(MainWindowTest, LoadShowsWhatTheContentFunctionsGiveAndNamesTheFile) {
  const QString path = WriteSong(EveryChunkSong());
  PickAndLoad(path);

  ASSERT_EQ(dialogs.openCalls.size(), 1u);
  EXPECT_EQ(dialogs.openCalls[0].title, "Open Kvs");
  EXPECT_EQ(dialogs.openCalls[0].filters, QStringList({"Tarvo Song File (*.kvs)", "All Files (*)"}));
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - demo.kvs");

  ASSERT_NE(window->Loader(), nullptr);
  for (const content::Page& page : content::FillAllPages(window->Loader())) ExpectShows(window->Pages, page);
  EXPECT_EQ(LogLines(), LoaderLog(path));
  EXPECT_EQ(window->LoaderMessages->model()->rowCount(), static_cast<int>(LogLines().size()));
  EXPECT_GT(RowCount("LstModules"), 0);
}

TEST_F(MainWindowTest, CancellingTheOpenDialogChangesNothing) {
  PickAndLoad(WriteSong(EveryChunkSong()));
  const content::Song loader = window->Loader();
  const auto modules = Rows(List("LstModules"));
  const auto log = LogLines();

  window->BtnLoadKvsClick();  // nothing queued: the dialog is cancelled

  EXPECT_EQ(dialogs.openCalls.size(), 2u);
  EXPECT_EQ(window->Loader(), loader);
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - demo.kvs");
  EXPECT_EQ(Rows(List("LstModules")), modules);
  EXPECT_EQ(LogLines(), log);
}

TEST_F(MainWindowTest, LoadingTheSameFileTwiceShowsTheSameAndOnlyTheSecondLog) {
  const QString path = WriteSong(EveryChunkSong());
  PickAndLoad(path);
  const auto modules = Rows(List("LstModules"));
  const auto chunks = Rows(List("LstChunks"));
  const auto log = LogLines();

  PickAndLoad(path);

  EXPECT_EQ(Rows(List("LstModules")), modules);
  EXPECT_EQ(Rows(List("LstChunks")), chunks);
  EXPECT_EQ(LogLines(), log);
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - demo.kvs");
}

TEST_F(MainWindowTest, RejectedVersionShowsTheErrorTextAndKeepsOnlyTheLog) {
  PickAndLoad(WriteSong(SongWithEvents(3001)));
  ASSERT_EQ(window->CbxSongEventDataSet->count(), 2);

  SongBuilder old;
  old.Version(0x60FF).EndOfSong();
  const QString path = WriteSong(old, "old.kvs");
  PickAndLoad(path);

  EXPECT_EQ(dialogs.messages, std::vector<QString>{"File version 60FF too old!"});
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer");
  for (const content::Page& page : content::ClearedPages()) ExpectShows(window->Pages, page);
  EXPECT_EQ(Text("EdtAudioClipCount"), "");
  EXPECT_FALSE(LogLines().empty());
  EXPECT_EQ(LogLines(), LoaderLog(path));
  // Clearing leaves the data-set choice; only a successful fill replaces it.
  EXPECT_EQ(window->CbxSongEventDataSet->count(), 2);
}

TEST_F(MainWindowTest, MissingFileReachesTheErrorHandlerAndKeepsTheCaption) {
  PickAndLoad(WriteSong(EveryChunkSong()));
  const QString missing = folder.filePath("missing.kvs");
  dialogs.openAnswers.push_back(missing);

  // Through the application object, as a click by the user goes.
  QTest::mouseClick(window->BtnLoadKvs, Qt::LeftButton);

  EXPECT_EQ(dialogs.errors, std::vector<QString>{"Cannot open file " + missing + "."});
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(window->windowTitle(), "Tarvo Analyzer - demo.kvs");
  for (const content::Page& page : content::ClearedPages()) ExpectShows(window->Pages, page);
  // A new loader, which read nothing.
  ASSERT_NE(window->Loader(), nullptr);
  EXPECT_TRUE(window->Loader()->Modules().empty());
  EXPECT_FALSE(window->IsBusy());
  EXPECT_TRUE(window->BtnLoadKvs->isEnabled());
  EXPECT_TRUE(window->Pages->isEnabled());
}

TEST_F(MainWindowTest, FillStepsTheProgressOncePerGroupWithTheWindowBlocked) {
  struct Seen {
    bool progressShown;
    int position;
    int maximum;
    bool busy;
    bool controlsEnabled;
    bool closed;
  };
  std::vector<Seen> seen;
  // Every group but the last moves the bar on; the last finds it full.
  const QObject watch;
  QObject::connect(window->Progress->Bar, &QProgressBar::valueChanged, &watch, [&](int) {
    seen.push_back({window->Progress->isVisible(), window->Progress->Bar->value(), window->Progress->Bar->maximum(),
                    window->IsBusy(), window->Pages->isEnabled() || window->BtnLoadKvs->isEnabled(),
                    window->close()});
  });
  PickAndLoad(WriteSong(EveryChunkSong()));

  ASSERT_EQ(seen.size(), 9u);
  for (int group = 0; group < 9; ++group) {
    EXPECT_TRUE(seen[group].progressShown);
    EXPECT_EQ(seen[group].position, group + 1);
    EXPECT_EQ(seen[group].maximum, 9);
    EXPECT_TRUE(seen[group].busy);
    EXPECT_FALSE(seen[group].controlsEnabled);
    EXPECT_FALSE(seen[group].closed) << "the window closed while filling";
  }
  EXPECT_EQ(window->Progress->LblCaption->text(), "Loading data...");
  EXPECT_EQ(window->Progress->Bar->value(), 9);
  EXPECT_FALSE(window->Progress->isVisible());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Pages->isEnabled());
}

TEST_F(MainWindowTest, FailingFillGroupReenablesTheWindowAndHidesTheProgress) {
  // Fails once the third group has been filled.
  const QObject watch;
  QObject::connect(window->Progress->Bar, &QProgressBar::valueChanged, &watch, [](int position) {
    if (position == 3) throw std::runtime_error("group failed");
  });
  dialogs.openAnswers.push_back(WriteSong(EveryChunkSong()));
  EXPECT_THROW(window->BtnLoadKvsClick(), std::runtime_error);

  EXPECT_FALSE(window->Progress->isVisible());
  EXPECT_FALSE(window->IsBusy());
  EXPECT_TRUE(window->BtnLoadKvs->isEnabled());
  EXPECT_TRUE(window->Pages->isEnabled());
  // Groups 1 to 3 were filled, the rest stay empty.
  EXPECT_EQ(Text("EdtFileVersion"), "6105");
  EXPECT_GT(RowCount("LstModules"), 0);
  EXPECT_EQ(Text("EdtChannelCount"), "");
  EXPECT_EQ(RowCount("LstChannels"), 0);
  EXPECT_EQ(RowCount("LstChunks"), 0);

  // The same error through the application object shows in the error box.
  dialogs.openAnswers.push_back(folder.filePath("demo.kvs"));
  QTest::mouseClick(window->BtnLoadKvs, Qt::LeftButton);
  EXPECT_EQ(dialogs.errors, std::vector<QString>{"group failed."});
  EXPECT_FALSE(window->Progress->isVisible());
  EXPECT_TRUE(window->Pages->isEnabled());
}

// The load disables the window's controls; afterwards each is as it was,
// and the list that had the focus has it again.
TEST_F(MainWindowTest, LoadKeepsTheFocusAndControlsDisabledOnPurpose) {
  const QString path = WriteSong(EveryChunkSong());
  QApplication::setActiveWindow(window.get());
  window->Pages->setCurrentIndex(2);
  ASSERT_TRUE(window->LstModules->isVisible());
  window->LstModules->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), window->LstModules);
  window->BtnAbout->setEnabled(false);
  PickAndLoad(path);
  // The progress dialog took the activation; a desktop gives it back.
  QApplication::setActiveWindow(window.get());
  EXPECT_EQ(QApplication::focusWidget(), window->LstModules);
  EXPECT_FALSE(window->BtnAbout->isEnabled());
  EXPECT_TRUE(window->BtnLoadKvs->isEnabled());
  EXPECT_TRUE(window->Pages->isEnabled());
}

TEST_F(MainWindowTest, LoadLeavesTheActivePageShowing) {
  window->Pages->setCurrentIndex(6);
  window->PagesGlobal->setCurrentIndex(2);
  PickAndLoad(WriteSong(EveryChunkSong()));
  EXPECT_EQ(window->Pages->currentIndex(), 6);
  EXPECT_EQ(window->PagesGlobal->currentIndex(), 2);
}

TEST_F(MainWindowTest, LogShowsWhileTheLoaderWritesAndTheWindowTakesNoInput) {
  SongBuilder big;
  big.Version(0x6105)
      .Module(ModuleRecord(0x1000, "Big").DataFill(3 * TKvsLoader::PendingEventsBudget, 0x11))
      .EndOfSong();
  const QString path = WriteSong(big);

  struct Turn {
    int shownRows;
    std::size_t writtenLines;
    bool busy;
    bool enabled;
    bool closed;
  };
  // Every turn the load gives to pending events, also those before the
  // first line (while the file is read).
  std::vector<Turn> turns;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, window.get(), [&] {
    turns.push_back({window->LoaderMessages->model()->rowCount(), LogLines().size(), window->IsBusy(),
                     window->BtnLoadKvs->isEnabled(), window->close()});
  });
  probe.start();
  PickAndLoad(path);
  probe.stop();

  ASSERT_FALSE(turns.empty()) << "no pending events were handled during the load";
  EXPECT_GT(turns.back().writtenLines, 0u);
  for (const Turn& turn : turns) {
    EXPECT_TRUE(turn.busy);
    EXPECT_EQ(turn.shownRows, static_cast<int>(turn.writtenLines));
    EXPECT_FALSE(turn.enabled);
    EXPECT_FALSE(turn.closed);
  }
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, AboutBoxShowsTheVersionThenAnEmptyLineThenCredits) {
  window->BtnAboutClick();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const QStringList lines = dialogs.messages[0].split('\n');
  ASSERT_GE(lines.size(), 3);
  EXPECT_EQ(lines[0], QStringLiteral("Tarvo Analyzer ") + QLatin1String(tarvo::ProgramVersion));
  EXPECT_EQ(lines[1], "");
  EXPECT_FALSE(lines[2].isEmpty());
}

TEST_F(MainWindowTest, ClearEmptiesOnlyTheLog) {
  PickAndLoad(WriteSong(EveryChunkSong()));
  const auto modules = Rows(List("LstModules"));
  window->BtnClearLoaderMessagesClick();
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(window->LoaderMessages->model()->rowCount(), 0);
  EXPECT_EQ(Rows(List("LstModules")), modules);
}

TEST_F(MainWindowTest, SongEventDataSetChoiceShowsThatSet) {
  PickAndLoad(WriteSong(SongWithEvents(3001)));
  QComboBox* const choice = window->CbxSongEventDataSet;
  ASSERT_EQ(choice->count(), 2);
  EXPECT_EQ(choice->itemText(0), "0-2999");
  EXPECT_EQ(choice->itemText(1), "3000-3000");
  EXPECT_EQ(choice->currentIndex(), 0);
  EXPECT_EQ(RowCount("LstSongEvents"), 3000);

  choice->setCurrentIndex(1);
  emit choice->activated(1);  // the user's pick
  ASSERT_EQ(RowCount("LstSongEvents"), 1);
  EXPECT_EQ(Cell("LstSongEvents", 0, 0), "3000");
  ExpectShows(window->Pages, [&] {
    content::Page page;
    page.Add("LstSongEvents", content::SongEventList(window->Loader(), 3000));
    return page;
  }());

  emit choice->activated(0);
  EXPECT_EQ(RowCount("LstSongEvents"), 3000);
}

TEST_F(MainWindowTest, ViewerButtonsDoNothingWithoutASelection) {
  window->BtnViewModuleClick();
  window->LstModulesDblClick();
  window->LstChunksDblClick();
  PickAndLoad(WriteSong(EveryChunkSong()));
  window->BtnViewModuleClick();
  window->LstModulesDblClick();
  window->LstChunksDblClick();
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialogs.execCount, 0);
}

TEST_F(MainWindowTest, RowsPastTheSongAreRefused) {
  PickAndLoad(WriteSong(EveryChunkSong()));
  const std::size_t modules = window->Loader()->Modules().size();
  const std::size_t chunks = window->Loader()->Chunks().size();
  // A list one row longer than the song: the refusal texts, no viewer.
  SetReportTable(List("LstModules"), content::FixedTable({{"#", 32}}, std::vector<std::vector<std::string>>(modules + 1)));
  SetReportTable(List("LstChunks"), content::FixedTable({{"#", -1}}, std::vector<std::vector<std::string>>(chunks + 1)));
  List("LstModules")->selectRow(static_cast<int>(modules));
  List("LstChunks")->selectRow(static_cast<int>(chunks));

  window->BtnViewModuleClick();
  window->LstChunksDblClick();

  EXPECT_EQ(dialogs.messages, (std::vector<QString>{"Invalid module.", "Invalid chuck."}));
  EXPECT_EQ(dialogs.execCount, 0);
}

TEST_F(MainWindowTest, ModuleWithoutDataChunkHasNoChunkToView) {
  SongBuilder song;
  song.Version(0x6105)
      .Module(ModuleRecord(0x1000, "Good").Data(Bytes{'g'}))
      .Module(ModuleRecord(0x1100, "Lost").Data(Bytes{'n', 'o'}).EndMarker(false));
  PickAndLoad(WriteSong(song));
  ASSERT_EQ(window->Loader()->Modules().size(), 2u);
  ASSERT_EQ(window->Loader()->Modules()[1]->ChunkIndex(), -1);

  List("LstModules")->selectRow(1);
  window->BtnViewModuleChunk->click();
  EXPECT_EQ(dialogs.messages, std::vector<QString>{"No chuck available."});
  EXPECT_EQ(dialogs.execCount, 0);
}

}  // namespace
}  // namespace tarvo::testing

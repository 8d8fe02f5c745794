#include "tests/gui/GuiTestSupport.h"

#include "app/CommandLine.h"
#include "songbuilder/SongBuilder.h"
#include "ui/RecentSongs.h"
#include "ui/RecentSongsMenu.h"
#include "ui/Settings.h"
#include "ui/WindowLayout.h"
#include "windows/FileMap.h"
#include "windows/FileMapLayout.h"

#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyleOptionMenuItem>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <variant>

namespace tarvo::testing {
namespace {

SongBuilder SmallSong() {
  SongBuilder song;
  song.Version(0x6105).Chunk(0x41525458 /* XTRA */, "tail!").EndOfSong();
  return song;
}

void WriteText(const QString& path, const QByteArray& text) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList MenuPaths(TFrmMain& window) {
  window.FillRecentSongs();
  QStringList paths;
  for (const QAction* const action : window.MnuRecentSongs->actions()) paths.append(TRecentSongsMenu::PathOf(action));
  return paths;
}

class SettingsTest : public MainWindowTest {
 protected:
  // As the program ends and starts again.
  void Restart() {
    window->close();
    window = std::make_unique<TFrmMain>();
    window->show();
  }

  TemporarySettings settings;
};

TEST_F(SettingsTest, RecentSongsAreKeptInOrderOnceEachAndTenAtMostAcrossAStart) {
  QStringList paths;
  for (int i = 0; i < 12; ++i) paths.append(WriteSong(SmallSong(), QStringLiteral("song%1.kvs").arg(i)));
  for (const QString& path : paths) PickAndLoad(path);
  PickAndLoad(paths[5]);
  // A name that is no file is no recent song.
  dialogs.openAnswers.push_back(folder.filePath(QStringLiteral("missing.kvs")));
  Guarded(window.get(), &TFrmMain::BtnLoadKvsClick)();
  Restart();

  const QStringList expected = {paths[5], paths[11], paths[10], paths[9], paths[8],
                                paths[7], paths[6],  paths[4],  paths[3], paths[2]};
  EXPECT_EQ(MenuPaths(*window), expected);
  PickAndLoad(paths[0]);
  Restart();
  EXPECT_EQ(MenuPaths(*window).mid(0, 3), (QStringList{paths[0], paths[5], paths[11]}));
  EXPECT_EQ(MenuPaths(*window).size(), MaxRecentSongs);
}

TEST_F(SettingsTest, ARemovedSongIsGreyedAndDroppedWhenChosenAndTheSongShownStays) {
  // A name with markup, an ampersand and a control character is shown as it is.
  const QString odd = WriteSong(SmallSong(), QStringLiteral("<b>a&b\x01.kvs"));
  const QString gone = WriteSong(SmallSong(), QStringLiteral("gone.kvs"));
  PickAndLoad(gone);
  PickAndLoad(odd);
  ASSERT_TRUE(QFile::remove(gone));
  const QString caption = window->windowTitle();

  window->FillRecentSongs();
  const QList<QAction*> actions = window->MnuRecentSongs->actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_EQ(actions[0]->text(), folder.path() + QStringLiteral("/<b>a&&b\\x01.kvs"));
  EXPECT_FALSE(TRecentSongsMenu::IsMissing(actions[0]));
  EXPECT_TRUE(TRecentSongsMenu::IsMissing(actions[1]));
  EXPECT_TRUE(actions[1]->isEnabled());
  QStyleOptionMenuItem present;
  QStyleOptionMenuItem missing;
  window->MnuRecentSongs->initStyleOption(&present, actions[0]);
  window->MnuRecentSongs->initStyleOption(&missing, actions[1]);
  const QColor grey = missing.palette.color(QPalette::Disabled, QPalette::Text);
  EXPECT_EQ(missing.palette.color(QPalette::Active, QPalette::Text), grey);
  EXPECT_NE(present.palette.color(QPalette::Active, QPalette::Text), grey);

  actions[1]->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(dialogs.errors, std::vector<QString>{"Cannot open file " + gone + "."});
  EXPECT_EQ(RecentSongs(), QStringList{odd});
  EXPECT_EQ(window->windowTitle(), caption);
}

TEST_F(SettingsTest, AHostileSettingsFileIsIgnoredItemByItem) {
  const QString song = WriteSong(SmallSong());
  WriteText(settings.File(),
            "[General]\n"
            "RecentSongs=relative.kvs, " + song.toUtf8() + ", @Rect(1 2 3 4), " + song.toUtf8() + "\n"
            "[Folders]\n"
            "Open=@Rect(1 2 3 4)\n"
            "Save=/no/such/folder\n"
            "[MainWindow]\n"
            "Geometry=-999999, 999999, 784, 448\n"
            "[FileMap]\n"
            "Geometry=5, 5, 999999, 999999\n"
            "Maximized=perhaps\n"
            "Splitters\\SplFileMap=100, 200\n"
            "FindHistory=Hex:4B 56, Bogus:1, Text:, Text:KVS, Hex:4B 56\n"
            "[Trunca");
  Restart();
  window->ShowFileMap();
  TFrmFileMap& map = *window->FileMap();

  EXPECT_EQ(RecentSongs(), QStringList{song});
  EXPECT_EQ(OpenFolder(), QString());
  EXPECT_EQ(SaveFolder(), QString());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(window->geometry())) << window->x() << "," << window->y();
  // The map is wider at least than the test screen: its corner is on it.
  EXPECT_TRUE(screen.contains(map.geometry().topLeft()));
  EXPECT_LE(map.width(), std::max(screen.width(), map.minimumWidth()));
  EXPECT_LE(map.height(), std::max(screen.height(), map.minimumHeight()));
  EXPECT_FALSE(map.isMaximized());
  const std::vector<FindPattern> history = FindHistory();
  EXPECT_EQ(history, (std::vector<FindPattern>{{0, "4B 56"}, {1, "KVS"}}));

  // A FIFO or an oversized file where the settings lie is neither read (that
  // could block) nor replaced.
  ASSERT_TRUE(QFile::remove(settings.File()));
  ASSERT_EQ(::mkfifo(QFile::encodeName(settings.File()).constData(), 0600), 0);
  EXPECT_EQ(SettingsFilePath(), QString());
  EXPECT_EQ(RecentSongs(), QStringList());
  ASSERT_TRUE(QFile::remove(settings.File()));
  WriteText(settings.File(), QByteArray(MaxSettingsFileSize + 1, '\n'));
  PickAndLoad(song);
  EXPECT_EQ(QFileInfo(settings.File()).size(), MaxSettingsFileSize + 1);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(SettingsTest, AnUnwritableSettingsPlaceSavesNothingAndSaysNothing) {
  // Root may write anywhere; a file where the folder should be stops anyone.
  const QString blocker = settings.Folder() + QStringLiteral("/blocker");
  WriteText(blocker, "not a folder");
  UseSettingsFolder(blocker);
  PickAndLoad(WriteSong(SmallSong()));
  window->ShowFileMap();
  window->FileMap()->close();
  Restart();
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(FolderEntries(settings.Folder()), QStringList{"blocker"});
  EXPECT_EQ(ReadAll(blocker), "not a folder");
}

TEST_F(SettingsTest, OpenDialogsStartWhereTheLastSongCameFromSaveDialogsWhereTheLastSaveWent) {
  ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("songs")));
  ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("logs")));
  PickAndLoad(WriteSong(SmallSong(), QStringLiteral("songs/one.kvs")));
  SetDialogs(nullptr);
  // Answers the real file dialog that opens next: saves as `save`, or cancels.
  QString shownFolder;
  const auto answer = [this, &shownFolder](const QString& save) {
    QTimer::singleShot(0, window.get(), [&shownFolder, save] {
      auto* const dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      shownFolder = dialog->directory().absolutePath();
      if (save.isEmpty()) return dialog->reject();
      dialog->selectFile(save);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it; it is virtual
    });
  };

  answer(QString());
  window->BtnLoadKvsClick();
  EXPECT_EQ(shownFolder, folder.filePath(QStringLiteral("songs")));
  answer(folder.filePath(QStringLiteral("logs/load.txt")));
  window->BtnSaveLoaderMessagesClick();
  EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral("logs/load.txt"))));
  Restart();
  answer(QString());
  window->BtnSaveLoaderMessagesClick();
  EXPECT_EQ(shownFolder, folder.filePath(QStringLiteral("logs")));
  SetDialogs(&dialogs);
}

TEST_F(SettingsTest, TheWindowsComeBackWhereTheyWereAndTheFileMapWithItsPanesAndFinds) {
  window->setGeometry(QRect(QPoint(10, 20), window->size()));
  PickAndLoad(WriteSong(SmallSong()));
  window->ShowFileMap();
  TFrmFileMap* map = window->FileMap();
  // As wide as the test screen lets it be.
  map->setGeometry(0, 30, 700, 500);
  const QRect place = map->geometry();
  auto* splitter = map->findChild<QSplitter*>(QStringLiteral("SplFileMap"));
  splitter->setSizes({150, 400, 130});
  const QList<int> sizes = splitter->sizes();
  ASSERT_NE(sizes, (QList<int>{480, 560, 240}));
  map->CbxFindMode->setCurrentIndex(1);
  map->EdtFind->setText(QStringLiteral("tail"));
  map->FindNext();
  map->CbxFindMode->setCurrentIndex(0);
  map->EdtFind->setText(QStringLiteral("4B 56"));
  map->FindNext();
  map->close();
  Restart();

  EXPECT_EQ(window->geometry().topLeft(), QPoint(10, 20));
  window->ShowFileMap();
  map = window->FileMap();
  splitter = map->findChild<QSplitter*>(QStringLiteral("SplFileMap"));
  EXPECT_EQ(map->geometry(), place);
  EXPECT_EQ(splitter->sizes(), sizes);
  QCompleter* const completer = map->EdtFind->completer();
  ASSERT_NE(completer, nullptr);
  ASSERT_EQ(completer->model()->rowCount(), 2);
  EXPECT_EQ(completer->model()->index(0, 0).data(Qt::UserRole).toString(), "4B 56");
  const QModelIndex text = completer->model()->index(1, 0);
  EXPECT_EQ(text.data(Qt::UserRole).toString(), "tail");
  emit completer->activated(text);
  EXPECT_EQ(map->CbxFindMode->currentIndex(), 1);
}

TEST_F(SettingsTest, NoSettingsReadsNothingAndWritesNothing) {
  const QString song = WriteSong(SmallSong());
  WriteText(settings.File(), "[General]\nRecentSongs=" + song.toUtf8() + "\n");
  const std::variant<StartOptions, int> parsed =
      ParseCommandLine({QStringLiteral("tarvo-analyzer"), QStringLiteral("--no-settings")});
  ASSERT_TRUE(std::holds_alternative<StartOptions>(parsed));
  ASSERT_TRUE(std::get<StartOptions>(parsed).noSettings);
  TurnSettingsOff();

  Restart();
  EXPECT_EQ(MenuPaths(*window), QStringList{QString()});
  PickAndLoad(song);
  window->ShowFileMap();
  window->FileMap()->EdtFind->setText(QStringLiteral("4B"));
  window->FileMap()->FindNext();
  window->close();
  EXPECT_EQ(FolderEntries(settings.Folder()), QStringList{"tarvo-analyzer"});
  EXPECT_EQ(FolderEntries(settings.Folder() + QStringLiteral("/tarvo-analyzer")), QStringList{"tarvo-analyzer.conf"});
  EXPECT_EQ(ReadAll(settings.File()), "[General]\nRecentSongs=" + song.toUtf8() + "\n");
}

TEST(WindowPlaceTest, KeepsAWindowOnTheScreensThereAre) {
  const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  // Left where it was when it fits.
  EXPECT_EQ(ClampToScreens(QRect(100, 50, 800, 600), screens), QRect(100, 50, 800, 600));
  // On the screen it overlaps most, moved in.
  EXPECT_EQ(ClampToScreens(QRect(3000, 900, 400, 300), screens), QRect(2800, 724, 400, 300));
  // Off every screen: onto the first; larger than it: shrunk.
  EXPECT_EQ(ClampToScreens(QRect(-90000, -90000, 400, 300), screens), QRect(0, 0, 400, 300));
  EXPECT_EQ(ClampToScreens(QRect(10, 10, 999999, 999999), screens), QRect(0, 0, 1920, 1080));
  EXPECT_EQ(ClampToScreens(QRect(10, 10, 0, 300), screens), std::nullopt);
  EXPECT_EQ(ClampToScreens(QRect(10, 10, 400, 300), {}), std::nullopt);
}

}  // namespace
}  // namespace tarvo::testing

#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "content/Song.h"

class QCheckBox;
class QComboBox;
class QDropEvent;
class QHBoxLayout;
class QListView;
class QModelIndex;
class QPushButton;
class QTabWidget;
class QTableView;

namespace tarvo {

class TFrmCompare;
class TFrmFileMap;
class TFrmProgress;
class TRecentSongsMenu;
namespace content {
class Page;
}

// The main window: eleven read-only pages that show what the song loader made
// of one song file. It holds the current loader from the first load attempt
// on, sharing it with the pages' lists and the viewers; every attempt
// replaces it. A file dropped anywhere on the window is
// loaded as if picked in the open dialog.
class TFrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit TFrmMain(QWidget* parent = nullptr);
  ~TFrmMain() override;

  // The load flow after the open dialog, also for a file named at start.
  // An error the loader raises leaves here for the application's error
  // handler; the pages stay empty and the caption as it was. Does nothing
  // while a load runs or a modal window (a viewer of the current song) is
  // open.
  void LoadFile(const QString& path);
  void ClearAllViews();

  // The current loader; null before the first load attempt.
  content::Song Loader() const { return loader_; }
  // True while a load or a fill runs: no second load, no closing.
  bool IsBusy() const { return busy_; }

  // Opens the File Map of the current file (also after a rejected or failed
  // load), at `offset` when given. One map window per main window; it
  // follows each new load while it is open.
  void ShowFileMap(std::optional<std::uint64_t> offset = std::nullopt);
  TFrmFileMap* FileMap() const { return fileMap_; }

  // Handlers.
  void BtnLoadKvsClick();
  void BtnAboutClick();
  void BtnViewModuleClick();
  void LstModulesDblClick();
  void LstChunksDblClick();
  void CbxSongEventDataSetChange(int index);
  void BtnClearLoaderMessagesClick();
  void BtnSaveLoaderMessagesClick();
  void BtnFileMapClick();
  void LoaderMessagesDblClick(const QModelIndex& index);
  void ShowChunkInFileMapClick();
  void ShowModuleInFileMapClick();
  // The recent songs beside Load Kvs... (RecentSongLinks.cpp): Ctrl+Shift+O
  // opens the menu, which is filled afresh each time it opens. A song that
  // is no longer there is dropped from it with the loader's own message,
  // and the song shown stays.
  void BtnRecentSongsClick();
  void FillRecentSongs();
  void RecentSongClick(const QString& path);
  void BtnCompareClick();

  // A Compare window of its own for the two files (CompareLinks.cpp).
  void OpenCompare(const QString& oldPath, const QString& newPath);

  QPushButton* BtnLoadKvs;
  QPushButton* BtnRecentSongs;
  TRecentSongsMenu* MnuRecentSongs;
  QPushButton* BtnFileMap;
  QPushButton* BtnCompare;
  QCheckBox* CbxSkipSongEventDisplay;
  QPushButton* BtnAbout;
  QTabWidget* Pages;
  QTabWidget* PagesGlobal;
  QPushButton* BtnViewModule;
  QPushButton* BtnViewModuleChunk;
  QTableView* LstModules;
  QComboBox* CbxSongEventDataSet;
  QTableView* LstSongEvents;
  QTableView* LstChunks;
  QPushButton* BtnViewChunk;
  QListView* LoaderMessages;
  QPushButton* BtnClearLoaderMessages;
  QPushButton* BtnSaveLoaderMessages;
  // Shows the fill's progress; owned by the window, hidden until a fill.
  TFrmProgress* Progress;

 protected:
  // QWidget
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  // QObject
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class BusyScope;

  QWidget* MakeGlobalPage();
  QWidget* MakeSongSettingsPage();
  QWidget* MakePlaylistSettingsPage();
  QWidget* MakeGlobalWindowStatePage();
  QWidget* MakeSongInfoPage();
  QWidget* MakeModulesPage();
  QWidget* MakeChannelsPage();
  QWidget* MakeAudioClipsPage();
  QWidget* MakeSendFxAssignPage();
  QWidget* MakeSongEventsPage();
  QWidget* MakePlaylistPage();
  QWidget* MakeWindowStatePage();
  QWidget* MakeChunksPage();
  QWidget* MakeLoaderMessagesPage();

  // Puts a page's content into the pages; never changes the active page.
  void ApplyMainPage(const content::Page& page);
  // The pages from the current loader, a group at a time.
  void FillAllViews();
  void FillGroup(int group);
  void ShowChunkViewer(std::size_t chunkIndex);
  void ShowMessage(const char* text);
  // The File Map's button, keys and menu entries (FileMapLinks.cpp).
  void MakeFileMapLinks(QHBoxLayout* top);
  void MakeRecentSongLinks(QHBoxLayout* top);
  // The map lets go of the loader before it goes, and shows the new one after.
  void FileMapLetGo();
  void FileMapFollowLoad() noexcept;
  void MakeCompareLinks(QHBoxLayout* top);
  // The files a drag brings if the window can take them now: one to load,
  // or two to compare.
  std::optional<QStringList> DroppableFiles(const QDropEvent& event) const;

  std::shared_ptr<TKvsLoader> loader_;
  bool busy_ = false;
  TFrmFileMap* fileMap_ = nullptr;
  QString loadedPath_;  // of the last load attempt
};

extern TFrmMain* FrmMain;

}  // namespace tarvo

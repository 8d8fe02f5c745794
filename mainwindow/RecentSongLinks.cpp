// The main window's way back to the songs opened before: a drop-down beside
// Load Kvs... and Ctrl+Shift+O.
#include "mainwindow/Main.h"

#include "songfile/KvsError.h"
#include "ui/Application.h"
#include "ui/RecentSongs.h"
#include "ui/RecentSongsMenu.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

#include <string>

namespace tarvo {

void TFrmMain::MakeRecentSongLinks(QHBoxLayout* top) {
  // A button with a menu: a click opens it, and the style adds the arrow.
  BtnRecentSongs = new QPushButton(QStringLiteral("Recent"), this);
  BtnRecentSongs->setObjectName(QStringLiteral("BtnRecentSongs"));
  BtnRecentSongs->setToolTip(QStringLiteral("Recent songs (Ctrl+Shift+O)"));
  MnuRecentSongs = new TRecentSongsMenu(BtnRecentSongs);
  BtnRecentSongs->setMenu(MnuRecentSongs);
  top->insertWidget(top->indexOf(BtnLoadKvs) + 1, BtnRecentSongs);
  // Filled as it opens: another running copy of the program may have opened a song.
  connect(MnuRecentSongs, &QMenu::aboutToShow, this, Guarded(this, &TFrmMain::FillRecentSongs));
  connect(MnuRecentSongs, &TRecentSongsMenu::SongChosen, this, [this](const QString& path) {
    // Loaded once the menu has gone, as a dropped file is.
    QMetaObject::invokeMethod(
        this, [this, path] { Guarded(this, &TFrmMain::RecentSongClick)(path); }, Qt::QueuedConnection);
  });
  auto* const key = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this);
  key->setObjectName(QStringLiteral("KeyRecentSongs"));
  connect(key, &QShortcut::activated, this, Guarded(this, &TFrmMain::BtnRecentSongsClick));
}

void TFrmMain::BtnRecentSongsClick() {
  if (busy_ || !BtnRecentSongs->isEnabled()) return;
  BtnRecentSongs->showMenu();
}

void TFrmMain::FillRecentSongs() { MnuRecentSongs->Fill(RecentSongs()); }

void TFrmMain::RecentSongClick(const QString& path) {
  if (busy_ || QApplication::activeModalWidget() != nullptr) return;
  if (!QFileInfo::exists(path)) {
    // A load would say the same, but would also take away the song shown.
    ForgetRecentSong(path);
    TApplication::ShowException(KvsError("Cannot open file " + QFile::encodeName(path).toStdString()));
    return;
  }
  LoadFile(path);
}

}  // namespace tarvo

// The main window's ways into the File Map: a button and Ctrl+M, a
// double-click on a log line that begins with an offset, and "Show in File
// Map" on the Chunks and Modules lists.
#include "mainwindow/Main.h"

#include "content/map/OffsetText.h"
#include "songfile/KvsLoader.h"
#include "ui/Application.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"
#include "windows/FileMap.h"
#include "windows/FileMapLayout.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include <exception>

namespace tarvo {

void TFrmMain::MakeFileMapLinks(QHBoxLayout* top) {
  BtnFileMap = new QPushButton(QStringLiteral("File Map..."), this);
  BtnFileMap->setObjectName(QStringLiteral("BtnFileMap"));
  BtnFileMap->setMinimumWidth(75);
  BtnFileMap->setToolTip(QStringLiteral("Ctrl+M"));
  top->insertWidget(1, BtnFileMap);
  connect(BtnFileMap, &QPushButton::clicked, this, Guarded(this, &TFrmMain::BtnFileMapClick));
  auto* const key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this);
  key->setObjectName(QStringLiteral("KeyFileMap"));
  connect(key, &QShortcut::activated, this, Guarded(this, &TFrmMain::BtnFileMapClick));
  connect(LoaderMessages, &QListView::doubleClicked, this, Guarded(this, &TFrmMain::LoaderMessagesDblClick));

  auto* const showChunk = new QAction(QStringLiteral("Show in File Map"), LstChunks);
  showChunk->setObjectName(QStringLiteral("ActShowChunkInFileMap"));
  LstChunks->addAction(showChunk);
  connect(showChunk, &QAction::triggered, this, Guarded(this, &TFrmMain::ShowChunkInFileMapClick));
  auto* const showModule = new QAction(QStringLiteral("Show in File Map"), LstModules);
  showModule->setObjectName(QStringLiteral("ActShowModuleInFileMap"));
  LstModules->addAction(showModule);
  connect(showModule, &QAction::triggered, this, Guarded(this, &TFrmMain::ShowModuleInFileMapClick));
}

void TFrmMain::ShowFileMap(std::optional<std::uint64_t> offset) {
  // The map reads the loader; a load in progress is replacing it.
  if (busy_) return;
  if (fileMap_ == nullptr) {
    fileMap_ = new TFrmFileMap(this);
    KeepFileMapLayout(*fileMap_);
  }
  if (fileMap_->Song() != loader_) fileMap_->ShowSong(loader_, loadedPath_);
  fileMap_->show();
  fileMap_->raise();
  fileMap_->activateWindow();
  if (offset) fileMap_->GoToOffset(*offset);
}

void TFrmMain::FileMapLetGo() {
  if (fileMap_ != nullptr) fileMap_->ShowSong(nullptr, QString());
}

void TFrmMain::FileMapFollowLoad() noexcept {
  if (fileMap_ == nullptr || !fileMap_->isVisible()) return;
  try {
    fileMap_->ShowSong(loader_, loadedPath_);
  } catch (const std::exception& error) {
    // The load's own outcome stands; the map shows nothing.
    fileMap_->ShowSong(nullptr, QString());
    TApplication::ShowException(error);
  }
}

void TFrmMain::BtnFileMapClick() { ShowFileMap(); }

void TFrmMain::LoaderMessagesDblClick(const QModelIndex& index) {
  const QByteArray line = index.data().toString().toLatin1();
  const std::optional<std::uint64_t> offset =
      content::LeadingOffset(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
  if (!offset) return;
  // A chunk's line may tell where its reading ended: the map opens at the
  // chunk's header.
  const qsizetype id = line.indexOf(" Chunk id: ");
  bool isId = false;
  const std::uint32_t chunkId = id < 0 ? 0 : line.mid(id + 11, 8).toUInt(&isId, 16);
  if (isId) {
    ShowFileMap();
    if (!busy_ && fileMap_ != nullptr) fileMap_->GoToLogChunk(*offset, chunkId);
    return;
  }
  ShowFileMap(offset);
}

void TFrmMain::ShowChunkInFileMapClick() {
  const std::optional<std::size_t> row = SelectedRow(LstChunks);
  if (!row || loader_ == nullptr || *row >= loader_->Chunks().size()) return;
  ShowFileMap(static_cast<std::uint64_t>(loader_->Chunks()[*row].Offset));
}

void TFrmMain::ShowModuleInFileMapClick() {
  const std::optional<std::size_t> row = SelectedRow(LstModules);
  if (!row || loader_ == nullptr || *row >= loader_->Modules().size()) return;
  ShowFileMap();
  // During a load no map is shown, and the one there reads the old loader.
  if (busy_ || fileMap_ == nullptr) return;
  fileMap_->GoToModule(*row);
}

}  // namespace tarvo

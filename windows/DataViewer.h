#pragma once

#include <QDialog>

#include <optional>

#include "content/Song.h"
#include "songfile/KvsChunk.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tarvo {

// Shows one kept chunk's bytes as a hex dump, one data set of 2000 rows at a
// time, and saves them to a file on request. Created for one viewing and
// destroyed after it; it shares the ownership of the song it shows.
class TFrmDataViewer : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmDataViewer(QWidget* parent);
  ~TFrmDataViewer() override;

  // Fills the viewer with the first data set of one of the song's chunks.
  void ShowChunk(const content::Song& song, const TKvsChunk& chunk);
  // The user picked data set `index`.
  void CbxDataSetChange(int index);
  // Writes the chunk's bytes as held to a file the user picks.
  void BtnSaveDataClick();
  void BtnCloseClick();

  QLabel* LblChunk;
  QLabel* LblChunkSize;
  QComboBox* CbxDataSet;
  QTableView* LstChunks;
  QPushButton* BtnSaveData;
  QPushButton* BtnClose;

 private:
  content::Song song_;
  std::optional<TKvsChunk> currentChunk_;
};

extern TFrmDataViewer* FrmDataViewer;

}  // namespace tarvo

#pragma once

#include <QDialog>

#include <optional>

#include "songfile/KvsChunk.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tarvo {

// Shows one kept chunk's bytes as a hex dump, one data set of 2000 rows at a
// time, and saves them to a file on request. Created for one viewing and
// destroyed after it; it owns nothing of the song.
class TFrmDataViewer : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmDataViewer(QWidget* parent);
  ~TFrmDataViewer() override;

  // Fills the viewer with the chunk's first data set. The chunk's bytes (the
  // loader's copy of the file) must outlive the viewer.
  void ShowChunk(const TKvsChunk& chunk);
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
  std::optional<TKvsChunk> currentChunk_;
};

extern TFrmDataViewer* FrmDataViewer;

}  // namespace tarvo

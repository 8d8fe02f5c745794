#include "windows/DataViewer.h"

#include "ui/ApplyContent.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"
#include "songfile/KvsChunk.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/SaveFile.h"
#include "content/viewers/ViewerContent.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <variant>

namespace tarvo {

TFrmDataViewer* FrmDataViewer = nullptr;

namespace {

const QString SaveDataTitle = QStringLiteral("Save Chunk Data");
const QStringList SaveDataFilters = {QStringLiteral("All Files (*)")};

}  // namespace

TFrmDataViewer::TFrmDataViewer(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmDataViewer"));
  setWindowTitle(QStringLiteral("Data"));
  setSizeGripEnabled(true);
  resize(783, 466);
  SetWindowFont(this);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(5, 5, 5, 5);

  auto* const top = new QHBoxLayout();
  LblChunk = new QLabel(this);
  LblChunk->setObjectName(QStringLiteral("LblChunk"));
  top->addWidget(LblChunk);
  top->addSpacing(24);
  LblChunkSize = new QLabel(this);
  LblChunkSize->setObjectName(QStringLiteral("LblChunkSize"));
  top->addWidget(LblChunkSize);
  top->addStretch(1);
  CbxDataSet = new QComboBox(this);
  CbxDataSet->setObjectName(QStringLiteral("CbxDataSet"));
  CbxDataSet->setEditable(false);
  SetDropDownRows(CbxDataSet, 25);
  CbxDataSet->setFixedWidth(161);
  top->addWidget(CbxDataSet);
  layout->addLayout(top);

  LstChunks = MakeReportView(this, QStringLiteral("LstChunks"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(font().pointSize());
  LstChunks->setFont(fixed);
  FixReportRowHeight(LstChunks);
  layout->addWidget(LstChunks, 1);

  auto* const bottom = new QHBoxLayout();
  bottom->addStretch(1);
  BtnSaveData = new QPushButton(QStringLiteral("Save Data..."), this);
  BtnSaveData->setObjectName(QStringLiteral("BtnSaveData"));
  BtnSaveData->setAutoDefault(false);
  // Nothing to save until a chunk is shown.
  BtnSaveData->setEnabled(false);
  bottom->addWidget(BtnSaveData);
  BtnClose = new QPushButton(QStringLiteral("Close"), this);
  BtnClose->setObjectName(QStringLiteral("BtnClose"));
  BtnClose->setAutoDefault(false);
  bottom->addWidget(BtnClose);
  layout->addLayout(bottom);

  connect(CbxDataSet, &QComboBox::activated, this, Guarded(this, &TFrmDataViewer::CbxDataSetChange));
  connect(BtnSaveData, &QPushButton::clicked, this, Guarded(this, &TFrmDataViewer::BtnSaveDataClick));
  connect(BtnClose, &QPushButton::clicked, this, Guarded(this, &TFrmDataViewer::BtnCloseClick));

  ApplyPage(this, content::DataViewerDesigned());
}

TFrmDataViewer::~TFrmDataViewer() {
  if (FrmDataViewer == this) FrmDataViewer = nullptr;
}

void TFrmDataViewer::ShowChunk(const content::Song& song, const TKvsChunk& chunk) {
  song_ = song;
  currentChunk_ = chunk;
  ApplyPage(this, content::ShowChunk(song, chunk));
  BtnSaveData->setEnabled(true);
}

void TFrmDataViewer::CbxDataSetChange(int index) {
  if (!currentChunk_) return;
  content::Page page = content::DataSetChange(song_, *currentChunk_, index);
  // The data-set items stay; only the selection comes with the new set.
  for (const content::Control& control : page.controls) {
    if (control.name != "CbxDataSet") {
      ApplyControl(this, control);
      continue;
    }
    const int selected = std::get<content::Combo>(control.value).selected;
    const QSignalBlocker blocker(CbxDataSet);
    CbxDataSet->setCurrentIndex(selected >= 0 && selected < CbxDataSet->count() ? selected : -1);
  }
}

void TFrmDataViewer::BtnSaveDataClick() {
  if (!currentChunk_) return;
  // The dialog asks before it replaces a file.
  const std::optional<QString> path = CurrentDialogs().SaveFileName(this, SaveDataTitle, SaveDataFilters, QString());
  if (!path) return;
  const TKvsByteStream& data = currentChunk_->Data;
  if (!WriteWholeFile(*path, data.data(), static_cast<std::uint64_t>(data.Size())))
    CurrentDialogs().Message(this, QStringLiteral("Error while saving!"));
}

void TFrmDataViewer::BtnCloseClick() { close(); }

}  // namespace tarvo

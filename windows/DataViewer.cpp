#include "windows/DataViewer.h"

#include "mainwindow/ApplyContent.h"
#include "mainwindow/PageWidgets.h"
#include "mainwindow/ReportList.h"
#include "songfile/KvsChunk.h"
#include "windows/Application.h"
#include "windows/content/ViewerContent.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <variant>

namespace tarvo {

TFrmDataViewer* FrmDataViewer = nullptr;

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
  CbxDataSet->setMaxVisibleItems(25);
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
  BtnClose = new QPushButton(QStringLiteral("Close"), this);
  BtnClose->setObjectName(QStringLiteral("BtnClose"));
  BtnClose->setAutoDefault(false);
  bottom->addWidget(BtnClose);
  layout->addLayout(bottom);

  connect(CbxDataSet, &QComboBox::activated, this, Guarded(this, &TFrmDataViewer::CbxDataSetChange));
  connect(BtnClose, &QPushButton::clicked, this, Guarded(this, &TFrmDataViewer::BtnCloseClick));

  ApplyPage(this, content::DataViewerDesigned());
}

TFrmDataViewer::~TFrmDataViewer() {
  if (FrmDataViewer == this) FrmDataViewer = nullptr;
}

void TFrmDataViewer::ShowChunk(const TKvsChunk& chunk) {
  currentChunk_ = &chunk;
  ApplyPage(this, content::ShowChunk(chunk));
}

void TFrmDataViewer::CbxDataSetChange(int index) {
  if (currentChunk_ == nullptr) return;
  content::Page page = content::DataSetChange(*currentChunk_, index);
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

void TFrmDataViewer::BtnCloseClick() { close(); }

}  // namespace tarvo

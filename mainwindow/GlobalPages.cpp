// The "Global" page with its three sub-pages, and the "Song Info" page.
#include "mainwindow/Main.h"

#include "content/pages/MainContent.h"
#include "ui/Latin1Text.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvo {

QWidget* TFrmMain::MakeGlobalPage() {
  auto* const page = new QWidget(Pages);
  page->setObjectName(QStringLiteral("TabGlobal"));
  auto* const layout = new QVBoxLayout(page);
  SetPageSpacing(layout);

  auto* const version = new QHBoxLayout();
  QLineEdit* const fileVersion = MakeValueEdit(page, QStringLiteral("EdtFileVersion"), 137);
  version->addWidget(MakeCaption(page, QStringLiteral("File Version:"), fileVersion));
  version->addWidget(fileVersion);
  version->addStretch(1);
  layout->addLayout(version);

  PagesGlobal = new QTabWidget(page);
  PagesGlobal->setObjectName(QStringLiteral("PagesGlobal"));
  PagesGlobal->addTab(MakeSongSettingsPage(), Latin1(content::GlobalPageCaptions[0]));
  PagesGlobal->addTab(MakePlaylistSettingsPage(), Latin1(content::GlobalPageCaptions[1]));
  PagesGlobal->addTab(MakeGlobalWindowStatePage(), Latin1(content::GlobalPageCaptions[2]));
  layout->addWidget(PagesGlobal, 1);
  return page;
}

QWidget* TFrmMain::MakeSongSettingsPage() {
  auto* const page = new QWidget(PagesGlobal);
  page->setObjectName(QStringLiteral("TabSongSettings"));
  auto* const layout = new QHBoxLayout(page);
  SetPageSpacing(layout);

  auto* const left = new QGridLayout();
  left->setVerticalSpacing(4);
  left->setHorizontalSpacing(8);
  int row = 0;
  auto addRow = [page, left, &row](const QString& caption, QWidget* control, QWidget* extra = nullptr) {
    if (!caption.isEmpty()) left->addWidget(MakeCaption(page, caption, control), row, 0);
    auto* const cell = new QHBoxLayout();
    cell->setSpacing(8);
    cell->addWidget(control);
    if (extra != nullptr) cell->addWidget(extra);
    cell->addStretch(1);
    left->addLayout(cell, row, 1);
    ++row;
  };
  addRow(QStringLiteral("Tempo"), MakeValueEdit(page, QStringLiteral("EdtTempo"), 65));
  addRow(QStringLiteral("PPQ (Ticks Per Beat)"), MakeValueEdit(page, QStringLiteral("EdtPPQ"), 109));
  addRow(QStringLiteral("Loop Start - End"), MakeValueEdit(page, QStringLiteral("EdtLoopStartEnd"), 109),
         MakeFlagBox(page, QStringLiteral("CbxLoopOn"), QStringLiteral("Loop On")));
  addRow(QStringLiteral("Song Length"), MakeValueEdit(page, QStringLiteral("EdtSongLength"), 109));
  addRow(QStringLiteral("Play Mode"), MakeValueEdit(page, QStringLiteral("EdtPlayMode"), 65));
  addRow(QStringLiteral("Master Volume"), MakeValueEdit(page, QStringLiteral("EdtMasterVolume"), 65),
         MakeCaption(page, QStringLiteral("(0..256)")));
  addRow(QStringLiteral("Clipping Mode"), MakeValueEdit(page, QStringLiteral("EdtClipMode"), 109));
  addRow(QString(), MakeFlagBox(page, QStringLiteral("CbxGlobalVolumeDeactive"),
                                QStringLiteral("Global volume deactivated")));
  left->setRowStretch(row, 1);
  auto* const leftPart = new QWidget(page);
  leftPart->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftPart->setFixedWidth(330);
  layout->addWidget(leftPart);
  layout->addWidget(MakeVerticalLine(page));

  auto* const right = new QVBoxLayout();
  right->setSpacing(4);
  right->addWidget(MakeFlagBox(page, QStringLiteral("CbxBundleSampler"), QStringLiteral("Bundle Sampler Programs")));
  right->addWidget(MakeFlagBox(page, QStringLiteral("CbxBundleZumbox"), QStringLiteral("Bundle Zumbox Samples")));
  auto* const tuning = new QGridLayout();
  tuning->setVerticalSpacing(2);
  QLineEdit* const tableName = MakeValueEdit(page, QStringLiteral("EdtTuningTableName"));
  QLineEdit* const rootKey = MakeValueEdit(page, QStringLiteral("EdtRootKey"), 93);
  tuning->addWidget(MakeCaption(page, QStringLiteral("Tuning Table"), tableName), 0, 0);
  tuning->addWidget(MakeCaption(page, QStringLiteral("Root Key"), rootKey), 0, 1);
  tuning->addWidget(tableName, 1, 0);
  tuning->addWidget(rootKey, 1, 1);
  tuning->setColumnStretch(0, 1);
  right->addLayout(tuning);
  right->addWidget(MakeReportView(page, QStringLiteral("LstTuningTable")), 1);
  layout->addLayout(right, 1);
  return page;
}

QWidget* TFrmMain::MakePlaylistSettingsPage() {
  auto* const page = new QWidget(PagesGlobal);
  page->setObjectName(QStringLiteral("TabPlaylistSettings"));
  auto* const layout = new QHBoxLayout(page);
  SetPageSpacing(layout);

  auto* const left = new QVBoxLayout();
  left->setSpacing(3);
  left->addWidget(MakeFlagBox(page, QStringLiteral("CbxPlVisible"), QStringLiteral("Playlist Visible")));
  left->addSpacing(4);
  left->addWidget(
      MakeFlagBox(page, QStringLiteral("CbxDragModuleEvents"), QStringLiteral("Drag/Copy Module Events too")));
  left->addWidget(
      MakeFlagBox(page, QStringLiteral("CbxDragMixerEvents"), QStringLiteral("Drag/Copy Mixer Events too")));
  left->addSpacing(4);
  auto addBeside = [page, left](const QString& name, const QString& caption) {
    auto* const row = new QHBoxLayout();
    row->setSpacing(8);
    QLineEdit* const edit = MakeValueEdit(page, name, 45);
    row->addWidget(edit);
    row->addWidget(MakeCaption(page, caption, edit));
    row->addStretch(1);
    left->addLayout(row);
  };
  addBeside(QStringLiteral("EdtPlSnap"), QStringLiteral("Snap to every nth step"));
  addBeside(QStringLiteral("EdtPlHilite"), QStringLiteral("Hilite every nth bar"));
  left->addWidget(MakeFlagBox(page, QStringLiteral("CbxSnapToGrid"), QStringLiteral("Snap To Grid")));
  left->addWidget(MakeFlagBox(page, QStringLiteral("CbxShowNotes"), QStringLiteral("Show Notes in Patterns")));
  left->addSpacing(4);

  auto* const values = new QGridLayout();
  values->setVerticalSpacing(3);
  values->setHorizontalSpacing(8);
  auto valueRow = [page, values](int row, const QString& caption, const QString& name, int width) {
    QLineEdit* const edit = MakeValueEdit(page, name, width);
    values->addWidget(MakeCaption(page, caption, edit), row, 0);
    if (row == 0)
      values->addWidget(edit, row, 1);
    else
      values->addWidget(edit, row, 1, 1, 2, Qt::AlignLeft);
    return edit;
  };
  QLineEdit* const signature = valueRow(0, QStringLiteral("Signature"), QStringLiteral("EdtSignature"), 45);
  // The unit after the signature's value names it too.
  values->addWidget(MakeCaption(page, QStringLiteral("Steps per Bar"), signature), 0, 2);
  valueRow(1, QStringLiteral("Zoom Level X, Y"), QStringLiteral("EdtPlZoom"), 65);
  valueRow(2, QStringLiteral("Position X, Y"), QStringLiteral("EdtPlPosition"), 65);
  valueRow(3, QStringLiteral("Playlist Flags"), QStringLiteral("EdtPlFlags"), 65);
  values->setColumnStretch(3, 1);
  left->addLayout(values);
  left->addStretch(1);

  auto* const leftPart = new QWidget(page);
  left->setContentsMargins(0, 0, 0, 0);
  leftPart->setLayout(left);
  leftPart->setFixedWidth(254);
  layout->addWidget(leftPart);
  layout->addWidget(MakeVerticalLine(page));
  layout->addStretch(1);
  return page;
}

QWidget* TFrmMain::MakeGlobalWindowStatePage() {
  auto* const page = new QWidget(PagesGlobal);
  page->setObjectName(QStringLiteral("TabGlobalWindowState"));
  auto* const layout = new QVBoxLayout(page);
  layout->setContentsMargins(3, 3, 3, 3);
  layout->addWidget(MakeReportView(page, QStringLiteral("LstGWindowPosInfo")));
  return page;
}

QWidget* TFrmMain::MakeSongInfoPage() {
  auto* const page = new QWidget(Pages);
  page->setObjectName(QStringLiteral("TabSongInfo"));
  auto* const layout = new QVBoxLayout(page);
  SetPageSpacing(layout);

  // The user may type into these two; nothing reads what is typed.
  auto* const info = new QPlainTextEdit(page);
  info->setObjectName(QStringLiteral("MmoSongInfo"));
  SetButtonFace(info);
  layout->addWidget(MakeCaption(page, QStringLiteral("General information about the song:"), info));
  layout->addWidget(info, 1);
  auto* const url = new QLineEdit(page);
  url->setObjectName(QStringLiteral("EdtSongInfoUrl"));
  SetButtonFace(url);
  layout->addWidget(MakeCaption(page, QStringLiteral("Creator's Webpage if available:"), url));
  layout->addWidget(url);
  layout->addWidget(MakeFlagBox(page, QStringLiteral("CbxShowSongInfo"),
                                QStringLiteral("Show information when opening the song")));
  layout->addSpacing(60);
  return page;
}

}  // namespace tarvo

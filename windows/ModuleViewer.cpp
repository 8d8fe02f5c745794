#include "windows/ModuleViewer.h"

#include "ui/ApplyContent.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"
#include "songfile/KvsLoader.h"
#include "ui/Application.h"
#include "content/viewers/ViewerContent.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tarvo {

TFrmModuleViewer* FrmModuleViewer = nullptr;

namespace {

QWidget* MakeEmptyPage(QWidget* parent, const QString& name) {
  auto* const page = new QWidget(parent);
  page->setObjectName(name);
  return page;
}

}  // namespace

TFrmModuleViewer::TFrmModuleViewer(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmModuleViewer"));
  setWindowTitle(QStringLiteral("Module"));
  setSizeGripEnabled(true);
  resize(643, 332);
  SetWindowFont(this);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(5, 5, 5, 5);

  auto* const top = new QHBoxLayout();
  QFont bold = font();
  bold.setBold(true);
  LblModule = new QLabel(this);
  LblModule->setObjectName(QStringLiteral("LblModule"));
  LblModule->setFont(bold);
  top->addWidget(LblModule, 1);
  LblType = new QLabel(this);
  LblType->setObjectName(QStringLiteral("LblType"));
  LblType->setFont(bold);
  LblType->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LblType->setFixedWidth(237);
  top->addWidget(LblType);
  layout->addLayout(top);

  auto* const line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);

  Pages = new QTabWidget(this);
  Pages->setObjectName(QStringLiteral("Pages"));
  Pages->addTab(MakeEmptyPage(Pages, QStringLiteral("TabGenSynth")), QStringLiteral("General Synth"));
  Pages->addTab(MakeVstSynthPage(), Latin1(content::VstSynthTabCaption));
  const int vstFx = Pages->addTab(MakeEmptyPage(Pages, QStringLiteral("TabVSTFX")), QStringLiteral("VST FX"));
  Pages->setTabVisible(vstFx, false);
  // Qt shows "&&" as one "&", as the designed caption means.
  Pages->addTab(MakeTracksPage(), Latin1(content::MixerTabCaption));
  Pages->addTab(MakeEmptyPage(Pages, QStringLiteral("TabSheet2")), QStringLiteral("Patterns"));
  layout->addWidget(Pages, 1);

  auto* const bottom = new QHBoxLayout();
  bottom->addStretch(1);
  BtnClose = new QPushButton(QStringLiteral("Close"), this);
  BtnClose->setObjectName(QStringLiteral("BtnClose"));
  BtnClose->setAutoDefault(false);
  bottom->addWidget(BtnClose);
  layout->addLayout(bottom);

  connect(BtnClose, &QPushButton::clicked, this, Guarded(this, &TFrmModuleViewer::BtnCloseClick));

  ApplyPage(this, content::ModuleViewerDesigned());
}

TFrmModuleViewer::~TFrmModuleViewer() {
  if (FrmModuleViewer == this) FrmModuleViewer = nullptr;
}

QWidget* TFrmModuleViewer::MakeVstSynthPage() {
  auto* const page = new QWidget(Pages);
  page->setObjectName(QStringLiteral("TabVSTSynth"));
  auto* const grid = new QGridLayout(page);
  grid->setColumnStretch(2, 1);

  auto addRow = [page, grid](int row, const QString& caption, QLineEdit* edit, int span) {
    grid->addWidget(MakeCaption(page, caption, edit), row, 0);
    grid->addWidget(edit, row, 1, 1, span);
  };
  EdtVSTSynthPluginName = MakeValueEdit(page, QStringLiteral("EdtVSTSynthPluginName"));
  addRow(0, QStringLiteral("Plugin Name"), EdtVSTSynthPluginName, 2);
  EdtVSTSynthProgram = MakeValueEdit(page, QStringLiteral("EdtVSTSynthProgram"));
  addRow(1, QStringLiteral("Program"), EdtVSTSynthProgram, 1);
  EdtVSTSynthTracks = MakeValueEdit(page, QStringLiteral("EdtVSTSynthTracks"));
  addRow(2, QStringLiteral("Expanded Playlist Tracks"), EdtVSTSynthTracks, 1);
  EdtVSTSynthAudioChans = MakeValueEdit(page, QStringLiteral("EdtVSTSynthAudioChans"));
  addRow(3, QStringLiteral("Audio Chans"), EdtVSTSynthAudioChans, 1);
  for (QLineEdit* const edit : {EdtVSTSynthProgram, EdtVSTSynthTracks, EdtVSTSynthAudioChans})
    edit->setFixedWidth(120);

  auto* const pinsCaption = new QLabel(QStringLiteral("Audio Channel Pins"), page);
  pinsCaption->setWordWrap(true);
  pinsCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  grid->addWidget(pinsCaption, 4, 0);
  LstVSTSynthAudioChanPins = MakeReportView(page, QStringLiteral("LstVSTSynthAudioChanPins"));
  LstVSTSynthAudioChanPins->setFixedWidth(200);
  pinsCaption->setBuddy(LstVSTSynthAudioChanPins);
  grid->addWidget(LstVSTSynthAudioChanPins, 4, 1, 1, 1);
  grid->setRowStretch(4, 1);
  return page;
}

QWidget* TFrmModuleViewer::MakeTracksPage() {
  auto* const page = new QWidget(Pages);
  page->setObjectName(QStringLiteral("TabSheet1"));
  auto* const grid = new QGridLayout(page);
  LstChannels = MakeReportView(page, QStringLiteral("LstChannels"));
  LstPlaylistTracks = MakeReportView(page, QStringLiteral("LstPlaylistTracks"));
  grid->addWidget(MakeCaption(page, QStringLiteral("Mixer Channels Used:"), LstChannels), 0, 0);
  grid->addWidget(MakeCaption(page, QStringLiteral("Playlist Tracks:"), LstPlaylistTracks), 0, 1);
  grid->addWidget(LstChannels, 1, 0);
  grid->addWidget(LstPlaylistTracks, 1, 1);
  grid->setColumnStretch(0, 2);
  grid->setColumnStretch(1, 3);
  grid->setRowStretch(1, 1);
  return page;
}

void TFrmModuleViewer::ShowModule(const content::Song& song, std::size_t moduleIndex) {
  ApplyPage(this, content::ShowModule(song, moduleIndex));
}

void TFrmModuleViewer::BtnCloseClick() { close(); }

}  // namespace tarvo

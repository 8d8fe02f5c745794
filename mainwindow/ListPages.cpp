// The pages that list the song's objects, the chunk list and the loader log.
#include "mainwindow/Main.h"

#include "ui/LoaderLog.h"
#include "ui/PageWidgets.h"
#include "ui/ReportList.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace tarvo {
namespace {

// A page with one report list under a strip of summary fields.
struct ListPage {
  QWidget* page;
  QVBoxLayout* layout;
};

ListPage MakeListPage(QTabWidget* pages, const QString& name) {
  auto* const page = new QWidget(pages);
  page->setObjectName(name);
  auto* const layout = new QVBoxLayout(page);
  SetPageSpacing(layout);
  return {page, layout};
}

// "Caption: [value]" rows above the list, aligned in a grid.
void AddValueRows(ListPage& list, std::initializer_list<std::pair<QString, QString>> rows, int width) {
  auto* const grid = new QGridLayout();
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  int row = 0;
  for (const auto& [caption, name] : rows) {
    QLineEdit* const edit = MakeValueEdit(list.page, name, width);
    grid->addWidget(MakeCaption(list.page, caption, edit), row, 0);
    grid->addWidget(edit, row, 1);
    ++row;
  }
  grid->setColumnStretch(2, 1);
  list.layout->addLayout(grid);
}

}  // namespace

QWidget* TFrmMain::MakeModulesPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabModules"));
  auto* const top = new QHBoxLayout();
  QLineEdit* const count = MakeValueEdit(list.page, QStringLiteral("EdtNumberOfModules"), 161);
  top->addWidget(MakeCaption(list.page, QStringLiteral("Module Count:"), count));
  top->addWidget(count);
  top->addStretch(1);
  BtnViewModule = MakeButton(list.page, QStringLiteral("BtnViewModule"), QStringLiteral("Properties..."), 91);
  top->addWidget(BtnViewModule);
  BtnViewModuleChunk = MakeButton(list.page, QStringLiteral("BtnViewModuleChunk"), QStringLiteral("View Chunk..."), 91);
  top->addWidget(BtnViewModuleChunk);
  list.layout->addLayout(top);
  LstModules = MakeReportView(list.page, QStringLiteral("LstModules"));
  list.layout->addWidget(LstModules, 1);
  return list.page;
}

QWidget* TFrmMain::MakeChannelsPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabChannels"));
  AddValueRows(list,
               {{QStringLiteral("Channel Count:"), QStringLiteral("EdtChannelCount")},
                {QStringLiteral("Return Channel Count:"), QStringLiteral("EdtReturnChannelCount")}},
               137);
  list.layout->addWidget(MakeReportView(list.page, QStringLiteral("LstChannels")), 1);
  return list.page;
}

QWidget* TFrmMain::MakeAudioClipsPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabAudioClips"));
  auto* const top = new QHBoxLayout();
  // Borderless and editable, as designed; nothing reads what is typed.
  auto* const count = new QLineEdit(list.page);
  top->addWidget(MakeCaption(list.page, QStringLiteral("Clip Count:"), count));
  count->setObjectName(QStringLiteral("EdtAudioClipCount"));
  count->setFrame(false);
  count->setFixedWidth(89);
  SetButtonFace(count);
  top->addWidget(count);
  top->addStretch(1);
  list.layout->addLayout(top);
  list.layout->addWidget(MakeReportView(list.page, QStringLiteral("LstAudioClips")), 1);
  return list.page;
}

QWidget* TFrmMain::MakeSendFxAssignPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabSendFxAssign"));
  AddValueRows(list, {{QStringLiteral("FX Assign Data Size:"), QStringLiteral("EdtFXAssignDataSize")}}, 137);
  list.layout->addWidget(MakeReportView(list.page, QStringLiteral("LstSendFXAssigns")), 1);
  return list.page;
}

QWidget* TFrmMain::MakeSongEventsPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabSongEvents"));
  auto* const top = new QHBoxLayout();
  QLineEdit* const size = MakeValueEdit(list.page, QStringLiteral("EdtEventDataSize"), 137);
  top->addWidget(MakeCaption(list.page, QStringLiteral("Event Data Size:"), size));
  top->addWidget(size);
  top->addStretch(1);
  CbxSongEventDataSet = new QComboBox(list.page);
  CbxSongEventDataSet->setObjectName(QStringLiteral("CbxSongEventDataSet"));
  CbxSongEventDataSet->setEditable(false);
  SetDropDownRows(CbxSongEventDataSet, 25);
  CbxSongEventDataSet->setMinimumWidth(145);
  top->addWidget(CbxSongEventDataSet);
  list.layout->addLayout(top);
  LstSongEvents = MakeReportView(list.page, QStringLiteral("LstSongEvents"));
  list.layout->addWidget(LstSongEvents, 1);
  return list.page;
}

QWidget* TFrmMain::MakePlaylistPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabPlaylist"));
  AddValueRows(list, {{QStringLiteral("Pattern Data Size:"), QStringLiteral("EdtPatternDataSize")}}, 137);
  list.layout->addWidget(MakeReportView(list.page, QStringLiteral("LstPatterns")), 1);
  return list.page;
}

QWidget* TFrmMain::MakeWindowStatePage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabWindowState"));
  AddValueRows(list,
               {{QStringLiteral("Window Data Size:"), QStringLiteral("EdtWindowDataSize")},
                {QStringLiteral("Window Count:"), QStringLiteral("EdtWindowCount")}},
               137);
  list.layout->addWidget(MakeReportView(list.page, QStringLiteral("LstWindowPosInfo")), 1);
  return list.page;
}

QWidget* TFrmMain::MakeChunksPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabChunks"));
  auto* const top = new QHBoxLayout();
  QLabel* const caption = MakeCaption(list.page, QStringLiteral("Unknown Chunks:"));
  top->addWidget(caption);
  top->addStretch(1);
  BtnViewChunk = MakeButton(list.page, QStringLiteral("BtnViewChunk"), QStringLiteral("View..."), 75);
  top->addWidget(BtnViewChunk);
  list.layout->addLayout(top);
  LstChunks = MakeReportView(list.page, QStringLiteral("LstChunks"));
  caption->setBuddy(LstChunks);
  list.layout->addWidget(LstChunks, 1);
  return list.page;
}

QWidget* TFrmMain::MakeLoaderMessagesPage() {
  ListPage list = MakeListPage(Pages, QStringLiteral("TabLoaderMessages"));
  LoaderMessages = MakeLogView(list.page, QStringLiteral("LoaderMessages"));
  list.layout->addWidget(LoaderMessages, 1);
  auto* const panel = new QHBoxLayout();
  panel->setSpacing(8);
  BtnClearLoaderMessages = MakeButton(list.page, QStringLiteral("BtnClearLoaderMessages"), QStringLiteral("Clear"), 75);
  panel->addWidget(BtnClearLoaderMessages);
  BtnSaveLoaderMessages =
      MakeButton(list.page, QStringLiteral("BtnSaveLoaderMessages"), QStringLiteral("Save Log as..."), 89);
  panel->addWidget(BtnSaveLoaderMessages);
  panel->addStretch(1);
  list.layout->addLayout(panel);
  return list.page;
}

}  // namespace tarvo

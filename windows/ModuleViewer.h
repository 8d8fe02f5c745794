#pragma once

#include <QDialog>

#include <cstddef>

#include "content/Song.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace tarvo {

// Shows one module's properties: its mixer channels, playlist tracks and,
// for a plug-in generator, the plug-in details. Created for one viewing and
// destroyed after it.
class TFrmModuleViewer : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmModuleViewer(QWidget* parent);
  ~TFrmModuleViewer() override;

  // Fills the viewer once with the song's module at `moduleIndex`.
  void ShowModule(const content::Song& song, std::size_t moduleIndex);
  void BtnCloseClick();

  QLabel* LblModule;
  QLabel* LblType;
  QTabWidget* Pages;
  QLineEdit* EdtVSTSynthPluginName;
  QLineEdit* EdtVSTSynthProgram;
  QLineEdit* EdtVSTSynthTracks;
  QLineEdit* EdtVSTSynthAudioChans;
  QTableView* LstVSTSynthAudioChanPins;
  QTableView* LstChannels;
  QTableView* LstPlaylistTracks;
  QPushButton* BtnClose;

 private:
  QWidget* MakeVstSynthPage();
  QWidget* MakeTracksPage();
};

extern TFrmModuleViewer* FrmModuleViewer;

}  // namespace tarvo

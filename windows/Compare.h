#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "content/compare/ComparedPair.h"

class QCheckBox;
class QDialog;
class QLabel;
class QPlainTextEdit;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace tarvo {

class TCompareListModel;
class TCoverageStrip;
class TFrmFileMap;
class THexView;
class TRegionShading;

// Two song files side by side, compared by the place of each byte in the
// song: the list of differences, both files' bytes coloured by region kind
// with the differing bytes framed, each view following the other by the
// matched place, not by offset. A window of its own that loads and keeps
// its own two songs, whatever the main window loads later.
class TFrmCompare : public QWidget {
  Q_OBJECT

 public:
  explicit TFrmCompare(QWidget* parent);
  ~TFrmCompare() override;

  // Loads both files and compares them on a worker thread; the window and
  // a progress dialog with Cancel answer meanwhile.
  void Start(const QString& oldPath, const QString& newPath);
  bool Running() const { return worker_.joinable() || saver_.joinable(); }
  // Whether Save... is writing (on a worker thread, with the progress
  // dialog and its Cancel).
  bool Saving() const { return saver_.joinable(); }
  // Whether what the two songs show is still being compared (after Pair()).
  bool ShownRunning() const { return shownWorker_.joinable(); }
  // The comparison shown; null while it runs or after a cancel.
  const content::ComparedPair* Pair() const { return pair_.get(); }

  // Handlers.
  void NextDifference();
  void PreviousDifference();
  // Cancels the comparison or the save that runs.
  void CancelCompare();
  void FilterChanged();
  void SaveClick();
  void OpenOldInFileMapClick();
  void OpenNewInFileMapClick();

  QLabel* LblOld;
  QLabel* LblNew;
  QLabel* LblSummary;
  std::array<QCheckBox*, 3> CbxChanges;
  std::array<QCheckBox*, content::DiffKindCount> CbxKinds;
  QPushButton* BtnPrevious;
  QPushButton* BtnNext;
  QLabel* LblCount;
  QPushButton* BtnSave;
  QPushButton* BtnOldInFileMap;
  QPushButton* BtnNewInFileMap;
  QTabWidget* Tabs;
  QTableView* LstDifferences;
  QPlainTextEdit* TxtShown;  // the diff lines of the pair, or why there are none
  TCoverageStrip* StripOld;
  TCoverageStrip* StripNew;
  QLabel* LblOldPlace;
  QLabel* LblNewPlace;
  THexView* HexOld;
  THexView* HexNew;
  QLabel* LblStatus;
  QDialog* Progress;
  QProgressBar* ProgressBar;
  QLabel* LblProgress;
  QPushButton* BtnCancel;

 private:
  enum class SaveOutcome { Saved, Cancelled, Failed };

  void Poll();
  void ShowProgress(const QString& title, const QString& text);
  void ShowShown();
  void AppendShown(std::uint64_t generation);
  void PollSave();
  void ShowPair();
  // What the songs show is compared on a thread of its own once the pair is
  // shown: it can take seconds for millions of rows, and the list needs none
  // of it.
  void StartShown();
  void FinishShown();
  void StopShown();
  void RowChanged(const QModelIndex& current);
  void ShowDifference(std::size_t difference);
  // Keeps the other view on the place matching `offset` of `side`.
  void Follow(content::Side side, std::uint64_t offset);
  void Scrolled(content::Side side, std::uint64_t topRow);
  void ShowPlace(content::Side side, std::uint64_t offset, const std::optional<std::uint64_t>& matched);
  void UpdateCount();
  void OpenInFileMap(content::Side side);
  THexView* View(content::Side side) const;

  QString oldPath_;
  QString newPath_;
  std::unique_ptr<content::CompareProgress> progress_;
  std::unique_ptr<content::ComparedPair> result_;  // written by the worker
  std::thread worker_;
  std::unique_ptr<content::CompareProgress> saveProgress_;  // position: lines written
  SaveOutcome saveOutcome_ = SaveOutcome::Saved;             // written by the saver
  std::thread saver_;
  QTimer* savePoll_;
  std::size_t shownNext_ = 0;  // the next shown line to put in the tab
  std::uint64_t shownGeneration_ = 0;  // of the lines being put in
  std::unique_ptr<content::ComparedPair> pair_;
  struct ShownJob;
  std::unique_ptr<ShownJob> shownJob_;
  std::thread shownWorker_;
  TCompareListModel* model_;
  std::unique_ptr<TRegionShading> shadeOld_;
  std::unique_ptr<TRegionShading> shadeNew_;
  QTimer* poll_;
  std::array<TFrmFileMap*, 2> fileMaps_{};
  // Set while the window moves a view itself.
  bool following_ = false;
};

}  // namespace tarvo

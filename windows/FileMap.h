#pragma once

#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "content/Song.h"
#include "content/map/ByteSearch.h"
#include "songfile/KvsRegion.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeView;

namespace tarvo {

class TCoverageStrip;
class TFileMapTree;
class THexView;
class TKvsLoader;
namespace content {
struct MapAndColumns;
}

// The File Map: a loaded file's bytes as hex beside the structure the
// loader read in them, linked both ways, with the coverage of each kind,
// go-to, find, the next region of a kind and a data inspector. A window of
// its own beside the main window, which keeps one and gives it each load.
class TFrmFileMap : public QWidget {
  Q_OBJECT

 public:
  explicit TFrmFileMap(QWidget* parent);
  ~TFrmFileMap() override;

  // Shows the map of `song`, read from `fileName`, whatever the load's
  // outcome; nullptr shows nothing. The map shares the song until the next
  // call.
  void ShowSong(content::Song song, const QString& fileName);
  const content::Song& Song() const { return song_; }

  // Puts the cursor on `offset` (clipped to the file) and selects the
  // deepest region holding it.
  void GoToOffset(std::uint64_t offset);
  // Goes to the record of module `moduleIndex` (the Modules page's row).
  void GoToModule(std::size_t moduleIndex);
  // Go-to with the offset typed in EdtGoTo.
  void EdtGoToReturn();
  // Find the pattern of EdtFind from the cursor, around the file; runs in
  // steps between which the window stays responsive.
  void FindNext();
  void FindPrevious();
  void CancelFind();
  bool Searching() const;
  // The next and previous region of the kind chosen in CbxRegionKind.
  void NextOfKind();
  void PreviousOfKind();
  // The selection's bytes to the clipboard as hex ("4B 56") or as text.
  bool CanCopySelection();
  void CopyHex();
  void CopyText();
  void SaveSelection();
  // Asks for another file and compares this one (OLD) with it in a Compare
  // window (FileMapCompare.cpp).
  void CompareWithClick();

  TCoverageStrip* Strip;
  QLabel* LblCoverage;
  QLineEdit* EdtGoTo;
  QLineEdit* EdtFind;
  QComboBox* CbxFindMode;
  QPushButton* BtnFindNext;
  QPushButton* BtnFindPrevious;
  QPushButton* BtnCancelFind;
  QComboBox* CbxRegionKind;
  QPushButton* BtnNextOfKind;
  QPushButton* BtnPreviousOfKind;
  QTreeView* TreRegions;
  THexView* HexView;
  QCheckBox* CbxBigEndian;
  QTableView* LstInspector;
  QPushButton* BtnCopyHex;
  QPushButton* BtnCopyText;
  QPushButton* BtnSaveSelection;
  QPushButton* BtnCompareWith;
  QLabel* LblStatus;

 private:
  struct ShadeRun {
    std::uint64_t offset;
    std::uint64_t end;
    TKvsRegionKind kind;
  };

  void TreeRowChanged(const QModelIndex& current);
  void ByteClicked(std::uint64_t offset);
  void CursorMoved(std::uint64_t offset);
  // Selects the deepest row holding `offset` and marks its bytes.
  QModelIndex SelectTreeRowAt(std::uint64_t offset);
  // The status line for the byte at `offset` in the region of `row`.
  void ShowPlace(std::uint64_t offset, const QModelIndex& row);
  void StartFind(bool forward);
  void FindStep();
  void ShowRegion(const std::optional<TKvsRegion>& region, const char* kindName);
  void UpdateInspector();
  void UpdateCoverage();
  QColor Shade(std::uint64_t offset, std::uint64_t& runEnd);
  void FillShadeRuns(std::uint64_t offset);
  QString RegionText(std::uint64_t offset) const;
  std::span<const std::uint8_t> Bytes() const;
  void SetStatus(const QString& text);

  content::Song song_;
  QString path_;  // of the song shown
  std::unique_ptr<content::MapAndColumns> map_;
  TFileMapTree* tree_;
  // The regions around the last painted place, for the hex colours.
  std::vector<ShadeRun> shadeRuns_;
  // Set while the window moves the tree to follow the hex view.
  bool following_ = false;
  QTimer* findTimer_;
  std::unique_ptr<content::SteppedSearch> search_;
  std::uint64_t searchSize_ = 0;
  std::optional<std::uint64_t> lastFound_;
};

}  // namespace tarvo

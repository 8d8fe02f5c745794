#pragma once

#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <future>
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
class QSplitter;
class QVBoxLayout;
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
struct MapProgress;
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
  // call. A big song is mapped on a thread of its own: its bytes show at
  // once, its regions once Mapping() is over (Escape stops it).
  void ShowSong(content::Song song, const QString& fileName);
  const content::Song& Song() const { return song_; }
  bool Mapping() const;
  // Files up to this size are mapped at once, on the window's thread.
  static constexpr std::uint64_t MapAtOnceBytes = 256 * 1024;

  // Puts the cursor on `offset` (clipped to the file) and selects the
  // deepest region holding it.
  void GoToOffset(std::uint64_t offset);
  // Goes to the header of the chunk of id `id` that a line of the load's
  // log names by `offset` (which may lie after the chunk's payload); to
  // `offset` when the map knows no such chunk.
  void GoToLogChunk(std::uint64_t offset, std::uint32_t id);
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
  // Escape: stops a find, or the mapping of a big song.
  void Cancel();
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

  void MakeCoverage(QVBoxLayout* layout);
  void MakeTools(QVBoxLayout* layout);
  QSplitter* MakePanes();
  void MakeBottom(QVBoxLayout* layout);
  void Connect();
  void MakeKeys();

  void StartMapping();
  void StopMapping();
  void MappingStep();
  void ShowMap();
  TKvsRegionKind ChosenKind() const;
  void TreeRowChanged(const QModelIndex& current);
  void ByteClicked(std::uint64_t offset);
  void CursorMoved(std::uint64_t offset);
  // Selects the deepest row holding `offset`; `mark`: and marks its bytes
  // in the hex view (else the view's selection stays as it is).
  QModelIndex SelectTreeRowAt(std::uint64_t offset, bool mark);
  // The status line for the byte at `offset` in the region of `row`.
  void ShowPlace(std::uint64_t offset, const QModelIndex& row);
  void StartFind(bool forward);
  void FindStep();
  void ShowRegion(const std::optional<TKvsRegion>& region, const char* kindName);
  void UpdateInspector();
  int InspectorValueWidth() const;
  void UpdateCoverage();
  QColor Shade(std::uint64_t offset, std::uint64_t& runEnd);
  void FillShadeRuns(std::uint64_t offset);
  // "0x00001A2C  field  GLOB/Settings/Tempo = 120": the byte and its region.
  QString PlaceText(std::uint64_t offset) const;
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
  // The match found last and its size: Next and Previous go on from it
  // while it is still the selection.
  std::optional<std::uint64_t> lastFound_;
  std::uint64_t lastFoundSize_ = 0;
  // The mapping of a big song on its own thread, and where to go once done.
  QTimer* mapTimer_;
  std::unique_ptr<content::MapProgress> mapProgress_;
  std::future<std::unique_ptr<content::MapAndColumns>> mapping_;  // nullptr when stopped
  std::optional<std::uint64_t> goToWhenMapped_;
  std::optional<std::uint32_t> goToChunkWhenMapped_;  // with it: a log line's chunk
};

}  // namespace tarvo

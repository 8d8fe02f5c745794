#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <atomic>
#include <functional>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "content/compare/ComparedPair.h"

namespace tarvo {

// The Compare window's list of differences: one row per difference, its
// texts made from the maps only when a view shows the row (a few rows are
// kept), filtered by change and by kind, sorted by any column: Path, Old and
// New by their texts, which for a long list are made and sorted on a thread
// of their own while the rows stay in file order.
class TCompareListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { ColChange, ColKind, ColPath, ColOldOffset, ColNewOffset, ColSize, ColOld, ColNew, ColumnCount };
  static constexpr std::uint32_t AllChanges = 0x7;
  static constexpr std::uint32_t AllKinds = 0xFF;

  // Lists up to this many rows sort by text at once; longer ones in the background.
  static constexpr std::size_t SortedAtOnce = 2000;
  // ... and when Old or New sort, reading at most this many bytes of their regions.
  static constexpr std::uint64_t BytesSortedAtOnce = std::uint64_t{16} << 20;

  explicit TCompareListModel(QObject* parent);
  ~TCompareListModel() override;

  // Whether a sort by text runs in the background.
  bool Sorting() const { return sorter_.joinable(); }

  // The pair must outlive the model or be replaced first; nullptr empties it.
  void SetPair(const content::ComparedPair* pair);
  // Rows whose change's bit (1 << ChangeKind) and kind's bit are set.
  void SetFilter(std::uint32_t changes, std::uint32_t kinds);
  // The difference a row shows, and the row that shows a difference.
  std::size_t DifferenceAt(int row) const;
  std::optional<int> RowOf(std::size_t difference) const;
  QString CellText(int row, int column) const;

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 signals:
  // A background sort began or ended.
  void SortingChanged();

 private:
  struct RowTexts {
    QString path;
    QString oldValue;
    QString newValue;
  };
  const RowTexts& Texts(std::size_t difference) const;
  void Rebuild();
  void StartSorting();
  void StopSorting();
  void SortDone(std::uint64_t generation, std::vector<std::uint32_t> rows, bool sorted);
  // Puts the rows in place, keeping the persistent indexes on their differences.
  void Relayout(const std::function<void()>& change);

  const content::ComparedPair* pair_ = nullptr;
  std::uint32_t changes_ = AllChanges;
  std::uint32_t kinds_ = AllKinds;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  // The differences shown, in order; empty while that is all of them in
  // file order.
  std::vector<std::uint32_t> rows_;
  bool identity_ = true;
  mutable std::unordered_map<std::size_t, RowTexts> texts_;
  std::thread sorter_;
  std::atomic<bool> stopSorting_{false};
  std::uint64_t generation_ = 0;  // of the sort whose result is awaited
};

}  // namespace tarvo

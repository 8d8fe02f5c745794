#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "content/compare/ComparedPair.h"

namespace tarvo {

// The Compare window's list of differences: one row per difference, its
// texts made from the maps only when a view shows the row (a few rows are
// kept), filtered by change and by kind, sorted by any column.
class TCompareListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { ColChange, ColKind, ColPath, ColOldOffset, ColNewOffset, ColSize, ColOld, ColNew, ColumnCount };
  static constexpr std::uint32_t AllChanges = 0x7;
  static constexpr std::uint32_t AllKinds = 0xFF;

  explicit TCompareListModel(QObject* parent);

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

 private:
  struct RowTexts {
    QString path;
    QString oldValue;
    QString newValue;
  };
  const RowTexts& Texts(std::size_t difference) const;
  QString BytesText(std::size_t difference, content::Side side) const;
  void Rebuild();

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
};

}  // namespace tarvo

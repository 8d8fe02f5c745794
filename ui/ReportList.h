#pragma once

#include "content/Controls.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QTableView;
class QWidget;

namespace tarvo {

// The one read-only model behind every report list: it shows a
// content::Table, asking it for a row's cells only when a view wants them.
class TReportModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TReportModel(QObject* parent);

  const content::Table& Table() const { return table_; }
  // Replaces the rows (and the columns) in one reset.
  void SetTable(content::Table table);
  // The text of one cell; empty where the row carries no such cell.
  QString CellText(int row, int column) const;

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  const std::vector<std::string>& Cells(std::size_t row) const;

  content::Table table_;
  int rowCount_ = 0;
  // A view asks for every cell of a row in turn: the last row is kept.
  mutable std::optional<std::size_t> cachedRow_;
  mutable std::vector<std::string> cachedCells_;
};

// A report list: a table view over a TReportModel with whole-row single
// selection, no editing, no sorting, fixed row heights and a header that
// does not react to clicks. Its rows can be copied (see RowCopy.h).
QTableView* MakeReportView(QWidget* parent, const QString& name);
TReportModel* ReportModelOf(const QTableView* view);
// Puts a table into a report list; column captions and widths are set
// again only when the columns change, so a user's widths survive a reload.
void SetReportTable(QTableView* view, content::Table table);
// Sets the row height from the view's font; call again after a font change.
void FixReportRowHeight(QTableView* view);
// The selected row, if any.
std::optional<std::size_t> SelectedRow(const QTableView* view);

}  // namespace tarvo

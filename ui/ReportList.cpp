#include "ui/ReportList.h"

#include "ui/Latin1Text.h"
#include "ui/RowCopy.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

namespace tarvo {
namespace {

bool SameColumns(const std::vector<content::Column>& a, const std::vector<content::Column>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].caption != b[i].caption || a[i].width != b[i].width) return false;
  return true;
}

}  // namespace

TReportModel::TReportModel(QObject* parent) : QAbstractTableModel(parent) {}

void TReportModel::SetTable(content::Table table) {
  beginResetModel();
  table_ = std::move(table);
  // Qt counts rows in int; no list of this program comes near that.
  rowCount_ = static_cast<int>(std::min<std::size_t>(table_.RowCount(), std::numeric_limits<int>::max()));
  cachedRow_.reset();
  cachedCells_.clear();
  endResetModel();
}

const std::vector<std::string>& TReportModel::Cells(std::size_t row) const {
  if (cachedRow_ != row) {
    cachedRow_ = row;
    try {
      table_.Row(row, cachedCells_);
    } catch (const std::exception&) {
      // Rows are made while painting; an error there would come back with
      // every repaint, so the row shows empty instead.
      cachedCells_.clear();
    }
  }
  return cachedCells_;
}

QString TReportModel::CellText(int row, int column) const {
  if (row < 0 || row >= rowCount_ || column < 0) return QString();
  const std::vector<std::string>& cells = Cells(static_cast<std::size_t>(row));
  if (static_cast<std::size_t>(column) >= cells.size()) return QString();
  return Latin1(cells[static_cast<std::size_t>(column)]);
}

int TReportModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rowCount_; }

int TReportModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.Columns().size());
}

QVariant TReportModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      return CellText(index.row(), index.column());
    default:
      return QVariant();
  }
}

QVariant TReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return QVariant();
  if (section < 0 || static_cast<std::size_t>(section) >= table_.Columns().size()) return QVariant();
  return Latin1(table_.Columns()[static_cast<std::size_t>(section)].caption);
}

QTableView* MakeReportView(QWidget* parent, const QString& name) {
  auto* const view = new QTableView(parent);
  view->setObjectName(name);
  view->setModel(new TReportModel(view));
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSortingEnabled(false);
  view->setShowGrid(false);
  view->setWordWrap(false);
  view->setCornerButtonEnabled(false);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->verticalHeader()->hide();
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view->horizontalHeader()->setSectionsClickable(false);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  view->horizontalHeader()->setStretchLastSection(false);
  FixReportRowHeight(view);
  InstallRowCopy(view);
  return view;
}

TReportModel* ReportModelOf(const QTableView* view) { return qobject_cast<TReportModel*>(view->model()); }

void SetReportTable(QTableView* view, content::Table table) {
  TReportModel* const model = ReportModelOf(view);
  const bool newColumns = !SameColumns(model->Table().Columns(), table.Columns()) || model->columnCount() == 0;
  model->SetTable(std::move(table));
  if (!newColumns) return;
  QHeaderView* const header = view->horizontalHeader();
  const std::vector<content::Column>& columns = model->Table().Columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const int width = columns[i].width >= 0 ? columns[i].width : header->defaultSectionSize();
    header->resizeSection(static_cast<int>(i), width);
  }
}

void FixReportRowHeight(QTableView* view) {
  const int height = QFontMetrics(view->font()).height() + 4;
  view->verticalHeader()->setMinimumSectionSize(height);
  view->verticalHeader()->setDefaultSectionSize(height);
}

std::optional<std::size_t> SelectedRow(const QTableView* view) {
  const QItemSelectionModel* const selection = view->selectionModel();
  if (selection == nullptr) return std::nullopt;
  const QModelIndexList rows = selection->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(rows.constFirst().row());
}

}  // namespace tarvo

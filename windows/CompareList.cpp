#include "windows/CompareList.h"

#include "content/compare/DifferenceOrder.h"
#include "ui/HexView.h"
#include "ui/Latin1Text.h"

#include <QMetaObject>

#include <algorithm>
#include <climits>
#include <numeric>

namespace tarvo {
namespace {

using content::Side;

// Rows whose texts are kept: a few screens.
constexpr std::size_t KeptTexts = 1024;

bool IsTextColumn(int column) {
  return column == TCompareListModel::ColPath || column == TCompareListModel::ColOld ||
         column == TCompareListModel::ColNew;
}

content::TextColumn TextColumnOf(int column) {
  if (column == TCompareListModel::ColOld) return content::TextColumn::Old;
  if (column == TCompareListModel::ColNew) return content::TextColumn::New;
  return content::TextColumn::Path;
}

QString OffsetText(const std::optional<std::uint64_t>& offset) {
  return offset ? THexView::HexNumber(*offset, 8) : QStringLiteral("-");
}

}  // namespace

TCompareListModel::TCompareListModel(QObject* parent) : QAbstractTableModel(parent) {}

// The sorter reads the pair: it ends before the pair may go.
TCompareListModel::~TCompareListModel() { StopSorting(); }

void TCompareListModel::SetPair(const content::ComparedPair* pair) {
  StopSorting();
  beginResetModel();
  pair_ = pair;
  texts_.clear();
  Rebuild();
  endResetModel();
}

void TCompareListModel::SetFilter(std::uint32_t changes, std::uint32_t kinds) {
  StopSorting();
  beginResetModel();
  changes_ = changes;
  kinds_ = kinds;
  Rebuild();
  endResetModel();
}

void TCompareListModel::sort(int column, Qt::SortOrder order) {
  StopSorting();
  Relayout([this, column, order] {
    sortColumn_ = column;
    sortOrder_ = order;
    Rebuild();
  });
}

void TCompareListModel::Relayout(const std::function<void()>& change) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<std::size_t> shown;
  for (const QModelIndex& index : before) shown.push_back(DifferenceAt(index.row()));
  change();
  QModelIndexList after;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::optional<int> row = RowOf(shown[i]);
    after.push_back(row ? index(*row, before[static_cast<qsizetype>(i)].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TCompareListModel::Rebuild() {
  rows_.clear();
  const bool filtered = changes_ != AllChanges || kinds_ != AllKinds;
  identity_ = !filtered && sortColumn_ < 0 && sortOrder_ == Qt::AscendingOrder;
  if (identity_ || pair_ == nullptr) return;
  const content::DifferenceList& list = pair_->differences;
  const std::size_t count = list.Size();
  rows_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const bool change = changes_ & (1u << static_cast<unsigned>(list.Change(i)));
    const bool kind = kinds_ & (1u << static_cast<unsigned>(list.Kind(i)));
    if (change && kind) rows_.push_back(static_cast<std::uint32_t>(i));
  }
  if (IsTextColumn(sortColumn_)) {
    // A long list keeps file order until its texts are sorted; so does a
    // short one whose bytes texts would read far into large regions.
    bool atOnce = rows_.size() <= SortedAtOnce;
    if (atOnce && sortColumn_ != ColPath) {
      std::uint64_t bytes = 0;
      for (const std::uint32_t i : rows_)
        bytes += std::max(list.SideSize(Side::Old, i), list.SideSize(Side::New, i));
      atOnce = bytes <= BytesSortedAtOnce;
    }
    if (atOnce) {
      content::SortByText(*pair_, rows_, TextColumnOf(sortColumn_), sortOrder_ == Qt::DescendingOrder, {});
    } else {
      StartSorting();
    }
    return;
  }
  const auto key = [&list, this](std::uint32_t i) -> std::uint64_t {
    constexpr std::uint64_t None = ~std::uint64_t{0};
    switch (sortColumn_) {
      case ColChange: return static_cast<std::uint64_t>(list.Change(i));
      case ColKind: return static_cast<std::uint64_t>(list.Kind(i));
      case ColOldOffset: return list.Offset(Side::Old, i).value_or(None);
      case ColNewOffset: return list.Offset(Side::New, i).value_or(None);
      case ColSize: return list.Size(i);
      default: return i;
    }
  };
  // Equal keys stay in file order, also descending.
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  std::sort(rows_.begin(), rows_.end(), [&key, descending](std::uint32_t a, std::uint32_t b) {
    const std::uint64_t ka = key(a);
    const std::uint64_t kb = key(b);
    if (ka != kb) return descending ? ka > kb : ka < kb;
    return a < b;
  });
}

void TCompareListModel::StartSorting() {
  stopSorting_ = false;
  const std::uint64_t generation = ++generation_;
  const content::ComparedPair* const pair = pair_;
  const content::TextColumn column = TextColumnOf(sortColumn_);
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  sorter_ = std::thread([this, pair, rows = rows_, column, descending, generation]() mutable {
    bool sorted = false;
    try {
      sorted = content::SortByText(*pair, rows, column, descending,
                                   [this] { return stopSorting_.load(std::memory_order_relaxed); });
    } catch (...) {
      // Out of memory: the rows stay in file order.
    }
    // Taken on the GUI thread; dropped there when a later sort took over.
    QMetaObject::invokeMethod(
        this,
        [this, generation, rows = std::move(rows), sorted]() mutable { SortDone(generation, std::move(rows), sorted); },
        Qt::QueuedConnection);
  });
  emit SortingChanged();
}

void TCompareListModel::StopSorting() {
  if (!sorter_.joinable()) return;
  stopSorting_ = true;
  sorter_.join();
  ++generation_;
  emit SortingChanged();
}

void TCompareListModel::SortDone(std::uint64_t generation, std::vector<std::uint32_t> rows, bool sorted) {
  if (generation != generation_ || !sorter_.joinable()) return;
  sorter_.join();
  if (sorted) Relayout([this, &rows] { rows_ = std::move(rows); });
  emit SortingChanged();
}

std::size_t TCompareListModel::DifferenceAt(int row) const {
  return identity_ ? static_cast<std::size_t>(row) : rows_[static_cast<std::size_t>(row)];
}

std::optional<int> TCompareListModel::RowOf(std::size_t difference) const {
  if (identity_) {
    if (difference < static_cast<std::size_t>(rowCount())) return static_cast<int>(difference);
    return std::nullopt;
  }
  const auto found = std::find(rows_.begin(), rows_.end(), static_cast<std::uint32_t>(difference));
  if (found == rows_.end()) return std::nullopt;
  return static_cast<int>(found - rows_.begin());
}

int TCompareListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || pair_ == nullptr) return 0;
  const std::size_t count = identity_ ? pair_->differences.Size() : rows_.size();
  return static_cast<int>(std::min<std::size_t>(count, static_cast<std::size_t>(INT_MAX)));
}

int TCompareListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

const TCompareListModel::RowTexts& TCompareListModel::Texts(std::size_t difference) const {
  if (const auto found = texts_.find(difference); found != texts_.end()) return found->second;
  if (texts_.size() >= KeptTexts) texts_.clear();
  // The same texts as a sort by text compares.
  const content::RowTexts texts = content::RowTextsOf(*pair_, difference);
  RowTexts row{Latin1(texts.path), Latin1(texts.oldText), Latin1(texts.newText)};
  return texts_.emplace(difference, std::move(row)).first->second;
}

QString TCompareListModel::CellText(int row, int column) const {
  if (pair_ == nullptr || row < 0 || row >= rowCount()) return QString();
  const std::size_t i = DifferenceAt(row);
  const content::DifferenceList& list = pair_->differences;
  switch (column) {
    case ColChange: return QLatin1String(content::ChangeName(list.Change(i)));
    case ColKind: return QLatin1String(content::DiffKindName(list.Kind(i)));
    case ColPath: return Texts(i).path;
    case ColOldOffset: return OffsetText(list.Offset(Side::Old, i));
    case ColNewOffset: return OffsetText(list.Offset(Side::New, i));
    case ColSize: {
      const std::uint64_t oldSize = list.SideSize(Side::Old, i);
      const std::uint64_t newSize = list.SideSize(Side::New, i);
      if (list.Change(i) == content::ChangeKind::Changed && oldSize != newSize)
        return QString::number(oldSize) + QStringLiteral("->") + QString::number(newSize);
      return QString::number(list.Size(i));
    }
    case ColOld: return Texts(i).oldValue;
    case ColNew: return Texts(i).newValue;
    default: return QString();
  }
}

QVariant TCompareListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return QVariant();
  if (role == Qt::DisplayRole) return CellText(index.row(), index.column());
  if (role == Qt::TextAlignmentRole && (index.column() == ColOldOffset || index.column() == ColNewOffset ||
                                        index.column() == ColSize))
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

QVariant TCompareListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && IsTextColumn(section))
    return QStringLiteral("Sorts by the text shown, character by character; a long list sorts in the background");
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  switch (section) {
    case ColChange: return QStringLiteral("Change");
    case ColKind: return QStringLiteral("Kind");
    case ColPath: return QStringLiteral("Path");
    case ColOldOffset: return QStringLiteral("Old offset");
    case ColNewOffset: return QStringLiteral("New offset");
    case ColSize: return QStringLiteral("Size");
    case ColOld: return QStringLiteral("Old");
    case ColNew: return QStringLiteral("New");
    default: return QVariant();
  }
}

}  // namespace tarvo

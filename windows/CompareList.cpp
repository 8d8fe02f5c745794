#include "windows/CompareList.h"

#include "ui/HexView.h"
#include "ui/Latin1Text.h"

#include <algorithm>
#include <climits>
#include <numeric>

namespace tarvo {
namespace {

using content::Side;

// Rows whose texts are kept: a few screens.
constexpr std::size_t KeptTexts = 1024;
// Bytes shown of a region that is not a field.
constexpr std::uint64_t ShownBytes = 8;

QString OffsetText(const std::optional<std::uint64_t>& offset) {
  return offset ? THexView::HexNumber(*offset, 8) : QStringLiteral("-");
}

}  // namespace

TCompareListModel::TCompareListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TCompareListModel::SetPair(const content::ComparedPair* pair) {
  beginResetModel();
  pair_ = pair;
  texts_.clear();
  Rebuild();
  endResetModel();
}

void TCompareListModel::SetFilter(std::uint32_t changes, std::uint32_t kinds) {
  beginResetModel();
  changes_ = changes;
  kinds_ = kinds;
  Rebuild();
  endResetModel();
}

void TCompareListModel::sort(int column, Qt::SortOrder order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<std::size_t> shown;
  for (const QModelIndex& index : before) shown.push_back(DifferenceAt(index.row()));
  sortColumn_ = column;
  sortOrder_ = order;
  Rebuild();
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
  // Path and the values sort in file order: making every row's texts to
  // sort a million of them would stop the window for seconds.
  const bool fileOrder = sortColumn_ < 0 || sortColumn_ == ColPath || sortColumn_ == ColOld || sortColumn_ == ColNew;
  identity_ = !filtered && fileOrder && sortOrder_ == Qt::AscendingOrder;
  if (identity_ || pair_ == nullptr) return;
  const content::DifferenceList& list = pair_->differences;
  const std::size_t count = list.Size();
  rows_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const bool change = changes_ & (1u << static_cast<unsigned>(list.Change(i)));
    const bool kind = kinds_ & (1u << static_cast<unsigned>(list.Kind(i)));
    if (change && kind) rows_.push_back(static_cast<std::uint32_t>(i));
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
  if (!fileOrder) {
    std::stable_sort(rows_.begin(), rows_.end(), [&key](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
  }
  if (sortOrder_ == Qt::DescendingOrder) {
    // Descending keeps equal keys in file order too.
    std::stable_sort(rows_.begin(), rows_.end(), [&key](std::uint32_t a, std::uint32_t b) {
      const std::uint64_t ka = key(a);
      const std::uint64_t kb = key(b);
      return ka != kb ? ka > kb : a < b;
    });
  }
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
  const content::DifferenceList& list = pair_->differences;
  const content::DifferenceTexts texts =
      content::TextsOf(list, difference, *pair_->oldSide.map, *pair_->newSide.map);
  RowTexts row;
  row.path = Latin1(texts.path);
  if (!texts.oldPath.empty() && texts.oldPath != texts.path)
    row.path += QStringLiteral(" (was ") + Latin1(texts.oldPath) + QLatin1Char(')');
  const bool field = list.Kind(difference) == content::DiffKind::Field;
  row.oldValue = field && list.Offset(Side::Old, difference) ? Latin1(texts.oldValue) : BytesText(difference, Side::Old);
  row.newValue = field && list.Offset(Side::New, difference) ? Latin1(texts.newValue) : BytesText(difference, Side::New);
  return texts_.emplace(difference, std::move(row)).first->second;
}

// A few bytes of a region in hex: for a changed one from its first
// differing byte on ("+4 80 00"), otherwise from its start.
QString TCompareListModel::BytesText(std::size_t difference, Side side) const {
  const content::DifferenceList& list = pair_->differences;
  const std::optional<std::uint64_t> offset = list.Offset(side, difference);
  if (!offset) return QStringLiteral("-");
  const content::ComparedSide& mine = side == Side::Old ? pair_->oldSide : pair_->newSide;
  const std::uint8_t* const data = mine.map->FileData();
  const std::uint64_t size = list.SideSize(side, difference);
  if (data == nullptr || size == 0) return QString();
  std::uint64_t from = 0;
  QString text;
  if (list.Change(difference) == content::ChangeKind::Changed) {
    const std::uint8_t* const oldData = pair_->oldSide.map->FileData();
    const std::uint8_t* const newData = pair_->newSide.map->FileData();
    while (from < size && !list.Differs(side, *offset + from, oldData, newData)) ++from;
    if (from == size) from = 0;
    text = QLatin1Char('+') + QString::number(from) + QLatin1Char(' ');
  }
  const std::uint64_t end = std::min(size, from + ShownBytes);
  for (std::uint64_t i = from; i < end; ++i) THexView::AppendHexByte(text, data[*offset + i]);
  if (end < size) text += QStringLiteral("...");
  return text;
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

#include "windows/FileMapLayout.h"

#include "ui/Settings.h"
#include "ui/WindowLayout.h"
#include "windows/FileMap.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardItemModel>

#include <algorithm>

namespace tarvo {
namespace {

const QString HistoryKey = QStringLiteral("FileMap/FindHistory");
const QString ModeNames[] = {QStringLiteral("Hex"), QStringLiteral("Text")};
constexpr int PatternRole = Qt::UserRole;
constexpr int ModeRole = Qt::UserRole + 1;

QString Stored(const FindPattern& find) { return ModeNames[find.mode] + QLatin1Char(':') + find.pattern; }

std::optional<FindPattern> Parsed(const QString& entry) {
  for (int mode = 0; mode < 2; ++mode) {
    const QString prefix = ModeNames[mode] + QLatin1Char(':');
    if (entry.startsWith(prefix) && entry.size() > prefix.size()) return FindPattern{mode, entry.mid(prefix.size())};
  }
  return std::nullopt;
}

// Down in the Find field opens the history (all of it when the field is
// empty), as in a drop-down.
class DownOpensHistory : public QObject {
 public:
  explicit DownOpensHistory(QLineEdit* edit) : QObject(edit), edit_(edit) { edit->installEventFilter(this); }

  // QObject
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
    QCompleter* const completer = edit_->completer();
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Down || completer == nullptr ||
        completer->popup()->isVisible())
      return false;
    completer->setCompletionPrefix(edit_->text());
    completer->complete();
    return true;
  }

 private:
  QLineEdit* edit_;
};

void FillCompleter(QStandardItemModel* model) {
  model->clear();
  for (const FindPattern& find : FindHistory()) {
    auto* const item = new QStandardItem(find.pattern + QStringLiteral("  (") + ModeNames[find.mode] + QLatin1Char(')'));
    item->setData(find.pattern, PatternRole);
    item->setData(find.mode, ModeRole);
    item->setEditable(false);
    model->appendRow(item);
  }
}

QStandardItemModel* HistoryModel(TFrmFileMap& map) {
  QCompleter* const completer = map.EdtFind->completer();
  return completer != nullptr ? qobject_cast<QStandardItemModel*>(completer->model()) : nullptr;
}

}  // namespace

std::vector<FindPattern> FindHistory() {
  std::vector<FindPattern> history;
  // Read with room for the entries that are dropped here.
  for (const QString& entry : SettingList(HistoryKey, 4 * MaxFindPatterns)) {
    if (static_cast<int>(history.size()) >= MaxFindPatterns) break;
    const std::optional<FindPattern> find = Parsed(entry);
    if (find && std::find(history.cbegin(), history.cend(), *find) == history.cend()) history.push_back(*find);
  }
  return history;
}

void KeepFileMapLayout(TFrmFileMap& map) {
  KeepLayout(&map, QStringLiteral("FileMap"));
  auto* const model = new QStandardItemModel(map.EdtFind);
  FillCompleter(model);
  auto* const completer = new QCompleter(model, map.EdtFind);
  completer->setObjectName(QStringLiteral("CmpFindHistory"));
  completer->setCompletionRole(PatternRole);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  map.EdtFind->setCompleter(completer);
  new DownOpensHistory(map.EdtFind);
  QComboBox* const mode = map.CbxFindMode;
  QObject::connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), mode,
                   [mode](const QModelIndex& index) {
                     const QVariant chosen = index.data(ModeRole);
                     if (chosen.isValid()) mode->setCurrentIndex(chosen.toInt());
                   });
}

void NoteFindPattern(TFrmFileMap& map) {
  const FindPattern find{std::clamp(map.CbxFindMode->currentIndex(), 0, 1), map.EdtFind->text()};
  if (find.pattern.isEmpty() || find.pattern.size() > MaxSettingText) return;
  std::vector<FindPattern> history = FindHistory();
  if (!history.empty() && history.front() == find) return;
  std::erase(history, find);
  history.insert(history.begin(), find);
  if (static_cast<int>(history.size()) > MaxFindPatterns) history.resize(MaxFindPatterns);
  QStringList entries;
  for (const FindPattern& entry : history) entries.append(Stored(entry));
  SetSetting(HistoryKey, entries);
  if (QStandardItemModel* const model = HistoryModel(map)) FillCompleter(model);
}

}  // namespace tarvo

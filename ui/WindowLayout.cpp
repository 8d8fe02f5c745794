#include "ui/WindowLayout.h"

#include "ui/Settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace tarvo {
namespace {

// Far beyond any screen, yet small enough that no sum of them overflows.
constexpr int MaxCoordinate = 1'000'000;

QString Key(const QString& key, const char* item) { return key + QLatin1Char('/') + QLatin1String(item); }

QString SplitterKey(const QString& key, const QSplitter* splitter) {
  return key + QStringLiteral("/Splitters/") + splitter->objectName();
}

QList<QRect> AvailableScreens() {
  QList<QRect> screens;
  for (const QScreen* const screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
  return screens;
}

std::vector<QSplitter*> NamedSplitters(const QWidget* window) {
  std::vector<QSplitter*> splitters;
  for (QSplitter* const splitter : window->findChildren<QSplitter*>())
    if (!splitter->objectName().isEmpty()) splitters.push_back(splitter);
  return splitters;
}

void RestoreGeometry(QWidget* window, const QString& key) {
  // A window of fixed size keeps it; only its place is remembered.
  const bool fixed = window->minimumSize() == window->maximumSize();
  const std::optional<std::vector<int>> n = SettingNumbers(Key(key, "Geometry"), 4, -MaxCoordinate, MaxCoordinate);
  if (n && (*n)[2] > 0 && (*n)[3] > 0) {
    const QSize size = fixed ? window->size() : QSize((*n)[2], (*n)[3]).expandedTo(window->minimumSize());
    if (const std::optional<QRect> place = ClampToScreens(QRect(QPoint((*n)[0], (*n)[1]), size), AvailableScreens()))
      window->setGeometry(*place);
  }
  if (!fixed && SettingFlag(Key(key, "Maximized")).value_or(false))
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
}

// Saves the layout whenever the window hides, and when the window it
// belongs to hides while it still shows: a child window is not hidden with
// its parent, only destroyed later.
class LayoutKeeper : public QObject {
 public:
  LayoutKeeper(QWidget* window, QString key) : QObject(window), window_(window), key_(std::move(key)) {
    window->installEventFilter(this);
    if (QWidget* const parent = window->parentWidget()) {
      owner_ = parent->window();
      owner_->installEventFilter(this);
    }
  }

  // QObject
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Hide) return false;
    if (watched == window_ || (watched == owner_ && window_->isVisible())) SaveLayout(window_, key_);
    return false;
  }

 private:
  QWidget* window_;
  QPointer<QWidget> owner_;
  QString key_;
};

}  // namespace

std::optional<QRect> ClampToScreens(const QRect& wanted, const QList<QRect>& screens) {
  if (wanted.width() <= 0 || wanted.height() <= 0 || screens.isEmpty()) return std::nullopt;
  QRect screen = screens.constFirst();
  qint64 bestOverlap = 0;
  for (const QRect& candidate : screens) {
    const QRect overlap = candidate.intersected(wanted);
    const qint64 area = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
    if (area > bestOverlap) {
      bestOverlap = area;
      screen = candidate;
    }
  }
  if (screen.isEmpty()) return std::nullopt;
  const int width = std::min(wanted.width(), screen.width());
  const int height = std::min(wanted.height(), screen.height());
  const int x = std::clamp(wanted.x(), screen.x(), screen.x() + screen.width() - width);
  const int y = std::clamp(wanted.y(), screen.y(), screen.y() + screen.height() - height);
  return QRect(x, y, width, height);
}

void RestoreLayout(QWidget* window, const QString& key) {
  if (!SettingsOn()) return;
  RestoreGeometry(window, key);
  for (QSplitter* const splitter : NamedSplitters(window)) {
    const std::optional<std::vector<int>> sizes =
        SettingNumbers(SplitterKey(key, splitter), splitter->count(), 0, MaxCoordinate);
    // All panes folded away would leave nothing to drag open again.
    if (!sizes || std::all_of(sizes->cbegin(), sizes->cend(), [](int size) { return size == 0; })) continue;
    splitter->setSizes(QList<int>(sizes->cbegin(), sizes->cend()));
  }
}

void SaveLayout(const QWidget* window, const QString& key) {
  if (!SettingsOn()) return;
  const QRect normal = window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry();
  std::vector<std::pair<QString, QVariant>> items;
  items.emplace_back(Key(key, "Geometry"), NumberList({normal.x(), normal.y(), normal.width(), normal.height()}));
  items.emplace_back(Key(key, "Maximized"), window->isMaximized());
  for (const QSplitter* const splitter : NamedSplitters(window))
    items.emplace_back(SplitterKey(key, splitter), NumberList(splitter->sizes()));
  SetSettings(items);
}

void KeepLayout(QWidget* window, const QString& key) {
  RestoreLayout(window, key);
  new LayoutKeeper(window, key);
}

}  // namespace tarvo

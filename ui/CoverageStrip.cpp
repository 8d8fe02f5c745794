#include "ui/CoverageStrip.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tarvo {

TCoverageStrip::TCoverageStrip(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CoverageStrip"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setCursor(Qt::PointingHandCursor);
  setAccessibleName(QStringLiteral("Coverage strip"));
  setAccessibleDescription(QStringLiteral("The kinds of the file's bytes from start to end; a click goes there."));
}

QSize TCoverageStrip::sizeHint() const { return {400, 18}; }

void TCoverageStrip::SetFile(std::uint64_t size, Mix mix) {
  size_ = size;
  mix_ = std::move(mix);
  cursor_ = 0;
  stale_ = true;
  update();
}

void TCoverageStrip::SetCursor(std::uint64_t offset) {
  cursor_ = offset;
  update();
}

std::uint64_t TCoverageStrip::OffsetAtX(int x) const {
  if (size_ == 0 || width() <= 0) return 0;
  x = std::clamp(x, 0, width() - 1);
  // In 128 bits' stead: a size below 2^48 times a width below 2^15 fits.
  return std::min(size_ - 1, size_ * static_cast<std::uint64_t>(x) / static_cast<std::uint64_t>(width()));
}

void TCoverageStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (size_ == 0 || !mix_) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  if (stale_ || drawn_.size() != size()) Draw();
  painter.drawImage(0, 0, drawn_);
  const int w = width();
  const int h = height();
  const int cursorX = static_cast<int>(static_cast<double>(cursor_) * w / static_cast<double>(size_));
  painter.fillRect(std::clamp(cursorX - 1, 0, std::max(0, w - 2)), 0, 2, h, palette().color(QPalette::Text));
}

void TCoverageStrip::Draw() {
  stale_ = false;
  drawn_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&drawn_);
  painter.fillRect(drawn_.rect(), palette().window());
  const int w = width();
  const int h = height();
  std::vector<std::pair<QColor, std::uint64_t>> parts;
  for (int x = 0; x < w; ++x) {
    const std::uint64_t from = OffsetAtX(x);
    const std::uint64_t to = x + 1 < w ? std::max(from + 1, OffsetAtX(x + 1)) : size_;
    parts.clear();
    mix_(from, to, parts);
    std::uint64_t total = 0;
    for (const auto& part : parts) total += part.second;
    if (total == 0) continue;
    // Each colour gets its share of the height; the rounding goes to the last.
    int y = 0;
    std::uint64_t sum = 0;
    for (const auto& [colour, bytes] : parts) {
      sum += bytes;
      const int bottom = static_cast<int>(static_cast<double>(sum) * h / static_cast<double>(total) + 0.5);
      if (bottom > y) painter.fillRect(x, y, 1, bottom - y, colour);
      y = std::max(y, bottom);
    }
  }
}

void TCoverageStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || size_ == 0) return;
  emit Clicked(OffsetAtX(event->position().toPoint().x()));
}

}  // namespace tarvo

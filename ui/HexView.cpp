#include "ui/HexView.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <climits>

namespace tarvo {
namespace {

constexpr int Margin = 4;
constexpr int MaxScrollSteps = INT_MAX / 2;
constexpr char HexDigits[] = "0123456789ABCDEF";

}  // namespace

QChar THexView::TextChar(std::uint8_t byte) {
  const bool shown = (byte >= 0x20 && byte <= 0x7E) || byte >= 0xA0;
  return shown ? QChar(byte) : QChar('.');
}

void THexView::AppendHexByte(QString& out, std::uint8_t byte) {
  out += QLatin1Char(HexDigits[byte >> 4]);
  out += QLatin1Char(HexDigits[byte & 0xF]);
}

QString THexView::HexNumber(std::uint64_t value, int digits) {
  return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

THexView::THexView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("HexView"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(std::max(8, font().pointSize()));
  setFont(fixed);
  const QFontMetrics metrics(fixed);
  charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  lineHeight_ = metrics.height() + 2;
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  verticalScrollBar()->setSingleStep(1);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  setAccessibleName(QStringLiteral("Hex view"));
  UpdateWidth();
}

int THexView::FullWidth() const {
  return TextX(BytesPerRow) + Margin + verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
}

// The 16 bytes and their text never scroll sideways or get cut: the panes
// beside the view give way instead.
void THexView::UpdateWidth() {
  setMinimumWidth(FullWidth());
  updateGeometry();
}

QSize THexView::sizeHint() const { return {FullWidth(), 24 * lineHeight_}; }

QSize THexView::minimumSizeHint() const { return {FullWidth(), 4 * lineHeight_}; }

// What a screen reader says of the place: the offset and the bytes there.
void THexView::TellCursor() {
  QString text;
  if (!bytes_.empty()) {
    text = QStringLiteral("Offset 0x") + HexNumber(cursor_, 8) + QStringLiteral(", byte ");
    AppendHexByte(text, bytes_[cursor_]);
    if (selectionSize_ > 1) {
      text += QStringLiteral(", selected ") + QString::number(selectionSize_) + QStringLiteral(" bytes from 0x") +
              HexNumber(selectionStart_, 8);
      if (selectionSize_ <= 8) {
        text += QLatin1Char(':');
        for (std::uint64_t i = 0; i < selectionSize_; ++i) {
          text += QLatin1Char(' ');
          AppendHexByte(text, bytes_[selectionStart_ + i]);
        }
      }
    }
  }
  setAccessibleDescription(text);
}

void THexView::SetBytes(std::span<const std::uint8_t> bytes) {
  bytes_ = bytes;
  topRow_ = 0;
  cursor_ = anchor_ = selectionStart_ = 0;
  selectionSize_ = 0;
  UpdateScrollBar();
  verticalScrollBar()->setValue(0);
  UpdateWidth();
  TellCursor();
  viewport()->update();
}

void THexView::SetShading(Shading shading) {
  shading_ = std::move(shading);
  viewport()->update();
}

void THexView::SetMarking(Marking marking) {
  marking_ = std::move(marking);
  viewport()->update();
}

void THexView::ShowAtTop(std::uint64_t offset) { ScrollToRow(offset / BytesPerRow); }

std::uint64_t THexView::RowCount() const { return (bytes_.size() + BytesPerRow - 1) / BytesPerRow; }

int THexView::VisibleRows() const { return std::max(1, viewport()->height() / lineHeight_); }

int THexView::OffsetDigits() const {
  int digits = 8;
  while (digits < 16 && (bytes_.size() >> (4 * digits)) != 0) ++digits;
  return digits;
}

int THexView::HexX(int column) const {
  return Margin + (OffsetDigits() + 2 + column * 3 + (column >= 8 ? 1 : 0)) * charWidth_;
}

int THexView::TextX(int column) const { return Margin + (OffsetDigits() + 2 + 16 * 3 + 2 + column) * charWidth_; }

void THexView::UpdateScrollBar() {
  const std::uint64_t rows = RowCount();
  const std::uint64_t visible = static_cast<std::uint64_t>(VisibleRows());
  const std::uint64_t lastTop = rows > visible ? rows - visible : 0;
  rowsPerStep_ = std::max<std::uint64_t>(1, (lastTop + MaxScrollSteps - 1) / MaxScrollSteps);
  QScrollBar* const bar = verticalScrollBar();
  bar->setRange(0, static_cast<int>((lastTop + rowsPerStep_ - 1) / rowsPerStep_));
  bar->setPageStep(static_cast<int>(std::max<std::uint64_t>(1, visible / rowsPerStep_)));
}

void THexView::ScrollToRow(std::uint64_t row) {
  const std::uint64_t rows = RowCount();
  const std::uint64_t visible = static_cast<std::uint64_t>(VisibleRows());
  topRow_ = std::min(row, rows > visible ? rows - visible : 0);
  QScrollBar* const bar = verticalScrollBar();
  const QSignalBlocker blocker(bar);
  bar->setValue(static_cast<int>(topRow_ / rowsPerStep_));
  viewport()->update();
}

void THexView::scrollContentsBy(int, int) {
  const std::uint64_t row = static_cast<std::uint64_t>(verticalScrollBar()->value()) * rowsPerStep_;
  const std::uint64_t rows = RowCount();
  topRow_ = std::min(row, rows == 0 ? 0 : rows - 1);
  viewport()->update();
  emit Scrolled(topRow_);
}

void THexView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
  ScrollToRow(topRow_);
}

void THexView::EnsureVisible(std::uint64_t offset) {
  const std::uint64_t row = offset / BytesPerRow;
  const std::uint64_t visible = static_cast<std::uint64_t>(VisibleRows());
  if (row >= topRow_ && row < topRow_ + visible) return;
  // A jump puts the place a few rows below the top, with context above it.
  const std::uint64_t context = std::min<std::uint64_t>(3, visible / 4);
  ScrollToRow(row > context ? row - context : 0);
}

void THexView::Select(std::uint64_t start, std::uint64_t size) {
  Select(start, size, cursor_);
}

void THexView::Select(std::uint64_t start, std::uint64_t size, std::uint64_t cursor) {
  if (bytes_.empty()) return;
  start = std::min<std::uint64_t>(start, bytes_.size() - 1);
  size = std::clamp<std::uint64_t>(size, 1, bytes_.size() - start);
  selectionStart_ = start;
  selectionSize_ = size;
  cursor_ = cursor < start || cursor - start >= size ? start : cursor;
  anchor_ = start;
  EnsureVisible(cursor_);
  TellCursor();
  viewport()->update();
  emit CursorMoved(cursor_);
}

void THexView::MoveCursor(std::uint64_t offset, bool extend) {
  if (bytes_.empty()) return;
  cursor_ = std::min<std::uint64_t>(offset, bytes_.size() - 1);
  if (!extend) anchor_ = cursor_;
  selectionStart_ = std::min(anchor_, cursor_);
  selectionSize_ = std::max(anchor_, cursor_) - selectionStart_ + 1;
  EnsureVisible(cursor_);
  TellCursor();
  viewport()->update();
  emit CursorMoved(cursor_);
}

std::optional<QPoint> THexView::PointOf(std::uint64_t offset) const {
  const std::uint64_t row = offset / BytesPerRow;
  if (offset >= bytes_.size() || row < topRow_ || row - topRow_ >= static_cast<std::uint64_t>(VisibleRows()))
    return std::nullopt;
  const int column = static_cast<int>(offset % BytesPerRow);
  return QPoint(HexX(column) + charWidth_, static_cast<int>(row - topRow_) * lineHeight_ + lineHeight_ / 2);
}

std::optional<std::uint64_t> THexView::OffsetAt(const QPoint& point) const {
  if (point.y() < 0) return std::nullopt;
  const std::uint64_t row = topRow_ + static_cast<std::uint64_t>(point.y() / lineHeight_);
  int column = -1;
  for (int c = 0; c < BytesPerRow && column < 0; ++c) {
    if (point.x() >= HexX(c) && point.x() < HexX(c) + 3 * charWidth_) column = c;
    if (point.x() >= TextX(c) && point.x() < TextX(c) + charWidth_) column = c;
  }
  if (column < 0) return std::nullopt;
  const std::uint64_t offset = row * BytesPerRow + static_cast<std::uint64_t>(column);
  if (offset >= bytes_.size()) return std::nullopt;
  return offset;
}

void THexView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().base());
  painter.setFont(font());
  const QFontMetrics metrics(font());
  const int ascent = metrics.ascent() + 1;
  const std::uint64_t rows = RowCount();
  const int digits = OffsetDigits();
  QColor selection = palette().highlight().color();
  selection.setAlpha(110);
  const std::uint8_t* const data = bytes_.data();
  QString hex;
  QString text;
  for (int line = 0; line <= VisibleRows(); ++line) {
    const std::uint64_t row = topRow_ + static_cast<std::uint64_t>(line);
    if (row >= rows) break;
    const int y = line * lineHeight_;
    const std::uint64_t rowStart = row * BytesPerRow;
    const std::uint64_t rowEnd = std::min<std::uint64_t>(rowStart + BytesPerRow, bytes_.size());
    const int count = static_cast<int>(rowEnd - rowStart);
    auto fillBytes = [&](std::uint64_t from, std::uint64_t to, const QColor& colour) {
      const int first = static_cast<int>(from - rowStart);
      const int last = static_cast<int>(to - rowStart) - 1;
      painter.fillRect(QRect(HexX(first), y, HexX(last) + 2 * charWidth_ - HexX(first), lineHeight_), colour);
      painter.fillRect(QRect(TextX(first), y, (last - first + 1) * charWidth_, lineHeight_), colour);
    };
    if (shading_) {
      for (std::uint64_t offset = rowStart; offset < rowEnd;) {
        std::uint64_t runEnd = offset + 1;
        const QColor colour = shading_(offset, runEnd);
        runEnd = std::clamp(runEnd, offset + 1, rowEnd);
        if (colour.isValid()) fillBytes(offset, runEnd, colour);
        offset = runEnd;
      }
    }
    const std::uint64_t selectionEnd = selectionStart_ + selectionSize_;
    if (selectionSize_ > 0 && selectionStart_ < rowEnd && selectionEnd > rowStart)
      fillBytes(std::max(selectionStart_, rowStart), std::min(selectionEnd, rowEnd), selection);

    hex.clear();
    text.clear();
    std::array<bool, BytesPerRow> marked{};
    for (int c = 0; c < count; ++c) {
      const std::uint8_t byte = data[rowStart + static_cast<std::uint64_t>(c)];
      marked[static_cast<std::size_t>(c)] = marking_ && marking_(rowStart + static_cast<std::uint64_t>(c));
      if (c == 8) hex += QLatin1Char(' ');
      // Marked bytes are drawn apart, in bold.
      if (marked[static_cast<std::size_t>(c)]) {
        hex += QStringLiteral("  ");
      } else {
        AppendHexByte(hex, byte);
      }
      hex += QLatin1Char(' ');
      text += marked[static_cast<std::size_t>(c)] ? QChar(' ') : TextChar(byte);
    }
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(Margin, y + ascent,
                     HexNumber(rowStart, digits));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(HexX(0), y + ascent, hex);
    painter.drawText(TextX(0), y + ascent, text);
    if (std::find(marked.begin(), marked.end(), true) != marked.end()) {
      // Marked bytes in bold inside a frame: they read without colour.
      QFont bold = font();
      bold.setBold(true);
      painter.setFont(bold);
      painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DashLine));
      for (int c = 0; c < count; ++c) {
        if (!marked[static_cast<std::size_t>(c)]) continue;
        const std::uint8_t byte = data[rowStart + static_cast<std::uint64_t>(c)];
        QString cell;
        AppendHexByte(cell, byte);
        painter.drawRect(QRect(HexX(c) - 1, y + 1, 2 * charWidth_ + 1, lineHeight_ - 3));
        painter.drawText(HexX(c), y + ascent, cell);
        painter.drawText(TextX(c), y + ascent, QString(TextChar(byte)));
      }
      painter.setFont(font());
    }
    if (!bytes_.empty() && cursor_ >= rowStart && cursor_ < rowEnd) {
      const int c = static_cast<int>(cursor_ - rowStart);
      painter.setPen(QPen(palette().color(QPalette::Text), 1));
      painter.drawRect(QRect(HexX(c) - 1, y, 2 * charWidth_ + 1, lineHeight_ - 1));
      painter.drawRect(QRect(TextX(c), y, charWidth_ - 1, lineHeight_ - 1));
    }
  }
}

bool THexView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* const help = static_cast<QHelpEvent*>(event);
    const std::optional<std::uint64_t> offset = OffsetAt(help->pos());
    const QString tip = offset && toolTip_ ? toolTip_(*offset) : QString();
    if (tip.isEmpty()) {
      QToolTip::hideText();
    } else {
      // Song texts are never markup.
      QToolTip::showText(help->globalPos(),
                         QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() + QStringLiteral("</p>"),
                         viewport());
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void THexView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const std::optional<std::uint64_t> offset = OffsetAt(event->position().toPoint());
  if (!offset) return;
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  MoveCursor(*offset, extend);
  dragAnchor_ = anchor_;
  // A click may mark a whole region (a window linking the view to a tree);
  // a drag from here still starts at the pressed byte.
  if (!extend) emit ByteClicked(*offset);
}

void THexView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const std::optional<std::uint64_t> offset = OffsetAt(event->position().toPoint());
  if (!offset || (*offset == cursor_ && anchor_ == dragAnchor_)) return;
  anchor_ = dragAnchor_;
  MoveCursor(*offset, true);
}

void THexView::keyPressEvent(QKeyEvent* event) {
  if (bytes_.empty()) return QAbstractScrollArea::keyPressEvent(event);
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  const bool control = event->modifiers() & Qt::ControlModifier;
  const std::uint64_t last = bytes_.size() - 1;
  const std::uint64_t page = static_cast<std::uint64_t>(VisibleRows()) * BytesPerRow;
  const std::uint64_t at = cursor_;
  switch (event->key()) {
    case Qt::Key_Left:
      MoveCursor(at > 0 ? at - 1 : 0, extend);
      break;
    case Qt::Key_Right:
      MoveCursor(std::min(at + 1, last), extend);
      break;
    case Qt::Key_Up:
      MoveCursor(at >= BytesPerRow ? at - BytesPerRow : at, extend);
      break;
    case Qt::Key_Down:
      // Onto a shorter last row: its last byte.
      MoveCursor(at / BytesPerRow < last / BytesPerRow ? std::min(at + BytesPerRow, last) : at, extend);
      break;
    case Qt::Key_PageUp:
      MoveCursor(at >= page ? at - page : at % BytesPerRow, extend);
      break;
    case Qt::Key_PageDown:
      MoveCursor(last - at >= page ? at + page : last, extend);
      break;
    case Qt::Key_Home:
      MoveCursor(control ? 0 : at - at % BytesPerRow, extend);
      break;
    case Qt::Key_End:
      MoveCursor(control ? last : std::min(at - at % BytesPerRow + BytesPerRow - 1, last), extend);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace tarvo

#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace tarvo {

// A hex view over a whole file: 16 bytes a row with an offset column, the
// bytes in hex and as Latin-1 text. It paints only the rows on screen
// straight from the bytes and keeps nothing per row, so any place of a
// large file shows at once and its memory does not depend on the size.
// Each byte's background comes from a shading function; the selection is
// marked and the cursor byte outlined.
class THexView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int BytesPerRow = 16;

  // The background of the byte at `offset`; sets `runEnd` to the end of the
  // run of bytes that share it (more than `offset`), so a row costs a few
  // calls, not one per byte.
  using Shading = std::function<QColor(std::uint64_t offset, std::uint64_t& runEnd)>;
  // A byte's tooltip as plain text; empty for none.
  using ToolTip = std::function<QString(std::uint64_t offset)>;
  // Whether a byte is marked (framed and bold, readable without colour).
  using Marking = std::function<bool(std::uint64_t offset)>;

  explicit THexView(QWidget* parent);

  // A byte as the text column shows it: control bytes as a dot.
  static QChar TextChar(std::uint8_t byte);
  // A byte as two upper-case hex digits.
  static void AppendHexByte(QString& out, std::uint8_t byte);
  // A number in upper-case hex, zero-padded to at least `digits` digits.
  static QString HexNumber(std::uint64_t value, int digits);

  // The bytes must outlive the view or be replaced before they go.
  void SetBytes(std::span<const std::uint8_t> bytes);
  std::span<const std::uint8_t> Bytes() const { return bytes_; }
  void SetShading(Shading shading);
  void SetToolTip(ToolTip toolTip) { toolTip_ = std::move(toolTip); }
  void SetMarking(Marking marking);

  std::uint64_t Cursor() const { return cursor_; }
  std::uint64_t SelectionStart() const { return selectionStart_; }
  std::uint64_t SelectionSize() const { return selectionSize_; }
  // Marks [start, start + size) and puts the cursor on its start, scrolled
  // into view; clipped to the bytes. A cursor already inside stays.
  void Select(std::uint64_t start, std::uint64_t size);
  // The same, with the cursor on `cursor` (clipped into the selection).
  void Select(std::uint64_t start, std::uint64_t size, std::uint64_t cursor);
  // The first row on screen and the number of rows that fit.
  std::uint64_t TopRow() const { return topRow_; }
  int VisibleRows() const;
  // Shows `offset`'s row; leaves the screen where it is when already on it.
  void EnsureVisible(std::uint64_t offset);
  // Puts `offset`'s row at the top (as far as the end allows); no signal.
  void ShowAtTop(std::uint64_t offset);
  // The middle of a byte's hex cell in the viewport, if its row is on screen.
  std::optional<QPoint> PointOf(std::uint64_t offset) const;
  // The byte under a point of the viewport, if any.
  std::optional<std::uint64_t> OffsetAt(const QPoint& point) const;

  // QWidget
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The cursor moved by the user (a click or a key) or by Select.
  void CursorMoved(std::uint64_t offset);
  // A byte was clicked (not dragged over).
  void ByteClicked(std::uint64_t offset);
  // The user scrolled (the scroll bar or the wheel), not the program.
  void Scrolled(std::uint64_t topRow);

 protected:
  // QAbstractScrollArea
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool viewportEvent(QEvent* event) override;
  // QWidget
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::uint64_t RowCount() const;
  void UpdateScrollBar();
  void ScrollToRow(std::uint64_t row);
  void MoveCursor(std::uint64_t offset, bool extend);
  int OffsetDigits() const;
  int HexX(int column) const;
  int TextX(int column) const;
  // The width that shows every column whole: offsets, 16 bytes, their text.
  int FullWidth() const;
  void UpdateWidth();
  void TellCursor();

  std::span<const std::uint8_t> bytes_;
  Shading shading_;
  ToolTip toolTip_;
  Marking marking_;
  std::uint64_t topRow_ = 0;
  // Rows per scroll bar step: 1 unless the rows outgrow the bar's int range.
  std::uint64_t rowsPerStep_ = 1;
  std::uint64_t cursor_ = 0;
  std::uint64_t anchor_ = 0;
  // Where the left button went down: a drag selects from there.
  std::uint64_t dragAnchor_ = 0;
  std::uint64_t selectionStart_ = 0;
  std::uint64_t selectionSize_ = 0;
  int charWidth_ = 8;
  int lineHeight_ = 16;
};

}  // namespace tarvo

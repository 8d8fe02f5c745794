#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace tarvo {

// A strip that shows a whole file from left to right: each pixel column
// stacks the colours of what its bytes are, in proportion; a line marks the
// cursor. A click asks to go to the column's first byte.
class TCoverageStrip : public QWidget {
  Q_OBJECT

 public:
  // The colours of the bytes in [from, to) with their byte counts.
  using Mix = std::function<void(std::uint64_t from, std::uint64_t to, std::vector<std::pair<QColor, std::uint64_t>>&)>;

  explicit TCoverageStrip(QWidget* parent);

  void SetFile(std::uint64_t size, Mix mix);
  void SetCursor(std::uint64_t offset);
  // The first byte a pixel column shows.
  std::uint64_t OffsetAtX(int x) const;

  // QWidget
  QSize sizeHint() const override;

 signals:
  void Clicked(std::uint64_t offset);

 protected:
  // QWidget
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Draw();

  std::uint64_t size_ = 0;
  Mix mix_;
  // The strip without its cursor, made again only for a new file or size:
  // a cursor that moves costs no second pass over the file's parts.
  QImage drawn_;
  bool stale_ = true;
  std::uint64_t cursor_ = 0;
};

}  // namespace tarvo

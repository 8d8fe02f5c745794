#include "ui/PageWidgets.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProxyStyle>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace tarvo {
namespace {

class CompactTabStyle : public QProxyStyle {
 public:
  // QStyle
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? std::min(value, 10) : value;
  }
};

}  // namespace

QLineEdit* MakeValueEdit(QWidget* parent, const QString& name, int width) {
  auto* const edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(true);
  SetButtonFace(edit);
  if (width > 0) edit->setFixedWidth(width);
  return edit;
}

void SetButtonFace(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  widget->setPalette(palette);
}

QCheckBox* MakeFlagBox(QWidget* parent, const QString& name, const QString& caption) {
  auto* const box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  box->setEnabled(false);
  return box;
}

QLabel* MakeCaption(QWidget* parent, const QString& caption) {
  auto* const label = new QLabel(caption, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLabel* MakeCaption(QWidget* parent, const QString& caption, QWidget* buddy) {
  QLabel* const label = MakeCaption(parent, caption);
  label->setBuddy(buddy);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int width) {
  auto* const button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setMinimumWidth(width);
  return button;
}

QFrame* MakeVerticalLine(QWidget* parent) {
  auto* const line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

void SetPageSpacing(QBoxLayout* layout) {
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);
}

void SetDropDownRows(QComboBox* combo, int rows) {
  combo->setMaxVisibleItems(rows);
  // Styles such as Fusion drop a menu-like popup of every item, which
  // ignores the count; a list popup keeps it.
  combo->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
}

void SetCompactTabs(QTabWidget* tabs) {
  auto* const style = new CompactTabStyle();
  style->setParent(tabs->tabBar());
  tabs->tabBar()->setStyle(style);
}

void SetWindowFont(QWidget* window) {
  QFont font = window->font();
  font.setPointSize(8);
  window->setFont(font);
}

}  // namespace tarvo

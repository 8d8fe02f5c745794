#include "ui/ApplyContent.h"

#include "ui/LoaderLog.h"
#include "ui/ReportList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>

#include <stdexcept>
#include <type_traits>
#include <variant>

namespace tarvo {
namespace {

[[noreturn]] void NoWidget(const content::Control& control, const char* kind) {
  throw std::logic_error("no " + std::string(kind) + " for control " + control.name);
}

void ApplyText(QWidget* widget, const content::Control& control, const std::string& text, Tabs tabMode) {
  if (auto* const edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(Latin1(text));
    edit->setCursorPosition(0);
  } else if (auto* const memo = qobject_cast<QPlainTextEdit*>(widget)) {
    memo->setPlainText(Latin1(text));
  } else if (auto* const label = qobject_cast<QLabel*>(widget)) {
    // Song texts are never markup: "<i>" in a module's name shows as typed.
    label->setTextFormat(Qt::PlainText);
    label->setText(Latin1(text));
  } else if (auto* const tabs = qobject_cast<QTabWidget*>(widget)) {
    if (tabMode == Tabs::Keep) return;
    // The caption as designed ("&&" for one "&"), which is Qt's tab text too.
    const QString caption = Latin1(text);
    for (int i = 0; i < tabs->count(); ++i) {
      if (tabs->tabText(i) == caption) {
        tabs->setCurrentIndex(i);
        return;
      }
    }
    NoWidget(control, "tab");
  } else {
    NoWidget(control, "text widget");
  }
}

}  // namespace

void SetComboContent(QComboBox* combo, const content::Combo& content) {
  const QSignalBlocker blocker(combo);
  combo->clear();
  QStringList items;
  items.reserve(static_cast<qsizetype>(content.items.size()));
  for (const std::string& item : content.items) items.append(Latin1(item));
  combo->addItems(items);
  combo->setCurrentIndex(content.selected >= 0 && content.selected < combo->count() ? content.selected : -1);
}

void ApplyControl(QWidget* root, const content::Control& control, Tabs tabs) {
  const QString name = QString::fromStdString(control.name);
  QWidget* const widget = root->objectName() == name ? root : root->findChild<QWidget*>(name);
  if (widget == nullptr) NoWidget(control, "widget");

  std::visit(
      [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          ApplyText(widget, control, value, tabs);
        } else if constexpr (std::is_same_v<T, bool>) {
          auto* const box = qobject_cast<QCheckBox*>(widget);
          if (box == nullptr) NoWidget(control, "check box");
          box->setChecked(value);
        } else if constexpr (std::is_same_v<T, content::Table>) {
          auto* const view = qobject_cast<QTableView*>(widget);
          if (view == nullptr || ReportModelOf(view) == nullptr) NoWidget(control, "report list");
          SetReportTable(view, value);
        } else if constexpr (std::is_same_v<T, content::Combo>) {
          auto* const combo = qobject_cast<QComboBox*>(widget);
          if (combo == nullptr) NoWidget(control, "drop-down list");
          SetComboContent(combo, value);
        } else if constexpr (std::is_same_v<T, content::Lines>) {
          auto* const view = qobject_cast<QListView*>(widget);
          if (view == nullptr || LogModelOf(view) == nullptr) NoWidget(control, "list box");
          LogModelOf(view)->SetLines(value.lines);
        }
      },
      control.value);
}

void ApplyPage(QWidget* root, const content::Page& page, Tabs tabs) {
  for (const content::Control& control : page.controls) ApplyControl(root, control, tabs);
}

}  // namespace tarvo

#include "ui/Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace tarvo {
namespace {

// Messages quote file names and song texts, which are never markup.
int ExecPlain(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);
  return box.exec();
}

class QtDialogs : public Dialogs {
 public:
  // Dialogs
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                      const QStringList& filters) override {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name need not exist: opening it then fails with the loader's own error.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
  }

  std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                      const QString& defaultSuffix) override {
    QFileDialog dialog(parent, title);
    // The dialog asks before it replaces an existing file.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
  }

  void Message(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, MessageBoxTitle, text, QMessageBox::Ok, parent);
    ExecPlain(box);
  }

  void Error(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Critical, MessageBoxTitle, text, QMessageBox::Ok, parent);
    ExecPlain(box);
  }

  bool Question(QWidget* parent, const QString& text) override {
    QMessageBox box(QMessageBox::Question, MessageBoxTitle, text, QMessageBox::Yes | QMessageBox::No, parent);
    return ExecPlain(box) == QMessageBox::Yes;
  }

  int Exec(QDialog& dialog) override { return dialog.exec(); }
};

QtDialogs qtDialogs;
Dialogs* current = nullptr;

}  // namespace

Dialogs& CurrentDialogs() { return current != nullptr ? *current : qtDialogs; }

void SetDialogs(Dialogs* dialogs) { current = dialogs; }

}  // namespace tarvo

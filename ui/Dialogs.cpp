#include "ui/Dialogs.h"

#include "ui/RecentSongs.h"

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
    // Where the last song came from; a song opened elsewhere moves it.
    if (const QString folder = OpenFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    NoteOpenedIn(dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
  }

  std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                      const QString& defaultSuffix) override {
    QFileDialog dialog(parent, title);
    // The dialog asks before it replaces an existing file.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    if (const QString folder = SaveFolder(); !folder.isEmpty()) dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    NoteSavedIn(dialog.selectedFiles().constFirst());
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

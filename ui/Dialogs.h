#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QDialog;
class QWidget;

namespace tarvo {

// Every dialog and message box the program shows goes through here, so that
// tests can answer them without a person at the screen.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A file to open, or nothing when the user cancels.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& title,
                                              const QStringList& filters) = 0;
  // A file to write, or nothing when the user cancels. `defaultSuffix` is added
  // to a name typed without one.
  virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& title,
                                              const QStringList& filters,
                                              const QString& defaultSuffix) = 0;
  // A plain message with one OK button, titled with the application title.
  virtual void Message(QWidget* parent, const QString& text) = 0;
  // The same with an error icon, for errors that escaped a handler.
  virtual void Error(QWidget* parent, const QString& text) = 0;
  // A yes/no question; true for yes.
  virtual bool Question(QWidget* parent, const QString& text) = 0;
  // Shows a viewer modally; returns when it is closed.
  virtual int Exec(QDialog& dialog) = 0;
};

// The title of every message box.
inline const QString MessageBoxTitle = QStringLiteral("Tarvo Analyzer");

// The dialogs in use: the Qt ones unless a test has put others in.
Dialogs& CurrentDialogs();
// Puts `dialogs` in use (not owned); nullptr puts the Qt ones back.
void SetDialogs(Dialogs* dialogs);

}  // namespace tarvo

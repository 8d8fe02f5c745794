#pragma once

#include <gtest/gtest.h>

#include "mainwindow/Main.h"
#include "content/Controls.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTableView;

namespace tarvo::testing {

class SongBuilder;

// The one application object of the test program, made on first use.
TApplication& TestApplication();

// Answers every dialog from a script and records what was shown.
class ScriptedDialogs : public Dialogs {
 public:
  struct FileDialogCall {
    QString title;
    QStringList filters;
    QString defaultSuffix;
  };

  // Answers, taken in turn; nothing queued answers like a cancel.
  std::deque<std::optional<QString>> openAnswers;
  std::deque<std::optional<QString>> saveAnswers;
  // Runs while a viewer is "shown"; the viewer then counts as closed.
  std::function<void(QDialog&)> onExec;

  std::vector<FileDialogCall> openCalls;
  std::vector<FileDialogCall> saveCalls;
  std::vector<QString> messages;
  std::vector<QString> errors;
  int execCount = 0;

  // Dialogs
  std::optional<QString> OpenFileName(QWidget* parent, const QString& title, const QStringList& filters) override;
  std::optional<QString> SaveFileName(QWidget* parent, const QString& title, const QStringList& filters,
                                      const QString& defaultSuffix) override;
  void Message(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  bool Question(QWidget* parent, const QString& text) override;
  int Exec(QDialog& dialog) override;
};

// A shown main window, as at start-up, answering its dialogs from a script.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a song into the test's folder and returns its path.
  QString WriteSong(const SongBuilder& song, const QString& fileName = QStringLiteral("demo.kvs"));
  // Runs "Load Kvs..." with `path` picked in the open dialog.
  void PickAndLoad(const QString& path);

  QTableView* List(const char* name) const;
  int RowCount(const char* name) const;
  QString Cell(const char* name, int row, int column) const;
  QString Text(const char* name) const;
  std::vector<std::string> LogLines() const;

  QTemporaryDir folder;
  ScriptedDialogs dialogs;
  std::unique_ptr<TFrmMain> window;
};

// Every control of `page` shows in the widget of its name under `root`
// what the page says: texts (labels as plain text), check states, drop-down
// items and selection, and every cell of every table.
void ExpectShows(QWidget* root, const content::Page& page);

// The rows of a report list as its cells, for comparing two lists.
std::vector<std::vector<QString>> Rows(const QTableView* view);

// While it lives, writes that make a file larger than `bytes` fail, as on a
// full disk; root ignores permissions, so this is how a test makes a write
// fail.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long savedCurrent_ = 0;
  void (*savedHandler_)(int) = nullptr;
};

// While it lives, settings are on and kept in a folder of its own, empty at
// first; then off again, as for every other test.
class TemporarySettings {
 public:
  TemporarySettings();
  ~TemporarySettings();
  TemporarySettings(const TemporarySettings&) = delete;
  TemporarySettings& operator=(const TemporarySettings&) = delete;

  QString Folder() const { return folder_.path(); }
  // Where the settings file lies in that folder.
  QString File() const;

 private:
  QTemporaryDir folder_;
};

// The names in a folder, without "." and "..".
QStringList FolderEntries(const QString& path);

}  // namespace tarvo::testing

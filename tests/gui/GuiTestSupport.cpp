#include "tests/gui/GuiTestSupport.h"

#include "ui/LoaderLog.h"
#include "ui/ReportList.h"
#include "ui/Settings.h"
#include "songbuilder/SongBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include <csignal>
#include <sys/resource.h>

#include <type_traits>
#include <variant>

namespace tarvo::testing {

TApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: widgets of static objects may outlive main.
  static auto* const application = [] {
    // No test reads or writes the user's settings, Qt's own included; the
    // settings tests turn them on in a folder of their own.
    TurnSettingsOff();
    return new TApplication(argc, argv);
  }();
  return *application;
}

namespace {

std::optional<QString> TakeAnswer(std::deque<std::optional<QString>>& answers) {
  if (answers.empty()) return std::nullopt;
  const bool cancelled = !answers.front().has_value();
  const QString path = answers.front().value_or(QString());
  answers.pop_front();
  if (cancelled) return std::nullopt;
  return path;
}

}  // namespace

std::optional<QString> ScriptedDialogs::OpenFileName(QWidget*, const QString& title, const QStringList& filters) {
  openCalls.push_back({title, filters, QString()});
  return TakeAnswer(openAnswers);
}

std::optional<QString> ScriptedDialogs::SaveFileName(QWidget*, const QString& title, const QStringList& filters,
                                                     const QString& defaultSuffix) {
  saveCalls.push_back({title, filters, defaultSuffix});
  return TakeAnswer(saveAnswers);
}

void ScriptedDialogs::Message(QWidget*, const QString& text) { messages.push_back(text); }

void ScriptedDialogs::Error(QWidget*, const QString& text) { errors.push_back(text); }

bool ScriptedDialogs::Question(QWidget*, const QString&) { return false; }

int ScriptedDialogs::Exec(QDialog& dialog) {
  ++execCount;
  if (onExec) onExec(dialog);
  return QDialog::Rejected;
}

void MainWindowTest::SetUp() {
  TestApplication();
  ASSERT_TRUE(folder.isValid());
  SetDialogs(&dialogs);
  window = std::make_unique<TFrmMain>();
  window->show();
}

void MainWindowTest::TearDown() {
  window.reset();
  SetDialogs(nullptr);
}

QString MainWindowTest::WriteSong(const SongBuilder& song, const QString& fileName) {
  const QString path = folder.filePath(fileName);
  song.WriteToFile(QFile::encodeName(path).toStdString());
  return path;
}

void MainWindowTest::PickAndLoad(const QString& path) {
  dialogs.openAnswers.push_back(path);
  window->BtnLoadKvsClick();
}

QTableView* MainWindowTest::List(const char* name) const {
  auto* const view = window->findChild<QTableView*>(QString::fromLatin1(name));
  EXPECT_NE(view, nullptr) << name;
  return view;
}

int MainWindowTest::RowCount(const char* name) const { return ReportModelOf(List(name))->rowCount(); }

QString MainWindowTest::Cell(const char* name, int row, int column) const {
  return ReportModelOf(List(name))->CellText(row, column);
}

QString MainWindowTest::Text(const char* name) const {
  const QString objectName = QString::fromLatin1(name);
  if (auto* const edit = window->findChild<QLineEdit*>(objectName)) return edit->text();
  if (auto* const memo = window->findChild<QPlainTextEdit*>(objectName)) return memo->toPlainText();
  ADD_FAILURE() << "no text control " << name;
  return QString();
}

std::vector<std::string> MainWindowTest::LogLines() const {
  return LogModelOf(window->LoaderMessages)->Lines().ToVector();
}

std::vector<std::vector<QString>> Rows(const QTableView* view) {
  const TReportModel* const model = ReportModelOf(view);
  std::vector<std::vector<QString>> rows;
  for (int row = 0; row < model->rowCount(); ++row) {
    std::vector<QString> cells;
    for (int column = 0; column < model->columnCount(); ++column) cells.push_back(model->CellText(row, column));
    rows.push_back(std::move(cells));
  }
  return rows;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) ADD_FAILURE() << "getrlimit";
  savedCurrent_ = limit.rlim_cur;
  savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) ADD_FAILURE() << "setrlimit";
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = savedCurrent_;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, savedHandler_);
}

TemporarySettings::TemporarySettings() {
  TestApplication();
  EXPECT_TRUE(folder_.isValid());
  UseSettingsFolder(folder_.path());
}

TemporarySettings::~TemporarySettings() { TurnSettingsOff(); }

QString TemporarySettings::File() const {
  return folder_.filePath(QStringLiteral("tarvo-analyzer/tarvo-analyzer.conf"));
}

QStringList FolderEntries(const QString& path) {
  return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

namespace {

QString Latin1Of(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

void ExpectText(QWidget* widget, const std::string& name, const std::string& expected) {
  const QString text = Latin1Of(expected);
  if (auto* const edit = qobject_cast<QLineEdit*>(widget)) {
    EXPECT_EQ(edit->text(), text) << name;
  } else if (auto* const memo = qobject_cast<QPlainTextEdit*>(widget)) {
    EXPECT_EQ(memo->toPlainText(), text) << name;
  } else if (auto* const label = qobject_cast<QLabel*>(widget)) {
    EXPECT_EQ(label->text(), text) << name;
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
  } else if (auto* const tabs = qobject_cast<QTabWidget*>(widget)) {
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), text) << name;
  } else {
    ADD_FAILURE() << name << " shows no text";
  }
}

void ExpectTable(QWidget* widget, const std::string& name, const content::Table& table) {
  auto* const view = qobject_cast<QTableView*>(widget);
  ASSERT_NE(view, nullptr) << name;
  const TReportModel* const model = ReportModelOf(view);
  ASSERT_EQ(model->columnCount(), static_cast<int>(table.Columns().size())) << name;
  for (std::size_t column = 0; column < table.Columns().size(); ++column)
    EXPECT_EQ(model->headerData(static_cast<int>(column), Qt::Horizontal).toString(),
              Latin1Of(table.Columns()[column].caption))
        << name;
  ASSERT_EQ(static_cast<std::size_t>(model->rowCount()), table.RowCount()) << name;
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    const std::vector<std::string> cells = table.Row(row);
    for (std::size_t column = 0; column < table.Columns().size(); ++column) {
      const QString expected = column < cells.size() ? Latin1Of(cells[column]) : QString();
      EXPECT_EQ(model->CellText(static_cast<int>(row), static_cast<int>(column)), expected)
          << name << " row " << row << " column " << column;
    }
  }
}

}  // namespace

void ExpectShows(QWidget* root, const content::Page& page) {
  for (const content::Control& control : page.controls) {
    const QString name = QString::fromStdString(control.name);
    QWidget* const widget = root->objectName() == name ? root : root->findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << control.name;
    std::visit(
        [&](const auto& value) {
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, std::string>) {
            ExpectText(widget, control.name, value);
          } else if constexpr (std::is_same_v<T, bool>) {
            auto* const box = qobject_cast<QCheckBox*>(widget);
            ASSERT_NE(box, nullptr) << control.name;
            EXPECT_EQ(box->isChecked(), value) << control.name;
          } else if constexpr (std::is_same_v<T, content::Table>) {
            ExpectTable(widget, control.name, value);
          } else if constexpr (std::is_same_v<T, content::Combo>) {
            auto* const combo = qobject_cast<QComboBox*>(widget);
            ASSERT_NE(combo, nullptr) << control.name;
            ASSERT_EQ(combo->count(), static_cast<int>(value.items.size())) << control.name;
            for (int i = 0; i < combo->count(); ++i)
              EXPECT_EQ(combo->itemText(i), Latin1Of(value.items[static_cast<std::size_t>(i)])) << control.name;
            EXPECT_EQ(combo->currentIndex(), value.selected) << control.name;
          } else if constexpr (std::is_same_v<T, content::Lines>) {
            auto* const view = qobject_cast<QListView*>(widget);
            ASSERT_NE(view, nullptr) << control.name;
            EXPECT_EQ(LogModelOf(view)->Lines().ToVector(), value.lines.ToVector()) << control.name;
          }
        },
        control.value);
  }
}

}  // namespace tarvo::testing

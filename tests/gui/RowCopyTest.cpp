#include "tests/gui/GuiTestSupport.h"

#include "ui/LoaderLog.h"
#include "ui/ReportList.h"
#include "ui/RowCopy.h"
#include "songbuilder/SongBuilder.h"
#include "windows/DataViewer.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

// The text a copy of `rows` of `view` must give, made from what the list shows.
QString Expected(const QTableView* view, const std::vector<int>& rows) {
  const TReportModel* const model = ReportModelOf(view);
  QStringList lines;
  QStringList captions;
  for (int column = 0; column < model->columnCount(); ++column)
    captions << model->headerData(column, Qt::Horizontal).toString();
  lines << captions.join('\t');
  for (const int row : rows) {
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column) cells << model->CellText(row, column);
    lines << cells.join('\t');
  }
  return lines.join('\n');
}

std::vector<int> AllRows(const QAbstractItemView* view) {
  std::vector<int> rows;
  for (int row = 0; row < view->model()->rowCount(); ++row) rows.push_back(row);
  return rows;
}

QString Clipboard() { return QGuiApplication::clipboard()->text(); }

void PressCopy(QWidget* view) { QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier); }

// Opens the list's context menu and returns it.
QMenu* ContextMenu(QAbstractItemView* view) {
  emit view->customContextMenuRequested(QPoint(4, 4));
  // A closed menu may still wait for its deletion: the newest is this one.
  const QList<QMenu*> menus = view->findChildren<QMenu*>("RowCopyMenu", Qt::FindDirectChildrenOnly);
  EXPECT_FALSE(menus.isEmpty());
  return menus.isEmpty() ? nullptr : menus.constLast();
}

TEST(RowCopyText, CaptionsThenRowsWithTabsAndOneCellPerColumn) {
  TestApplication();
  TReportModel model(nullptr);
  model.SetTable(content::FixedTable({{"#", 30}, {"Name", 120}, {"Value", -1}},
                                     {{"0", "caf\xE9", "x"}, {"1", "a\tb", "line\r\nbreak"}, {"2"}}));

  EXPECT_EQ(RowsText(model, {0, 2}), QString::fromLatin1("#\tName\tValue\n0\tcaf\xE9\tx\n2\t\t"));
  // A tab or line break inside a cell cannot split it.
  EXPECT_EQ(RowsText(model, {1}), "#\tName\tValue\n1\ta b\tline  break");
  EXPECT_EQ(AllRowsText(model)->split('\n').size(), 4);
  EXPECT_EQ(AllRowsText(model)->split('\n')[3], "2\t\t");

  model.SetTable(content::Table({{"Only", 50}}));
  EXPECT_EQ(AllRowsText(model), "Only");
  EXPECT_EQ(RowsText(model, {}), "Only");
}

TEST(RowCopyText, CopyAllTakesEveryRowOfAMillion) {
  TestApplication();
  constexpr std::size_t Count = 1'000'000;
  TReportModel model(nullptr);
  model.SetTable(content::Table({{"#", 30}, {"Hex", 60}}, Count, [](std::size_t row, std::vector<std::string>& cells) {
    cells.push_back(std::to_string(row));
    cells.push_back("ABCDEF");
  }));

  const QString text = AllRowsText(model).value();
  EXPECT_EQ(text.count('\n'), static_cast<qsizetype>(Count));
  EXPECT_TRUE(text.startsWith("#\tHex\n0\tABCDEF\n1\tABCDEF\n"));
  EXPECT_TRUE(text.endsWith("\n999999\tABCDEF"));
}

class RowCopyTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    PickAndLoad(WriteSong(EveryChunkSong()));
    QGuiApplication::clipboard()->setText("before");
  }
};

TEST_F(RowCopyTest, EveryListOfTheWindowAndViewersCanCopy) {
  for (const QTableView* const view : window->findChildren<QTableView*>())
    EXPECT_NE(RowCopyOf(view), nullptr) << view->objectName().toStdString();
  EXPECT_NE(RowCopyOf(window->LoaderMessages), nullptr);
  TFrmDataViewer viewer(nullptr);
  EXPECT_NE(RowCopyOf(viewer.LstChunks), nullptr);
}

TEST_F(RowCopyTest, CtrlCAndMenuCopyTheSelectedRowAndCopyAllEveryRow) {
  QTableView* const modules = List("LstModules");
  ASSERT_GT(RowCount("LstModules"), 2);

  // Nothing selected: the clipboard keeps what it had, the menu offers no Copy.
  PressCopy(modules);
  EXPECT_EQ(Clipboard(), "before");
  QMenu* menu = ContextMenu(modules);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), "Copy");
  EXPECT_EQ(menu->actions()[0]->shortcut(), QKeySequence(QKeySequence::Copy));
  EXPECT_EQ(menu->actions()[1]->text(), "Copy All");
  EXPECT_FALSE(menu->actions()[0]->isEnabled());
  EXPECT_TRUE(menu->actions()[1]->isEnabled());
  menu->close();

  modules->selectRow(2);
  PressCopy(modules);
  EXPECT_EQ(Clipboard(), Expected(modules, {2}));
  QGuiApplication::clipboard()->setText("before");

  menu = ContextMenu(modules);
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->actions()[0]->isEnabled());
  menu->actions()[0]->trigger();
  EXPECT_EQ(Clipboard(), Expected(modules, {2}));
  menu->actions()[1]->trigger();
  EXPECT_EQ(Clipboard(), Expected(modules, AllRows(modules)));
  menu->close();
}

// A copy past the bound says so and leaves the clipboard as it was.
TEST_F(RowCopyTest, CopyLongerThanTheBoundCopiesNothing) {
  QTableView* const modules = List("LstModules");
  TRowCopy* const copy = RowCopyOf(modules);
  const QString all = Expected(modules, AllRows(modules));
  copy->MaxCharacters = all.size() - 1;
  copy->ActCopyAll->trigger();
  EXPECT_EQ(Clipboard(), "before");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].startsWith("Too much text to copy")) << dialogs.messages[0].toStdString();

  copy->MaxCharacters = all.size();
  copy->ActCopyAll->trigger();
  EXPECT_EQ(Clipboard(), all);
}

TEST_F(RowCopyTest, LogCopiesItsLinesUnderItsCaption) {
  QListView* const log = window->LoaderMessages;
  const std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), 1u);

  log->setCurrentIndex(log->model()->index(1, 0));
  PressCopy(log);
  EXPECT_EQ(Clipboard(), "Loader Messages\n" + QString::fromLatin1(lines[1]));

  QString all = QStringLiteral("Loader Messages");
  for (const std::string& line : lines) all += '\n' + QString::fromLatin1(line);
  RowCopyOf(log)->ActCopyAll->trigger();
  EXPECT_EQ(Clipboard(), all);
}

}  // namespace
}  // namespace tarvo::testing

#include "tests/gui/GuiTestSupport.h"

#include "ui/ApplyContent.h"
#include "ui/LoaderLog.h"
#include "ui/ReportList.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>

#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

// Collects the model tester's complaints instead of printing them.
class WarningCollector {
 public:
  WarningCollector() { previous_ = qInstallMessageHandler(&WarningCollector::Handle); }
  ~WarningCollector() { qInstallMessageHandler(previous_); }
  static std::vector<QString>& Warnings() {
    static std::vector<QString> warnings;
    return warnings;
  }

 private:
  static void Handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) Warnings().push_back(message);
  }
  QtMessageHandler previous_;
};

content::Table ShortRowsTable() {
  // Row 1 carries fewer cells than the list has columns.
  return content::FixedTable({{"#", 30}, {"Name", 120}, {"", -1}}, {{"0", "a", "x"}, {"1", "b"}, {"2"}});
}

TEST(ReportList, ModelPassesTheModelTesterThroughResets) {
  TestApplication();
  WarningCollector collector;
  WarningCollector::Warnings().clear();
  TReportModel model(nullptr);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

  model.SetTable(ShortRowsTable());
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
  EXPECT_EQ(model.data(model.index(1, 1)).toString(), "b");
  EXPECT_EQ(model.data(model.index(1, 2)).toString(), "");
  EXPECT_EQ(model.data(model.index(2, 1)).toString(), "");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Name");
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

  model.SetTable(content::Table({{"Only", 50}}));
  EXPECT_EQ(model.rowCount(), 0);
  model.SetTable(ShortRowsTable());
  EXPECT_TRUE(WarningCollector::Warnings().empty()) << WarningCollector::Warnings().front().toStdString();
}

TEST(ReportList, RowThatCannotBeMadeShowsEmpty) {
  TestApplication();
  TReportModel model(nullptr);
  model.SetTable(content::Table({{"#", 30}}, 2, [](std::size_t row, std::vector<std::string>& cells) {
    if (row == 1) throw std::runtime_error("no row");
    cells.push_back("0");
  }));
  EXPECT_EQ(model.CellText(0, 0), "0");
  EXPECT_EQ(model.CellText(1, 0), "");
  EXPECT_EQ(model.CellText(0, 0), "0");
}

TEST(ReportList, ViewTakesTheContentsColumnWidthsOnceAndDropsTheSelectionOnReload) {
  TestApplication();
  QWidget parent;
  QTableView* const view = MakeReportView(&parent, "LstTest");
  SetReportTable(view, ShortRowsTable());
  EXPECT_EQ(view->horizontalHeader()->sectionSize(0), 30);
  EXPECT_EQ(view->horizontalHeader()->sectionSize(1), 120);
  EXPECT_EQ(view->horizontalHeader()->sectionSize(2), view->horizontalHeader()->defaultSectionSize());

  // The same columns again keep a width the user chose.
  view->horizontalHeader()->resizeSection(1, 200);
  SetReportTable(view, ShortRowsTable());
  EXPECT_EQ(view->horizontalHeader()->sectionSize(1), 200);

  view->selectRow(1);
  EXPECT_EQ(SelectedRow(view), std::optional<std::size_t>(1));
  SetReportTable(view, ShortRowsTable());
  EXPECT_EQ(SelectedRow(view), std::nullopt);
}

TEST(ApplyContent, ComboFromCodeRunsNoChangeHandler) {
  TestApplication();
  QComboBox combo;
  QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
  QSignalSpy activated(&combo, &QComboBox::activated);
  SetComboContent(&combo, {{"0-2999", "3000-3000"}, 1});
  EXPECT_EQ(combo.count(), 2);
  EXPECT_EQ(combo.currentIndex(), 1);
  SetComboContent(&combo, {{}, -1});
  EXPECT_EQ(combo.currentIndex(), -1);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(activated.count(), 0);
}

TEST(ApplyContent, ControlWithoutAFittingWidgetIsAnError) {
  TestApplication();
  QWidget root;
  auto* const edit = new QLineEdit(&root);
  edit->setObjectName("EdtValue");
  content::Page page;
  page.Add("EdtValue", std::string("caf\xE9"));
  ApplyPage(&root, page);
  EXPECT_EQ(edit->text(), QString::fromUtf8("café"));

  content::Page missing;
  missing.Add("EdtNone", std::string("x"));
  EXPECT_THROW(ApplyPage(&root, missing), std::logic_error);
  content::Page wrongKind;
  wrongKind.Add("EdtValue", true);
  EXPECT_THROW(ApplyPage(&root, wrongKind), std::logic_error);
}

TEST(LoaderLog, ModelPassesTheModelTesterAndShowsLinesOnFlush) {
  TestApplication();
  WarningCollector collector;
  WarningCollector::Warnings().clear();
  TLogModel model(nullptr);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

  model.Append("first");
  model.Append("second");
  EXPECT_EQ(model.Lines().Size(), 2u);
  model.Flush();
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.data(model.index(1, 0)).toString(), "second");
  model.Append("third");
  QCoreApplication::processEvents();  // a queued flush shows it too
  EXPECT_EQ(model.rowCount(), 3);
  // A line added after its neighbours were shown shows too.
  EXPECT_EQ(model.data(model.index(2, 0)).toString(), "third");
  model.Clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_TRUE(model.Lines().Empty());
  EXPECT_TRUE(WarningCollector::Warnings().empty()) << WarningCollector::Warnings().front().toStdString();
}

}  // namespace
}  // namespace tarvo::testing

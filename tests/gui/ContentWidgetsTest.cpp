#include "tests/gui/GuiTestSupport.h"

#include "content/pages/MainContent.h"
#include "content/viewers/ViewerContent.h"
#include "ui/ApplyContent.h"
#include "windows/DataViewer.h"
#include "windows/ModuleViewer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

// The named widgets of the kinds content fills, in this window (not in a
// dialog it owns). The song-event option is the user's input, not the song's.
std::set<std::string> ContentWidgets(const QWidget& window) {
  std::set<std::string> names;
  for (const QWidget* const widget : window.findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (widget->window() != &window || name.isEmpty() || name.startsWith(QStringLiteral("qt_")) ||
        name == "CbxSkipSongEventDisplay")
      continue;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QTableView*>(widget) ||
        qobject_cast<const QComboBox*>(widget) || qobject_cast<const QListView*>(widget) ||
        qobject_cast<const QTabWidget*>(widget) || qobject_cast<const QLabel*>(widget))
      names.insert(name.toStdString());
  }
  return names;
}

// Every content control finds a widget of its kind (applying it would
// throw otherwise), and every content widget has a control.
void ExpectOneToOne(QWidget& window, const std::vector<content::Page>& pages) {
  std::set<std::string> controls;
  for (const content::Page& page : pages) {
    EXPECT_NO_THROW(ApplyPage(&window, page));
    for (const content::Control& control : page.controls) controls.insert(control.name);
  }
  std::vector<std::string> withoutControl;
  std::vector<std::string> withoutWidget;
  const std::set<std::string> widgets = ContentWidgets(window);
  std::ranges::set_difference(widgets, controls, std::back_inserter(withoutControl));
  std::ranges::set_difference(controls, widgets, std::back_inserter(withoutWidget));
  EXPECT_EQ(withoutControl, std::vector<std::string>{});
  EXPECT_EQ(withoutWidget, std::vector<std::string>{});
}

TEST_F(MainWindowTest, EveryContentControlHasItsWidgetAndEveryWidgetItsControl) {
  std::vector<content::Page> pages;
  for (content::MainTab& tab : content::MainWindowDesigned()) pages.push_back(std::move(tab.page));
  ExpectOneToOne(*window, pages);
}

TEST(ViewerWindows, EveryContentControlHasItsWidgetAndEveryWidgetItsControl) {
  TestApplication();
  TFrmModuleViewer module(nullptr);
  ExpectOneToOne(module, {content::ModuleViewerDesigned()});
  TFrmDataViewer data(nullptr);
  ExpectOneToOne(data, {content::DataViewerDesigned()});
}

}  // namespace
}  // namespace tarvo::testing

#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::testing {
namespace {

TEST(ErrorBox, AddsAFullStopAfterCharactersAboveIt) {
  EXPECT_EQ(ErrorBoxText("Cannot open file /x/demo.kvs"), "Cannot open file /x/demo.kvs.");
  EXPECT_EQ(ErrorBoxText("Stream read error"), "Stream read error.");
  EXPECT_EQ(ErrorBoxText("Error while saving!"), "Error while saving!");
  EXPECT_EQ(ErrorBoxText("(a)"), "(a)");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("a/"), "a/.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBox, ShowsFileNamesInUtf8AndOtherTextsAsLatin1) {
  EXPECT_EQ(ErrorBoxText("Cannot open file /tmp/caf\xC3\xA9"), QString::fromUtf8("Cannot open file /tmp/café."));
  EXPECT_EQ(ErrorBoxText("caf\xE9"), QString::fromUtf8("café."));
}

// An object whose every event handler fails.
class Failing : public QObject {
 public:
  bool event(QEvent*) override { throw std::runtime_error("Stream read error"); }
};

TEST(ErrorHandler, NotifyShowsAnEscapedErrorAndTheProgramGoesOn) {
  TestApplication();
  ScriptedDialogs dialogs;
  SetDialogs(&dialogs);
  Failing failing;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&failing, &event));
  QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  SetDialogs(nullptr);
  EXPECT_EQ(dialogs.errors, (std::vector<QString>{"Stream read error.", "Stream read error."}));
  EXPECT_TRUE(dialogs.messages.empty());
}

// Messages quote file names, which may hold anything that looks like markup.
TEST(MessageBoxes, ShowTheirTextAsPlainText) {
  TestApplication();
  const QString text = QStringLiteral("Cannot open file /tmp/<b>take[*]</b>.kvs");
  std::vector<Qt::TextFormat> formats;
  const auto answer = [&] {
    QTimer::singleShot(0, [&] {
      auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text(), text);
      formats.push_back(box->textFormat());
      box->done(QMessageBox::No);
    });
  };
  answer();
  CurrentDialogs().Message(nullptr, text);
  answer();
  CurrentDialogs().Error(nullptr, text);
  answer();
  CurrentDialogs().Question(nullptr, text);
  EXPECT_EQ(formats, std::vector<Qt::TextFormat>(3, Qt::PlainText));
}

}  // namespace
}  // namespace tarvo::testing

#include "tests/gui/GuiTestSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

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

}  // namespace
}  // namespace tarvo::testing

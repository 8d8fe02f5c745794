#include "tests/gui/GuiTestSupport.h"

#include "windows/Progress.h"

#include <QLabel>
#include <QProgressBar>

#include <memory>

namespace tarvo::testing {
namespace {

class ProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    owner = std::make_unique<QWidget>();
    progress = new TFrmProgress(owner.get());
  }

  std::unique_ptr<QWidget> owner;
  TFrmProgress* progress = nullptr;
};

TEST_F(ProgressTest, CountStepsFillTheBarAndFurtherStepsLeaveItFull) {
  progress->ShowProgress();
  progress->ResetProgress(10, "Loading data...");
  EXPECT_EQ(progress->Bar->minimum(), 0);
  EXPECT_EQ(progress->Bar->maximum(), 9);
  EXPECT_EQ(progress->Bar->value(), 0);
  EXPECT_EQ(progress->LblCaption->text(), "Loading data...");
  for (int step = 1; step <= 9; ++step) {
    progress->StepProgress();
    EXPECT_EQ(progress->Bar->value(), step);
  }
  progress->StepProgress();
  EXPECT_EQ(progress->Bar->value(), 9);

  // A reset while shown empties the bar at once.
  progress->ResetProgress(3, "Again");
  EXPECT_EQ(progress->Bar->value(), 0);
  EXPECT_EQ(progress->LblCaption->text(), "Again");
  progress->HideProgress();
  EXPECT_FALSE(progress->isVisible());
}

// Nothing to count shows an empty bar; a bar whose maximum equals its
// minimum would show a busy animation.
TEST_F(ProgressTest, CountOfOneOrLessShowsAnEmptyBar) {
  for (const int count : {1, 0, -5}) {
    progress->ResetProgress(count, "x");
    progress->StepProgress();
    EXPECT_LT(progress->Bar->minimum(), progress->Bar->maximum()) << count;
    EXPECT_EQ(progress->Bar->value(), progress->Bar->minimum()) << count;
  }
}

TEST_F(ProgressTest, OffersNoWayToCloseIt) {
  EXPECT_FALSE(progress->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(progress->windowFlags() & Qt::WindowSystemMenuHint);
  EXPECT_FALSE(progress->isModal());
  EXPECT_EQ(progress->windowTitle(), "Loading...");
  progress->ShowProgress();
  EXPECT_FALSE(progress->close());
  progress->reject();
  EXPECT_TRUE(progress->isVisible());
  progress->HideProgress();
}

}  // namespace
}  // namespace tarvo::testing

#pragma once

#include <QDialog>

#include <string_view>

class QLabel;
class QProgressBar;

namespace tarvo {

// Counts the groups while the main window fills its pages. Created once by
// the window that owns it, hidden, and reused for every load; it offers no
// way to close it.
class TFrmProgress : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmProgress(QWidget* parent);
  ~TFrmProgress() override;

  void ShowProgress();
  // Empties the bar so that count - 1 steps fill it. With a count of 1 or
  // less it stays empty: there is nothing to count, and a bar of no length
  // would show a busy animation instead.
  void ResetProgress(int count, std::string_view text);
  // One step further, then lets pending events run so the windows repaint.
  void StepProgress();
  void HideProgress();

  QProgressBar* Bar;
  QLabel* LblCaption;

  // QDialog
  void reject() override;

 protected:
  // QWidget
  void closeEvent(QCloseEvent* event) override;

 private:
  int steps_ = 0;
};

}  // namespace tarvo

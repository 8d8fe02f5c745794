#pragma once

#include <QDialog>

#include <string_view>

class QLabel;
class QProgressBar;

namespace tarvo {

// Counts the groups while the main window fills its pages. Created once,
// hidden, and reused for every load; it offers no way to close it.
class TFrmProgress : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmProgress(QWidget* parent);
  ~TFrmProgress() override;

  void ShowProgress();
  // The bar's maximum becomes max(0, count - 1), so that count - 1 steps
  // fill it; its position 0.
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
};

extern TFrmProgress* FrmProgress;

}  // namespace tarvo

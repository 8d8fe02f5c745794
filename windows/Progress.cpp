#include "windows/Progress.h"

#include "ui/Latin1Text.h"
#include "ui/PageWidgets.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvo {

TFrmProgress::TFrmProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("FrmProgress"));
  setWindowTitle(QStringLiteral("Loading..."));
  setModal(false);
  SetWindowFont(this);

  auto* const layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->setSpacing(6);

  Bar = new QProgressBar(this);
  Bar->setObjectName(QStringLiteral("Bar"));
  Bar->setRange(0, 100);
  Bar->setValue(0);
  Bar->setTextVisible(false);
  Bar->setFixedSize(297, 17);
  layout->addWidget(Bar);

  LblCaption = new QLabel(this);
  LblCaption->setObjectName(QStringLiteral("LblCaption"));
  LblCaption->setTextFormat(Qt::PlainText);
  LblCaption->setFixedWidth(297);
  layout->addWidget(LblCaption);

  layout->setSizeConstraint(QLayout::SetFixedSize);
}

TFrmProgress::~TFrmProgress() = default;

void TFrmProgress::ShowProgress() {
  if (QWidget* const owner = parentWidget()) {
    adjustSize();
    move(owner->frameGeometry().center() - rect().center());
  }
  show();
  raise();
}

void TFrmProgress::ResetProgress(int count, std::string_view text) {
  steps_ = std::max(0, count - 1);
  Bar->setRange(0, std::max(1, steps_));
  Bar->setValue(0);
  LblCaption->setText(Latin1(text));
}

void TFrmProgress::StepProgress() {
  // A position past the maximum shows full; QProgressBar would ignore it.
  Bar->setValue(std::min(Bar->value() + 1, steps_));
  QCoreApplication::processEvents();
}

void TFrmProgress::HideProgress() { hide(); }

void TFrmProgress::closeEvent(QCloseEvent* event) { event->ignore(); }

// Escape would close a dialog; this one stays until the fill ends.
void TFrmProgress::reject() {}

}  // namespace tarvo
